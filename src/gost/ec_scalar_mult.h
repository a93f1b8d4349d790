// Scalar multiplication on the GOST curves.
//  - MulSecret (k*P) and MulBaseSecret (k*G) take a secret k: a fixed sequence of additions
//    and doublings over signed fixed-window digits; every table entry is read and the wanted
//    one kept by masks, so neither branches nor addresses depend on k.
//  - MulBaseAddPublic (u1*G + u2*Q) serves verification, where everything is public: it skips
//    zero digits and indexes tables directly.
#pragma once

#include <cstdint>
#include <type_traits>

#include "ec_base_table.h"
#include "ec_point.h"
#include "secure_wipe.h"
#include "u256.h"

namespace gost {

// k = sum of digit[i] * 2^(W*i) with digit[i] in [-2^(W-1), 2^(W-1)), for any k below 2^257
// (bit 256 passed separately).
template <unsigned W>
struct SignedWindows {
  static_assert(W >= 2 && 257 % W <= W - 2, "the top window must absorb the last carry");
  static constexpr unsigned kCount = 257 / W + 1;

  int8_t digit[kCount];
};

// The digits one at a time, least significant first, without keeping them: they come off the
// bottom of a shifting copy of k. Every shift is by the constant W, so no step depends on where
// a window lies (variable shifts branch on 32-bit x86). Wiped when done.
template <unsigned W>
class SignedDigitStream {
 public:
  explicit constexpr SignedDigitStream(const U256& k, uint64_t bit256 = 0)
      : rest_{k.limb[0], k.limb[1], k.limb[2], k.limb[3], bit256} {}
  constexpr ~SignedDigitStream() {
    if (!std::is_constant_evaluated()) SecureWipe(rest_, sizeof rest_);
  }
  SignedDigitStream(const SignedDigitStream&) = delete;
  SignedDigitStream& operator=(const SignedDigitStream&) = delete;

  constexpr int8_t Next() {
    const uint64_t value = (rest_[0] & ((uint64_t{1} << W) - 1)) + carry_;
    #pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) rest_[j] = rest_[j] >> W | rest_[j + 1] << (64 - W);
    rest_[4] >>= W;
    carry_ = (value + (uint64_t{1} << (W - 1))) >> W;
    return static_cast<int8_t>(static_cast<int64_t>(value) - static_cast<int64_t>(carry_ << W));
  }

