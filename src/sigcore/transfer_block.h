// The transfer block: the 1404-byte payload of a public-key transfer. Its owner UID sits NUL-
// terminated in the first 256 bytes, the key data's length (32-bit little-endian) in the next
// four, the key data (a public-key block of at most 1143 bytes) after them, and zero filler up
// to the end. A transfer arrives from outside, so reading one checks every field.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sigcore {

inline constexpr int32_t kTransferBlockSize = 1404;
inline constexpr size_t kTransferOwnerSize = 256;
using TransferBlock = std::array<uint8_t, kTransferBlockSize>;

struct TransferContent {
  std::string owner;
  std::vector<uint8_t> keyData;
};

// The block for `owner` (cut to 255 characters) and the key data; -11 when the key data is
// null, empty or longer than a public-key block.
int32_t BuildTransferBlock(const std::string& owner, const uint8_t* keyData, int32_t length,
                           TransferBlock& block);

// 0, or -11 when the owner has no NUL in its field or the key data's length is not 1 to 1143.
int32_t ReadTransferBlock(const uint8_t* block, TransferContent& content);

}  // namespace sigcore
