// What a simulated token keeps about itself, in the file "token.cfg" of its slot folder: one
// "name=value" line each for its serial number, the number of wrong PINs it tolerates, how
// many are left, and the PIN verifier (pin_verifier.h; salt and digest in hex). The PIN itself
// is never stored.
#pragma once

#include <cstdint>
#include <string>

#include "pin_verifier.h"

namespace ccom {

inline constexpr const char* kTokenConfigName = "token.cfg";
inline constexpr int kDefaultPinTries = 5;

struct TokenConfig {
  std::string serial;  // eight upper-case hex digits
  int maxTries = kDefaultPinTries;
  int triesLeft = kDefaultPinTries;  // 0: locked
  PinVerifier pin;
};

std::string FormatTokenConfig(const TokenConfig& config);
// Throws ProviderError(kAccessError) for a text that is not a whole, sound configuration.
TokenConfig ParseTokenConfig(const std::string& text);

}  // namespace ccom
