// GOST 28147-89 and GOST R 34.11-94, ours, on 64 KiB buffers with the CryptoPro parameter
// sets: the table classes as "<Primitive>/ours", the constant-time classes for key material as
// "<Primitive>/secret". Natively the same executable also measures libgcrypt's
// (gost_symmetric_gcrypt_bench.cpp); bench/report.py pairs "<Primitive>/ours" with
// "<Primitive>/gcrypt", prints the ratios, and shows the constant-time figure beside ours.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "gost28147.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gost_bench_inputs.h"
#include "gostr3411_94.h"

namespace {

using namespace gost_bench;

void Check(bool ok) {
  if (!ok) std::abort();
}

template <bool kSecret>
void Hash3411CP(benchmark::State& state) {
  const auto data = Buffer();
  uint8_t digest[32];
  const auto hash = kSecret ? gost::HashSecret : gost::Hash;
  for (auto _ : state) {
    Check(hash(gost::HashParams::CryptoPro, data.data(), data.size(), digest));
    benchmark::DoNotOptimize(digest);
  }
  Bytes(state);
}

template <class Cipher>
void Ecb(benchmark::State& state) {
  auto data = Buffer();
  const Cipher cipher(gost::SBoxSet::CryptoProA, kKey.data());
  for (auto _ : state) {
    Check(cipher.Encrypt(data.data(), data.data(), data.size() / 8));
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

template <class Cipher, bool kEncrypt, bool kMeshing = false>
void Cfb(benchmark::State& state) {
  auto data = Buffer();
  const auto meshing = kMeshing ? Cipher::Meshing::CryptoPro : Cipher::Meshing::None;
  for (auto _ : state) {
    Cipher cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv, meshing);
    Check(kEncrypt ? cfb.Encrypt(data.data(), data.data(), data.size())
                   : cfb.Decrypt(data.data(), data.data(), data.size()));
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

template <class Cipher>
void Gamma(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    Check(Cipher(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
              .Apply(data.data(), data.data(), data.size()));
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

template <class Cipher>
void Mac(benchmark::State& state) {
  const auto data = Buffer();
  uint8_t mac[4];
  for (auto _ : state) {
    Cipher imit(gost::SBoxSet::CryptoProA, kKey.data());
    Check(imit.Update(data.data(), data.size()) && imit.Final(mac));
    benchmark::DoNotOptimize(mac);
  }
  Bytes(state);
}

// Named instances: the benchmark macros take no template arguments with commas.
void HashOurs(benchmark::State& state) { Hash3411CP<false>(state); }
void HashSecret(benchmark::State& state) { Hash3411CP<true>(state); }
void EcbOurs(benchmark::State& state) { Ecb<gost::Gost28147>(state); }
void EcbSecret(benchmark::State& state) { Ecb<gost::Gost28147Secret>(state); }
void CfbEncryptOurs(benchmark::State& state) { Cfb<gost::Gost28147Cfb, true>(state); }
void CfbDecryptOurs(benchmark::State& state) { Cfb<gost::Gost28147Cfb, false>(state); }
void CfbMeshEncryptOurs(benchmark::State& state) { Cfb<gost::Gost28147Cfb, true, true>(state); }
void CfbEncryptSecret(benchmark::State& state) { Cfb<gost::Gost28147CfbSecret, true>(state); }
void CfbDecryptSecret(benchmark::State& state) { Cfb<gost::Gost28147CfbSecret, false>(state); }
void CfbMeshEncryptSecret(benchmark::State& state) {
  Cfb<gost::Gost28147CfbSecret, true, true>(state);
}
void GammaOurs(benchmark::State& state) { Gamma<gost::Gost28147Gamma>(state); }
void GammaSecret(benchmark::State& state) { Gamma<gost::Gost28147GammaSecret>(state); }
void MacOurs(benchmark::State& state) { Mac<gost::Gost28147Mac>(state); }
void MacSecret(benchmark::State& state) { Mac<gost::Gost28147MacSecret>(state); }

BENCHMARK(HashOurs)->Name("Hash3411CP/ours");
BENCHMARK(EcbOurs)->Name("Ecb/ours");
BENCHMARK(CfbEncryptOurs)->Name("CfbEncrypt/ours");
BENCHMARK(CfbDecryptOurs)->Name("CfbDecrypt/ours");
BENCHMARK(CfbMeshEncryptOurs)->Name("CfbMeshEncrypt/ours");
BENCHMARK(GammaOurs)->Name("Gamma/ours");
BENCHMARK(MacOurs)->Name("Mac/ours");

BENCHMARK(HashSecret)->Name("Hash3411CP/secret");
BENCHMARK(EcbSecret)->Name("Ecb/secret");
BENCHMARK(CfbEncryptSecret)->Name("CfbEncrypt/secret");
BENCHMARK(CfbDecryptSecret)->Name("CfbDecrypt/secret");
BENCHMARK(CfbMeshEncryptSecret)->Name("CfbMeshEncrypt/secret");
BENCHMARK(GammaSecret)->Name("Gamma/secret");
BENCHMARK(MacSecret)->Name("Mac/secret");

}  // namespace
