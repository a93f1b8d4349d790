#include "mimecode.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<uint8_t> Data(size_t n) {
  std::vector<uint8_t> data(n);
  for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(i * 131 + 7);
  return data;
}

void Base64EncodeSpeed(benchmark::State& state) {
  const auto data = Data(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    char* text;
    int32_t length;
    kit::Base64Encode(data.data(), static_cast<int32_t>(data.size()), &text, &length);
    kit::Base64Block<char> owned(text);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void Base64DecodeSpeed(benchmark::State& state) {
  const auto data = Data(static_cast<size_t>(state.range(0)));
  char* text;
  int32_t length;
  kit::Base64Encode(data.data(), static_cast<int32_t>(data.size()), &text, &length);
  kit::Base64Block<char> ownedText(text);
  for (auto _ : state) {
    uint8_t* decoded;
    int32_t decodedLength;
    kit::Base64Decode(text, length, &decoded, &decodedLength);
    kit::Base64Block<uint8_t> owned(decoded);
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
}

}  // namespace

BENCHMARK(Base64EncodeSpeed)->Arg(1404)->Arg(1 << 20);
BENCHMARK(Base64DecodeSpeed)->Arg(1404)->Arg(1 << 20);
