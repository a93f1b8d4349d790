// What the engine costs beside its cryptography: sigcore.dll through its exports, with its key
// session open and the signer's key cached, against the same work done with the GOST library
// directly in the same build. bench/report.py pairs "<Operation>/engine" with
// "<Operation>/direct": signing and verifying 1 KB within 1.2 times the hash and the signature
// alone, encrypting and decrypting 1 MB for one recipient at 80% of the cipher mode's speed.
#include <benchmark/benchmark.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ccm3x_entry_points.h"
#include "ccom_container.h"
#include "gost28147_modes.h"
#include "gost_bench_inputs.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "sigcore_host.h"

namespace {

using namespace gost_bench;

constexpr size_t kDocument = 1024;
constexpr size_t kMegabyte = 1 << 20;
constexpr const char* kUid = "Client7";

// A step that must not fail: the run stops with the line that failed.
#define Check(ok) CheckAt(ok, __LINE__)
void CheckAt(bool ok, int line) {
  if (ok) return;
  std::fprintf(stderr, "sigcore_engine_bench: the step at line %d failed\n", line);
  std::abort();
}

std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}

// The kit installed in a temporary folder beside the provider, one engine with its key pair.
struct Installation {
  Installation() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "sigcore-bench-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* built : {KIT_SIGCORE_DLL, KIT_CCOM_DLL, KIT_CCOMIO_DLL}) {
      const std::string source = WindowsPath(built);
      Check(::CopyFileA(source.c_str(), (folder + source.substr(source.rfind('\\'))).c_str(),
                        FALSE) != 0);
    }
    // The container first, as a person's keystrokes would make it.
    const HMODULE ccom = ::LoadLibraryA((folder + "\\ccom.dll").c_str());
    Check(ccom != nullptr);
    const std::string keys = folder + "\\keys";
    Check(sigcore_test::MakeProviderContainer(ccm3x::BindEntryPoints(ccom, nullptr).api, keys) == 0);

    library = std::make_unique<sigcore::SigcoreLibrary>(folder + "\\sigcore.dll");
    Check(library->Loaded());
    engine = std::make_unique<sigcore::SigcoreEngineHandle>(library->api);
    const std::pair<int, std::string> values[] = {
        {1, folder + "\\self.pub"}, {2, keys}, {4, folder + "\\abonents"}, {6, kUid},
        {9, kUid}, {18, folder + "\\self.pub"}, {19, keys}};
    ::CreateDirectoryA((folder + "\\abonents").c_str(), nullptr);
    for (const auto& [number, value] : values)
      Check(Api().SetCryptoParamValue(*engine, number, value.c_str()) == 0);
    Check(Api().GenerateNewSEK(*engine) == 0);
  }
  const sigcore::SigcoreLibrary::Exports& Api() const { return library->api; }

  std::string folder;
  std::unique_ptr<sigcore::SigcoreLibrary> library;
  std::unique_ptr<sigcore::SigcoreEngineHandle> engine;
};

Installation& TheInstallation() {
  static Installation installation;
  return installation;
}
// Made before any benchmark runs, so that no calibration run pays for it.
const Installation& kReady = TheInstallation();

std::vector<uint8_t> Document(size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 31 + 7);
  return data;
}

// The UID, its NUL and the document: what a signature covers.
std::vector<uint8_t> SignedMessage(const std::vector<uint8_t>& document) {
  const std::string uid = kUid;
  std::vector<uint8_t> message(uid.begin(), uid.end());
  message.push_back(0);
  message.insert(message.end(), document.begin(), document.end());
  return message;
}

void SignEngine(benchmark::State& state) {
  const Installation& kit = TheInstallation();
  const auto document = Document(kDocument);
  unsigned char signature[319];
  for (auto _ : state) {
    int length = sizeof signature;
    Check(kit.Api().SignData(*kit.engine, document.data(), static_cast<int>(document.size()),
                             signature, &length, nullptr) == 0);
    benchmark::DoNotOptimize(signature);
  }
}

void SignDirect(benchmark::State& state) {
  const KeyPair pair = MakeKeyPair(1);
  const auto message = SignedMessage(Document(kDocument));
  auto random = Pattern<32>(3);
  uint8_t digest[gost::kDigestSize];
  uint8_t signature[64];
  for (auto _ : state) {
    ++random[0];
    Check(gost::Hash(gost::HashParams::CryptoPro, message.data(), message.size(), digest));
    Check(gost::Sign(kCurve, pair.privateKey.data(), digest, random.data(), random.size(),
                     signature));
    benchmark::DoNotOptimize(signature);
  }
}

