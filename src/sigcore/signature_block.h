// The signature block and the message it signs.
//
// A signature block is the signer's UID (1 to 254 characters) and its NUL, then the 64-byte
// signature value: UID length + 65 bytes in all. What is signed is the signer's UID, its NUL and
// then the data, so a signature cannot be passed off as another signer's. Blocks arrive from
// outside, so reading one trusts nothing in it.
#pragma once

#include <cstdint>
#include <string>

namespace sigcore {

inline constexpr size_t kMaxUidLength = 254;
inline constexpr int32_t kSignatureValueSize = 64;

struct SignatureBlockView {
  std::string uid;
  const uint8_t* signature = nullptr;  // 64 bytes inside the block
};

// 0, or -12 when the block is null, its UID is empty or longer than 254 characters (or has no
// NUL within the block), or its length is not UID length + 65.
int32_t ReadSignatureBlock(const uint8_t* block, int32_t length, SignatureBlockView& view);

// The block's length for a UID: its length + 65.
int32_t SignatureBlockSize(const std::string& uid);

}  // namespace sigcore
