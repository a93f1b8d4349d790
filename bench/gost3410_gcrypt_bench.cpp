// libgcrypt's GOST R 34.10-2001 on the CryptoPro-A curve, with the same keys and digests as ours.
#include <benchmark/benchmark.h>
#include <gcrypt.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "gcrypt_oracle.h"
#include "gost_bench_inputs.h"
#include "gostr3410_2001.h"

namespace {

using namespace gost_bench;

constexpr char kGcryptCurve[] = "GOST2001-CryptoPro-A";

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

BENCHMARK(Sign_gcrypt)->Name("Sign/gcrypt");
BENCHMARK(Verify_gcrypt)->Name("Verify/gcrypt");
BENCHMARK(KeyGen_gcrypt)->Name("KeyGen/gcrypt");
BENCHMARK(KeyAgreement_gcrypt)->Name("KeyAgreement/gcrypt");

}  // namespace
