// The layers under the signature API: 256-bit words, the four moduli, the group law and the
// scalar multiplication methods, each against independent answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "ec_curve.h"
#include "ec_point.h"
#include "ec_scalar_mult.h"
#include "test_hex.h"
#include "u256.h"

namespace gost {
namespace {

U256 Hex256(std::string_view hex) { return U256FromBigEndian(FromHex(hex).data()); }

std::string Hex(const U256& a) {
  uint8_t bytes[32];
  U256ToBigEndian(a, bytes);
  return ToHex(bytes);
}

U256 RandomU256(std::mt19937_64& rng) { return U256{{rng(), rng(), rng(), rng()}}; }

// The fallbacks that 32-bit hosts run, on edge values and random words: against 128-bit
// arithmetic where the compiler has it, and against known answers everywhere.
TEST(U256Test, PortableFallbacksMatchWideArithmetic) {
  uint64_t hi = 0;
  EXPECT_EQ(MulAddAddPortable(0x0123456789ABCDEF, 0xFEDCBA9876543210, 0, 0, &hi),
            0x2236D88FE5618CF0u);
  EXPECT_EQ(hi, 0x0121FA00AD77D742u);
  const uint64_t ones = ~uint64_t{0};
  EXPECT_EQ(MulAddAddPortable(ones, ones, ones, ones, &hi), ones);  // the largest sum
  EXPECT_EQ(hi, ones);
  uint64_t flag = 1;
  EXPECT_EQ(AddCarryPortable(ones, 0, &flag), 0u);
  EXPECT_EQ(flag, 1u);
  flag = 1;
  EXPECT_EQ(SubBorrowPortable(0, ones, &flag), 0u);
  EXPECT_EQ(flag, 1u);

#if defined(__SIZEOF_INT128__)
  using Wide = unsigned __int128;
  const uint64_t edges[] = {0, 1, 0xffffffffu, uint64_t{1} << 32, uint64_t{1} << 63, ones - 1, ones};
  std::mt19937_64 rng(1);
  for (int i = 0; i < 20000; ++i) {
    const auto pick = [&] { return i < 2401 ? edges[rng() % 7] : rng(); };
    const uint64_t a = pick(), b = pick(), c = pick(), d = pick(), in = rng() & 1;
    const Wide product = Wide{a} * b + c + d;
    ASSERT_EQ(MulAddAddPortable(a, b, c, d, &hi), static_cast<uint64_t>(product));
    ASSERT_EQ(hi, static_cast<uint64_t>(product >> 64));
    const Wide sum = Wide{a} + b + in;
    flag = in;
    ASSERT_EQ(AddCarryPortable(a, b, &flag), static_cast<uint64_t>(sum));
    ASSERT_EQ(flag, static_cast<uint64_t>(sum >> 64));
    flag = in;
    ASSERT_EQ(SubBorrowPortable(a, b, &flag), a - b - in);
    ASSERT_EQ(flag, Wide{a} < Wide{b} + in ? 1u : 0u);
  }
#endif
}

// The CryptoPro-A prime in its fast form and in Montgomery form: two independent reductions.
TEST(FieldTest, FastPrimeReductionAgreesWithMontgomery) {
  using Fast = CryptoProACurve::Field;
  using Generic = FieldElement<MontgomeryArithmetic<Fast::kModulus>>;
  std::mt19937_64 rng(2);
  const U256 p = Fast::kModulus;
  uint64_t borrow = 0;
  std::vector<U256> values = {
      U256{}, U256FromWord(1), U256FromWord(617), Sub(p, U256FromWord(1), &borrow),
      Sub(p, U256FromWord(2), &borrow),
      Hex256("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0000")};
  for (int i = 0; i < 200; ++i) values.push_back(ReduceOnce(RandomU256(rng), p));
  for (const U256& a : values) {
    for (int j = 0; j < 8; ++j) {
      const U256 b = values[rng() % values.size()];
      const Fast fa = Fast::FromInteger(a), fb = Fast::FromInteger(b);
      const Generic ga = Generic::FromInteger(a), gb = Generic::FromInteger(b);
      ASSERT_EQ(Hex((fa * fb).ToInteger()), Hex((ga * gb).ToInteger())) << Hex(a) << Hex(b);
      ASSERT_EQ(Hex((fa + fb).ToInteger()), Hex((ga + gb).ToInteger()));
      ASSERT_EQ(Hex((fa - fb).ToInteger()), Hex((ga - gb).ToInteger()));
    }
    const Fast fa = Fast::FromInteger(a);
    const Generic ga = Generic::FromInteger(a);
    ASSERT_EQ(Hex(fa.Square().ToInteger()), Hex(ga.Square().ToInteger()));
    ASSERT_EQ(Hex(fa.MulSmall(498).ToInteger()), Hex((ga * Generic::FromWord(498)).ToInteger()));
    ASSERT_EQ(Hex(fa.Inverse().ToInteger()), Hex(ga.Inverse().ToInteger()));
  }
}

template <class F>
class ModulusTest : public ::testing::Test {};

// Named wrappers keep the test names (and the type names gtest lists) short.
struct CryptoProAFieldModulus {
  using Type = CryptoProACurve::Field;
  static constexpr const char* kName = "CryptoProAField";
};
struct CryptoProAScalarModulus {
  using Type = CryptoProACurve::Scalar;
  static constexpr const char* kName = "CryptoProAScalar";
};
struct TestFieldModulus {
  using Type = TestCurve::Field;
  static constexpr const char* kName = "TestField";
};
struct TestScalarModulus {
  using Type = TestCurve::Scalar;
  static constexpr const char* kName = "TestScalar";
};

struct Moduli {
  template <class M>
  static std::string GetName(int) {
    return M::kName;
  }
};

using ModulusTypes = ::testing::Types<CryptoProAFieldModulus, CryptoProAScalarModulus,
                                      TestFieldModulus, TestScalarModulus>;
TYPED_TEST_SUITE(ModulusTest, ModulusTypes, Moduli);

// Answers worked out with arbitrary-precision integers: (2^512 - 1) mod m and 3^-1 mod m.
TYPED_TEST(ModulusTest, WideReductionAndInverseKnownAnswers) {
  using F = typename TypeParam::Type;
  const std::map<std::string, std::pair<const char*, const char*>> answers = {
      {"CryptoProAField",
       {"000000000000000000000000000000000000000000000000000000000005CF10",
        "5555555555555555555555555555555555555555555555555555555555555488"}},
      {"CryptoProAScalar",
       {"551FE9CB451179DBF74885D08A3714C6FB07F8222E76DD529AC2D7858E79A468",
        "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA4840B5A0663C8B5583AD675BCF967B0D"}},
      {"TestField",
       {"0000000000000000000000000000000000000000000000000000000000464583",
        "5555555555555555555555555555555555555555555555555555555555555821"}},
      {"TestScalar",
       {"6E749E5B503B112AC0DB8B05C83AD16A4AF1F8AC73C6C555ECAED44677F7F28C",
        "5555555555555555555555555555555635FF06BB0C64EB8DD91352BB7C88A3CD"}}};
  const auto& [wide, inverseOfThree] = answers.at(TypeParam::kName);
  const U256 ones{{~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}}};
  EXPECT_EQ(Hex(F::FromWide(ones, ones).ToInteger()), wide);
  EXPECT_EQ(Hex(F::FromWord(3).Inverse().ToInteger()), inverseOfThree);
  EXPECT_EQ(Hex(F().Inverse().ToInteger()), Hex(U256{}));

