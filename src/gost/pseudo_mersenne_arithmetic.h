// Multiplication modulo p = 2^256 - C for a small C (CryptoPro-A: C = 617). Since 2^256 = C
// mod p, the high half of a product folds into the low half with one multiply-add per word,
// several times cheaper than a general reduction. Values are kept fully reduced, in plain form.
#pragma once

#include <cstdint>

#include "u256.h"

namespace gost {

template <uint64_t C>
class PseudoMersenneArithmetic {
  static_assert(C > 0 && C < (uint64_t{1} << 32), "the folds below need C below 2^32");

  // r + carry * 2^256 mod p, with carry <= C.
  [[gnu::always_inline]] static constexpr U256 Fold(U256 r, uint64_t carry) {
    uint64_t overflow = 0;
    r.limb[0] = AddCarry(r.limb[0], carry * C, &overflow);
    #pragma GCC unroll 8
    for (int i = 1; i < 4; ++i) r.limb[i] = AddCarry(r.limb[i], 0, &overflow);
    // A wrap leaves r below C^2, so adding C once more stays in the low word.
    r.limb[0] += C & MaskFromBit(overflow);
    uint64_t carry2 = 0;
    const U256 reduced = Add(r, U256FromWord(C), &carry2);  // r - p, valid when r >= p
    return Select(MaskFromBit(carry2), reduced, r);
  }

 public:
  static constexpr U256 kModulus = {{0 - C, ~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}}};
  static constexpr U256 kOne = U256FromWord(1);

  [[gnu::always_inline]] static constexpr U256 Mul(const U256& a, const U256& b) {
    uint64_t t[8];
    MulWide(a, b, t);
    return ReduceWide(t);
  }

  [[gnu::always_inline]] static constexpr U256 Square(const U256& a) {
    // Off-diagonal products once, doubled, then the squares: 10 word products instead of 16.
    uint64_t t[8] = {};
    #pragma GCC unroll 8
    for (int i = 0; i < 3; ++i) {
      uint64_t carry = 0;
      #pragma GCC unroll 8
      for (int j = i + 1; j < 4; ++j)
        t[i + j] = MulAddAdd(a.limb[i], a.limb[j], t[i + j], carry, &carry);
      t[i + 4] = carry;
    }
    uint64_t carry = 0;
    #pragma GCC unroll 8
    for (int i = 1; i < 8; ++i) t[i] = AddCarry(t[i], t[i], &carry);
    carry = 0;
    #pragma GCC unroll 8
    for (int i = 0; i < 4; ++i) {
      uint64_t hi = 0;
      const uint64_t lo = MulAddAdd(a.limb[i], a.limb[i], 0, 0, &hi);
      t[2 * i] = AddCarry(t[2 * i], lo, &carry);
      t[2 * i + 1] = AddCarry(t[2 * i + 1], hi, &carry);
    }
    return ReduceWide(t);
  }

  // a * k for a small constant k (curve coefficients).
  static constexpr U256 MulSmall(const U256& a, uint32_t k) {
    U256 r{};
    uint64_t carry = 0;
    #pragma GCC unroll 8
    for (int i = 0; i < 4; ++i) r.limb[i] = MulAddAdd(a.limb[i], k, 0, carry, &carry);
    return Fold(r, carry);
  }

  static constexpr U256 Encode(const U256& x) { return x; }
  static constexpr U256 Decode(const U256& a) { return a; }

 private:
  [[gnu::always_inline]] static constexpr U256 ReduceWide(const uint64_t t[8]) {
    U256 r{};
    uint64_t carry = 0;
    #pragma GCC unroll 8
    for (int i = 0; i < 4; ++i) r.limb[i] = MulAddAdd(t[i + 4], C, t[i], carry, &carry);
    return Fold(r, carry);
  }
};

}  // namespace gost
