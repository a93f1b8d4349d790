// GOST R 34.10-2001 on the CryptoPro-A curve: ours against libgcrypt's, same keys and digests.
// Pairs are named "<Primitive>/ours" and "<Primitive>/gcrypt"; bench/report.py prints the
// ratios.
#include <benchmark/benchmark.h>
#include <gcrypt.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "gostr3410_2001.h"

namespace {

constexpr auto kCurve = gost::CurveParams::CryptoProA;
constexpr char kGcryptCurve[] = "GOST2001-CryptoPro-A";

void InitGcrypt() {
  static const bool ready = [] {
    if (!gcry_check_version(GCRYPT_VERSION)) std::abort();
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)ready;
}

template <size_t N>
std::array<uint8_t, N> Pattern(uint8_t seed) {
  std::array<uint8_t, N> out;
  for (size_t i = 0; i < N; ++i) out[i] = static_cast<uint8_t>(seed + i * 151 + (i >> 3) * 7);
  return out;
}

struct KeyPair {
  std::array<uint8_t, gost::kPrivateKeySize> privateKey;
  std::array<uint8_t, gost::kPublicKeySize> publicKey;
};

KeyPair MakeKeyPair(uint8_t seed) {
  KeyPair pair;
  const auto random = Pattern<gost::kKeyGenerationRandomSize>(seed);
  if (!gost::GenerateKeyPair(kCurve, random.data(), pair.privateKey.data(),
                             pair.publicKey.data()))
    std::abort();
  return pair;
}

std::array<uint8_t, gost::kDigestSize> MakeDigest(uint8_t seed) {
  return Pattern<gost::kDigestSize>(seed);
}

gcry_sexp_t GcryptPrivateKey(const KeyPair& pair) {
  gcry_sexp_t key;
  if (gcry_sexp_build(&key, nullptr, "(private-key (ecc (curve %s) (q %b) (d %b)))", kGcryptCurve,
                      int(pair.publicKey.size()), pair.publicKey.data(),
                      int(pair.privateKey.size()), pair.privateKey.data()))
    std::abort();
  return key;
}

gcry_sexp_t GcryptPublicKey(const KeyPair& pair) {
  gcry_sexp_t key;
  if (gcry_sexp_build(&key, nullptr, "(public-key (ecc (curve %s) (q %b)))", kGcryptCurve,
                      int(pair.publicKey.size()), pair.publicKey.data()))
    std::abort();
  return key;
}

// libgcrypt reads the digest value big-endian; ours is little-endian.
gcry_sexp_t GcryptData(std::array<uint8_t, gost::kDigestSize> digest) {
  std::reverse(digest.begin(), digest.end());
  gcry_sexp_t data;
  if (gcry_sexp_build(&data, nullptr, "(data (flags gost) (value %b))", int(digest.size()),
                      digest.data()))
    std::abort();
  return data;
}

void Sign_ours(benchmark::State& state) {
  const KeyPair pair = MakeKeyPair(1);
  const auto digest = MakeDigest(2);
  auto random = Pattern<32>(3);
  uint8_t signature[gost::kSignatureSize];
  for (auto _ : state) {
    ++random[0];
    if (!gost::Sign(kCurve, pair.privateKey.data(), digest.data(), random.data(), random.size(),
                    signature))
      std::abort();
    benchmark::DoNotOptimize(signature);
  }
}

void Sign_gcrypt(benchmark::State& state) {
  InitGcrypt();
  const KeyPair pair = MakeKeyPair(1);
  gcry_sexp_t key = GcryptPrivateKey(pair);
  gcry_sexp_t data = GcryptData(MakeDigest(2));
  for (auto _ : state) {
    gcry_sexp_t signature;
    if (gcry_pk_sign(&signature, data, key)) std::abort();
    gcry_sexp_release(signature);
  }
  gcry_sexp_release(data);
  gcry_sexp_release(key);
}

void Verify_ours(benchmark::State& state) {
  const KeyPair pair = MakeKeyPair(1);
  const auto digest = MakeDigest(2);
  const auto random = Pattern<32>(3);
  uint8_t signature[gost::kSignatureSize];
  if (!gost::Sign(kCurve, pair.privateKey.data(), digest.data(), random.data(), random.size(),
                  signature))
    std::abort();
  for (auto _ : state) {
    if (!gost::Verify(kCurve, pair.publicKey.data(), digest.data(), signature)) std::abort();
  }
}

void Verify_gcrypt(benchmark::State& state) {
  InitGcrypt();
  const KeyPair pair = MakeKeyPair(1);
  gcry_sexp_t privateKey = GcryptPrivateKey(pair);
  gcry_sexp_t publicKey = GcryptPublicKey(pair);
  gcry_sexp_t data = GcryptData(MakeDigest(2));
  gcry_sexp_t signature;
  if (gcry_pk_sign(&signature, data, privateKey)) std::abort();
  for (auto _ : state) {
    if (gcry_pk_verify(signature, data, publicKey)) std::abort();
  }
  gcry_sexp_release(signature);
  gcry_sexp_release(data);
  gcry_sexp_release(publicKey);
  gcry_sexp_release(privateKey);
}

void KeyGen_ours(benchmark::State& state) {
  auto random = Pattern<gost::kKeyGenerationRandomSize>(4);
  uint8_t privateKey[gost::kPrivateKeySize];
  uint8_t publicKey[gost::kPublicKeySize];
  for (auto _ : state) {
    ++random[0];
    if (!gost::GenerateKeyPair(kCurve, random.data(), privateKey, publicKey)) std::abort();
    benchmark::DoNotOptimize(publicKey);
  }
}

// The core of libgcrypt's key generation, Q = d*G with affine coordinates. (gcry_pk_genkey
// itself also draws strong randomness and runs a self-test: about 8 ms, not comparable.)
void KeyGen_gcrypt(benchmark::State& state) {
  InitGcrypt();
  auto random = Pattern<gost::kPrivateKeySize>(4);
  gcry_ctx_t context;
  if (gcry_mpi_ec_new(&context, nullptr, kGcryptCurve)) std::abort();
  gcry_mpi_point_t generator = gcry_mpi_ec_get_point("g", context, 1);
  gcry_mpi_point_t product = gcry_mpi_point_new(0);
  gcry_mpi_t x = gcry_mpi_new(0), y = gcry_mpi_new(0);
  for (auto _ : state) {
    ++random[31];
    gcry_mpi_t d;
    if (gcry_mpi_scan(&d, GCRYMPI_FMT_USG, random.data(), random.size(), nullptr)) std::abort();
    gcry_mpi_ec_mul(product, d, generator, context);
    if (gcry_mpi_ec_get_affine(x, y, product, context)) std::abort();
    gcry_mpi_release(d);
  }
  gcry_mpi_release(y);
  gcry_mpi_release(x);
  gcry_mpi_point_release(product);
  gcry_mpi_point_release(generator);
  gcry_ctx_release(context);
}

void KeyAgreement_ours(benchmark::State& state) {
  const KeyPair ours = MakeKeyPair(5);
  const KeyPair peer = MakeKeyPair(6);
  uint8_t shared[gost::kSharedXSize];
  for (auto _ : state) {
    if (!gost::ComputeSharedX(kCurve, ours.privateKey.data(), peer.publicKey.data(), shared))
      std::abort();
    benchmark::DoNotOptimize(shared);
  }
}

// d*Q through libgcrypt's point arithmetic, affine X extracted as ours is.
void KeyAgreement_gcrypt(benchmark::State& state) {
  InitGcrypt();
  const KeyPair ours = MakeKeyPair(5);
  const KeyPair peer = MakeKeyPair(6);
  gcry_ctx_t context;
  if (gcry_mpi_ec_new(&context, nullptr, kGcryptCurve)) std::abort();
  gcry_mpi_t encoded = gcry_mpi_set_opaque_copy(nullptr, peer.publicKey.data(), 65 * 8);
  gcry_mpi_t scalar;
  if (gcry_mpi_scan(&scalar, GCRYMPI_FMT_USG, ours.privateKey.data(), ours.privateKey.size(),
                    nullptr))
    std::abort();
  if (gcry_mpi_ec_set_mpi("q", encoded, context)) std::abort();
  gcry_mpi_point_t q = gcry_mpi_ec_get_point("q", context, 1);
  gcry_mpi_point_t product = gcry_mpi_point_new(0);
  gcry_mpi_t x = gcry_mpi_new(0);
  for (auto _ : state) {
    gcry_mpi_ec_mul(product, scalar, q, context);
    if (gcry_mpi_ec_get_affine(x, nullptr, product, context)) std::abort();
  }
  gcry_mpi_release(x);
  gcry_mpi_point_release(product);
  gcry_mpi_point_release(q);
  gcry_mpi_release(scalar);
  gcry_mpi_release(encoded);
  gcry_ctx_release(context);
}

BENCHMARK(Sign_ours)->Name("Sign/ours");
BENCHMARK(Sign_gcrypt)->Name("Sign/gcrypt");
BENCHMARK(Verify_ours)->Name("Verify/ours");
BENCHMARK(Verify_gcrypt)->Name("Verify/gcrypt");
BENCHMARK(KeyGen_ours)->Name("KeyGen/ours");
BENCHMARK(KeyGen_gcrypt)->Name("KeyGen/gcrypt");
BENCHMARK(KeyAgreement_ours)->Name("KeyAgreement/ours");
BENCHMARK(KeyAgreement_gcrypt)->Name("KeyAgreement/gcrypt");

}  // namespace
