// Differential tests against libgcrypt 1.10, an independent implementation used as an oracle
// through its public API only. libgcrypt reads the digest value as a big-endian integer, so our
// little-endian digest is passed to it reversed (found with the standard's example).
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "ec_curve.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "test_hex.h"
#include "test_vectors.h"
#include "u256.h"

namespace gost {

// Readable parameter values in the test names.
[[maybe_unused]] static void PrintTo(CurveParams curve, std::ostream* out) {
  *out << (curve == CurveParams::Test ? "Test" : "CryptoProA");
}

namespace {

template <auto Release>
struct Releaser {
  template <class T>
  void operator()(T* handle) const {
    Release(handle);
  }
};
using Mpi = std::unique_ptr<gcry_mpi, Releaser<gcry_mpi_release>>;
using Sexp = std::unique_ptr<gcry_sexp, Releaser<gcry_sexp_release>>;
using MpiPoint = std::unique_ptr<gcry_mpi_point, Releaser<gcry_mpi_point_release>>;
using Context = std::unique_ptr<gcry_context, Releaser<gcry_ctx_release>>;

Mpi MpiFromBytes(const uint8_t* bytes, size_t size) {
  gcry_mpi_t mpi = nullptr;
  EXPECT_EQ(gcry_mpi_scan(&mpi, GCRYMPI_FMT_USG, bytes, size, nullptr), 0u);
  return Mpi(mpi);
}

Mpi MpiFromU256(const U256& value) {
  uint8_t bytes[32];
  U256ToBigEndian(value, bytes);
  return MpiFromBytes(bytes, sizeof bytes);
}

std::string Hex32(gcry_mpi_t mpi) {
  uint8_t bytes[32] = {};
  size_t written = 0;
  uint8_t buffer[33];
  EXPECT_EQ(gcry_mpi_print(GCRYMPI_FMT_USG, buffer, sizeof buffer, &written, mpi), 0u);
  EXPECT_LE(written, 32u);
  std::copy(buffer, buffer + written, bytes + 32 - written);
  return ToHex(bytes);
}

std::string Hex256(const U256& value) {
  uint8_t bytes[32];
  U256ToBigEndian(value, bytes);
  return ToHex(bytes);
}

class Gost2001GcryptTest : public ::testing::TestWithParam<CurveParams> {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(gcry_check_version(GCRYPT_VERSION));
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  }

  const char* CurveName() const {
    return GetParam() == CurveParams::Test ? "GOST2001-test" : "GOST2001-CryptoPro-A";
  }

  template <size_t N>
  std::array<uint8_t, N> Random() {
    std::array<uint8_t, N> out;
    for (auto& b : out) b = static_cast<uint8_t>(rng_());
    return out;
  }

  Context NewContext() const {
    gcry_ctx_t context = nullptr;
    EXPECT_EQ(gcry_mpi_ec_new(&context, nullptr, CurveName()), 0u);
    return Context(context);
  }

  // X and Y of scalar * point, as hex.
  static std::string Multiply(gcry_ctx_t context, const uint8_t scalar[32],
                              gcry_mpi_point_t point) {
    const Mpi k = MpiFromBytes(scalar, 32);
    const MpiPoint product(gcry_mpi_point_new(0));
    gcry_mpi_ec_mul(product.get(), k.get(), point, context);
    const Mpi x(gcry_mpi_new(0)), y(gcry_mpi_new(0));
    EXPECT_EQ(gcry_mpi_ec_get_affine(x.get(), y.get(), product.get(), context), 0);
    return Hex32(x.get()) + Hex32(y.get());
  }

  static MpiPoint Decode(gcry_ctx_t context, const uint8_t publicKey[kPublicKeySize]) {
    const Mpi encoded(gcry_mpi_set_opaque_copy(nullptr, publicKey, kPublicKeySize * 8));
    EXPECT_EQ(gcry_mpi_ec_set_mpi("q", encoded.get(), context), 0u);
    return MpiPoint(gcry_mpi_ec_get_point("q", context, 1));
  }

  static Sexp Data(const uint8_t digest[kDigestSize]) {
    uint8_t value[kDigestSize];
    std::reverse_copy(digest, digest + kDigestSize, value);
    gcry_sexp_t data = nullptr;
    EXPECT_EQ(gcry_sexp_build(&data, nullptr, "(data (flags gost) (value %b))", int(kDigestSize),
                              value),
              0u);
    return Sexp(data);
  }

