// GOST R 34.11-94 hash. The digest is the final 256-bit state written little-endian (least
// significant byte first), as libgcrypt and RFC 4357 write it; message blocks are read the
// same way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gost {

// S-box sets of the hash's cipher: the test parameters (1.2.643.2.2.30.0) and the CryptoPro
// parameters (1.2.643.2.2.30.1, our parameter identifier 21).
enum class HashParams { Test, CryptoPro };

class GostR3411_94 {
 public:
  static constexpr size_t kDigestSize = 32;
  static constexpr size_t kBlockSize = 32;

  explicit GostR3411_94(HashParams params);
  ~GostR3411_94();
  GostR3411_94(const GostR3411_94&) = delete;
  GostR3411_94& operator=(const GostR3411_94&) = delete;

  void Update(const uint8_t* data, size_t size);
  // Writes the digest and starts over with an empty message.
  void Final(uint8_t digest[kDigestSize]);

 private:
  void Reset();

  HashParams params_;
  uint64_t h_[4];
  uint64_t sum_[4];
  uint64_t bytes_;
  uint8_t buffer_[kBlockSize];
  size_t buffered_;
};

void Hash(HashParams params, const uint8_t* data, size_t size, uint8_t digest[32]);

// Digest of secret data: no branch and no memory index depends on the data.
void HashSecret(HashParams params, const uint8_t* data, size_t size, uint8_t digest[32]);

}  // namespace gost
