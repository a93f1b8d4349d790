// The envelope's cryptography done by the GOST library directly, as the provider is asked to
// do it: a second implementation for the native tests and the fuzzer, and an oracle for what
// sigcore makes over the provider.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "encrypted_buffer.h"

namespace sigcore_test {

class GostEnvelope final : public sigcore::EnvelopeCrypto {
 public:
  // A party with a fixed private key, which opens what is sealed for its public key, and an
  // ephemeral pair for sealing; random bytes come from a counter started at `seed`.
  GostEnvelope(const std::array<uint8_t, 32>& privateKey, uint32_t seed);

  void AddRecipient(const std::string& uid, const std::array<uint8_t, 65>& publicKey);
  // How often the own private key was used.
  int SenderKeyCalls() const { return senderKeyCalls_; }

  int32_t RandomBytes(uint8_t* out, size_t size) override;
  int32_t Crypt(int32_t method, bool encrypt, const uint8_t* key, const uint8_t* start,
                const uint8_t* in, uint8_t* out, size_t size) override;
  int32_t Mac(const uint8_t* key, const uint8_t* data, size_t size, uint8_t* mac) override;
  int32_t RecipientKey(const std::string& uid, uint8_t* key) override;
  int32_t SenderPublicValue(uint8_t* value) override;
  int32_t SenderKey(const uint8_t* senderValue, uint8_t* key) override;

 private:
  std::array<uint8_t, 32> privateKey_;
  std::array<uint8_t, 32> ephemeralKey_{};
  std::array<uint8_t, 65> ephemeralValue_{};
  std::map<std::string, std::array<uint8_t, 65>> recipients_;
  uint32_t counter_;
  int senderKeyCalls_ = 0;
};

// The key-encryption key from a private key and a peer's public value: the GOST R 34.11-94
// digest of the shared X coordinate followed by 32 zero bytes. False for a value off the curve.
bool DeriveKek(const uint8_t* privateKey, const uint8_t* peerValue, uint8_t* kek);

}  // namespace sigcore_test
