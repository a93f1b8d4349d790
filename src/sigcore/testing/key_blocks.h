// Public-key blocks for tests, signed with the GOST library directly, as a second
// implementation beside the provider: a block made here must pass the provider's verification.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sigcore_test {

struct KeyPair {
  std::array<uint8_t, 32> privateKey{};
  std::array<uint8_t, 65> publicKey{};
};

// A key pair on the CryptoPro-A curve, the same for the same seed.
KeyPair MakeKeyPair(uint32_t seed);

// The block of `uid` and `owner` for the key, self-signed with its private key: the signature
// over the signed part hashed with GOST R 34.11-94 (CryptoPro parameters).
std::vector<uint8_t> SignedBlock(const std::string& uid, const std::string& owner,
                                 const KeyPair& key);

}  // namespace sigcore_test
