// Key diversification and key wrapping of GOST 28147-89 (RFC 4357, 6.1 and 6.5), all through
// the constant-time classes, since every input is key material.
//
// Diversification turns a key and 8 bytes of user keying material (UKM) into a key of its
// own: eight steps, each encrypting the key under itself in CFB mode with a start value of two
// 32-bit sums of the key's words, chosen by the bits of one UKM byte (least significant bit
// first; the first sum takes the words whose bit is set).
//
// A wrapped key is 36 bytes: the key encrypted in ECB mode under the wrapping key, then the
// 4-byte MAC of the plain key under the wrapping key, started from the UKM. The UKM is not part
// of the 36 bytes: whoever unwraps must hold it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gost28147.h"

namespace ccom {

inline constexpr size_t kWrappedKeySize = 36;

void DiversifyKey(gost::SBoxSet set, const uint8_t key[32], const uint8_t ukm[8],
                  uint8_t diversified[32]);

void WrapKey(gost::SBoxSet set, const uint8_t wrappingKey[32], const uint8_t ukm[8],
             const uint8_t key[32], uint8_t wrapped[kWrappedKeySize]);

// False, with `key` zeroed, when the MAC does not match: the wrapping key or UKM is not the
// one the key was wrapped with, or the bytes were changed.
[[nodiscard]] bool UnwrapKey(gost::SBoxSet set, const uint8_t wrappingKey[32], const uint8_t ukm[8],
                             const uint8_t wrapped[kWrappedKeySize], uint8_t key[32]);

}  // namespace ccom
