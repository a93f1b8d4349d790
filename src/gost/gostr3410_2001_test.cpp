#include "gostr3410_2001.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "test_hex.h"

namespace gost {

// Readable parameter values in the test names.
[[maybe_unused]] static void PrintTo(CurveParams curve, std::ostream* out) {
  *out << (curve == CurveParams::Test ? "Test" : "CryptoProA");
}

namespace {

using PrivateKey = std::array<uint8_t, kPrivateKeySize>;
using PublicKey = std::array<uint8_t, kPublicKeySize>;
using Digest = std::array<uint8_t, kDigestSize>;
using Signature = std::array<uint8_t, kSignatureSize>;

template <size_t N>
std::array<uint8_t, N> ArrayFromHex(std::string_view hex) {
  const std::vector<uint8_t> bytes = FromHex(hex);
  EXPECT_EQ(bytes.size(), N);
  std::array<uint8_t, N> out{};
  std::copy_n(bytes.begin(), std::min(N, bytes.size()), out.begin());
  return out;
}

// The standard's example on the test curve (also in RFC 5832).
constexpr char kExamplePrivateKey[] =
    "7A929ADE789BB9BE10ED359DD39A72C11B60961F49397EEE1D19CE9891EC3B28";
constexpr char kExampleDigestInteger[] =
    "2DFBC1B372D89A1188C09C52E0EEC61FCE52032AB1022E8E67ECE6672B043EE5";
constexpr char kExampleNonce[] = "77105C9B20BCD3122823C8CF6FCC7B956DE33814E95B7FE64FED924594DCEAB3";
constexpr char kExampleR[] = "41AA28D2F1AB148280CD9ED56FEDA41974053554A42767B83AD043FD39DC0493";
constexpr char kExampleS[] = "01456C64BA4642A1653C235A98A60249BCD6D3F746B631DF928014F6C5BF9C40";
constexpr char kExampleQx[] = "7F2B49E270DB6D90D8595BEC458B50C58585BA1D4E9B788F6689DBD8E56FD80B";
constexpr char kExampleQy[] = "26F1B489D6701DD185C8413A977B3CBBAF64D1C593D26627DFFB101A87FF77DA";

constexpr char kTestOrder[] = "8000000000000000000000000000000150FE8A1892976154C59CFC193ACCF5B3";
constexpr char kCryptoProAOrder[] =
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893";
constexpr char kTestGenerator[] =
    "04"
    "0000000000000000000000000000000000000000000000000000000000000002"
    "08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8";
constexpr char kCryptoProAGenerator[] =
    "04"
    "0000000000000000000000000000000000000000000000000000000000000001"
    "8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14";

// The digest bytes whose little-endian value is the given big-endian hex integer.
Digest DigestOfInteger(std::string_view hex) {
  Digest digest = ArrayFromHex<kDigestSize>(hex);
  std::reverse(digest.begin(), digest.end());
  return digest;
}

const char* OrderOf(CurveParams curve) {
  return curve == CurveParams::Test ? kTestOrder : kCryptoProAOrder;
}

const char* PrimeOf(CurveParams curve) {
  return curve == CurveParams::Test
             ? "8000000000000000000000000000000000000000000000000000000000000431"
             : "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97";
}

// a += b for 32-byte big-endian integers; returns the carry out.
unsigned AddBigEndian(uint8_t* a, const uint8_t* b) {
  unsigned carry = 0;
  for (size_t i = 32; i-- > 0;) {
    const unsigned sum = a[i] + b[i] + carry;
    a[i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
  return carry;
}

const char* GeneratorOf(CurveParams curve) {
  return curve == CurveParams::Test ? kTestGenerator : kCryptoProAGenerator;
}

class Gost2001Test : public ::testing::TestWithParam<CurveParams> {
 protected:
  template <size_t N>
  std::array<uint8_t, N> Random() {
    std::array<uint8_t, N> out;
    for (auto& b : out) b = static_cast<uint8_t>(rng_());
    return out;
  }

  PrivateKey NewKey(PublicKey* publicKey) {
    const auto random = Random<kKeyGenerationRandomSize>();
    PrivateKey privateKey;
    EXPECT_TRUE(GenerateKeyPair(GetParam(), random.data(), privateKey.data(), publicKey->data()));
    return privateKey;
  }

  Signature SignDigest(const PrivateKey& key, const Digest& digest) {
    const auto random = Random<32>();
    Signature signature;
    EXPECT_TRUE(Sign(GetParam(), key.data(), digest.data(), random.data(), random.size(),
                     signature.data()));
    return signature;
  }

  std::mt19937 rng_{20240611};
};

TEST(Gost2001ExampleTest, PublicKeySignatureAndAgreement) {
  const auto d = ArrayFromHex<kPrivateKeySize>(kExamplePrivateKey);
  const Digest digest = DigestOfInteger(kExampleDigestInteger);
  const auto nonce = ArrayFromHex<kPrivateKeySize>(kExampleNonce);
  const std::string expectedPublic = std::string("04") + kExampleQx + kExampleQy;

  PublicKey publicKey;
  ASSERT_TRUE(DerivePublicKey(CurveParams::Test, d.data(), publicKey.data()));
  EXPECT_EQ(ToHex(publicKey.data(), publicKey.size()), expectedPublic);

  Signature signature;
  ASSERT_TRUE(SignWithNonce(CurveParams::Test, d.data(), digest.data(), nonce.data(),
                            signature.data()));
  EXPECT_EQ(ToHex(signature.data(), signature.size()), std::string(kExampleS) + kExampleR);
  EXPECT_TRUE(Verify(CurveParams::Test, publicKey.data(), digest.data(), signature.data()));

  // d*G through the key agreement path is the public key's X.
  const auto generator = FromHex(kTestGenerator);
  uint8_t sharedX[kSharedXSize];
  ASSERT_TRUE(ComputeSharedX(CurveParams::Test, d.data(), generator.data(), sharedX));
  EXPECT_EQ(ToHex(sharedX), kExampleQx);
}

TEST(Gost2001ExampleTest, KeyGenerationReducesBigEndianRandomModOrder) {
  // 32 zero bytes then d: the private key is d itself.
  std::vector<uint8_t> random(32, 0);
  const auto d = FromHex(kExamplePrivateKey);
  random.insert(random.end(), d.begin(), d.end());
  PrivateKey privateKey;
  PublicKey publicKey;
  ASSERT_TRUE(GenerateKeyPair(CurveParams::Test, random.data(), privateKey.data(),
                              publicKey.data()));
  EXPECT_EQ(ToHex(privateKey.data(), privateKey.size()), kExamplePrivateKey);
  EXPECT_EQ(ToHex(publicKey.data(), publicKey.size()),
            std::string("04") + kExampleQx + kExampleQy);

  // (2^512 - 1) mod q, worked out independently.
  const std::vector<uint8_t> ones(kKeyGenerationRandomSize, 0xff);
  ASSERT_TRUE(GenerateKeyPair(CurveParams::Test, ones.data(), privateKey.data(),
                              publicKey.data()));
  EXPECT_EQ(ToHex(privateKey.data(), privateKey.size()),
            "6E749E5B503B112AC0DB8B05C83AD16A4AF1F8AC73C6C555ECAED44677F7F28C");
  ASSERT_TRUE(GenerateKeyPair(CurveParams::CryptoProA, ones.data(), privateKey.data(),
                              publicKey.data()));
  EXPECT_EQ(ToHex(privateKey.data(), privateKey.size()),
            "551FE9CB451179DBF74885D08A3714C6FB07F8222E76DD529AC2D7858E79A468");

  // q itself, twice over (q * 2^256 + q): reduces to zero, which is refused.
  std::vector<uint8_t> multiple = FromHex(kTestOrder);
  multiple.insert(multiple.end(), multiple.begin(), multiple.end());
  EXPECT_FALSE(GenerateKeyPair(CurveParams::Test, multiple.data(), privateKey.data(),
                               publicKey.data()));
}

TEST_P(Gost2001Test, SignaturesVerifyAndTamperingIsDetected) {
  for (int round = 0; round < 8; ++round) {
    PublicKey publicKey;
    const PrivateKey privateKey = NewKey(&publicKey);
    PublicKey derived;
    ASSERT_TRUE(DerivePublicKey(GetParam(), privateKey.data(), derived.data()));
    EXPECT_EQ(derived, publicKey);
    ASSERT_TRUE(IsValidPublicKey(GetParam(), publicKey.data()));

    const Digest digest = Random<kDigestSize>();
    const Signature signature = SignDigest(privateKey, digest);
    EXPECT_TRUE(Verify(GetParam(), publicKey.data(), digest.data(), signature.data()));

    const size_t bit = rng_() % 256;
    Digest otherDigest = digest;
    otherDigest[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    EXPECT_FALSE(Verify(GetParam(), publicKey.data(), otherDigest.data(), signature.data()));

    for (size_t half : {0, 32}) {
      Signature tampered = signature;
      tampered[half + bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      EXPECT_FALSE(Verify(GetParam(), publicKey.data(), digest.data(), tampered.data()));
    }

    PublicKey otherKey;
    NewKey(&otherKey);
    EXPECT_FALSE(Verify(GetParam(), otherKey.data(), digest.data(), signature.data()));

    Signature swapped;
    std::copy(signature.begin() + 32, signature.end(), swapped.begin());
    std::copy(signature.begin(), signature.begin() + 32, swapped.begin() + 32);
    EXPECT_FALSE(Verify(GetParam(), publicKey.data(), digest.data(), swapped.data()));
  }
}

TEST_P(Gost2001Test, HedgedNonceDependsOnEveryInput) {
  PublicKey publicKey;
  const PrivateKey key = NewKey(&publicKey);
  PublicKey otherPublic;
  const PrivateKey otherKey = NewKey(&otherPublic);
  const Digest digest = Random<kDigestSize>();
  const auto random = Random<32>();

  const auto sign = [&](const PrivateKey& k, const uint8_t* rnd, size_t size) {
    Signature signature;
    EXPECT_TRUE(Sign(GetParam(), k.data(), digest.data(), rnd, size, signature.data()));
    return signature;
  };
  const auto r = [](const Signature& s) { return std::vector<uint8_t>(s.begin() + 32, s.end()); };

  const Signature first = sign(key, random.data(), random.size());
  EXPECT_EQ(sign(key, random.data(), random.size()), first);  // same inputs, same nonce
  auto otherRandom = random;
  otherRandom[31] ^= 1;
  EXPECT_NE(r(sign(key, otherRandom.data(), otherRandom.size())), r(first));
  EXPECT_NE(r(sign(key, random.data(), random.size() - 1)), r(first));
  EXPECT_NE(r(sign(otherKey, random.data(), random.size())), r(first));

  // Without any random bytes the nonce still depends on key and digest only, and is valid.
  const Signature deterministic = sign(key, nullptr, 0);
  EXPECT_TRUE(Verify(GetParam(), publicKey.data(), digest.data(), deterministic.data()));
  EXPECT_NE(r(deterministic), r(first));
}

TEST_P(Gost2001Test, DigestThatIsZeroModOrderSignsAsOne) {
  PublicKey publicKey;
  const PrivateKey key = NewKey(&publicKey);
  const Digest zero{};
  const Digest order = DigestOfInteger(OrderOf(GetParam()));
  Digest one{};
  one[0] = 1;
  const Signature signature = SignDigest(key, zero);
  EXPECT_TRUE(Verify(GetParam(), publicKey.data(), zero.data(), signature.data()));
  EXPECT_TRUE(Verify(GetParam(), publicKey.data(), order.data(), signature.data()));
  EXPECT_TRUE(Verify(GetParam(), publicKey.data(), one.data(), signature.data()));
  one[0] = 2;
  EXPECT_FALSE(Verify(GetParam(), publicKey.data(), one.data(), signature.data()));
}

TEST_P(Gost2001Test, KeyAgreementIsSymmetric) {
  for (int round = 0; round < 4; ++round) {
    PublicKey publicA, publicB;
    const PrivateKey a = NewKey(&publicA);
    const PrivateKey b = NewKey(&publicB);
    uint8_t sharedA[kSharedXSize], sharedB[kSharedXSize];
    ASSERT_TRUE(ComputeSharedX(GetParam(), a.data(), publicB.data(), sharedA));
    ASSERT_TRUE(ComputeSharedX(GetParam(), b.data(), publicA.data(), sharedB));
    EXPECT_EQ(ToHex(sharedA), ToHex(sharedB));
    // The shared point's X differs from both public X coordinates.
    EXPECT_NE(ToHex(sharedA), ToHex(publicA.data() + 1, 32));
  }
}

TEST_P(Gost2001Test, RejectsInvalidPoints) {
  const CurveParams curve = GetParam();
  PublicKey valid;
  const PrivateKey key = NewKey(&valid);
  const Digest digest = Random<kDigestSize>();
  const Signature signature = SignDigest(key, digest);
  ASSERT_TRUE(Verify(curve, valid.data(), digest.data(), signature.data()));

  std::vector<std::vector<uint8_t>> invalid;
  invalid.push_back(std::vector<uint8_t>(kPublicKeySize, 0));  // (0, 0), a common infinity
  std::vector<uint8_t> point(valid.begin(), valid.end());
  for (uint8_t prefix : {0x00, 0x02, 0x03, 0x05, 0x06, 0x07}) {
    point[0] = prefix;
    invalid.push_back(point);
  }
  point[0] = 0x04;
  point[64] ^= 1;  // off the curve
  invalid.push_back(point);
  // The generator with p added to a coordinate (where that fits in 32 bytes): the same point
  // mod p, but not a canonical coordinate.
  const std::vector<uint8_t> generator = FromHex(GeneratorOf(curve));
  const std::vector<uint8_t> prime = FromHex(PrimeOf(curve));
  for (size_t offset : {1, 33}) {
    std::vector<uint8_t> shifted = generator;
    if (AddBigEndian(&shifted[offset], prime.data()) == 0) invalid.push_back(shifted);
  }
  ASSERT_GE(invalid.size(), 9u);  // x + p fits on both curves (x = 1 or 2)
  std::vector<uint8_t> yIsP(valid.begin(), valid.end());
  std::copy(prime.begin(), prime.end(), yIsP.begin() + 33);
  invalid.push_back(yIsP);

  for (const auto& bad : invalid) {
    SCOPED_TRACE(ToHex(bad.data(), bad.size()));
    EXPECT_FALSE(IsValidPublicKey(curve, bad.data()));
    EXPECT_FALSE(Verify(curve, bad.data(), digest.data(), signature.data()));
    uint8_t shared[kSharedXSize];
    EXPECT_FALSE(ComputeSharedX(curve, key.data(), bad.data(), shared));
  }
  EXPECT_TRUE(IsValidPublicKey(curve, generator.data()));
}

TEST_P(Gost2001Test, RejectsOutOfRangeScalars) {
  const CurveParams curve = GetParam();
  PublicKey publicKey;
  const PrivateKey key = NewKey(&publicKey);
  const Digest digest = Random<kDigestSize>();
  const Signature signature = SignDigest(key, digest);

  const std::vector<uint8_t> order = FromHex(OrderOf(curve));
  const std::vector<uint8_t> zero(32, 0), ones(32, 0xff);
  std::vector<uint8_t> orderMinusOne = order;
  orderMinusOne[31] -= 1;  // q is odd

  const auto withS = [&](const std::vector<uint8_t>& s) {
    Signature out = signature;
    std::copy(s.begin(), s.end(), out.begin());
    return out;
  };
  const auto withR = [&](const std::vector<uint8_t>& r) {
    Signature out = signature;
    std::copy(r.begin(), r.end(), out.begin() + 32);
    return out;
  };
  for (const auto* bad : {&zero, &order, &ones}) {
    EXPECT_FALSE(Verify(curve, publicKey.data(), digest.data(), withS(*bad).data()));
    EXPECT_FALSE(Verify(curve, publicKey.data(), digest.data(), withR(*bad).data()));
  }
  // r + q, where it fits in 32 bytes, is not r.
  std::vector<uint8_t> rPlusQ(signature.begin() + 32, signature.end());
  if (AddBigEndian(rPlusQ.data(), order.data()) == 0) {
    EXPECT_FALSE(Verify(curve, publicKey.data(), digest.data(), withR(rPlusQ).data()));
  }

  Signature out;
  uint8_t shared[kSharedXSize];
  PublicKey derived;
  for (const auto* bad : {&zero, &order, &ones}) {
    EXPECT_FALSE(DerivePublicKey(curve, bad->data(), derived.data()));
    EXPECT_FALSE(Sign(curve, bad->data(), digest.data(), nullptr, 0, out.data()));
    EXPECT_FALSE(ComputeSharedX(curve, bad->data(), publicKey.data(), shared));
    EXPECT_FALSE(SignWithNonce(curve, key.data(), digest.data(), bad->data(), out.data()));
  }
  // q - 1 is the largest valid private key: its public key is -G.
  ASSERT_TRUE(DerivePublicKey(curve, orderMinusOne.data(), derived.data()));
  const std::vector<uint8_t> generator = FromHex(GeneratorOf(curve));
  EXPECT_TRUE(std::equal(generator.begin(), generator.begin() + 33, derived.begin()));
  EXPECT_FALSE(std::equal(generator.begin() + 33, generator.end(), derived.begin() + 33));
}

INSTANTIATE_TEST_SUITE_P(Curves, Gost2001Test,
                         ::testing::Values(CurveParams::Test, CurveParams::CryptoProA),
                         [](const auto& info) {
                           return info.param == CurveParams::Test ? "Test" : "CryptoProA";
                         });

}  // namespace
}  // namespace gost
