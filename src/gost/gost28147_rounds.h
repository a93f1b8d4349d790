// The GOST 28147-89 rounds, shared by the cipher modes, the MAC and the hash. Internal to
// kit_gost.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "gost28147.h"

#if defined(__GNUC__)
#define GOST_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define GOST_ALWAYS_INLINE inline
#endif

namespace gost::detail {

// The eight S-boxes and the 11-bit rotation merged into four byte-indexed tables:
// F(x) = t[0][x & 0xff] ^ t[1][(x >> 8) & 0xff] ^ t[2][(x >> 16) & 0xff] ^ t[3][x >> 24].
// low is t[0] twice over, so that low[(k & 0xff) + (n & 0xff)] = t[0][(n + k) & 0xff]: with
// the key's offset known in advance, the lowest byte needs no addition (see LatencyRound).
struct RoundTable {
  uint32_t t[4][256];
  uint32_t low[512];
};

const RoundTable& RoundTableOf(SBoxSet set);

// Little-endian words; a plain copy where the processor is little-endian, which the compiler
// turns into one move.
inline uint32_t Load32(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void Store32(uint8_t* p, uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, sizeof v);
    return;
  }
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

// Keeps a value in a general register at this point. It stops the compiler from packing
// interleaved blocks into vector registers (where table lookups become element-by-element
// moves) and from re-associating a round's XORs into one long dependency chain.
GOST_ALWAYS_INLINE void InRegister(uint32_t& v) {
#if defined(__GNUC__)
  __asm__("" : "+r"(v));
#endif
}

// The halves of a block, each in a general register: blocks loaded side by side would
// otherwise be kept packed, two halves to a register or four to a vector register.
GOST_ALWAYS_INLINE void LoadBlock(const uint8_t* p, uint32_t& n1, uint32_t& n2) {
  const uint64_t block = Load64(p);
  n1 = static_cast<uint32_t>(block);
  n2 = static_cast<uint32_t>(block >> 32);
  InRegister(n1);
  InRegister(n2);
}

// The round function through the merged tables: n ^ F(from + keys[i]), with the lookups
// combined as a tree.
struct TableRound {
  const RoundTable& table;
  GOST_ALWAYS_INLINE uint32_t operator()(uint32_t n, uint32_t from, const uint32_t* keys,
                                         int i) const {
    const uint32_t x = from + keys[i];
    uint32_t low = table.t[0][x & 0xff] ^ table.t[1][(x >> 8) & 0xff];
    uint32_t high = table.t[2][(x >> 16) & 0xff] ^ table.t[3][x >> 24];
    low ^= n;
    InRegister(low);
    InRegister(high);
    return low ^ high;
  }
};

// The rounds of N blocks at once, interleaved so that the processor overlaps their
// dependency chains. Block j is (a[j], b[j]) = (N1, N2); key j starts at keys[j * key_stride],
// so a stride of 0 uses one key for all blocks. Each step is two rounds, keys i and i + 1.
template <size_t N, class Round>
struct Rounds {
  const Round& f;
  const uint32_t* keys;
  size_t key_stride;

  template <size_t... J>
  GOST_ALWAYS_INLINE void Lanes(std::index_sequence<J...>, const uint32_t* from, uint32_t* to,
                                int i) const {
    ((to[J] = f(to[J], from[J], keys + J * key_stride, i), InRegister(to[J])), ...);
  }
  GOST_ALWAYS_INLINE void Pair(uint32_t* a, uint32_t* b, int i, int i2) const {
    Lanes(std::make_index_sequence<N>(), a, b, i);
    Lanes(std::make_index_sequence<N>(), b, a, i2);
  }
  GOST_ALWAYS_INLINE void Forward(uint32_t* a, uint32_t* b) const {
    Pair(a, b, 0, 1), Pair(a, b, 2, 3), Pair(a, b, 4, 5), Pair(a, b, 6, 7);
  }
  GOST_ALWAYS_INLINE void Backward(uint32_t* a, uint32_t* b) const {
    Pair(a, b, 7, 6), Pair(a, b, 5, 4), Pair(a, b, 3, 2), Pair(a, b, 1, 0);
  }
  // The last round does not swap the halves: after an even number of rounds written as
  // pairs, the output is (b, a).
  GOST_ALWAYS_INLINE void Encrypt(uint32_t* a, uint32_t* b) const {
    Forward(a, b), Forward(a, b), Forward(a, b), Backward(a, b);
  }
  GOST_ALWAYS_INLINE void Decrypt(uint32_t* a, uint32_t* b) const {
    Forward(a, b), Backward(a, b), Backward(a, b), Backward(a, b);
  }
  // The 16 rounds of the MAC, which keep the halves in place.
  GOST_ALWAYS_INLINE void Mac(uint32_t* a, uint32_t* b) const { Forward(a, b), Forward(a, b); }
};

template <size_t N, class Round>
GOST_ALWAYS_INLINE void EncryptWords(const Round& f, const uint32_t* keys, size_t key_stride,
                                     uint32_t* a, uint32_t* b) {
  Rounds<N, Round>{f, keys, key_stride}.Encrypt(a, b);
}

template <size_t N, class Round>
GOST_ALWAYS_INLINE void DecryptWords(const Round& f, const uint32_t* keys, size_t key_stride,
                                     uint32_t* a, uint32_t* b) {
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
