// The S-box set names of the repository's GOST vector files, for the provider's tests.
#pragma once

#include <stdexcept>
#include <string>

#include "gost28147.h"

namespace ccom_test {

inline gost::SBoxSet SetNamed(const std::string& name) {
  const char* const names[] = {"Test",       "CipherTest", "CryptoProA",   "CryptoProB",
                               "CryptoProC", "CryptoProD", "CryptoProHash"};
  for (int i = 0; i < 7; ++i)
    if (name == names[i]) return static_cast<gost::SBoxSet>(i);
  throw std::invalid_argument("unknown S-box set " + name);
}

}  // namespace ccom_test
