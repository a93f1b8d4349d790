// Arbitrary points and signatures through validation and verification. Input: a curve byte
// (low bit: 0 test curve, 1 CryptoPro-A), a 65-byte point, a 32-byte digest, a 64-byte
// signature. An invalid point must be refused everywhere; for a valid one our verdict must
// match libgcrypt's, and key agreement with it must succeed.
#include <gcrypt.h>

#include <cstdint>
#include <cstdlib>

#include "gostr3410_2001.h"

namespace {

bool GcryptVerify(const char* curve, const uint8_t* point, const uint8_t* digest,
                  const uint8_t* signature) {
  uint8_t value[gost::kDigestSize];
  for (size_t i = 0; i < gost::kDigestSize; ++i) value[i] = digest[gost::kDigestSize - 1 - i];
  gcry_sexp_t key = nullptr, data = nullptr, sig = nullptr;
  if (gcry_sexp_build(&key, nullptr, "(public-key (ecc (curve %s) (q %b)))", curve,
                      int(gost::kPublicKeySize), point) ||
      gcry_sexp_build(&data, nullptr, "(data (flags gost) (value %b))", int(gost::kDigestSize),
                      value) ||
      gcry_sexp_build(&sig, nullptr, "(sig-val (gost (r %b) (s %b)))", 32, signature + 32, 32,
                      signature))
    std::abort();
  const bool valid = gcry_pk_verify(sig, data, key) == 0;
  gcry_sexp_release(sig);
  gcry_sexp_release(data);
  gcry_sexp_release(key);
  return valid;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!gcry_check_version(GCRYPT_VERSION)) std::abort();
  gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  constexpr size_t kInputSize = 1 + gost::kPublicKeySize + gost::kDigestSize + gost::kSignatureSize;
  if (size != kInputSize) return 0;
  const bool cryptoPro = input[0] & 1;
  const auto curve = cryptoPro ? gost::CurveParams::CryptoProA : gost::CurveParams::Test;
  const uint8_t* point = input + 1;
  const uint8_t* digest = point + gost::kPublicKeySize;
  const uint8_t* signature = digest + gost::kDigestSize;

  const bool validPoint = gost::IsValidPublicKey(curve, point);
  const bool verified = gost::Verify(curve, point, digest, signature);
  static const uint8_t kPrivateKey[gost::kPrivateKeySize] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  uint8_t shared[gost::kSharedXSize];
  const bool agreed = gost::ComputeSharedX(curve, kPrivateKey, point, shared);
  if (agreed != validPoint) std::abort();
  if (!validPoint) {
    if (verified) std::abort();
    return 0;
  }
  const char* name = cryptoPro ? "GOST2001-CryptoPro-A" : "GOST2001-test";
  if (verified != GcryptVerify(name, point, digest, signature)) std::abort();
  return 0;
}