  uint64_t borrow = 0;
  const F minusOne = F::FromInteger(Sub(F::kModulus, U256FromWord(1), &borrow));
  EXPECT_EQ(Hex((minusOne * minusOne).ToInteger()), Hex(U256FromWord(1)));
  EXPECT_EQ(Hex((minusOne + F::FromWord(2)).ToInteger()), Hex(U256FromWord(1)));
  EXPECT_EQ(Hex((F() - F::One()).ToInteger()), Hex(minusOne.ToInteger()));

  std::mt19937_64 rng(3);
  for (int i = 0; i < 50; ++i) {
    const F x = F::FromInteger(ReduceOnce(RandomU256(rng), F::kModulus));
    EXPECT_EQ(Hex((x * x.Inverse()).ToInteger()), Hex(U256FromWord(1)));
  }
}

template <class Curve>
class CurveTest : public ::testing::Test {
 protected:
  using Point = ProjectivePoint<Curve>;
  using Scalar = typename Curve::Scalar;

  static std::string Affine(const Point& p) {
    if (IsIdentityMask(p)) return "infinity";
    const AffinePoint<Curve> a = ToAffine(p);
    return Hex(a.x.ToInteger()) + Hex(a.y.ToInteger());
  }

  static U256 Order(int64_t offset) {
    uint64_t flag = 0;
    const U256 magnitude = U256FromWord(static_cast<uint64_t>(offset < 0 ? -offset : offset));
    return offset < 0 ? Sub(Scalar::kModulus, magnitude, &flag)
                      : Add(Scalar::kModulus, magnitude, &flag);
  }

