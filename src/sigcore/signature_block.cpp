#include "signature_block.h"

#include <cstring>

#include "sigcore_api.h"

namespace sigcore {

int32_t ReadSignatureBlock(const uint8_t* block, int32_t length, SignatureBlockView& view) {
  if (block == nullptr || length < 1) return SIGCORE_BAD_SIGNATURE_FORMAT;
  // The UID's NUL is looked for only where a well-formed block can hold it.
  const size_t scanned = std::min(static_cast<size_t>(length), kMaxUidLength + 1);
  const auto* nul = static_cast<const uint8_t*>(std::memchr(block, 0, scanned));
  if (nul == nullptr || nul == block) return SIGCORE_BAD_SIGNATURE_FORMAT;
  const auto uidLength = static_cast<size_t>(nul - block);
  if (static_cast<size_t>(length) != uidLength + 1 + kSignatureValueSize)
    return SIGCORE_BAD_SIGNATURE_FORMAT;
  view.uid.assign(reinterpret_cast<const char*>(block), uidLength);
  view.signature = nul + 1;
  return SIGCORE_OK;
}

int32_t SignatureBlockSize(const std::string& uid) {
  return static_cast<int32_t>(uid.size()) + 1 + kSignatureValueSize;
}

}  // namespace sigcore