void VerifyEngine(benchmark::State& state) {
  const Installation& kit = TheInstallation();
  const auto document = Document(kDocument);
  unsigned char signature[319];
  int length = sizeof signature;
  Check(kit.Api().SignData(*kit.engine, document.data(), static_cast<int>(document.size()),
                           signature, &length, nullptr) == 0);
  char uid[255];
  for (auto _ : state)
    Check(kit.Api().VerifyData(*kit.engine, document.data(), static_cast<int>(document.size()),
                               signature, length, uid) == 0);
}

void VerifyDirect(benchmark::State& state) {
  const KeyPair pair = MakeKeyPair(1);
  const auto message = SignedMessage(Document(kDocument));
  const auto random = Pattern<32>(3);
  uint8_t digest[gost::kDigestSize];
  Check(gost::Hash(gost::HashParams::CryptoPro, message.data(), message.size(), digest));
  uint8_t signature[64];
  Check(gost::Sign(kCurve, pair.privateKey.data(), digest, random.data(), random.size(),
                   signature));
  for (auto _ : state) {
    Check(gost::Hash(gost::HashParams::CryptoPro, message.data(), message.size(), digest));
    Check(gost::Verify(kCurve, pair.publicKey.data(), digest, signature));
  }
}

// One recipient's encrypted buffer grows by at most 642 bytes.
constexpr size_t kGrowth = 642;

void EncodeEngine(benchmark::State& state) {
  const Installation& kit = TheInstallation();
  const auto document = Document(kMegabyte);
  std::vector<uint8_t> buffer(kMegabyte + kGrowth);
  for (auto _ : state) {
    std::memcpy(buffer.data(), document.data(), document.size());
    int length = static_cast<int>(kMegabyte);
    Check(kit.Api().EncodeData(*kit.engine, buffer.data(), &length, kUid) == 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kMegabyte));
}

void DecodeEngine(benchmark::State& state) {
  const Installation& kit = TheInstallation();
  std::vector<uint8_t> encrypted = Document(kMegabyte);
  encrypted.resize(kMegabyte + kGrowth);
  int encryptedLength = static_cast<int>(kMegabyte);
  Check(kit.Api().EncodeData(*kit.engine, encrypted.data(), &encryptedLength, kUid) == 0);
  std::vector<uint8_t> buffer(encrypted.size());
  for (auto _ : state) {
    std::memcpy(buffer.data(), encrypted.data(), static_cast<size_t>(encryptedLength));
    int length = encryptedLength;
    Check(kit.Api().DecodeData(*kit.engine, buffer.data(), &length, nullptr) == 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kMegabyte));
}

// The cipher mode alone ("GAMMA", the engine's default method), over the same megabyte.
void CipherDirect(benchmark::State& state) {
  const auto document = Document(kMegabyte);
  std::vector<uint8_t> buffer(kMegabyte);
  for (auto _ : state) {
    std::memcpy(buffer.data(), document.data(), document.size());
    Check(gost::Gost28147Gamma(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
              .Apply(buffer.data(), buffer.data(), buffer.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kMegabyte));
}

// The call frame alone: parameters read, the binding found in the process's cache, a size
// returned.
void FrameEngine(benchmark::State& state) {
  const Installation& kit = TheInstallation();
  for (auto _ : state) Check(kit.Api().GetMaxEncodeAddition(*kit.engine) == 29451);
}

BENCHMARK(FrameEngine)->Name("EngineFrame");
BENCHMARK(SignEngine)->Name("SignData1KB/engine");
BENCHMARK(SignDirect)->Name("SignData1KB/direct");
BENCHMARK(VerifyEngine)->Name("VerifyData1KB/engine");
BENCHMARK(VerifyDirect)->Name("VerifyData1KB/direct");
BENCHMARK(EncodeEngine)->Name("EncodeData1MB/engine");
BENCHMARK(CipherDirect)->Name("EncodeData1MB/direct");
BENCHMARK(DecodeEngine)->Name("DecodeData1MB/engine");
BENCHMARK(CipherDirect)->Name("DecodeData1MB/direct");

}  // namespace
