#include "gostr3410_2001.h"

#include <algorithm>
#include <vector>

#include "constant_time.h"
#include "ec_curve.h"
#include "ec_point.h"
#include "ec_scalar_mult.h"
#include "gostr3411_94.h"
#include "secure_wipe.h"
#include "u256.h"

namespace gost {
namespace {

// Input of the nonce hash, which contains the private key.
class SecretBytes {
 public:
  explicit SecretBytes(size_t size) : bytes_(size) {}
  ~SecretBytes() { SecureWipe(bytes_.data(), bytes_.size()); }
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;

  uint8_t* data() { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

template <class Curve>
class Gost2001 {
  using Field = typename Curve::Field;
  using Scalar = typename Curve::Scalar;
  using Point = ProjectivePoint<Curve>;
  static_assert(FieldBelowTwiceOrder<Curve>());

 public:
  static bool GenerateKeyPair(const uint8_t random[kKeyGenerationRandomSize],
                              uint8_t privateKey[kPrivateKeySize],
                              uint8_t publicKey[kPublicKeySize]) {
    Wiped<U256> d;
    *d = Scalar::FromWide(U256FromBigEndian(random), U256FromBigEndian(random + 32)).ToInteger();
    if (DeclassifyMask(IsZeroMask(*d))) return false;
    U256ToBigEndian(*d, privateKey);
    WritePublicKey(*d, publicKey);
    return true;
  }

  static bool DerivePublicKey(const uint8_t privateKey[kPrivateKeySize],
                              uint8_t publicKey[kPublicKeySize]) {
    Wiped<U256> d;
    if (!ParsePrivateKey(privateKey, &*d)) return false;
    WritePublicKey(*d, publicKey);
    return true;
  }

  static bool IsValidPublicKey(const uint8_t publicKey[kPublicKeySize]) {
    AffinePoint<Curve> q;
    return DecodePoint(publicKey, &q);
  }

  static bool Sign(const uint8_t privateKey[kPrivateKeySize], const uint8_t digest[kDigestSize],
                   const uint8_t* random, size_t randomSize, uint8_t signature[kSignatureSize]) {
    Wiped<U256> d, k;
    if (!ParsePrivateKey(privateKey, &*d)) return false;
    // Hash input: half index, attempt counter, d (big-endian), digest, the caller's random.
    constexpr size_t kKeyAt = 2, kDigestAt = kKeyAt + kPrivateKeySize;
    constexpr size_t kRandomAt = kDigestAt + kDigestSize;
    SecretBytes input(kRandomAt + randomSize);
    U256ToBigEndian(*d, input.data() + kKeyAt);
    std::copy(digest, digest + kDigestSize, input.data() + kDigestAt);
    std::copy(random, random + randomSize, input.data() + kRandomAt);
    Wiped<uint8_t[2][32]> halves;
    // Each attempt fails with probability about 2^-255 (k, r or s zero).
    for (unsigned attempt = 0; attempt < 256; ++attempt) {
      input.data()[1] = static_cast<uint8_t>(attempt);
      for (uint8_t half = 0; half < 2; ++half) {
        input.data()[0] = half;
        HashSecret(HashParams::CryptoPro, input.data(), input.size(), (*halves)[half]);
      }
      // 512 bits reduced mod q: no visible bias.
      *k = Scalar::FromWide(U256FromBigEndian((*halves)[0]), U256FromBigEndian((*halves)[1]))
               .ToInteger();
      if (DeclassifyMask(IsZeroMask(*k))) continue;
      if (SignWithScalars(*d, digest, *k, signature)) return true;
    }
    return false;
  }

  static bool SignWithNonce(const uint8_t privateKey[kPrivateKeySize],
                            const uint8_t digest[kDigestSize], const uint8_t nonce[kPrivateKeySize],
                            uint8_t signature[kSignatureSize]) {
    Wiped<U256> d, k;
    if (!ParsePrivateKey(privateKey, &*d) || !ParsePrivateKey(nonce, &*k)) return false;
    return SignWithScalars(*d, digest, *k, signature);
  }

  // Public data only: variable time.
  static bool Verify(const uint8_t publicKey[kPublicKeySize], const uint8_t digest[kDigestSize],
                     const uint8_t signature[kSignatureSize]) {
    AffinePoint<Curve> q;
    if (!DecodePoint(publicKey, &q)) return false;
    const U256 s = U256FromBigEndian(signature);
    const U256 r = U256FromBigEndian(signature + 32);
    if (!IsScalarInRange(s) || !IsScalarInRange(r)) return false;

    const Scalar v = DigestToScalar(digest).Inverse();
    const Scalar z1 = Scalar::FromInteger(s) * v;
    const Scalar z2 = -Scalar::FromInteger(r) * v;
    const Point c = MulBaseAddPublic(z1.ToInteger(), z2.ToInteger(), q);
    if (IsIdentityMask(c)) return false;
    // x_C mod q = r with x_C = X/Z below p < 2q: x_C is r or r + q. Comparing X with
    // candidate * Z avoids an inversion.
    if (MatchesX(c, r)) return true;
    uint64_t carry = 0;
    const U256 rPlusQ = Add(r, Scalar::kModulus, &carry);
    return carry == 0 && MatchesX(c, rPlusQ);
  }

  static bool ComputeSharedX(const uint8_t privateKey[kPrivateKeySize],
                             const uint8_t peerPublicKey[kPublicKeySize],
                             uint8_t sharedX[kSharedXSize]) {
    AffinePoint<Curve> q;
    if (!DecodePoint(peerPublicKey, &q)) return false;
    Wiped<U256> d;
    if (!ParsePrivateKey(privateKey, &*d)) return false;
    Wiped<Point> shared;
    *shared = MulSecret(*d, q);
    if (DeclassifyMask(IsIdentityMask(*shared))) return false;
    Wiped<AffinePoint<Curve>> affine;
    *affine = ToAffine(*shared);
    U256ToBigEndian(affine->x.ToInteger(), sharedX);
    return true;
  }

 private:
  static uint64_t ScalarInRangeMask(const U256& x) {
    return ~IsZeroMask(x) & LessThanMask(x, Scalar::kModulus);
  }

  static bool IsScalarInRange(const U256& x) { return ScalarInRangeMask(x) != 0; }

  // Whether the key is in [1, q-1]; only that fact leaves the constant-time domain.
  static bool ParsePrivateKey(const uint8_t bytes[kPrivateKeySize], U256* d) {
    *d = U256FromBigEndian(bytes);
    return DeclassifyMask(ScalarInRangeMask(*d));
  }

  // e = digest mod q, or 1 if that is 0.
  static Scalar DigestToScalar(const uint8_t digest[kDigestSize]) {
    const U256 e = ReduceOnce(U256FromLittleEndian(digest), Scalar::kModulus);
    return Scalar::FromInteger(Select(IsZeroMask(e), U256FromWord(1), e));
  }

  // d in [1, q-1], so d*G is never infinity.
  static void WritePublicKey(const U256& d, uint8_t publicKey[kPublicKeySize]) {
    Wiped<Point> q;
    *q = MulBaseSecret<Curve>(d);
    EncodePoint(ToAffine(*q), publicKey);
  }

  // r = x(k*G) mod q, s = r*d + k*e mod q; fails if either is zero.
  static bool SignWithScalars(const U256& d, const uint8_t digest[kDigestSize], const U256& k,
                              uint8_t signature[kSignatureSize]) {
    Wiped<Point> c;
    *c = MulBaseSecret<Curve>(k);
    Wiped<AffinePoint<Curve>> affine;
    *affine = ToAffine(*c);
    Wiped<U256> r;
    *r = ReduceOnce(affine->x.ToInteger(), Scalar::kModulus);
    if (DeclassifyMask(IsZeroMask(*r))) return false;
    Wiped<Scalar> s;
    *s = Scalar::FromInteger(*r) * Scalar::FromInteger(d) +
         Scalar::FromInteger(k) * DigestToScalar(digest);
    if (DeclassifyMask(s->IsZeroMask())) return false;
    U256ToBigEndian(s->ToInteger(), signature);
    U256ToBigEndian(*r, signature + 32);
    return true;
  }

  static bool MatchesX(const Point& c, const U256& candidate) {
    if (!LessThanMask(candidate, Field::kModulus)) return false;
    return (Field::FromInteger(candidate) * c.z).EqualMask(c.x) != 0;
  }
};

// Calls f with the implementation for the curve.
template <class F>
auto OnCurve(CurveParams curve, F f) {
  return curve == CurveParams::CryptoProA ? f(Gost2001<CryptoProACurve>{})
                                          : f(Gost2001<TestCurve>{});
}

}  // namespace

bool GenerateKeyPair(CurveParams curve, const uint8_t random[kKeyGenerationRandomSize],
                     uint8_t privateKey[kPrivateKeySize], uint8_t publicKey[kPublicKeySize]) {
  return OnCurve(curve, [&](auto g) { return g.GenerateKeyPair(random, privateKey, publicKey); });
}

bool DerivePublicKey(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                     uint8_t publicKey[kPublicKeySize]) {
  return OnCurve(curve, [&](auto g) { return g.DerivePublicKey(privateKey, publicKey); });
}

bool IsValidPublicKey(CurveParams curve, const uint8_t publicKey[kPublicKeySize]) {
  return OnCurve(curve, [&](auto g) { return g.IsValidPublicKey(publicKey); });
}

bool Sign(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
          const uint8_t digest[kDigestSize], const uint8_t* random, size_t randomSize,
          uint8_t signature[kSignatureSize]) {
  return OnCurve(curve, [&](auto g) {
    return g.Sign(privateKey, digest, random, randomSize, signature);
  });
}

bool SignWithNonce(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                   const uint8_t digest[kDigestSize], const uint8_t nonce[kPrivateKeySize],
                   uint8_t signature[kSignatureSize]) {
  return OnCurve(curve, [&](auto g) {
    return g.SignWithNonce(privateKey, digest, nonce, signature);
  });
}

bool Verify(CurveParams curve, const uint8_t publicKey[kPublicKeySize],
            const uint8_t digest[kDigestSize], const uint8_t signature[kSignatureSize]) {
  return OnCurve(curve, [&](auto g) { return g.Verify(publicKey, digest, signature); });
}

bool ComputeSharedX(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                    const uint8_t peerPublicKey[kPublicKeySize], uint8_t sharedX[kSharedXSize]) {
  return OnCurve(curve, [&](auto g) {
    return g.ComputeSharedX(privateKey, peerPublicKey, sharedX);
  });
}

}  // namespace gost
