// Base64 (RFC 4648 standard alphabet, padded) over plain memory blocks.
//
// The codec never reports errors: a bad argument, an undecodable text or an exhausted
// allocator all give the empty result, a null block with length 0. Result blocks are allocated
// by the codec and must be released with Base64Free (or owned by a Base64Block).
#pragma once

#include <cstdint>
#include <memory>

namespace kit {

// Writes 4 * ceil(length / 3) characters: alphabet and "=", no line breaks, no NUL.
void Base64Encode(const void* data, int32_t length, char** text, int32_t* textLength);

// Decodes a text whose whole length (skipped characters included) is a multiple of 4. Reading
// stops at the first "="; bytes outside the alphabet are skipped; a final lone character
// yields nothing. The result holds exactly the decoded bytes.
void Base64Decode(const char* text, int32_t length, uint8_t** data, int32_t* dataLength);

void Base64Free(void* block) noexcept;

struct Base64Release {
  void operator()(void* block) const noexcept { Base64Free(block); }
};

template <class T>
using Base64Block = std::unique_ptr<T[], Base64Release>;

}  // namespace kit
