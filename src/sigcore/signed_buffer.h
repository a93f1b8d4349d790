// The signed buffer: the data, the signature block of the data, and the data's length as a
// 32-bit little-endian integer. It travels on its own and inside every transfer, so its
// trailer comes from outside: reading it trusts nothing and computes no sum that can overflow.
#pragma once

#include <cstdint>

namespace sigcore {

inline constexpr int32_t kSignedBufferTrailerSize = 4;

// Writes the data length at `at` (4 bytes, little-endian).
void WriteSignedBufferTrailer(uint8_t* at, int32_t dataLength);

// The data length a signed buffer of `length` bytes announces: 0 with `dataLength` set, or -12
// when the buffer cannot hold a trailer, or the announced length is not positive or leaves no
// byte for a signature block before the trailer.
int32_t ReadSignedBufferTrailer(const uint8_t* buffer, int32_t length, int32_t& dataLength);

}  // namespace sigcore
