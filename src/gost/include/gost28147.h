// GOST 28147-89 block cipher: S-box parameter sets, key schedule, simple substitution (ECB).
//
// Byte conventions (those of RFC 4357 and libgcrypt):
// - a 32-byte key is eight little-endian 32-bit words K0..K7, bytes 0..3 being K0;
// - an 8-byte block is two little-endian 32-bit halves, bytes 0..3 the first (N1) and bytes
//   4..7 the second (N2); output blocks are written the same way.
//
// Two ways to run the rounds, chosen by the class name:
// - Gost28147, Gost28147Gamma, Gost28147Cfb, Gost28147Mac look the S-boxes up in tables
//   indexed by bytes of (data half + round key). Which cache lines they touch depends on the
//   key and the data, so a process sharing the cache can learn key bits from timing. They are
//   for bulk data under a session key that lives for one message.
// - The ...Secret classes evaluate the S-boxes with masks only: no branch and no memory
//   address depends on the key or the data. Use them for everything that is or protects key
//   material (wrapping a private key under a key-encryption key, its MAC, key meshing). They
//   give the same results as the table classes and are several times slower.
//
// No function of the GOST library throws or allocates. A class made with an unknown S-box set
// refuses every operation: it returns false and fills its outputs with zeros.
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

// The sixteen outputs of each of the eight S-boxes of a set; null for an unknown set.
const uint8_t (*SBoxRows(SBoxSet set) noexcept)[8][16];

namespace detail {

struct RoundTable;
struct SBoxMux;

enum class SBoxEvaluation { Tables, Masks };

// A key in the form the rounds use, with the S-box data of its set; wiped when destroyed.
// table and mux are null for an unknown set.
struct KeySchedule {
  KeySchedule(SBoxSet set, const uint8_t key[32], SBoxEvaluation evaluation) noexcept;
  ~KeySchedule();
  KeySchedule(const KeySchedule&) = delete;
  KeySchedule& operator=(const KeySchedule&) = delete;

  bool Valid() const noexcept { return table != nullptr; }
  void SetKey(const uint8_t key[32]) noexcept;
  void SetKey(const uint32_t words[8]) noexcept;

  const RoundTable* table;
  const SBoxMux* mux;
  bool masked;  // every block goes through the constant-time rounds
  uint32_t k[8];
  const uint32_t* low[8];  // table->low + (k[i] & 0xff), for the table rounds only
};

}  // namespace detail

// Simple substitution: every block on its own, through the table rounds.
class Gost28147 {
 public:
  static constexpr size_t kKeySize = 32;
  static constexpr size_t kBlockSize = 8;

  Gost28147(SBoxSet set, const uint8_t key[kKeySize]) noexcept
      : Gost28147(set, key, detail::SBoxEvaluation::Tables) {}

  // `in` and `out` hold blocks * 8 bytes; they may be the same buffer.
  [[nodiscard]] bool Encrypt(const uint8_t* in, uint8_t* out, size_t blocks) const noexcept;
  [[nodiscard]] bool Decrypt(const uint8_t* in, uint8_t* out, size_t blocks) const noexcept;

 protected:
  Gost28147(SBoxSet set, const uint8_t key[kKeySize], detail::SBoxEvaluation evaluation) noexcept
      : ks_(set, key, evaluation) {}

 private:
  detail::KeySchedule ks_;
};

// Simple substitution through the constant-time rounds, for key material.
class Gost28147Secret : public Gost28147 {
 public:
  Gost28147Secret(SBoxSet set, const uint8_t key[kKeySize]) noexcept
      : Gost28147(set, key, detail::SBoxEvaluation::Masks) {}
};

}  // namespace gost
