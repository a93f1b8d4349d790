// GOST 28147-89 block cipher: S-box parameter sets, key schedule, simple substitution (ECB).
//
// Byte conventions (those of RFC 4357 and libgcrypt):
// - a 32-byte key is eight little-endian 32-bit words K0..K7, bytes 0..3 being K0;
// - an 8-byte block is two little-endian 32-bit halves, bytes 0..3 the first (N1) and bytes
//   4..7 the second (N2); output blocks are written the same way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gost {

// S-box parameter sets. Row i of a set substitutes bits 4i..4i+3 of the round input.
enum class SBoxSet {
  Test,           // 1.2.643.2.2.30.0, the GOST R 34.11-94 test parameters
  CipherTest,     // 1.2.643.2.2.31.0, the test set of RFC 4357 (differs from Test)
  CryptoProA,     // 1.2.643.2.2.31.1, our parameter identifier 31
  CryptoProB,     // 1.2.643.2.2.31.2
  CryptoProC,     // 1.2.643.2.2.31.3
  CryptoProD,     // 1.2.643.2.2.31.4
  CryptoProHash,  // 1.2.643.2.2.30.1, used by GOST R 34.11-94 with CryptoPro parameters
};

// The sixteen outputs of each of the eight S-boxes of a set.
const uint8_t (&SBoxRows(SBoxSet set))[8][16];

namespace detail {

struct RoundTable;

// A key in the form the rounds use, with the tables of its S-box set; wiped when destroyed.
struct KeySchedule {
  KeySchedule(SBoxSet set, const uint8_t key[32]);
  ~KeySchedule();
  KeySchedule(const KeySchedule&) = delete;
  KeySchedule& operator=(const KeySchedule&) = delete;

  void SetKey(const uint8_t key[32]);
  void SetKey(const uint32_t words[8]);

  const RoundTable* table;
  uint32_t k[8];
  const uint32_t* low[8];  // table->low + (k[i] & 0xff)
};

}  // namespace detail

// Simple substitution: every block on its own.
class Gost28147 {
 public:
  static constexpr size_t kKeySize = 32;
  static constexpr size_t kBlockSize = 8;

  Gost28147(SBoxSet set, const uint8_t key[kKeySize]) : ks_(set, key) {}

  // `in` and `out` hold blocks * 8 bytes; they may be the same buffer.
  void Encrypt(const uint8_t* in, uint8_t* out, size_t blocks) const;
  void Decrypt(const uint8_t* in, uint8_t* out, size_t blocks) const;

 private:
  detail::KeySchedule ks_;
};

}  // namespace gost