  Sexp PublicKeySexp(const uint8_t publicKey[kPublicKeySize]) const {
    gcry_sexp_t key = nullptr;
    EXPECT_EQ(gcry_sexp_build(&key, nullptr, "(public-key (ecc (curve %s) (q %b)))", CurveName(),
                              int(kPublicKeySize), publicKey),
              0u);
    return Sexp(key);
  }

  Sexp PrivateKeySexp(const uint8_t privateKey[kPrivateKeySize],
                      const uint8_t publicKey[kPublicKeySize]) {
    gcry_sexp_t key = nullptr;
    EXPECT_EQ(gcry_sexp_build(&key, nullptr, "(private-key (ecc (curve %s) (q %b) (d %b)))",
                              CurveName(), int(kPublicKeySize), publicKey,
                              int(kPrivateKeySize), privateKey),
              0u);
    return Sexp(key);
  }

  // Our encoding, s then r, of libgcrypt's signature.
  std::vector<uint8_t> SignatureBytes(gcry_sexp_t signature) {
    std::string hex;
    for (const char* name : {"s", "r"}) {
      const Sexp token(gcry_sexp_find_token(signature, name, 0));
      EXPECT_TRUE(token);
      const Mpi value(gcry_sexp_nth_mpi(token.get(), 1, GCRYMPI_FMT_USG));
      hex += Hex32(value.get());
    }
    return FromHex(hex);
  }