  const Point g_ = Point::FromAffine(BasePoint<Curve>());
};

struct Curves {
  template <class C>
  static std::string GetName(int) {
    return std::is_same_v<C, CryptoProACurve> ? "CryptoProA" : "Test";
  }
};

using CurveTypes = ::testing::Types<CryptoProACurve, TestCurve>;
TYPED_TEST_SUITE(CurveTest, CurveTypes, Curves);

TYPED_TEST(CurveTest, GeneratorHasPrimeOrderQ) {
  using Curve = TypeParam;
  EXPECT_TRUE(IsOnCurveMask(BasePoint<Curve>()));
  EXPECT_EQ(this->Affine(MulSecret(this->Order(0), BasePoint<Curve>())), "infinity");
  EXPECT_EQ(this->Affine(MulBaseSecret<Curve>(this->Order(0))), "infinity");
  EXPECT_EQ(this->Affine(MulBaseAddPublic(this->Order(0), U256{}, BasePoint<Curve>())),
            "infinity");
  EXPECT_EQ(this->Affine(MulSecret(this->Order(-1), BasePoint<Curve>())),
            this->Affine(Negate(this->g_)));
  EXPECT_EQ(this->Affine(MulBaseSecret<Curve>(this->Order(1))), this->Affine(this->g_));
}

TYPED_TEST(CurveTest, CompleteFormulasCoverEveryCase) {
  using Point = ProjectivePoint<TypeParam>;
  const Point g = this->g_, identity = Point::Identity();
  const Point g2 = Double(g);
  EXPECT_EQ(this->Affine(Add(g, g)), this->Affine(g2));
  EXPECT_EQ(this->Affine(Add(g, Negate(g))), "infinity");
  EXPECT_EQ(this->Affine(Add(g, identity)), this->Affine(g));
  EXPECT_EQ(this->Affine(Add(identity, g2)), this->Affine(g2));
  EXPECT_EQ(this->Affine(Add(identity, identity)), "infinity");
  EXPECT_EQ(this->Affine(Double(identity)), "infinity");
  EXPECT_TRUE(IsOnCurveMask(ToAffine(Add(g2, g))));
  Point repeated = g2;
  for (int i = 0; i < 5; ++i) repeated = Double(repeated);
  EXPECT_EQ(this->Affine(DoubleRepeatedly(g2, 5)), this->Affine(repeated));
}

TYPED_TEST(CurveTest, MultiplicationMethodsAgree) {
  using Curve = TypeParam;
  using Scalar = typename Curve::Scalar;
  const AffinePoint<Curve> g = BasePoint<Curve>();
  std::mt19937_64 rng(4);
  std::vector<U256> scalars = {U256{}, this->Order(-2), U256FromWord(1ull << 63)};
  for (uint64_t k = 1; k <= 20; ++k) scalars.push_back(U256FromWord(k));
  for (int i = 0; i < 10; ++i) scalars.push_back(ReduceOnce(RandomU256(rng), Scalar::kModulus));

  const U256 t = ReduceOnce(RandomU256(rng), Scalar::kModulus);
  const AffinePoint<Curve> q = ToAffine(MulBaseSecret<Curve>(t));
  for (const U256& k : scalars) {
    SCOPED_TRACE(Hex(k));
    const std::string expected = this->Affine(MulBaseSecret<Curve>(k));
    EXPECT_EQ(this->Affine(MulSecret(k, g)), expected);
    EXPECT_EQ(this->Affine(MulBaseAddPublic(k, U256{}, g)), expected);
    EXPECT_EQ(this->Affine(MulBaseAddPublic(U256{}, k, g)), expected);
    // u1*G + u2*Q with Q = t*G is (u1 + u2*t)*G.
    const U256 u2 = ReduceOnce(RandomU256(rng), Scalar::kModulus);
    const Scalar combined =
        Scalar::FromInteger(k) + Scalar::FromInteger(u2) * Scalar::FromInteger(t);
    EXPECT_EQ(this->Affine(MulBaseAddPublic(k, u2, q)),
              this->Affine(MulBaseSecret<Curve>(combined.ToInteger())));
  }
}

// Digits evaluated back with wrapping 256-bit arithmetic, from the top: v = v * 2^w + digit.
template <class Digits>
U256 Evaluate(const Digits& digits, unsigned count, unsigned width) {
  U256 v{};
  for (unsigned i = count; i-- > 0;) {
    for (unsigned b = 0; b < width; ++b) {
      uint64_t carry = 0;
      v = Add(v, v, &carry);
    }
    uint64_t flag = 0;
    const auto digit = static_cast<int64_t>(digits[i]);
    v = digit >= 0 ? Add(v, U256FromWord(static_cast<uint64_t>(digit)), &flag)
                   : Sub(v, U256FromWord(static_cast<uint64_t>(-digit)), &flag);
  }
  return v;
}

TEST(RecodingTest, DigitsRebuildTheScalar) {
  std::mt19937_64 rng(5);
  for (int i = 0; i < 200; ++i) {
    const U256 k = i == 0 ? U256{{~0ull, ~0ull, ~0ull, ~0ull}} : RandomU256(rng);
    const auto windows = RecodeSigned<5>(k);
    for (int8_t d : windows.digit) ASSERT_TRUE(d >= -16 && d < 16);
    ASSERT_EQ(Hex(Evaluate(windows.digit, windows.kCount, 5)), Hex(k));
    // With bit 256 set the top digit is positive; the value mod 2^256 is unchanged.
    const auto shifted = RecodeSigned<4>(k, 1);
    ASSERT_GT(shifted.digit[shifted.kCount - 1], 0);
    ASSERT_EQ(Hex(Evaluate(shifted.digit, shifted.kCount, 4)), Hex(k));

    const U256 u = ReduceOnce(k, CryptoProACurve::Scalar::kModulus);
    int8_t naf[257];
    const unsigned length = RecodeNonAdjacent<5>(u, naf);
    ASSERT_EQ(Hex(Evaluate(naf, length, 1)), Hex(u));
    for (unsigned j = 0; j < length; ++j) {
      if (naf[j] == 0) continue;
      ASSERT_TRUE(naf[j] % 2 != 0 && naf[j] > -16 && naf[j] < 16);
      for (unsigned z = j + 1; z < std::min(length, j + 5); ++z) ASSERT_EQ(naf[z], 0);
    }
  }
}

}  // namespace
}  // namespace gost
