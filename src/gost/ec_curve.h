// The two GOST R 34.10-2001 parameter sets: y^2 = x^3 + a*x + b over GF(p), base point G of
// prime order q (both curves have cofactor 1, so every point but infinity generates the group).
//  - CryptoProACurve: OID 1.2.643.2.2.35.1 (RFC 4357), p = 2^256 - 617, a = -3, b = 166.
//  - TestCurve: the example curve of the standard (RFC 5832), a = 7.
// Each supplies its field and scalar types and a*x, 3b*x in the cheapest form for its constants.
#pragma once

#include "field_element.h"
#include "montgomery_arithmetic.h"
#include "pseudo_mersenne_arithmetic.h"
#include "u256.h"

namespace gost {

struct CryptoProACurve {
  using Field = FieldElement<PseudoMersenneArithmetic<617>>;
  using Scalar = FieldElement<MontgomeryArithmetic<U256FromHex(
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893")>>;

  static constexpr U256 kB = U256FromWord(166);
  static constexpr U256 kGx = U256FromWord(1);
  static constexpr U256 kGy =
      U256FromHex("8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14");

  static constexpr Field MulA(const Field& x) { return -(x + x + x); }
  static constexpr Field MulB3(const Field& x) { return x.MulSmall(3 * 166); }
};

struct TestCurve {
  using Field = FieldElement<MontgomeryArithmetic<U256FromHex(
      "8000000000000000000000000000000000000000000000000000000000000431")>>;
  using Scalar = FieldElement<MontgomeryArithmetic<U256FromHex(
      "8000000000000000000000000000000150FE8A1892976154C59CFC193ACCF5B3")>>;

  static constexpr U256 kB =
      U256FromHex("5FBFF498AA938CE739B8E022FBAFEF40563F6E6A3472FC2A514C0CE9DAE23B7E");
  static constexpr U256 kGx = U256FromWord(2);
  static constexpr U256 kGy =
      U256FromHex("08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8");

  static constexpr Field MulA(const Field& x) {
    const Field x2 = x + x, x4 = x2 + x2;
    return x4 + x4 - x;
  }
  static constexpr Field MulB3(const Field& x) {
    constexpr Field kB3 =
        Field::FromInteger(kB) + Field::FromInteger(kB) + Field::FromInteger(kB);
    return x * kB3;
  }
};

// x coordinates (below p) reduce into scalars with one subtraction of q, which needs p < 2q.
template <class Curve>
consteval bool FieldBelowTwiceOrder() {
  uint64_t borrow = 0;
  const U256 excess = Sub(Curve::Field::kModulus, Curve::Scalar::kModulus, &borrow);
  return borrow != 0 || LessThanMask(excess, Curve::Scalar::kModulus) != 0;
}

}  // namespace gost
