// GOST R 34.11-94 hash. The digest is the final 256-bit state written little-endian (least
// significant byte first), as libgcrypt and RFC 4357 write it; message blocks are read the
// same way.
//
// GostR3411_94 and Hash run the cipher inside the hash through S-box tables indexed by bytes
// of the data: fast, but which cache lines they touch depends on the message, so they are for
// public data (documents, transfers). GostR3411_94Secret and HashSecret evaluate the S-boxes
// with masks: no branch and no memory address depends on the message, for secrets (key
// material, the nonce derivation). Both give the same digests.
//
// Nothing here throws or allocates. Unknown parameters are refused: the functions return false
// and write a zero digest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gost {

namespace detail {
struct RoundTable;
struct SBoxMux;
}  // namespace detail

// S-box sets of the hash's cipher: the test parameters (1.2.643.2.2.30.0) and the CryptoPro
// parameters (1.2.643.2.2.30.1, our parameter identifier 21).
enum class HashParams { Test, CryptoPro };

class GostR3411_94 {
 public:
  static constexpr size_t kDigestSize = 32;
  static constexpr size_t kBlockSize = 32;

  explicit GostR3411_94(HashParams params) noexcept : GostR3411_94(params, false) {}
  ~GostR3411_94();
  GostR3411_94(const GostR3411_94&) = delete;
  GostR3411_94& operator=(const GostR3411_94&) = delete;

  [[nodiscard]] bool Update(const uint8_t* data, size_t size) noexcept;
  // Writes the digest and starts over with an empty message.
  [[nodiscard]] bool Final(uint8_t digest[kDigestSize]) noexcept;

 protected:
  GostR3411_94(HashParams params, bool masked) noexcept;

 private:
  void Reset() noexcept;

  const detail::RoundTable* table_;  // null for unknown parameters
  const detail::SBoxMux* mux_;
  bool masked_;
  uint64_t h_[4];
  uint64_t sum_[4];
  uint64_t bytes_;
  uint8_t buffer_[kBlockSize];
  size_t buffered_;
};

// The streaming digest through the constant-time rounds, for secrets fed in pieces.
class GostR3411_94Secret : public GostR3411_94 {
 public:
  explicit GostR3411_94Secret(HashParams params) noexcept : GostR3411_94(params, true) {}
};

[[nodiscard]] bool Hash(HashParams params, const uint8_t* data, size_t size,
                        uint8_t digest[32]) noexcept;

// Digest of secret data: no branch and no memory index depends on the data.
[[nodiscard]] bool HashSecret(HashParams params, const uint8_t* data, size_t size,
                              uint8_t digest[32]) noexcept;

}  // namespace gost