 private:
  uint64_t rest_[5];
  uint64_t carry_ = 0;
};

template <unsigned W>
constexpr SignedWindows<W> RecodeSigned(const U256& k, uint64_t bit256 = 0) {
  SignedWindows<W> r{};
  SignedDigitStream<W> digits(k, bit256);
  for (unsigned i = 0; i < SignedWindows<W>::kCount; ++i) r.digit[i] = digits.Next();
  return r;
}

struct DigitParts {
  uint64_t magnitude;
  uint64_t negativeMask;
};

constexpr DigitParts SplitDigit(int8_t digit) {
  const uint64_t value = static_cast<uint64_t>(static_cast<int64_t>(digit));
  const uint64_t negative = MaskFromBit(value >> 63);
  return {(value ^ negative) - negative, negative};
}

inline constexpr unsigned kSecretWindow = 4;
inline constexpr unsigned kBaseWindow = 5;
inline constexpr unsigned kPublicWindow = 5;  // wNAF width for verification

template <class Curve>
using DefaultBaseTable = BaseTable<Curve, kBaseWindow>;

// k*P for a secret k below 2^256 and a validated point P. The secret multiplications are out
// of line, so that the static constant-time check finds them by name.
template <class Curve>
[[gnu::noinline]] ProjectivePoint<Curve> MulSecret(const U256& k, const AffinePoint<Curve>& p) {
  using Point = ProjectivePoint<Curve>;
  using Scalar = typename Curve::Scalar;
  constexpr unsigned kEntries = (1u << (kSecretWindow - 1)) + 1;
  Point table[kEntries];  // i * P: multiples of a public point
  table[0] = Point::Identity();
  table[1] = Point::FromAffine(p);
  table[2] = Double(table[1]);
  for (unsigned i = 3; i < kEntries; ++i) table[i] = Add(table[i - 1], table[1]);

  // Multiply by k + q or k + 2q instead, whichever lies in [2^256, 2^257) (one does, as
  // 2^255 < q): the same point, but the top digit is never zero, so the accumulator is never
  // infinity where DoubleRepeatedly runs (every partial sum is positive and below q).
  Wiped<U256> shifted;
  uint64_t carry = 0, ignored = 0;
  *shifted = Add(k, Scalar::kModulus, &carry);
  *shifted = Select(MaskFromBit(carry), *shifted, Add(*shifted, Scalar::kModulus, &ignored));

  Wiped<SignedWindows<kSecretWindow>> windows;
  *windows = RecodeSigned<kSecretWindow>(*shifted, 1);
  Wiped<Point> accumulator, chosen;
  const auto choose = [&](int8_t rawDigit) {
    const DigitParts digit = SplitDigit(rawDigit);
    *chosen = table[0];
    for (unsigned j = 1; j < kEntries; ++j)
      *chosen = Select(EqualMask(digit.magnitude, j), table[j], *chosen);
    *chosen = Select(digit.negativeMask, Negate(*chosen), *chosen);
  };
  constexpr unsigned kTop = SignedWindows<kSecretWindow>::kCount - 1;
  choose(windows->digit[kTop]);
  *accumulator = *chosen;
  for (unsigned i = kTop; i-- > 0;) {
    *accumulator = DoubleRepeatedly(*accumulator, kSecretWindow);
    choose(windows->digit[i]);
    *accumulator = Add(*accumulator, *chosen);
  }
  return *accumulator;
}

// k*G for a secret k below 2^256.
template <class Curve>
[[gnu::noinline]] ProjectivePoint<Curve> MulBaseSecret(const U256& k) {
  using Point = ProjectivePoint<Curve>;
  using Field = typename Curve::Field;
  using Table = DefaultBaseTable<Curve>;
  static_assert(Table::kWindows == SignedWindows<kBaseWindow>::kCount);
  const Table& table = Table::Get();

  SignedDigitStream<kBaseWindow> digits(k);
  Wiped<Point> accumulator, chosen;
  *accumulator = Point::Identity();
  for (unsigned i = 0; i < Table::kWindows; ++i) {
    const DigitParts digit = SplitDigit(digits.Next());
    // Digit 0 matches no entry and leaves (0:1:0), the identity.
    *chosen = Point::Identity();
    for (unsigned j = 0; j < Table::kPerWindow; ++j) {
      const uint64_t match = EqualMask(digit.magnitude, j + 1);
      const AffinePoint<Curve>& entry = table.Entry(i, j);
      chosen->x = Field::Select(match, entry.x, chosen->x);
      chosen->y = Field::Select(match, entry.y, chosen->y);
    }
    chosen->z = Field::Select(IsZeroMask(digit.magnitude), Field(), Field::One());
    chosen->y = Field::Select(digit.negativeMask, -chosen->y, chosen->y);
    *accumulator = Add(*accumulator, *chosen);
  }
  return *accumulator;
}

// Width-w non-adjacent form of a public scalar k < 2^256 - 2^Width (any scalar mod q): odd
// digits in (-2^(w-1), 2^(w-1)), each nonzero digit followed by at least w-1 zeros, least
// significant first. Returns the number of digits.
template <unsigned Width>
constexpr unsigned RecodeNonAdjacent(U256 k, int8_t digits[257]) {
  unsigned length = 0;
  while (!IsZeroMask(k)) {
    int64_t digit = 0;
    if (k.limb[0] & 1) {
      digit = static_cast<int64_t>(k.limb[0] & ((1u << Width) - 1));
      if (digit >= (1 << (Width - 1))) digit -= 1 << Width;
      uint64_t flag = 0;
      k = digit > 0 ? Sub(k, U256FromWord(static_cast<uint64_t>(digit)), &flag)
                    : Add(k, U256FromWord(static_cast<uint64_t>(-digit)), &flag);
    }
    digits[length++] = static_cast<int8_t>(digit);
    for (int i = 0; i < 3; ++i) k.limb[i] = (k.limb[i] >> 1) | (k.limb[i + 1] << 63);
    k.limb[3] >>= 1;
  }
  return length;
}

// u1*G + u2*Q, variable time: for public scalars and a validated public point only.
template <class Curve>
ProjectivePoint<Curve> MulBaseAddPublic(const U256& u1, const U256& u2,
                                        const AffinePoint<Curve>& q) {
  using Point = ProjectivePoint<Curve>;
  using Table = DefaultBaseTable<Curve>;
  const Table& table = Table::Get();

  Point sum = Point::Identity();
  const SignedWindows<kBaseWindow> windows = RecodeSigned<kBaseWindow>(u1);
  for (unsigned i = 0; i < Table::kWindows; ++i) {
    const int digit = windows.digit[i];
    if (digit == 0) continue;
    const auto magnitude = static_cast<unsigned>(digit > 0 ? digit : -digit);
    const Point entry = Point::FromAffine(table.Entry(i, magnitude - 1));
    sum = Add(sum, digit > 0 ? entry : Negate(entry));
  }

  constexpr unsigned kOdd = 1u << (kPublicWindow - 2);
  Point odd[kOdd];  // (2i + 1) * Q
  odd[0] = Point::FromAffine(q);
  const Point twice = Double(odd[0]);
  for (unsigned i = 1; i < kOdd; ++i) odd[i] = Add(odd[i - 1], twice);

  int8_t digits[257];
  const unsigned length = RecodeNonAdjacent<kPublicWindow>(u2, digits);
  Point product = Point::Identity();
  unsigned pendingDoublings = 0;
  for (unsigned i = length; i-- > 0;) {
    const int digit = digits[i];
    if (digit != 0) {
      if (!IsIdentityMask(product)) product = DoubleRepeatedly(product, pendingDoublings);
      pendingDoublings = 0;
      product = Add(product, digit > 0 ? odd[digit / 2] : Negate(odd[-digit / 2]));
    }
    ++pendingDoublings;
  }
  // The last digit needs no doubling after it.
  if (pendingDoublings > 1 && !IsIdentityMask(product))
    product = DoubleRepeatedly(product, pendingDoublings - 1);
  return Add(sum, product);
}

}  // namespace gost
