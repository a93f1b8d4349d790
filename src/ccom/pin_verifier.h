// What a simulated token keeps instead of its PIN: a salted, iterated digest of it, PBKDF2
// (RFC 8018) with HMAC over GOST R 34.11-94 with the CryptoPro parameters, 32 bytes. The PIN is
// a secret, so HMAC runs the constant-time hash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ccom {

inline constexpr uint32_t kPinIterations = 2000;
inline constexpr size_t kPinSaltSize = 16;

void Pbkdf2GostR3411(const uint8_t* password, size_t passwordSize, const uint8_t* salt,
                     size_t saltSize, uint32_t iterations, uint8_t* out, size_t outSize);

struct PinVerifier {
  std::array<uint8_t, kPinSaltSize> salt{};
  uint32_t iterations = kPinIterations;
  std::array<uint8_t, 32> digest{};
};

PinVerifier MakePinVerifier(const uint8_t* pin, size_t pinSize,
                            const std::array<uint8_t, kPinSaltSize>& salt,
                            uint32_t iterations = kPinIterations);
// Compares in constant time.
bool PinMatches(const PinVerifier& verifier, const uint8_t* pin, size_t pinSize);

}  // namespace ccom
