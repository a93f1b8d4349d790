// Decoy characters: what key captions and masked fields show instead of the real text, so that
// reading the windows of a form tells nothing about what is typed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvavk {

// The library's one pseudo-random generator: 32-bit linear congruential, state := state ×
// 134775813 + 1. It only picks decoys, which carry no secret, so speed and a small state
// matter more than unpredictability.
class TLcgRandom {
 public:
  explicit TLcgRandom(uint32_t seed) noexcept : state_(seed) {}

  // A value in [0, n): the high 32 bits of n × the next state.
  uint32_t Next(uint32_t n) noexcept {
    state_ = state_ * 134775813u + 1u;
    return static_cast<uint32_t>((uint64_t{n} * state_) >> 32);
  }

 private:
  uint32_t state_;
};

// The generator of this library, seeded once from the system's random source when the library
// is loaded.
TLcgRandom& LibraryRandom();

// `length` characters, each drawn independently from the decoy alphabet.
std::wstring DecoyString(size_t length, TLcgRandom& random = LibraryRandom());

// A decoy of the same length as `real` that differs from it at every position, so that a key
// caption never shows the character the key enters.
std::wstring DecoyFor(std::wstring_view real, TLcgRandom& random = LibraryRandom());

}  // namespace orvavk
