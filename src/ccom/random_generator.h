// The provider's random generator. Its state is seeded from a key container's generator state
// (itself made from keystroke timings, keystrokes.h) and every request mixes in fresh bytes of
// the operating system's generator, so the output stays unpredictable if either source is
// weak. Each request also replaces the state with output the caller never sees, so a state
// read later does not reveal earlier output.
//
//   K      = state xor os(32)
//   stream = gamma of GOST 28147-89 under K, the request counter as start value
//   state  = stream[0..32), output = stream[32..)
//   seeding: state = H(state || seed || os(32))
//
// K is unknown while either the state or the system's bytes are. H is GOST R 34.11-94 (CryptoPro
// parameters) and the cipher the CryptoPro-A set, both through the constant-time classes; a
// request costs one key schedule and a block per 8 bytes, so signing pays little for it. Safe
// to share between threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "secret.h"

namespace ccom {

class RandomGenerator {
 public:
  using EntropySource = void (*)(uint8_t* out, size_t size);

  explicit RandomGenerator(EntropySource entropy) noexcept : entropy_(entropy) {}

  void Seed(const uint8_t* seed, size_t size);
  bool Seeded() const;
  // Throws ProviderError(kRandNotInitialised) until seeded.
  void Generate(uint8_t* out, size_t size);
  // Forgets the state: the generator must be seeded again.
  void Close() noexcept;

 private:
  EntropySource entropy_;
  mutable std::mutex lock_;
  SecretArray<32> state_;
  bool seeded_ = false;
  uint64_t counter_ = 0;
};

// The process's generator, over the operating system's entropy.
RandomGenerator& ProcessRandom();

}  // namespace ccom
