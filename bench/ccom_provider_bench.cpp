// The provider stand-in through its exported entry points, beside the GOST library's own
// figure for the same work in the same run: signing and verifying a 32-byte digest, and 1 MB in
// gamma (mode 1) and gamma with feedback (mode 2) under parameter set 31. bench/report.py pairs
// "<Operation>/provider" with "<Operation>/library"; the provider adds lookups, key unwrapping
// and its generator, not work, so the ratio should stay within 1.2.
#include <benchmark/benchmark.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ccm3x_entry_points.h"
#include "gost28147_modes.h"
#include "gost_bench_inputs.h"
#include "gostr3410_2001.h"

namespace {

using namespace gost_bench;

constexpr size_t kMegabyte = 1 << 20;

int CCM3X_CALL TypeRequested(int requested, int, int, void*) { return requested; }

// ccom.dll as built, loaded once, with one container and one key pair in a temporary folder.
struct Provider {
  Provider() {
    std::string path = std::string("Z:") + KIT_CCOM_DLL;
    for (char& c : path)
      if (c == '/') c = '\\';
    module = ::LoadLibraryA(path.c_str());
    if (module == nullptr) std::abort();
    api = ccm3x::BindEntryPoints(module, nullptr).api;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string place =
        std::string(temp) + "ccom-bench-" + std::to_string(::GetCurrentProcessId());
    ctx = api.PSE_CTX_new();
    int secretLength = 36, publicLength = 65;
    if (api.PSE_CTX_set_path(ctx, place.c_str(), -1) != 1 ||
        api.PSE_CTX_set_rand_callback(ctx, &TypeRequested) != 1 || api.PSE_CTX_generate(ctx) != 1 ||
        api.ECGOST_generate_key(api.PSE_CTX_get_pse(ctx), 11, secretKey, &secretLength, publicKey,
                                &publicLength) != 1)
      std::abort();
  }
  HMODULE module;
  ccm3x::EntryPoints api;
  PSE_CTX* ctx;
  unsigned char secretKey[36];
  unsigned char publicKey[65];
};

Provider& TheProvider() {
  static Provider provider;
  return provider;
}

// Made before any benchmark runs: loading the library and generating the container would
// otherwise fall into the first benchmark's calibration run and leave it too few iterations.
const Provider& kReadyProvider = TheProvider();

void Check(bool ok) {
  if (!ok) std::abort();
}

void SignLibrary(benchmark::State& state) {
  const KeyPair pair = MakeKeyPair(1);
  const auto digest = MakeDigest(2);
  auto random = Pattern<32>(3);
  uint8_t signature[64];
  for (auto _ : state) {
    ++random[0];
    Check(gost::Sign(kCurve, pair.privateKey.data(), digest.data(), random.data(), random.size(),
                     signature));
    benchmark::DoNotOptimize(signature);
  }
}

void SignProvider(benchmark::State& state) {
  Provider& p = TheProvider();
  PSE* pse = p.api.PSE_CTX_get_pse(p.ctx);
  const auto digest = MakeDigest(2);
  unsigned char signature[64];
  for (auto _ : state) {
    int length = 64;
    Check(p.api.ECGOST_sign_digest(pse, 11, p.secretKey, digest.data(), signature, &length) == 1);
    benchmark::DoNotOptimize(signature);
  }
}

void VerifyLibrary(benchmark::State& state) {
  const KeyPair pair = MakeKeyPair(1);
  const auto digest = MakeDigest(2);
  const auto random = Pattern<32>(3);
  uint8_t signature[64];
  Check(gost::Sign(kCurve, pair.privateKey.data(), digest.data(), random.data(), random.size(),
                   signature));
  for (auto _ : state) Check(gost::Verify(kCurve, pair.publicKey.data(), digest.data(), signature));
}

void VerifyProvider(benchmark::State& state) {
  Provider& p = TheProvider();
  const auto digest = MakeDigest(2);
  unsigned char signature[64];
  int length = 64;
  Check(p.api.ECGOST_sign_digest(p.api.PSE_CTX_get_pse(p.ctx), 11, p.secretKey, digest.data(),
                                 signature, &length) == 1);
  for (auto _ : state)
    Check(p.api.ECGOST_verify_digest(11, p.publicKey, digest.data(), signature, 64) == 1);
}

template <int kMode>
void EncryptLibrary(benchmark::State& state) {
  std::vector<uint8_t> data(kMegabyte, 7);
  for (auto _ : state) {
    if (kMode == 1)
      Check(gost::Gost28147Gamma(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
                .Apply(data.data(), data.data(), data.size()));
    else
      Check(gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
                .Encrypt(data.data(), data.data(), data.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kMegabyte));
}

template <int kMode>
void EncryptProvider(benchmark::State& state) {
  const auto& api = TheProvider().api;
  std::vector<uint8_t> data(kMegabyte, 7);
  for (auto _ : state) {
    GOSTE_CTX* ctx = api.GOSTE_new();
    Check(api.GOSTE_init(ctx, kMode, 1, kKey.data(), kIv, 31) == 1);
    Check(api.GOSTE_update(ctx, data.data(), data.data(), static_cast<int>(data.size())) ==
          static_cast<int>(data.size()));
    api.GOSTE_free(ctx);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kMegabyte));
}

void GammaLibrary(benchmark::State& state) { EncryptLibrary<1>(state); }
void GammaProvider(benchmark::State& state) { EncryptProvider<1>(state); }
void CfbLibrary(benchmark::State& state) { EncryptLibrary<2>(state); }
void CfbProvider(benchmark::State& state) { EncryptProvider<2>(state); }

BENCHMARK(SignLibrary)->Name("SignDigest/library");
BENCHMARK(SignProvider)->Name("SignDigest/provider");
BENCHMARK(VerifyLibrary)->Name("VerifyDigest/library");
BENCHMARK(VerifyProvider)->Name("VerifyDigest/provider");
BENCHMARK(GammaLibrary)->Name("Encrypt1MBMode1/library");
BENCHMARK(GammaProvider)->Name("Encrypt1MBMode1/provider");
BENCHMARK(CfbLibrary)->Name("Encrypt1MBMode2/library");
BENCHMARK(CfbProvider)->Name("Encrypt1MBMode2/provider");

}  // namespace
