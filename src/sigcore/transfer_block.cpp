#include "transfer_block.h"

#include <algorithm>
#include <cstring>

#include "pkblock.h"
#include "sigcore_api.h"
#include "signed_buffer.h"

namespace sigcore {
namespace {

constexpr size_t kLengthOffset = kTransferOwnerSize;
constexpr size_t kDataOffset = kLengthOffset + 4;

}  // namespace

int32_t BuildTransferBlock(const std::string& owner, const uint8_t* keyData, int32_t length,
                           TransferBlock& block) {
  if (keyData == nullptr || length < 1 || length > kMaxPublicKeyBlockSize)
    return SIGCORE_BAD_ARGUMENT;
  block.fill(0);
  std::memcpy(block.data(), owner.data(), std::min(owner.size(), kTransferOwnerSize - 1));
  WriteSignedBufferTrailer(block.data() + kLengthOffset, length);
  std::memcpy(block.data() + kDataOffset, keyData, static_cast<size_t>(length));
  return SIGCORE_OK;
}

int32_t ReadTransferBlock(const uint8_t* block, TransferContent& content) {
  const void* nul = std::memchr(block, 0, kTransferOwnerSize);
  if (nul == nullptr) return SIGCORE_BAD_ARGUMENT;
  uint32_t length = 0;
  for (size_t i = 0; i < 4; ++i) length |= uint32_t{block[kLengthOffset + i]} << (8 * i);
  if (length < 1 || length > static_cast<uint32_t>(kMaxPublicKeyBlockSize))
    return SIGCORE_BAD_ARGUMENT;
  content.owner.assign(reinterpret_cast<const char*>(block),
                       static_cast<const uint8_t*>(nul) - block);
  content.keyData.assign(block + kDataOffset, block + kDataOffset + length);
  return SIGCORE_OK;
}

}  // namespace sigcore
