// GOST 28147-89 and GOST R 34.11-94, ours, on 64 KiB buffers with the CryptoPro parameter
// sets. Natively the same executable also measures libgcrypt's (gost_symmetric_gcrypt_bench.cpp);
// bench/report.py pairs "<Primitive>/ours" with "<Primitive>/gcrypt" and prints the ratios.
#include <benchmark/benchmark.h>

#include "gost28147.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gost_bench_inputs.h"
#include "gostr3411_94.h"

namespace {

using namespace gost_bench;

void Hash3411CP_ours(benchmark::State& state) {
  const auto data = Buffer();
  uint8_t digest[32];
  for (auto _ : state) {
    gost::Hash(gost::HashParams::CryptoPro, data.data(), data.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  Bytes(state);
}

void Ecb_ours(benchmark::State& state) {
  auto data = Buffer();
  const gost::Gost28147 cipher(gost::SBoxSet::CryptoProA, kKey.data());
  for (auto _ : state) {
    cipher.Encrypt(data.data(), data.data(), data.size() / 8);
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void CfbEncrypt_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
        .Encrypt(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void CfbDecrypt_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
        .Decrypt(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void CfbMeshEncrypt_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv,
                       gost::Gost28147Cfb::Meshing::CryptoPro)
        .Encrypt(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void Gamma_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Gamma(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
        .Apply(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void Mac_ours(benchmark::State& state) {
  const auto data = Buffer();
  uint8_t mac[4];
  for (auto _ : state) {
    gost::Gost28147Mac imit(gost::SBoxSet::CryptoProA, kKey.data());
    imit.Update(data.data(), data.size());
    imit.Final(mac);
    benchmark::DoNotOptimize(mac);
  }
  Bytes(state);
}

BENCHMARK(Hash3411CP_ours)->Name("Hash3411CP/ours");
BENCHMARK(Ecb_ours)->Name("Ecb/ours");
BENCHMARK(CfbEncrypt_ours)->Name("CfbEncrypt/ours");
BENCHMARK(CfbDecrypt_ours)->Name("CfbDecrypt/ours");
BENCHMARK(CfbMeshEncrypt_ours)->Name("CfbMeshEncrypt/ours");
BENCHMARK(Gamma_ours)->Name("Gamma/ours");
BENCHMARK(Mac_ours)->Name("Mac/ours");

}  // namespace