  std::mt19937 rng_{77};
};

TEST_P(Gost2001GcryptTest, KeysSignaturesAndAgreementMatchLibgcrypt) {
  const Context context = NewContext();
  const MpiPoint generator(gcry_mpi_ec_get_point("g", context.get(), 1));
  for (int round = 0; round < 64; ++round) {
    const auto random = Random<kKeyGenerationRandomSize>();
    uint8_t privateKey[kPrivateKeySize], publicKey[kPublicKeySize];
    ASSERT_TRUE(GenerateKeyPair(GetParam(), random.data(), privateKey, publicKey));
    EXPECT_EQ(ToHex(publicKey + 1, 64), Multiply(context.get(), privateKey, generator.get()));

    const auto digest = Random<kDigestSize>();
    const Sexp data = Data(digest.data());
    const Sexp publicSexp = PublicKeySexp(publicKey);

    // Ours, checked by libgcrypt.
    const auto nonceRandom = Random<32>();
    uint8_t signature[kSignatureSize];
    ASSERT_TRUE(Sign(GetParam(), privateKey, digest.data(), nonceRandom.data(), nonceRandom.size(),
                     signature));
    gcry_sexp_t sigSexp = nullptr;
    ASSERT_EQ(gcry_sexp_build(&sigSexp, nullptr, "(sig-val (gost (r %b) (s %b)))", 32,
                              signature + 32, 32, signature),
              0u);
    const Sexp ourSignature(sigSexp);
    EXPECT_EQ(gcry_pk_verify(ourSignature.get(), data.get(), publicSexp.get()), 0u);

    // libgcrypt's, checked by us, and rejected once tampered with.
    gcry_sexp_t theirs = nullptr;
    ASSERT_EQ(gcry_pk_sign(&theirs, data.get(), PrivateKeySexp(privateKey, publicKey).get()), 0u);
    const Sexp theirSignature(theirs);
    std::vector<uint8_t> theirBytes = SignatureBytes(theirSignature.get());
    EXPECT_TRUE(Verify(GetParam(), publicKey, digest.data(), theirBytes.data()));
    theirBytes[rng_() % kSignatureSize] ^= static_cast<uint8_t>(1u << (rng_() % 8));
    EXPECT_FALSE(Verify(GetParam(), publicKey, digest.data(), theirBytes.data()));

    // Key agreement: X of d * (peer's Q).
    uint8_t peerPrivate[kPrivateKeySize], peerPublic[kPublicKeySize];
    const auto peerRandom = Random<kKeyGenerationRandomSize>();
    ASSERT_TRUE(GenerateKeyPair(GetParam(), peerRandom.data(), peerPrivate, peerPublic));
    uint8_t shared[kSharedXSize];
    ASSERT_TRUE(ComputeSharedX(GetParam(), privateKey, peerPublic, shared));
    const MpiPoint peerPoint = Decode(context.get(), peerPublic);
    EXPECT_EQ(ToHex(shared), Multiply(context.get(), privateKey, peerPoint.get()).substr(0, 64));
  }
}

// The nonce behind a signature, k = (s - r*d) / e mod q, is the documented derivation:
// (H(0, 0, d, digest, random) * 2^256 + H(1, 0, d, digest, random)) mod q, H = GOST R 34.11-94
// with the CryptoPro parameters (libgcrypt's) and the hash outputs read big-endian.
TEST_P(Gost2001GcryptTest, NonceIsTheWideHashReducedModOrder) {
  const Context context = NewContext();
  const Mpi q(gcry_mpi_ec_get_mpi("n", context.get(), 1));
  for (int round = 0; round < 8; ++round) {
    const auto keyRandom = Random<kKeyGenerationRandomSize>();
    uint8_t privateKey[kPrivateKeySize], publicKey[kPublicKeySize];
    ASSERT_TRUE(GenerateKeyPair(GetParam(), keyRandom.data(), privateKey, publicKey));
    const auto digest = Random<kDigestSize>();
    const std::vector<uint8_t> random(static_cast<size_t>(round * 9), 0x5a);
    uint8_t signature[kSignatureSize];
    ASSERT_TRUE(Sign(GetParam(), privateKey, digest.data(), random.data(), random.size(),
                     signature));

    std::vector<uint8_t> input(2 + kPrivateKeySize + kDigestSize + random.size());
    std::copy_n(privateKey, kPrivateKeySize, input.begin() + 2);
    std::copy(digest.begin(), digest.end(), input.begin() + 2 + kPrivateKeySize);
    std::copy(random.begin(), random.end(), input.begin() + 2 + kPrivateKeySize + kDigestSize);
    uint8_t wide[64];
    gcry_md_hash_buffer(GCRY_MD_GOSTR3411_CP, wide, input.data(), input.size());
    input[0] = 1;
    gcry_md_hash_buffer(GCRY_MD_GOSTR3411_CP, wide + 32, input.data(), input.size());
    const Mpi expected = MpiFromBytes(wide, sizeof wide);
    gcry_mpi_mod(expected.get(), expected.get(), q.get());

    uint8_t digestValue[kDigestSize];
    std::reverse_copy(digest.begin(), digest.end(), digestValue);
    const Mpi e = MpiFromBytes(digestValue, kDigestSize);
    gcry_mpi_mod(e.get(), e.get(), q.get());
    const Mpi s = MpiFromBytes(signature, 32), r = MpiFromBytes(signature + 32, 32);
    const Mpi d = MpiFromBytes(privateKey, kPrivateKeySize);
    const Mpi k(gcry_mpi_new(0));
    gcry_mpi_mulm(k.get(), r.get(), d.get(), q.get());
    gcry_mpi_subm(k.get(), s.get(), k.get(), q.get());
    ASSERT_TRUE(gcry_mpi_invm(e.get(), e.get(), q.get()));
    gcry_mpi_mulm(k.get(), k.get(), e.get(), q.get());
    EXPECT_EQ(Hex32(k.get()), Hex32(expected.get()));
  }
}

// The vector file that every tree reads (see its header) holds libgcrypt's answers: each one is
// computed here again from the inputs with libgcrypt's curve and integer arithmetic.
class Gost2001VectorGcryptTest : public Gost2001GcryptTest {};

TEST_P(Gost2001VectorGcryptTest, VectorFileMatchesLibgcrypt) {
  const Context context = NewContext();
  const MpiPoint generator(gcry_mpi_ec_get_point("g", context.get(), 1));
  const Mpi q(gcry_mpi_ec_get_mpi("n", context.get(), 1));
  const auto vectors = ReadTestVectors("gostr3410-2001-cryptopro-a.txt");
  ASSERT_EQ(vectors.size(), 9u);
  for (const TestVector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const std::vector<uint8_t> d = v.Bytes("D");
    if (v.section == "Agree") {
      const std::vector<uint8_t> peerD = v.Bytes("PeerD");
      EXPECT_EQ(v.Text("PeerQ"), "04" + Multiply(context.get(), peerD.data(), generator.get()));
      const std::vector<uint8_t> peerQ = v.Bytes("PeerQ");
      const MpiPoint peer = Decode(context.get(), peerQ.data());
      EXPECT_EQ(v.Text("SharedX"), Multiply(context.get(), d.data(), peer.get()).substr(0, 64));
      continue;
    }
    ASSERT_EQ(v.section, "Sign");
    const std::vector<uint8_t> k = v.Bytes("K"), digest = v.Bytes("Digest");
    EXPECT_EQ(v.Text("Q"), "04" + Multiply(context.get(), d.data(), generator.get()));
    const std::string kG = Multiply(context.get(), k.data(), generator.get());
    const Mpi r = MpiFromBytes(FromHex(kG.substr(0, 64)).data(), 32);
    gcry_mpi_mod(r.get(), r.get(), q.get());
    uint8_t digestValue[kDigestSize];
    std::reverse_copy(digest.begin(), digest.end(), digestValue);
    const Mpi e = MpiFromBytes(digestValue, kDigestSize);
    gcry_mpi_mod(e.get(), e.get(), q.get());
    // e = 0 counts as 1. libgcrypt's verification does not do that itself, so it is given the
    // digest 1 for those records.
    std::vector<uint8_t> verifiedDigest = digest;
    if (gcry_mpi_cmp_ui(e.get(), 0) == 0) {
      gcry_mpi_set_ui(e.get(), 1);
      verifiedDigest.assign(kDigestSize, 0);
      verifiedDigest[0] = 1;
    }
    const Mpi s(gcry_mpi_new(0)), ke(gcry_mpi_new(0));
    gcry_mpi_mulm(s.get(), r.get(), MpiFromBytes(d.data(), 32).get(), q.get());
    gcry_mpi_mulm(ke.get(), MpiFromBytes(k.data(), 32).get(), e.get(), q.get());
    gcry_mpi_addm(s.get(), s.get(), ke.get(), q.get());
    EXPECT_EQ(v.Text("Signature"), Hex32(s.get()) + Hex32(r.get()));

    const std::vector<uint8_t> publicKey = v.Bytes("Q"), signature = v.Bytes("Signature");
    gcry_sexp_t sigSexp = nullptr;
    ASSERT_EQ(gcry_sexp_build(&sigSexp, nullptr, "(sig-val (gost (r %b) (s %b)))", 32,
                              signature.data() + 32, 32, signature.data()),
              0u);
    const Sexp signatureSexp(sigSexp);
    EXPECT_EQ(gcry_pk_verify(signatureSexp.get(), Data(verifiedDigest.data()).get(),
                             PublicKeySexp(publicKey.data()).get()),
              0u);
  }
}

INSTANTIATE_TEST_SUITE_P(File, Gost2001VectorGcryptTest,
                         ::testing::Values(CurveParams::CryptoProA),
                         [](const auto&) { return "CryptoProA"; });

INSTANTIATE_TEST_SUITE_P(Curves, Gost2001GcryptTest,
                         ::testing::Values(CurveParams::Test, CurveParams::CryptoProA),
                         [](const auto& info) {
                           return info.param == CurveParams::Test ? "Test" : "CryptoProA";
                         });

// Field and scalar arithmetic against libgcrypt's modular integer arithmetic.
template <class F>
void CompareWithMpi(std::mt19937_64& rng) {
  const Mpi m = MpiFromU256(F::kModulus);
  for (int i = 0; i < 2000; ++i) {
    const U256 a = ReduceOnce(U256{{rng(), rng(), rng(), rng()}}, F::kModulus);
    const U256 b = ReduceOnce(U256{{rng(), rng(), rng(), rng()}}, F::kModulus);
    const F fa = F::FromInteger(a), fb = F::FromInteger(b);
    const Mpi ma = MpiFromU256(a), mb = MpiFromU256(b), result(gcry_mpi_new(0));
    gcry_mpi_mulm(result.get(), ma.get(), mb.get(), m.get());
    ASSERT_EQ(Hex256((fa * fb).ToInteger()), Hex32(result.get()));
    gcry_mpi_subm(result.get(), ma.get(), mb.get(), m.get());
    ASSERT_EQ(Hex256((fa - fb).ToInteger()), Hex32(result.get()));
    if (i % 20 == 0) {
      ASSERT_TRUE(gcry_mpi_invm(result.get(), ma.get(), m.get()));
      ASSERT_EQ(Hex256(fa.Inverse().ToInteger()), Hex32(result.get()));
    }
  }
}

TEST(FieldGcryptTest, ModularArithmeticMatchesLibgcrypt) {
  std::mt19937_64 rng(9);
  CompareWithMpi<CryptoProACurve::Field>(rng);
  CompareWithMpi<CryptoProACurve::Scalar>(rng);
  CompareWithMpi<TestCurve::Field>(rng);
  CompareWithMpi<TestCurve::Scalar>(rng);
}

}  // namespace
}  // namespace gost
