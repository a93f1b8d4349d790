// Fixed-size 256-bit unsigned integers: four 64-bit limbs, least significant first. Every
// operation runs in time independent of the values. 64x64->128-bit products use unsigned
// __int128 where the compiler has it, and add-with-carry chains come from the x86-64
// intrinsics; elsewhere (32-bit MinGW, which ships to most hosts) the portable fallbacks below
// run, written with masks so that no carry or borrow becomes a comparison and a jump.
// GOST_PORTABLE_ARITHMETIC forces the fallbacks, so that a native build can check them.
// Limb loops here and in the modular arithmetic carry "#pragma GCC unroll": g++ -O2 leaves
// them rolled, which makes the field arithmetic several times slower.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__SIZEOF_INT128__) && !defined(GOST_PORTABLE_ARITHMETIC)
#define GOST_HAVE_INT128 1
#endif
#if defined(__x86_64__) && !defined(GOST_PORTABLE_ARITHMETIC)
#define GOST_HAVE_CARRY_INTRINSICS 1
#include <x86intrin.h>
#endif

#include "constant_time.h"

namespace gost {

struct U256 {
  uint64_t limb[4];
};

constexpr U256 U256FromWord(uint64_t value) { return U256{{value, 0, 0, 0}}; }

// Parses exactly 64 hex digits, most significant first; for constants.
consteval U256 U256FromHex(const char (&hex)[65]) {
  U256 result{};
  for (int i = 0; i < 64; ++i) {
    const char c = hex[i];
    const uint64_t digit = c >= '0' && c <= '9'   ? static_cast<uint64_t>(c - '0')
                           : c >= 'a' && c <= 'f' ? static_cast<uint64_t>(c - 'a' + 10)
                           : c >= 'A' && c <= 'F' ? static_cast<uint64_t>(c - 'A' + 10)
                                                  : throw "not a hex digit";
    const int bit = (63 - i) * 4;
    result.limb[bit / 64] |= digit << (bit % 64);
  }
  return result;
}

// a * b + c + d from four 32x32->64-bit products, low half returned, high half in *hi. The
// partial sums are ordered so that none exceeds 64 bits, (2^32 - 1)^2 + 2 * (2^32 - 1) being
// 2^64 - 1: no carry to detect, so nothing to branch on.
constexpr uint64_t MulAddAddPortable(uint64_t a, uint64_t b, uint64_t c, uint64_t d,
                                     uint64_t* hi) {
  const auto a0 = static_cast<uint32_t>(a), a1 = static_cast<uint32_t>(a >> 32);
  const auto b0 = static_cast<uint32_t>(b), b1 = static_cast<uint32_t>(b >> 32);
  constexpr uint64_t kLow = 0xffffffffu;
  const uint64_t t0 = uint64_t{a0} * b0 + (c & kLow) + (d & kLow);
  const uint64_t t1 = uint64_t{a1} * b0 + (c >> 32) + (t0 >> 32);
  const uint64_t t2 = uint64_t{a0} * b1 + (t1 & kLow) + (d >> 32);
  *hi = uint64_t{a1} * b1 + (t1 >> 32) + (t2 >> 32);
  return (t2 << 32) | (t0 & kLow);
}

// a + b + carry with carry in {0, 1}; the carry out replaces it. The carry out of the top bit
// is the majority of a, b and the carry into that bit, which is read back from the sum: the
// whole computation is additions and bit operations, with no comparison to turn into a jump.
constexpr uint64_t AddCarryPortable(uint64_t a, uint64_t b, uint64_t* carry) {
  const uint64_t out = a + b + *carry;
  *carry = ((a & b) | ((a ^ b) & ~out)) >> 63;
  return out;
}

// a - b - borrow with borrow in {0, 1}; the borrow out replaces it, found the same way.
constexpr uint64_t SubBorrowPortable(uint64_t a, uint64_t b, uint64_t* borrow) {
  const uint64_t out = a - b - *borrow;
  *borrow = ((~a & b) | (~(a ^ b) & out)) >> 63;
  return out;
}

// a * b + c + d never overflows 128 bits; low half returned, high half in *hi.
constexpr uint64_t MulAddAdd(uint64_t a, uint64_t b, uint64_t c, uint64_t d, uint64_t* hi) {
#if defined(GOST_HAVE_INT128)
  const unsigned __int128 t = static_cast<unsigned __int128>(a) * b + c + d;
  *hi = static_cast<uint64_t>(t >> 64);
  return static_cast<uint64_t>(t);
#else
  return MulAddAddPortable(a, b, c, d, hi);
#endif
}

// a + b + *carry with *carry in {0, 1}; the carry out replaces it. On x86-64 the intrinsics
// make the compilers emit add-with-carry chains; the portable form is their fallback.
constexpr uint64_t AddCarry(uint64_t a, uint64_t b, uint64_t* carry) {
#if defined(GOST_HAVE_CARRY_INTRINSICS)
  if (!std::is_constant_evaluated()) {
    unsigned long long out;
    *carry = _addcarry_u64(static_cast<unsigned char>(*carry), a, b, &out);
    return out;
  }
#endif
  return AddCarryPortable(a, b, carry);
}

// a - b - *borrow with *borrow in {0, 1}; the borrow out replaces it.
constexpr uint64_t SubBorrow(uint64_t a, uint64_t b, uint64_t* borrow) {
#if defined(GOST_HAVE_CARRY_INTRINSICS)
  if (!std::is_constant_evaluated()) {
    unsigned long long out;
    *borrow = _subborrow_u64(static_cast<unsigned char>(*borrow), a, b, &out);
    return out;
  }
#endif
  return SubBorrowPortable(a, b, borrow);
}

// a + b mod 2^256; the carry out (0 or 1) in *carry.
constexpr U256 Add(const U256& a, const U256& b, uint64_t* carry) {
  U256 r{};
  uint64_t c = 0;
  #pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) r.limb[i] = AddCarry(a.limb[i], b.limb[i], &c);
  *carry = c;
  return r;
}

// a - b mod 2^256; the borrow out (0 or 1) in *borrow.
constexpr U256 Sub(const U256& a, const U256& b, uint64_t* borrow) {
  U256 r{};
  uint64_t c = 0;
  #pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) r.limb[i] = SubBorrow(a.limb[i], b.limb[i], &c);
  *borrow = c;
  return r;
}

// The full 512-bit product a * b, least significant limb first.
[[gnu::always_inline]] constexpr void MulWide(const U256& a, const U256& b, uint64_t t[8]) {
  for (int i = 0; i < 8; ++i) t[i] = 0;
  #pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) {
    uint64_t carry = 0;
    #pragma GCC unroll 8
    for (int j = 0; j < 4; ++j) t[i + j] = MulAddAdd(a.limb[i], b.limb[j], t[i + j], carry, &carry);
    t[i + 4] = carry;
  }
}

