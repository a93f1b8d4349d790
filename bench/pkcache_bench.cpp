// The public-key cache's index: filling it and looking a UID up, for a small and a large
// directory. A lookup must cost the same whatever the number of correspondents.
#include "pkcache.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<sigcore::TCCom3x_CashNode> Nodes(int64_t count) {
  std::vector<sigcore::TCCom3x_CashNode> nodes(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    nodes[i].uid = "Correspondent-" + std::to_string(i);
    nodes[i].ownerText = "CN=Correspondent " + std::to_string(i) + "\r\nO=Some Bank\r\nC=RU";
    nodes[i].publicKeyLength = 65;
    nodes[i].signatureLength = 64;
  }
  return nodes;
}

void PublicKeyCacheFill(benchmark::State& state) {
  const auto nodes = Nodes(state.range(0));
  for (auto _ : state) {
    sigcore::PublicKeyCache cache;
    for (const auto& node : nodes) cache.Add(node);
    benchmark::DoNotOptimize(cache);
  }
}

void PublicKeyCacheLookup(benchmark::State& state) {
  const int64_t count = state.range(0);
  sigcore::PublicKeyCache cache;
  for (const auto& node : Nodes(count)) cache.Add(node);
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
