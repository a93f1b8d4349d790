#include "mimecode.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace kit {
namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int8_t kNotInAlphabet = -1;

constexpr std::array<int8_t, 256> MakeDecodeTable() {
  std::array<int8_t, 256> table{};
  for (auto& v : table) v = kNotInAlphabet;
  for (int i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
  return table;
}

constexpr std::array<int8_t, 256> kDecode = MakeDecodeTable();

// Decoded blocks carry transfers and keys: a scratch block is overwritten before it goes back
// to the allocator. The barrier keeps the compiler from dropping the stores as dead.
void WipeAndFree(void* block, size_t size) {
  if (block == nullptr) return;
  std::memset(block, 0, size);
  __asm__ __volatile__("" : : "r"(block) : "memory");
  std::free(block);
}

}  // namespace

void Base64Encode(const void* data, int32_t length, char** text, int32_t* textLength) {
  *text = nullptr;
  *textLength = 0;
  if (data == nullptr || length < 1) return;

  // Lengths whose encoding would not fit the signed 32-bit result length are refused rather
  // than wrapped around.
  const int64_t size = 4 * ((static_cast<int64_t>(length) + 2) / 3);
  if (size > INT32_MAX) return;

  auto* out = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
  if (out == nullptr) return;

  const auto* in = static_cast<const uint8_t*>(data);
  char* w = out;
  int32_t i = 0;
  for (; length - i >= 3; i += 3) {
    const uint32_t group = uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8 | in[i + 2];
    *w++ = kAlphabet[group >> 18];
    *w++ = kAlphabet[(group >> 12) & 63];
    *w++ = kAlphabet[(group >> 6) & 63];
    *w++ = kAlphabet[group & 63];
  }
  if (const int32_t rest = length - i; rest > 0) {
    uint32_t group = uint32_t{in[i]} << 16;
    if (rest == 2) group |= uint32_t{in[i + 1]} << 8;
    *w++ = kAlphabet[group >> 18];
    *w++ = kAlphabet[(group >> 12) & 63];
    *w++ = rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    *w++ = '=';
  }

  *text = out;
  *textLength = static_cast<int32_t>(size);
}

void Base64Decode(const char* text, int32_t length, uint8_t** data, int32_t* dataLength) {
  *data = nullptr;
  *dataLength = 0;
  if (text == nullptr || length <= 0 || length % 4 != 0) return;

  // Every alphabet character gives six bits, so the result never exceeds this capacity.
  const int32_t capacity = length / 4 * 3;
  auto* out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity)));
  if (out == nullptr) return;

  uint32_t bits = 0;
  int heldBits = 0;
  int32_t n = 0;
  for (int32_t i = 0; i < length; ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c == '=') break;
    const int8_t value = kDecode[c];
    if (value == kNotInAlphabet) continue;
    if (heldBits == 24) {
      out[n++] = static_cast<uint8_t>(bits >> 16);
      out[n++] = static_cast<uint8_t>(bits >> 8);
      out[n++] = static_cast<uint8_t>(bits);
      bits = 0;
      heldBits = 0;
    }
    bits = bits << 6 | static_cast<uint32_t>(value);
    heldBits += 6;
  }
  // Left-over bits that do not make a whole byte are dropped unchecked.
  bits >>= heldBits % 8;
  for (int k = heldBits / 8 - 1; k >= 0; --k) out[n++] = static_cast<uint8_t>(bits >> (8 * k));

  if (n == 0) {
    std::free(out);
    return;
  }
  if (n < capacity) {
    auto* exact = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(n)));
    if (exact == nullptr) {
      WipeAndFree(out, static_cast<size_t>(n));
      return;
    }
    std::memcpy(exact, out, static_cast<size_t>(n));
    WipeAndFree(out, static_cast<size_t>(n));
    out = exact;
  }
  *data = out;
  *dataLength = n;
}

void Base64Free(void* block) noexcept { std::free(block); }

}  // namespace kit