constexpr U256 Select(uint64_t mask, const U256& ifSet, const U256& ifClear) {
  U256 r{};
  #pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) r.limb[i] = SelectWord(mask, ifSet.limb[i], ifClear.limb[i]);
  return r;
}

constexpr uint64_t IsZeroMask(const U256& a) {
  return IsZeroMask(a.limb[0] | a.limb[1] | a.limb[2] | a.limb[3]);
}

constexpr uint64_t EqualMask(const U256& a, const U256& b) {
  return IsZeroMask((a.limb[0] ^ b.limb[0]) | (a.limb[1] ^ b.limb[1]) |
                    (a.limb[2] ^ b.limb[2]) | (a.limb[3] ^ b.limb[3]));
}

constexpr uint64_t LessThanMask(const U256& a, const U256& b) {
  uint64_t borrow = 0;
  Sub(a, b, &borrow);
  return MaskFromBit(borrow);
}

// a mod m for a < 2m: one masked subtraction.
constexpr U256 ReduceOnce(const U256& a, const U256& m) {
  uint64_t borrow = 0;
  const U256 reduced = Sub(a, m, &borrow);
  return Select(MaskFromBit(borrow), a, reduced);
}

// Bits [offset, offset + width) with width < 64; offset + width may run past bit 255 (zeros).
// For public offsets: it branches on them.
constexpr uint64_t BitWindow(const U256& a, unsigned offset, unsigned width) {
  const unsigned index = offset / 64, shift = offset % 64;
  uint64_t bits = index < 4 ? a.limb[index] >> shift : 0;
  if (shift != 0 && index + 1 < 4) bits |= a.limb[index + 1] << (64 - shift);
  return bits & ((uint64_t{1} << width) - 1);
}

// Byte conversions. Each limb is assembled from its eight bytes with constant shifts: a shift
// by a variable amount is a short branch on 32-bit x86.
constexpr uint64_t Load64BigEndian(const uint8_t bytes[8]) {
  uint64_t v = 0;
  #pragma GCC unroll 8
  for (int j = 0; j < 8; ++j) v = v << 8 | bytes[j];
  return v;
}

constexpr void Store64BigEndian(uint64_t v, uint8_t bytes[8]) {
  #pragma GCC unroll 8
  for (int j = 7; j >= 0; --j, v >>= 8) bytes[j] = static_cast<uint8_t>(v);
}

constexpr U256 U256FromBigEndian(const uint8_t bytes[32]) {
  U256 r{};
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) r.limb[i] = Load64BigEndian(bytes + 8 * (3 - i));
  return r;
}

constexpr U256 U256FromLittleEndian(const uint8_t bytes[32]) {
  U256 r{};
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    uint8_t reversed[8];
    #pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) reversed[j] = bytes[8 * i + 7 - j];
    r.limb[i] = Load64BigEndian(reversed);
  }
  return r;
}

constexpr void U256ToBigEndian(const U256& a, uint8_t bytes[32]) {
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) Store64BigEndian(a.limb[i], bytes + 8 * (3 - i));
}

constexpr void U256ToLittleEndian(const U256& a, uint8_t bytes[32]) {
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    uint8_t reversed[8];
    Store64BigEndian(a.limb[i], reversed);
    #pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) bytes[8 * i + j] = reversed[7 - j];
  }
}

}  // namespace gost
