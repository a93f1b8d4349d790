#include "gostr3410_2001.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "test_hex.h"
#include "test_vectors.h"

namespace gost {

// Readable parameter values in the test names.
[[maybe_unused]] static void PrintTo(CurveParams curve, std::ostream* out) {
  *out << (curve == CurveParams::Test ? "Test" : "CryptoProA");
}

namespace {

using Bytes = std::vector<uint8_t>;

// The standard's example on the test curve (also in RFC 5832).
constexpr char kExampleD[] = "7A929ADE789BB9BE10ED359DD39A72C11B60961F49397EEE1D19CE9891EC3B28";
constexpr char kExampleE[] = "2DFBC1B372D89A1188C09C52E0EEC61FCE52032AB1022E8E67ECE6672B043EE5";
constexpr char kExampleK[] = "77105C9B20BCD3122823C8CF6FCC7B956DE33814E95B7FE64FED924594DCEAB3";
constexpr char kExampleR[] = "41AA28D2F1AB148280CD9ED56FEDA41974053554A42767B83AD043FD39DC0493";
constexpr char kExampleS[] = "01456C64BA4642A1653C235A98A60249BCD6D3F746B631DF928014F6C5BF9C40";
constexpr char kExampleQ[] =
    "04"
    "7F2B49E270DB6D90D8595BEC458B50C58585BA1D4E9B788F6689DBD8E56FD80B"
    "26F1B489D6701DD185C8413A977B3CBBAF64D1C593D26627DFFB101A87FF77DA";

struct CurveFacts {
  const char* p;
  const char* q;
  const char* generator;
};

CurveFacts FactsOf(CurveParams curve) {
  if (curve == CurveParams::Test)
    return {"8000000000000000000000000000000000000000000000000000000000000431",
            "8000000000000000000000000000000150FE8A1892976154C59CFC193ACCF5B3",
            "04"
            "0000000000000000000000000000000000000000000000000000000000000002"
            "08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8"};
  return {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97",
          "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893",
          "04"
          "0000000000000000000000000000000000000000000000000000000000000001"
          "8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14"};
}

// The digest bytes whose little-endian value is the given big-endian hex integer.
Bytes DigestOfInteger(std::string_view hex) {
  Bytes digest = FromHex(hex);
  std::reverse(digest.begin(), digest.end());
  return digest;
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

std::string Hex(const Bytes& bytes) { return ToHex(bytes.data(), bytes.size()); }

TEST(Gost2001ExampleTest, PublicKeySignatureAndAgreement) {
  const Bytes d = FromHex(kExampleD), digest = DigestOfInteger(kExampleE);
  Bytes publicKey(kPublicKeySize), signature(kSignatureSize), shared(kSharedXSize);
  ASSERT_TRUE(DerivePublicKey(CurveParams::Test, d.data(), publicKey.data()));
  EXPECT_EQ(Hex(publicKey), kExampleQ);
  ASSERT_TRUE(SignWithNonce(CurveParams::Test, d.data(), digest.data(), FromHex(kExampleK).data(),
                            signature.data()));
  EXPECT_EQ(Hex(signature), std::string(kExampleS) + kExampleR);
  EXPECT_TRUE(Verify(CurveParams::Test, publicKey.data(), digest.data(), signature.data()));
  // s + q and r + q fit in 32 bytes here; they are not s and r.
  const Bytes order = FromHex(FactsOf(CurveParams::Test).q);
  for (size_t offset : {0, 32}) {
    Bytes shifted = signature;
    ASSERT_EQ(AddBigEndian(&shifted[offset], order.data()), 0u);
    EXPECT_FALSE(Verify(CurveParams::Test, publicKey.data(), digest.data(), shifted.data()));
  }
  // s = r*d makes s*G - r*Q the point at infinity, whose "x" must not pass as r = 1.
  Bytes degenerate = d;
  degenerate.resize(kSignatureSize, 0);
  degenerate.back() = 1;
  EXPECT_FALSE(Verify(CurveParams::Test, publicKey.data(), digest.data(), degenerate.data()));
  // d*G through the key agreement path is the public key's X.
  const Bytes generator = FromHex(FactsOf(CurveParams::Test).generator);
  ASSERT_TRUE(ComputeSharedX(CurveParams::Test, d.data(), generator.data(), shared.data()));
  EXPECT_EQ("04" + Hex(shared), std::string(kExampleQ).substr(0, 66));
}

TEST(Gost2001ExampleTest, KeyGenerationReducesBigEndianRandomModOrder) {
  Bytes random(32, 0), privateKey(kPrivateKeySize), publicKey(kPublicKeySize);
  const Bytes d = FromHex(kExampleD);
  random.insert(random.end(), d.begin(), d.end());  // 0 * 2^256 + d
  ASSERT_TRUE(GenerateKeyPair(CurveParams::Test, random.data(), privateKey.data(),
                              publicKey.data()));
  EXPECT_EQ(Hex(privateKey), kExampleD);
  EXPECT_EQ(Hex(publicKey), kExampleQ);

  // (2^512 - 1) mod q, worked out independently.
  const Bytes ones(kKeyGenerationRandomSize, 0xff);
  ASSERT_TRUE(GenerateKeyPair(CurveParams::Test, ones.data(), privateKey.data(),
                              publicKey.data()));
  EXPECT_EQ(Hex(privateKey), "6E749E5B503B112AC0DB8B05C83AD16A4AF1F8AC73C6C555ECAED44677F7F28C");
  ASSERT_TRUE(GenerateKeyPair(CurveParams::CryptoProA, ones.data(), privateKey.data(),
                              publicKey.data()));
  EXPECT_EQ(Hex(privateKey), "551FE9CB451179DBF74885D08A3714C6FB07F8222E76DD529AC2D7858E79A468");

  // q * 2^256 + q reduces to zero, which is refused.
  Bytes multiple = FromHex(FactsOf(CurveParams::Test).q);
  multiple.insert(multiple.end(), multiple.begin(), multiple.end());
  EXPECT_FALSE(GenerateKeyPair(CurveParams::Test, multiple.data(), privateKey.data(),
                               publicKey.data()));
}

// Known answers on the CryptoPro-A curve, pinned from libgcrypt (the file says how).
TEST(Gost2001VectorTest, CryptoProAKnownAnswers) {
  constexpr CurveParams kCurve = CurveParams::CryptoProA;
  const auto vectors = ReadTestVectors("gostr3410-2001-cryptopro-a.txt");
  ASSERT_EQ(vectors.size(), 9u);
  const auto publicKeyOf = [&](const Bytes& d) {
    Bytes publicKey(kPublicKeySize);
    EXPECT_TRUE(DerivePublicKey(kCurve, d.data(), publicKey.data()));
    return Hex(publicKey);
  };
  for (const TestVector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const Bytes d = v.Bytes("D");
    if (v.section == "Agree") {
      const Bytes peerD = v.Bytes("PeerD"), peerQ = v.Bytes("PeerQ");
      EXPECT_EQ(publicKeyOf(peerD), v.Text("PeerQ"));
      Bytes shared(kSharedXSize), back(kSharedXSize);
      EXPECT_TRUE(ComputeSharedX(kCurve, d.data(), peerQ.data(), shared.data()));
      EXPECT_EQ(Hex(shared), v.Text("SharedX"));
      EXPECT_TRUE(ComputeSharedX(kCurve, peerD.data(), FromHex(publicKeyOf(d)).data(), back.data()));
      EXPECT_EQ(Hex(back), v.Text("SharedX"));
      continue;
    }
    ASSERT_EQ(v.section, "Sign");
    EXPECT_EQ(publicKeyOf(d), v.Text("Q"));
    const Bytes digest = v.Bytes("Digest"), publicKey = v.Bytes("Q");
    Bytes signature(kSignatureSize);
    EXPECT_TRUE(SignWithNonce(kCurve, d.data(), digest.data(), v.Bytes("K").data(),
                              signature.data()));
    EXPECT_EQ(Hex(signature), v.Text("Signature"));
    EXPECT_TRUE(Verify(kCurve, publicKey.data(), digest.data(), v.Bytes("Signature").data()));
  }
}

// A curve identifier cast from a number that names no curve is refused by every function.
TEST(Gost2001VectorTest, UnknownCurveIsRefused) {
  const TestVector v = ReadTestVectors("gostr3410-2001-cryptopro-a.txt").front();
  const Bytes d = v.Bytes("D"), q = v.Bytes("Q"), digest = v.Bytes("Digest");
  const Bytes signature = v.Bytes("Signature"), random(kKeyGenerationRandomSize, 7);
  for (int number : {-1, 2, 3, 11, 1 << 16}) {
    SCOPED_TRACE(number);
    const auto curve = static_cast<CurveParams>(number);
    Bytes privateKey(kPrivateKeySize), publicKey(kPublicKeySize), out(kSignatureSize);
    EXPECT_FALSE(GenerateKeyPair(curve, random.data(), privateKey.data(), publicKey.data()));
    EXPECT_FALSE(DerivePublicKey(curve, d.data(), publicKey.data()));
    EXPECT_FALSE(IsValidPublicKey(curve, q.data()));
    EXPECT_FALSE(Sign(curve, d.data(), digest.data(), random.data(), 32, out.data()));
    EXPECT_FALSE(SignWithNonce(curve, d.data(), digest.data(), d.data(), out.data()));
    EXPECT_FALSE(Verify(curve, q.data(), digest.data(), signature.data()));
    EXPECT_FALSE(ComputeSharedX(curve, d.data(), q.data(), out.data()));
  }
}

class Gost2001Test : public ::testing::TestWithParam<CurveParams> {
 protected:
  Bytes Random(size_t size) {
    Bytes out(size);
    for (auto& b : out) b = static_cast<uint8_t>(rng_());
    return out;
  }

  Bytes NewKey(Bytes* publicKey) {
    Bytes privateKey(kPrivateKeySize);
    publicKey->resize(kPublicKeySize);
    EXPECT_TRUE(GenerateKeyPair(GetParam(), Random(kKeyGenerationRandomSize).data(),
                                privateKey.data(), publicKey->data()));
    return privateKey;
  }

  Bytes SignDigest(const Bytes& key, const Bytes& digest, const Bytes& random) {
    Bytes signature(kSignatureSize);
    EXPECT_TRUE(Sign(GetParam(), key.data(), digest.data(), random.data(), random.size(),
                     signature.data()));
    return signature;
  }

  bool Verifies(const Bytes& publicKey, const Bytes& digest, const Bytes& signature) {
    return Verify(GetParam(), publicKey.data(), digest.data(), signature.data());
  }

  std::mt19937 rng_{20240611};
};

TEST_P(Gost2001Test, KeysSignAndAgree) {
  for (int round = 0; round < 8; ++round) {
    Bytes publicKey, peerPublic, derived(kPublicKeySize);
    const Bytes privateKey = NewKey(&publicKey), peerPrivate = NewKey(&peerPublic);
    ASSERT_TRUE(DerivePublicKey(GetParam(), privateKey.data(), derived.data()));
    EXPECT_EQ(derived, publicKey);

    const Bytes digest = Random(kDigestSize);
    const Bytes signature = SignDigest(privateKey, digest, Random(32));
    EXPECT_TRUE(Verifies(publicKey, digest, signature));
    EXPECT_FALSE(Verifies(peerPublic, digest, signature));
    const size_t bit = rng_() % 256;
    for (size_t offset : {0, 32}) {
      Bytes tampered = signature;
      tampered[offset + bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      EXPECT_FALSE(Verifies(publicKey, digest, tampered));
    }
    Bytes otherDigest = digest;
    otherDigest[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    EXPECT_FALSE(Verifies(publicKey, otherDigest, signature));
    Bytes swapped(signature.begin() + 32, signature.end());
    swapped.insert(swapped.end(), signature.begin(), signature.begin() + 32);
    EXPECT_FALSE(Verifies(publicKey, digest, swapped));

    Bytes shared(kSharedXSize), peerShared(kSharedXSize);
    ASSERT_TRUE(ComputeSharedX(GetParam(), privateKey.data(), peerPublic.data(), shared.data()));
    ASSERT_TRUE(ComputeSharedX(GetParam(), peerPrivate.data(), publicKey.data(),
                               peerShared.data()));
    EXPECT_EQ(shared, peerShared);
  }
}

TEST_P(Gost2001Test, HedgedNonceDependsOnEveryInput) {
  Bytes publicKey, otherPublic;
  const Bytes key = NewKey(&publicKey), otherKey = NewKey(&otherPublic);
  const Bytes digest = Random(kDigestSize), random = Random(32);
  const auto r = [](const Bytes& s) { return Bytes(s.begin() + 32, s.end()); };

  const Bytes first = SignDigest(key, digest, random);
  EXPECT_EQ(SignDigest(key, digest, random), first);  // same inputs, same nonce
  Bytes otherRandom = random;
  otherRandom[31] ^= 1;
  EXPECT_NE(r(SignDigest(key, digest, otherRandom)), r(first));
  EXPECT_NE(r(SignDigest(key, digest, Bytes(random.begin(), random.end() - 1))), r(first));
  EXPECT_NE(r(SignDigest(otherKey, digest, random)), r(first));
  // Without random bytes the nonce still depends on key and digest, and the signature holds.
  const Bytes deterministic = SignDigest(key, digest, {});
  EXPECT_TRUE(Verifies(publicKey, digest, deterministic));
  EXPECT_NE(r(deterministic), r(first));
}

TEST_P(Gost2001Test, DigestThatIsZeroModOrderSignsAsOne) {
  Bytes publicKey;
  const Bytes key = NewKey(&publicKey);
  const Bytes zero(kDigestSize, 0), order = DigestOfInteger(FactsOf(GetParam()).q);
  Bytes one(kDigestSize, 0);
  one[0] = 1;
  const Bytes signature = SignDigest(key, zero, Random(32));
  EXPECT_TRUE(Verifies(publicKey, zero, signature));
  EXPECT_TRUE(Verifies(publicKey, order, signature));
  EXPECT_TRUE(Verifies(publicKey, one, signature));
  one[0] = 2;
  EXPECT_FALSE(Verifies(publicKey, one, signature));
}

TEST_P(Gost2001Test, RejectsInvalidPoints) {
  const CurveFacts facts = FactsOf(GetParam());
  Bytes valid;
  const Bytes key = NewKey(&valid), digest = Random(kDigestSize);
  const Bytes signature = SignDigest(key, digest, Random(32));
  ASSERT_TRUE(Verifies(valid, digest, signature));

  std::vector<Bytes> invalid = {Bytes(kPublicKeySize, 0)};  // (0, 0), a common infinity
  for (uint8_t prefix : {0x00, 0x02, 0x03, 0x05, 0x06, 0x07}) {
    invalid.push_back(valid);
    invalid.back()[0] = prefix;
  }
  invalid.push_back(valid);
  invalid.back()[64] ^= 1;  // off the curve
  // The generator with p added to a coordinate where that fits in 32 bytes: the same point mod
  // p, but not a canonical coordinate. x + p fits on both curves (x = 1 or 2).
  const Bytes generator = FromHex(facts.generator), prime = FromHex(facts.p);
  for (size_t offset : {1, 33}) {
    Bytes shifted = generator;
    if (AddBigEndian(&shifted[offset], prime.data()) == 0) invalid.push_back(shifted);
  }
  ASSERT_GE(invalid.size(), 9u);
  invalid.push_back(valid);
  std::copy(prime.begin(), prime.end(), invalid.back().begin() + 33);  // y = p

  Bytes shared(kSharedXSize);
  for (const Bytes& bad : invalid) {
    SCOPED_TRACE(Hex(bad));
    EXPECT_FALSE(IsValidPublicKey(GetParam(), bad.data()));
    EXPECT_FALSE(Verifies(bad, digest, signature));
    EXPECT_FALSE(ComputeSharedX(GetParam(), key.data(), bad.data(), shared.data()));
  }
  EXPECT_TRUE(IsValidPublicKey(GetParam(), generator.data()));
}

TEST_P(Gost2001Test, RejectsOutOfRangeScalars) {
  Bytes publicKey;
  const Bytes key = NewKey(&publicKey), digest = Random(kDigestSize);
  const Bytes signature = SignDigest(key, digest, Random(32));
  const Bytes order = FromHex(FactsOf(GetParam()).q), zero(32, 0), ones(32, 0xff);

  const auto with = [&](size_t offset, const Bytes& value) {
    Bytes out = signature;
    std::copy(value.begin(), value.end(), out.begin() + offset);
    return out;
  };
  Bytes out(kSignatureSize), shared(kSharedXSize), derived(kPublicKeySize);
  for (const Bytes* bad : {&zero, &order, &ones}) {
    EXPECT_FALSE(Verifies(publicKey, digest, with(0, *bad)));   // s
    EXPECT_FALSE(Verifies(publicKey, digest, with(32, *bad)));  // r
    EXPECT_FALSE(DerivePublicKey(GetParam(), bad->data(), derived.data()));
    EXPECT_FALSE(Sign(GetParam(), bad->data(), digest.data(), nullptr, 0, out.data()));
    EXPECT_FALSE(ComputeSharedX(GetParam(), bad->data(), publicKey.data(), shared.data()));
    EXPECT_FALSE(SignWithNonce(GetParam(), key.data(), digest.data(), bad->data(), out.data()));
  }
}

INSTANTIATE_TEST_SUITE_P(Curves, Gost2001Test,
                         ::testing::Values(CurveParams::Test, CurveParams::CryptoProA),
                         [](const auto& info) {
                           return info.param == CurveParams::Test ? "Test" : "CryptoProA";
                         });

}  // namespace
}  // namespace gost
