// An integer modulo a 256-bit modulus M > 2^255, always fully reduced, with the arithmetic
// operators the curve formulas are written in. Arithmetic supplies the multiplication and the
// internal representation (plain for the CryptoPro-A prime, Montgomery otherwise); addition and
// subtraction are shared. Everything runs in value-independent time.
#pragma once

#include <cstdint>

#include "u256.h"

namespace gost {

template <class Arithmetic>
class FieldElement {
 public:
  static constexpr U256 kModulus = Arithmetic::kModulus;

  constexpr FieldElement() = default;

  // x must be below the modulus.
  static constexpr FieldElement FromInteger(const U256& x) {
    return FieldElement(Arithmetic::Encode(x));
  }
  static constexpr FieldElement FromWord(uint64_t x) { return FromInteger(U256FromWord(x)); }
  static constexpr FieldElement One() { return FieldElement(Arithmetic::kOne); }

  // hi * 2^256 + lo mod M, for any hi, lo below 2^256 (M > 2^255, so each is below 2M).
  static constexpr FieldElement FromWide(const U256& hi, const U256& lo) {
    uint64_t borrow = 0;
    const FieldElement radix = FromInteger(Sub(U256{}, kModulus, &borrow));  // 2^256 mod M
    return FromInteger(ReduceOnce(hi, kModulus)) * radix +
           FromInteger(ReduceOnce(lo, kModulus));
  }

  constexpr U256 ToInteger() const { return Arithmetic::Decode(raw_); }

  friend constexpr FieldElement operator+(const FieldElement& a, const FieldElement& b) {
    uint64_t carry = 0;
    const U256 sum = Add(a.raw_, b.raw_, &carry);
    uint64_t borrow = 0;
    const U256 reduced = Sub(sum, kModulus, &borrow);
    return FieldElement(gost::Select(MaskFromBit(borrow & (carry ^ 1)), sum, reduced));
  }

  friend constexpr FieldElement operator-(const FieldElement& a, const FieldElement& b) {
    uint64_t borrow = 0;
    const U256 diff = Sub(a.raw_, b.raw_, &borrow);
    uint64_t carry = 0;
    return FieldElement(Add(diff, gost::Select(MaskFromBit(borrow), kModulus, U256{}), &carry));
  }

  friend constexpr FieldElement operator-(const FieldElement& a) { return FieldElement() - a; }

  // Inlined so the compiler can interleave the independent products of the point formulas.
  [[gnu::always_inline]] friend constexpr FieldElement operator*(const FieldElement& a,
                                                                 const FieldElement& b) {
    return FieldElement(Arithmetic::Mul(a.raw_, b.raw_));
  }

  FieldElement& operator+=(const FieldElement& b) { return *this = *this + b; }
  FieldElement& operator-=(const FieldElement& b) { return *this = *this - b; }
  FieldElement& operator*=(const FieldElement& b) { return *this = *this * b; }

  [[gnu::always_inline]] constexpr FieldElement Square() const {
    return FieldElement(Arithmetic::Square(raw_));
  }

  constexpr FieldElement MulSmall(uint32_t k) const
    requires requires(U256 a, uint32_t n) { Arithmetic::MulSmall(a, n); }
  {
    return FieldElement(Arithmetic::MulSmall(raw_, k));
  }

  // Fermat: this^(M-2), M prime; zero maps to zero. Four exponent bits at a time, the same
  // squarings and multiplications whatever the value. The exponent is a constant, so its
  // digits may pick the table entry. Out of line, so that the static constant-time check
  // finds it by name.
  [[gnu::noinline]] constexpr FieldElement Inverse() const {
    FieldElement table[16];
    table[0] = One();
    for (int i = 1; i < 16; ++i) table[i] = table[i - 1] * *this;
    FieldElement r = One();
    for (int window = 63; window >= 0; --window) {
      for (int i = 0; i < 4; ++i) r = r.Square();
      r = r * table[kInverseExponent.digit[window]];
    }
    return r;
  }

  constexpr uint64_t IsZeroMask() const { return gost::IsZeroMask(raw_); }
  constexpr uint64_t EqualMask(const FieldElement& b) const {
    return gost::EqualMask(raw_, b.raw_);
  }

  static constexpr FieldElement Select(uint64_t mask, const FieldElement& ifSet,
                                       const FieldElement& ifClear) {
    return FieldElement(gost::Select(mask, ifSet.raw_, ifClear.raw_));
  }

 private:
  // The 4-bit digits of M - 2, least significant first.
  struct ExponentDigits {
    uint8_t digit[64];
  };
  static constexpr ExponentDigits InverseExponent() {
    uint64_t borrow = 0;
    const U256 exponent = Sub(kModulus, U256FromWord(2), &borrow);
    ExponentDigits digits{};
    for (unsigned i = 0; i < 64; ++i)
      digits.digit[i] = static_cast<uint8_t>(BitWindow(exponent, 4 * i, 4));
    return digits;
  }
  static constexpr ExponentDigits kInverseExponent = InverseExponent();

  explicit constexpr FieldElement(const U256& raw) : raw_(raw) {}

  U256 raw_{};
};

}  // namespace gost
