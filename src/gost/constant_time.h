// Branch-free helpers for code that handles secrets: a condition becomes a mask (all ones or
// all zeros) and is applied with bitwise operations, so neither the instruction stream nor the
// memory addresses depend on the secret.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(GOST_CT_VALIDATION)
#include <valgrind/memcheck.h>
#endif

namespace gost {

// Hides a value from the optimiser so that it cannot prove a mask is 0 or ~0 and turn the
// masked selection back into a branch.
constexpr uint64_t ValueBarrier(uint64_t value) {
  if (!std::is_constant_evaluated()) __asm__("" : "+r"(value));
  return value;
}

// 1 -> all ones, 0 -> all zeros.
constexpr uint64_t MaskFromBit(uint64_t bit) { return ValueBarrier(0 - bit); }

constexpr uint64_t IsZeroMask(uint64_t value) {
  return MaskFromBit((~value & (value - 1)) >> 63);
}

constexpr uint64_t EqualMask(uint64_t a, uint64_t b) { return IsZeroMask(a ^ b); }

constexpr uint64_t SelectWord(uint64_t mask, uint64_t ifSet, uint64_t ifClear) {
  return (ifSet & mask) | (ifClear & ~mask);
}

// Marks a value derived from secrets as public once it is published anyway (a signature's r,
// whether a reduced scalar is zero). Under the constant-time check the secrets are poisoned
// for valgrind; this tells it which results may legitimately steer control flow.
inline void Declassify([[maybe_unused]] const void* data, [[maybe_unused]] size_t size) {
#if defined(GOST_CT_VALIDATION)
  VALGRIND_MAKE_MEM_DEFINED(data, size);
#endif
}

// Turns a secret-derived mask into a public condition (see Declassify).
inline bool DeclassifyMask(uint64_t mask) {
  Declassify(&mask, sizeof mask);
  return mask != 0;
}

}  // namespace gost
