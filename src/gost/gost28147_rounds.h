// The GOST 28147-89 rounds, shared by the cipher modes, the MAC and the hash. Internal to
// kit_gost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gost28147.h"

namespace gost::detail {

// The eight S-boxes and the 11-bit rotation merged into four byte-indexed tables:
// F(x) = t[0][x & 0xff] ^ t[1][(x >> 8) & 0xff] ^ t[2][(x >> 16) & 0xff] ^ t[3][x >> 24].
struct RoundTable {
  uint32_t t[4][256];
};

const RoundTable& RoundTableOf(SBoxSet set);

inline uint32_t Load32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint64_t Load64(const uint8_t* p) {
  return uint64_t{Load32(p)} | uint64_t{Load32(p + 4)} << 32;
}

inline void Store64(uint8_t* p, uint64_t v) {
  Store32(p, static_cast<uint32_t>(v));
  Store32(p + 4, static_cast<uint32_t>(v >> 32));
}

// The round function through the merged tables.
struct TableRound {
  const RoundTable& table;
  uint32_t operator()(uint32_t x) const {
    return table.t[0][x & 0xff] ^ table.t[1][(x >> 8) & 0xff] ^ table.t[2][(x >> 16) & 0xff] ^
           table.t[3][x >> 24];
  }
};

// The rounds of N blocks at once, interleaved so that the processor overlaps their
// dependency chains. Block j is (a[j], b[j]) = (N1, N2); key j is keys[j * key_stride], so a
// stride of 0 uses one key for all blocks. Each step is two rounds, keys i and i + 1.
template <size_t N, class Round>
struct Rounds {
  const Round& f;
  const uint32_t* keys;
  size_t key_stride;

  void Pair(uint32_t* a, uint32_t* b, int i, int i2) const {
    for (size_t j = 0; j < N; ++j) b[j] ^= f(a[j] + keys[j * key_stride + i]);
    for (size_t j = 0; j < N; ++j) a[j] ^= f(b[j] + keys[j * key_stride + i2]);
  }
  void Forward(uint32_t* a, uint32_t* b) const {
    Pair(a, b, 0, 1), Pair(a, b, 2, 3), Pair(a, b, 4, 5), Pair(a, b, 6, 7);
  }
  void Backward(uint32_t* a, uint32_t* b) const {
    Pair(a, b, 7, 6), Pair(a, b, 5, 4), Pair(a, b, 3, 2), Pair(a, b, 1, 0);
  }
  // The last round does not swap the halves: after an even number of rounds written as
  // pairs, the output is (b, a).
  void Encrypt(uint32_t* a, uint32_t* b) const {
    Forward(a, b), Forward(a, b), Forward(a, b), Backward(a, b);
  }
  void Decrypt(uint32_t* a, uint32_t* b) const {
    Forward(a, b), Backward(a, b), Backward(a, b), Backward(a, b);
  }
  // The 16 rounds of the MAC, which keep the halves in place.
  void Mac(uint32_t* a, uint32_t* b) const { Forward(a, b), Forward(a, b); }
};

template <size_t N, class Round>
inline void EncryptWords(const Round& f, const uint32_t* keys, size_t key_stride, uint32_t* a,
                         uint32_t* b) {
  Rounds<N, Round>{f, keys, key_stride}.Encrypt(a, b);
}

template <size_t N, class Round>
inline void DecryptWords(const Round& f, const uint32_t* keys, size_t key_stride, uint32_t* a,
                         uint32_t* b) {
  Rounds<N, Round>{f, keys, key_stride}.Decrypt(a, b);
}

// One block of the key schedule's cipher: (n1, n2) in, (n1, n2) out.
inline void EncryptBlock(const KeySchedule& ks, uint32_t& n1, uint32_t& n2) {
  uint32_t a[1] = {n1}, b[1] = {n2};
  EncryptWords<1>(TableRound{*ks.table}, ks.k, 0, a, b);
  n1 = b[0];
  n2 = a[0];
}

inline void DecryptBlock(const KeySchedule& ks, uint32_t& n1, uint32_t& n2) {
  uint32_t a[1] = {n1}, b[1] = {n2};
  DecryptWords<1>(TableRound{*ks.table}, ks.k, 0, a, b);
  n1 = b[0];
  n2 = a[0];
}

// CryptoPro key meshing (RFC 4357, 2.3.2) on a key schedule and the IV held as two words.
void MeshKey(KeySchedule& ks, uint32_t& iv1, uint32_t& iv2);

}  // namespace gost::detail
