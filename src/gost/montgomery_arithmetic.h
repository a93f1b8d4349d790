// Multiplication modulo an odd 256-bit modulus M in Montgomery form (a stored as a*2^256 mod
// M): the reduction needs no division, and every step runs in value-independent time. Used for
// the curve orders and for the test curve's prime, which has no convenient shape.
#pragma once

#include <cstdint>

#include "u256.h"

namespace gost {

template <U256 M>
class MontgomeryArithmetic {
  static_assert((M.limb[0] & 1) != 0, "Montgomery reduction needs an odd modulus");
  static_assert((M.limb[3] >> 63) != 0, "the modulus must be above 2^255");

  // -M^-1 mod 2^64 by Newton's iteration; each step doubles the correct low bits (3 -> 96).
  static constexpr uint64_t NegatedInverse() {
    uint64_t x = M.limb[0];
    for (int i = 0; i < 5; ++i) x *= 2 - M.limb[0] * x;
    return 0 - x;
  }

  // 2^(256 + doublings) mod M, starting from 2^256 mod M = 2^256 - M (M > 2^255).
  static constexpr U256 PowerOfTwo(int doublings) {
    uint64_t borrow = 0;
    U256 r = Sub(U256{}, M, &borrow);
    for (int i = 0; i < doublings; ++i) {
      uint64_t carry = 0;
      const U256 doubled = Add(r, r, &carry);
      uint64_t under = 0;
      const U256 reduced = Sub(doubled, M, &under);
      r = Select(MaskFromBit(under & (carry ^ 1)), doubled, reduced);
    }
    return r;
  }

 public:
  static constexpr U256 kModulus = M;
  static constexpr uint64_t kNegatedInverse = NegatedInverse();
  static constexpr U256 kOne = PowerOfTwo(0);     // 1 in Montgomery form: 2^256 mod M
  static constexpr U256 kSquare = PowerOfTwo(256);  // 2^512 mod M, converts into the form

  // a * b * 2^-256 mod M for a, b < M: the full product, then four word-by-word reductions.
  [[gnu::always_inline]] static constexpr U256 Mul(const U256& a, const U256& b) {
    uint64_t t[8];
    MulWide(a, b, t);
    uint64_t top = 0;
    #pragma GCC unroll 8
    for (int i = 0; i < 4; ++i) {
      const uint64_t factor = t[i] * kNegatedInverse;
      uint64_t carry = 0;
      #pragma GCC unroll 8
      for (int j = 0; j < 4; ++j) t[i + j] = MulAddAdd(factor, M.limb[j], t[i + j], carry, &carry);
      uint64_t c2 = top;
      t[i + 4] = AddCarry(t[i + 4], carry, &c2);
      top = c2;
    }
    const U256 r{{t[4], t[5], t[6], t[7]}};
    uint64_t borrow = 0;
    const U256 reduced = Sub(r, M, &borrow);
    return Select(MaskFromBit(borrow & (top ^ 1)), r, reduced);
  }

  static constexpr U256 Square(const U256& a) { return Mul(a, a); }

  static constexpr U256 Encode(const U256& x) { return Mul(x, kSquare); }
  static constexpr U256 Decode(const U256& a) { return Mul(a, U256FromWord(1)); }
};

}  // namespace gost
