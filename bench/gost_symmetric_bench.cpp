// GOST 28147-89 and GOST R 34.11-94: ours against libgcrypt's on the same 64 KiB buffers.
// Pairs are named "<Primitive>/ours" and "<Primitive>/gcrypt"; bench/report.py prints the
// ratios.
#include <benchmark/benchmark.h>
#include <gcrypt.h>

#include <cstdlib>
#include <vector>

#include "gostr3411_94.h"

namespace {

constexpr size_t kSize = 64 * 1024;

std::vector<uint8_t> Buffer() {
  std::vector<uint8_t> data(kSize);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + 7);
  return data;
}

void InitGcrypt() {
  static const bool ready = [] {
    if (!gcry_check_version(GCRYPT_VERSION)) std::abort();
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)ready;
}

void Hash3411CP_ours(benchmark::State& state) {
  const auto data = Buffer();
  uint8_t digest[32];
  for (auto _ : state) {
    gost::Hash(gost::HashParams::CryptoPro, data.data(), data.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
}

void Hash3411CP_gcrypt(benchmark::State& state) {
  InitGcrypt();
  const auto data = Buffer();
  gcry_md_hd_t md;
  if (gcry_md_open(&md, GCRY_MD_GOSTR3411_CP, 0)) std::abort();
  for (auto _ : state) {
    gcry_md_reset(md);
    gcry_md_write(md, data.data(), data.size());
    benchmark::DoNotOptimize(gcry_md_read(md, 0));
  }
  gcry_md_close(md);
  state.SetBytesProcessed(int64_t(state.iterations()) * kSize);
}

BENCHMARK(Hash3411CP_ours)->Name("Hash3411CP/ours");
BENCHMARK(Hash3411CP_gcrypt)->Name("Hash3411CP/gcrypt");

}  // namespace
