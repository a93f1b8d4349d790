// Loading a binding's public-key cache from an abonents directory of 10,000 key files, as the
// first operation of a session does, and looking keys up in it.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ce_ccm3x.h"
#include "fileutil.h"

namespace {

constexpr int kKeys = 10000;

std::vector<uint8_t> BlockOf(const std::string& uid) {
  sigcore::TCCom3x_CashNode node;
  node.uid = uid;
  node.ownerText = "CN=" + uid + "\r\nO=Some Bank\r\nC=RU";
  node.publicKeyLength = 65;
  node.publicKey.fill(4);
  node.signatureLength = 64;
  std::vector<uint8_t> block(sigcore::kMaxPublicKeyBlockSize);
  int32_t size = static_cast<int32_t>(block.size());
  sigcore::AppendBlockSignature(node, block.data(), size);
  block.resize(static_cast<size_t>(size));
  return block;
}

// The folder of the directory, removed when the benchmark program ends.
struct TemporaryFolder {
  std::string path;
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

// The directory, made once: the own key and 10,000 correspondents' keys in 100 subfolders.
const sigcore::TCCom3x_UserParam& Directory() {
  static TemporaryFolder temporary;
  static const sigcore::TCCom3x_UserParam params = [] {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    sigcore::TCCom3x_UserParam p;
    temporary.path = std::string(temp) + "kit-bench-abonents-" +
                  std::to_string(::GetCurrentProcessId());
    const std::string root = temporary.path + "\\";
    p.userPublicKeyPath = root + "self.pub";
    p.abonentsDir = root + "ABONENTS\\";
    p.secretKeyDir = root + "SECRET\\";
    p.keyDevice = "DISK";
    kit::CreateDirectoryPath(p.abonentsDir);
    const auto own = BlockOf("OWN");
    kit::WriteBufferToFile(p.userPublicKeyPath, own.data(), static_cast<int32_t>(own.size()));
    for (int i = 0; i < kKeys; ++i) {
      const std::string folder = p.abonentsDir + "D" + std::to_string(i % 100) + "\\";
      if (i < 100) kit::CreateDirectoryPath(folder);
      const auto block = BlockOf("Correspondent-" + std::to_string(i));
      kit::WriteBufferToFile(folder + "k" + std::to_string(i) + ".pub", block.data(),
                             static_cast<int32_t>(block.size()));
    }
    return p;
  }();
  return params;
}

void PublicKeyCacheLoad(benchmark::State& state) {
  const auto& params = Directory();
  sigcore::TCCom3x_DLL binding;
  for (auto _ : state) {
    std::lock_guard cache(binding.Cache().Lock());
    if (binding.LoadPublicKeyCache(params) != 0 || binding.Cache().Size() != kKeys + 1)
      std::abort();
  }
}

// What reading the same files costs without the kit: the floor the load stands on.
void ReadEveryKeyFile(benchmark::State& state) {
  const auto& params = Directory();
  std::vector<std::string> files;
  kit::FindFilesByEnding(params.abonentsDir, "pub", files, true);
  std::vector<uint8_t> buffer(sigcore::kMaxPublicKeyBlockSize);
  for (auto _ : state) {
    for (const std::string& file : files) {
      int32_t size = static_cast<int32_t>(buffer.size());
      if (!kit::ReadFileToBuffer(file, buffer.data(), size)) std::abort();
    }
  }
}

// A binding whose cache holds the directory, loaded before the benchmarks run: the minimal
// runner times a benchmark's whole body, setup included.
sigcore::TCCom3x_DLL& LoadedBinding() {
  static sigcore::TCCom3x_DLL binding;
  static const bool loaded = [] {
    sigcore::TCCom3x_CashNode node;
    return binding.FindNodeByUID(Directory(), "OWN", false, node) == 0;
  }();
  if (!loaded) std::abort();
  return binding;
}
[[maybe_unused]] sigcore::TCCom3x_DLL& loadedAtStart = LoadedBinding();

void PublicKeyCacheFindByUid(benchmark::State& state) {
  const auto& params = Directory();
  sigcore::TCCom3x_DLL& binding = LoadedBinding();
  sigcore::TCCom3x_CashNode node;
  std::vector<std::string> uids;
  for (int i = 0; i < 64; ++i) uids.push_back("CORRESPONDENT-" + std::to_string(i * 157));
  size_t next = 0;
  for (auto _ : state) {
    if (binding.FindNodeByUID(params, uids[next++ % uids.size()], false, node) != 0) std::abort();
  }
}

}  // namespace

BENCHMARK(ReadEveryKeyFile)->Arg(kKeys);
BENCHMARK(PublicKeyCacheLoad)->Arg(kKeys);
BENCHMARK(PublicKeyCacheFindByUid)->Arg(kKeys);
