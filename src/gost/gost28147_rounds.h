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

// The S-boxes of a set as a 16-way multiplexer on whole nibbles, for the constant-time rounds.
// Nibble i of column v is S-box i's output for the input v; even[u] is column 2u and odd[u]
// the difference column 2u ^ column 2u + 1, so the first level of selection is one AND and one
// XOR.
struct SBoxMux {
  uint32_t even[8];
  uint32_t odd[8];
};

// Null for an unknown set.
const RoundTable* RoundTableOf(SBoxSet set);
const SBoxMux* SBoxMuxOf(SBoxSet set);

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

// The round function without tables: every S-box output is selected from the sixteen
// candidates by masks made of its input bits, for all eight nibbles at once, so that neither
// branches nor memory addresses depend on the key or the data.
struct MaskedRound {
  const SBoxMux& mux;

  // Nibble i all ones where bit `bit` of nibble i of x is set.
  static GOST_ALWAYS_INLINE uint32_t NibbleMask(uint32_t x, int bit) {
    const uint32_t bits = (x >> bit) & 0x11111111u;
    return (bits << 4) - bits;
  }
  static GOST_ALWAYS_INLINE uint32_t Choose(uint32_t ifClear, uint32_t ifSet, uint32_t mask) {
    return ifClear ^ ((ifClear ^ ifSet) & mask);
  }

  GOST_ALWAYS_INLINE uint32_t operator()(uint32_t n, uint32_t from, const uint32_t* keys,
                                         int i) const {
    const uint32_t x = from + keys[i];
    const uint32_t m0 = NibbleMask(x, 0), m1 = NibbleMask(x, 1);
    const uint32_t m2 = NibbleMask(x, 2), m3 = NibbleMask(x, 3);
    uint32_t by1[8];
    #pragma GCC unroll 8
    for (int u = 0; u < 8; ++u) by1[u] = mux.even[u] ^ (mux.odd[u] & m0);
    uint32_t by2[4];
    #pragma GCC unroll 4
    for (int u = 0; u < 4; ++u) by2[u] = Choose(by1[2 * u], by1[2 * u + 1], m1);
    const uint32_t low = Choose(by2[0], by2[1], m2), high = Choose(by2[2], by2[3], m2);
    const uint32_t s = Choose(low, high, m3);
    return n ^ (s << 11 | s >> 21);
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

// One block through the constant-time rounds: (n1, n2) in, (n1, n2) out. Out of line, so
// that the static constant-time check finds them by name.
void EncryptBlockMasked(const KeySchedule& ks, uint32_t& n1, uint32_t& n2);
void DecryptBlockMasked(const KeySchedule& ks, uint32_t& n1, uint32_t& n2);
// The 16 rounds of the MAC through the constant-time rounds, as Rounds::Mac.
void MacRoundsMasked(const KeySchedule& ks, uint32_t& a, uint32_t& b);

// One block of the key schedule's cipher: (n1, n2) in, (n1, n2) out, through the rounds the
// schedule was made for.
inline void EncryptBlock(const KeySchedule& ks, uint32_t& n1, uint32_t& n2) {
  if (ks.masked) return EncryptBlockMasked(ks, n1, n2);
  uint32_t a[1] = {n1}, b[1] = {n2};
  EncryptWords<1>(TableRound{*ks.table}, ks.k, 0, a, b);
  n1 = b[0];
  n2 = a[0];
}

inline void DecryptBlock(const KeySchedule& ks, uint32_t& n1, uint32_t& n2) {
  if (ks.masked) return DecryptBlockMasked(ks, n1, n2);
  uint32_t a[1] = {n1}, b[1] = {n2};
  DecryptWords<1>(TableRound{*ks.table}, ks.k, 0, a, b);
  n1 = b[0];
  n2 = a[0];
}

// CryptoPro key meshing (RFC 4357, 2.3.2) on a key schedule and the IV held as two words.
void MeshKey(KeySchedule& ks, uint32_t& iv1, uint32_t& iv2);

// Zeros where an operation was refused.
inline void ZeroOutput(uint8_t* out, size_t size) {
  if (size > 0) std::memset(out, 0, size);
}

}  // namespace gost::detail
