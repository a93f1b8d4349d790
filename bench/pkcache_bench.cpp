// The public-key cache's index: filling it and looking a UID up, for a small and a large
// directory. A lookup must cost the same whatever the number of correspondents.
#include "pkcache.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<sigcore::TCCom3x_CashNode> MakeNodes(int64_t count) {
  std::vector<sigcore::TCCom3x_CashNode> nodes(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    nodes[i].uid = "Correspondent-" + std::to_string(i);
    nodes[i].ownerText = "CN=Correspondent " + std::to_string(i) + "\r\nO=Some Bank\r\nC=RU";
    nodes[i].publicKeyLength = 65;
    nodes[i].signatureLength = 64;
  }
  return nodes;
}

// The nodes and the filled caches of the sizes measured, made before the benchmarks run: the
// minimal runner of the Windows trees times a benchmark's whole body, setup included.
struct Directory {
  std::vector<sigcore::TCCom3x_CashNode> nodes;
  sigcore::PublicKeyCache cache;
};

const Directory& DirectoryOf(int64_t count) {
  static const auto directories = [] {
    std::map<int64_t, std::unique_ptr<Directory>> made;
    for (const int64_t size : {100, 10000}) {
      auto directory = std::make_unique<Directory>();
      directory->nodes = MakeNodes(size);
      for (const auto& node : directory->nodes) directory->cache.Add(node);
      made.emplace(size, std::move(directory));
    }
    return made;
  }();
  return *directories.at(count);
}
[[maybe_unused]] const Directory& madeAtStart = DirectoryOf(100);

void PublicKeyCacheFill(benchmark::State& state) {
  const auto& nodes = DirectoryOf(state.range(0)).nodes;
  for (auto _ : state) {
    sigcore::PublicKeyCache cache;
    for (const auto& node : nodes) cache.Add(node);
    benchmark::DoNotOptimize(cache);
  }
}

void PublicKeyCacheLookup(benchmark::State& state) {
  const int64_t count = state.range(0);
  const sigcore::PublicKeyCache& cache = DirectoryOf(count).cache;
  // Looked up in another letter case, as hosts do.
  std::vector<std::string> uids;
  for (int64_t i = 0; i < 64; ++i) uids.push_back("CORRESPONDENT-" + std::to_string(i * count / 64));
  size_t next = 0;
  for (auto _ : state) {
    auto found = cache.Find(uids[next++ % uids.size()]);
    benchmark::DoNotOptimize(found);
  }
}

}  // namespace

BENCHMARK(PublicKeyCacheFill)->Arg(10000);
BENCHMARK(PublicKeyCacheLookup)->Arg(100)->Arg(10000);
