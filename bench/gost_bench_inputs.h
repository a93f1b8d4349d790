// The inputs that our benchmarks and libgcrypt's share, so both measure the same work.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gostr3410_2001.h"

namespace gost_bench {

constexpr size_t kSize = 64 * 1024;

inline std::vector<uint8_t> Buffer(uint8_t seed = 7) {
  std::vector<uint8_t> data(kSize);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + seed);
  return data;
}

inline const std::vector<uint8_t> kKey = [] {
  auto key = Buffer(1);
  key.resize(32);
  return key;
}();
inline const uint8_t kIv[8] = {1, 2, 3, 4, 5, 6, 7, 8};

inline void Bytes(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

constexpr auto kCurve = gost::CurveParams::CryptoProA;

template <size_t N>
std::array<uint8_t, N> Pattern(uint8_t seed) {
  std::array<uint8_t, N> out;
  for (size_t i = 0; i < N; ++i) out[i] = static_cast<uint8_t>(seed + i * 151 + (i >> 3) * 7);
  return out;
}

struct KeyPair {
  std::array<uint8_t, gost::kPrivateKeySize> privateKey;
  std::array<uint8_t, gost::kPublicKeySize> publicKey;
};

inline KeyPair MakeKeyPair(uint8_t seed) {
  KeyPair pair;
  const auto random = Pattern<gost::kKeyGenerationRandomSize>(seed);
  if (!gost::GenerateKeyPair(kCurve, random.data(), pair.privateKey.data(),
                             pair.publicKey.data()))
    std::abort();
  return pair;
}

inline std::array<uint8_t, gost::kDigestSize> MakeDigest(uint8_t seed) {
  return Pattern<gost::kDigestSize>(seed);
}

}  // namespace gost_bench
