// GOST R 34.10-2001 on the CryptoPro-A curve, ours. Natively the same executable also measures
// libgcrypt's with the same keys and digests (gost3410_gcrypt_bench.cpp); bench/report.py pairs
// "<Primitive>/ours" with "<Primitive>/gcrypt" and prints the ratios.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "gost_bench_inputs.h"
#include "gostr3410_2001.h"

namespace {

using namespace gost_bench;

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

BENCHMARK(Sign_ours)->Name("Sign/ours");
BENCHMARK(Verify_ours)->Name("Verify/ours");
BENCHMARK(KeyGen_ours)->Name("KeyGen/ours");
BENCHMARK(KeyAgreement_ours)->Name("KeyAgreement/ours");

}  // namespace
