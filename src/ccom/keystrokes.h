// A new generator state from keystrokes: the user is asked to type a series of characters one
// at a time, and the moment of every answer, read from the high-resolution clock, goes into the
// state together with fresh bytes of the operating system's generator.
//
// The characters are decimal digits: they sit on the same keys in every keyboard layout, so a
// user with a Russian layout active can answer without switching. A wrong character is asked
// for again (its timing still counts); too many wrong answers, a cancel (-1) or a vanished
// dialog (-2) abort with kRandInitFailed.
#pragma once

#include <cstdint>
#include <functional>

#include "random_generator.h"

namespace ccom {

inline constexpr int kKeystrokeCount = 16;
inline constexpr int kMaxWrongKeystrokes = 2 * kKeystrokeCount;

// Asks for keystroke `index` of `total` (from 1), naming the requested character's code;
// returns the code typed (0-255), -1 for a cancel, -2 when nothing can be typed.
using KeystrokeCallback = std::function<int(int requested, int index, int total)>;

// Writes 32 bytes of seed material.
void CollectKeystrokes(const KeystrokeCallback& ask, RandomGenerator::EntropySource entropy,
                       uint8_t seed[32]);

}  // namespace ccom
