// The rounds of one block at a time, for the modes whose blocks form one chain (CFB
// encryption, the MAC): there speed is the latency of a round, not the throughput. Internal to
// kit_gost.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gost28147_rounds.h"

namespace gost::detail {

// n ^ F(from + keys[i]), with the lowest byte looked up before the key is added (through
// RoundTable::low at the key's offset) and the two lookups that arrive last combined with each
// other first.
struct LatencyRound {
  const KeySchedule& ks;
  GOST_ALWAYS_INLINE uint32_t operator()(uint32_t n, uint32_t from, const uint32_t* keys,
                                         int i) const {
    const uint32_t x = from + keys[i];
    uint32_t a = n ^ ks.low[i][from & 0xff];
    uint32_t b = ks.table->t[1][(x >> 8) & 0xff] ^ ks.table->t[2][(x >> 16) & 0xff];
    InRegister(a);
    a ^= ks.table->t[3][x >> 24];
    InRegister(a);
    InRegister(b);
    return a ^ b;
  }
};

#if defined(__x86_64__) && defined(__GNUC__)

// The same round in x86-64 assembly with BMI1: every byte of the sum comes out in one
// instruction (the second from a high-byte register, the third by BEXTR); compilers otherwise
// reorder the steps into longer chains or spill the halves.
#define GOST_CHAIN_ROUND(FROM, TO, I)            \
  "movl %k[" #FROM "], %k[x]\n\t"                \
  "addl " #I "*4(%[keys]), %k[x]\n\t"            \
  "movzbl %b[" #FROM "], %k[i0]\n\t"             \
  "movq " #I "*8(%[lows]), %[lp]\n\t"            \
  "xorl (%[lp],%[i0],4), %k[" #TO "]\n\t"        \
  "movzbl %h[x], %k[i1]\n\t"                     \
  "bextr %[third], %[x], %[i2]\n\t"              \
  "shrl $24, %k[x]\n\t"                          \
  "xorl 0xc00(%[table],%[x],4), %k[" #TO "]\n\t" \
  "movl 0x400(%[table],%[i1],4), %k[i1]\n\t"     \
  "xorl 0x800(%[table],%[i2],4), %k[i1]\n\t"     \
  "xorl %k[i1], %k[" #TO "]\n\t"

#define GOST_CHAIN_PAIR(I, J) GOST_CHAIN_ROUND(a, b, I) GOST_CHAIN_ROUND(b, a, J)
#define GOST_CHAIN_FORWARD \
  GOST_CHAIN_PAIR(0, 1) GOST_CHAIN_PAIR(2, 3) GOST_CHAIN_PAIR(4, 5) GOST_CHAIN_PAIR(6, 7)
#define GOST_CHAIN_BACKWARD \
  GOST_CHAIN_PAIR(7, 6) GOST_CHAIN_PAIR(5, 4) GOST_CHAIN_PAIR(3, 2) GOST_CHAIN_PAIR(1, 0)
// x and i1 are among the registers with a high-byte part ("Q").
#define GOST_CHAIN_OPERANDS                                                                  \
  : [a] "+r"(a), [b] "+r"(b), [x] "=&Q"(x), [i0] "=&r"(i0), [i1] "=&Q"(i1), [i2] "=&r"(i2),   \
    [lp] "=&r"(lp)                                                                           \
  : [keys] "r"(ks.k), [lows] "r"(ks.low), [table] "r"(ks.table),                             \
    [third] "r"(uint64_t{0x0810})                                                            \
  : "cc", "memory"

static_assert(offsetof(RoundTable, t) == 0 && sizeof(RoundTable::t[0]) == 0x400);

inline void EncryptRoundsAssembly(const KeySchedule& ks, uint32_t& a, uint32_t& b) {
  uint64_t x, i0, i1, i2;
  const uint32_t* lp;
  __asm__(GOST_CHAIN_FORWARD GOST_CHAIN_FORWARD GOST_CHAIN_FORWARD GOST_CHAIN_BACKWARD
              GOST_CHAIN_OPERANDS);
}

inline void MacRoundsAssembly(const KeySchedule& ks, uint32_t& a, uint32_t& b) {
  uint64_t x, i0, i1, i2;
  const uint32_t* lp;
  __asm__(GOST_CHAIN_FORWARD GOST_CHAIN_FORWARD GOST_CHAIN_OPERANDS);
}

#undef GOST_CHAIN_OPERANDS
#undef GOST_CHAIN_BACKWARD
#undef GOST_CHAIN_FORWARD
#undef GOST_CHAIN_PAIR
#undef GOST_CHAIN_ROUND

#endif

// Whether the assembly rounds can run here.
inline bool HasChainAssembly() {
#if defined(__x86_64__) && defined(__GNUC__)
  return __builtin_cpu_supports("bmi");
#else
  return false;
#endif
}

// 32 rounds of encryption of (a, b) = (N1, N2), giving (N2, N1) as Rounds::Encrypt does.
template <bool kAssembly>
GOST_ALWAYS_INLINE void EncryptChain(const KeySchedule& ks, uint32_t& a, uint32_t& b) {
#if defined(__x86_64__) && defined(__GNUC__)
  if constexpr (kAssembly) {
    EncryptRoundsAssembly(ks, a, b);
    return;
  }
#endif
  Rounds<1, LatencyRound>{LatencyRound{ks}, ks.k, 0}.Encrypt(&a, &b);
}

// The 16 rounds of the MAC, as Rounds::Mac.
template <bool kAssembly>
GOST_ALWAYS_INLINE void MacChain(const KeySchedule& ks, uint32_t& a, uint32_t& b) {
#if defined(__x86_64__) && defined(__GNUC__)
  if constexpr (kAssembly) {
    MacRoundsAssembly(ks, a, b);
    return;
  }
#endif
  Rounds<1, LatencyRound>{LatencyRound{ks}, ks.k, 0}.Mac(&a, &b);
}

}  // namespace gost::detail
