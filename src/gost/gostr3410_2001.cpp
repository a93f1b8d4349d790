#include "gostr3410_2001.h"

#include "constant_time.h"
#include "ec_curve.h"
#include "ec_point.h"
#include "ec_scalar_mult.h"
#include "gostr3411_94.h"
#include "secure_wipe.h"
#include "u256.h"

namespace gost {
namespace {

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
    *d = ReduceWide(random);
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
    Wiped<uint8_t[kPrivateKeySize]> key;
    U256ToBigEndian(*d, *key);
    Wiped<uint8_t[64]> halves;
    // Each attempt fails with probability about 2^-255 (k, r or s zero).
    for (unsigned attempt = 0; attempt < 256; ++attempt) {
      // Hash input: half index, attempt counter, d (big-endian), digest, the caller's random,
      // streamed so that no copy of any size is needed.
      for (uint8_t half = 0; half < 2; ++half) {
        const uint8_t prefix[2] = {half, static_cast<uint8_t>(attempt)};
        GostR3411_94Secret hash(HashParams::CryptoPro);
        if (!hash.Update(prefix, sizeof prefix) || !hash.Update(*key, kPrivateKeySize) ||
            !hash.Update(digest, kDigestSize) || !hash.Update(random, randomSize) ||
            !hash.Final(*halves + 32 * half))
          return false;
      }
      // 512 bits reduced mod q: no visible bias.
      *k = ReduceWide(*halves);
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

  // A 512-bit big-endian number mod q. Out of line, so that the static constant-time check
  // finds the scalar arithmetic by name.
  [[gnu::noinline]] static U256 ReduceWide(const uint8_t bytes[64]) {
    return Scalar::FromWide(U256FromBigEndian(bytes), U256FromBigEndian(bytes + 32)).ToInteger();
  }

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

// Calls f with the implementation for the curve; an identifier that names no curve (a number
// cast to CurveParams) is refused.
template <class F>
bool OnCurve(CurveParams curve, F f) {
  switch (curve) {
    case CurveParams::CryptoProA: return f(Gost2001<CryptoProACurve>{});
    case CurveParams::Test: return f(Gost2001<TestCurve>{});
  }
  return false;
}

}  // namespace

bool GenerateKeyPair(CurveParams curve, const uint8_t random[kKeyGenerationRandomSize],
                     uint8_t privateKey[kPrivateKeySize],
                     uint8_t publicKey[kPublicKeySize]) noexcept {
  return OnCurve(curve, [&](auto g) { return g.GenerateKeyPair(random, privateKey, publicKey); });
}

bool DerivePublicKey(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                     uint8_t publicKey[kPublicKeySize]) noexcept {
  return OnCurve(curve, [&](auto g) { return g.DerivePublicKey(privateKey, publicKey); });
}

bool IsValidPublicKey(CurveParams curve, const uint8_t publicKey[kPublicKeySize]) noexcept {
  return OnCurve(curve, [&](auto g) { return g.IsValidPublicKey(publicKey); });
}

bool Sign(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
          const uint8_t digest[kDigestSize], const uint8_t* random, size_t randomSize,
          uint8_t signature[kSignatureSize]) noexcept {
  return OnCurve(curve, [&](auto g) {
    return g.Sign(privateKey, digest, random, randomSize, signature);
  });
}

bool SignWithNonce(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                   const uint8_t digest[kDigestSize], const uint8_t nonce[kPrivateKeySize],
                   uint8_t signature[kSignatureSize]) noexcept {
  return OnCurve(curve, [&](auto g) {
    return g.SignWithNonce(privateKey, digest, nonce, signature);
  });
}

bool Verify(CurveParams curve, const uint8_t publicKey[kPublicKeySize],
            const uint8_t digest[kDigestSize], const uint8_t signature[kSignatureSize]) noexcept {
  return OnCurve(curve, [&](auto g) { return g.Verify(publicKey, digest, signature); });
}

bool ComputeSharedX(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                    const uint8_t peerPublicKey[kPublicKeySize],
                    uint8_t sharedX[kSharedXSize]) noexcept {
  return OnCurve(curve, [&](auto g) {
    return g.ComputeSharedX(privateKey, peerPublicKey, sharedX);
  });
}

}  // namespace gost
