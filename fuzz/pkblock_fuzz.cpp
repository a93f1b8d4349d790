// Parses arbitrary bytes as a public-key block. What is accepted must be written back byte for
// byte (the total field aside, which the writer always computes for a full signature), and its
// report must fit the 2048-byte buffers the engine hands out.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pkblock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size > 4096) return 0;
  // A copy of exactly `size` bytes, so that the sanitizer sees any read past the block.
  std::vector<uint8_t> data(input, input + size);
  sigcore::TCCom3x_CashNode node;
  if (sigcore::ParsePublicKeyBlock(data.data(), static_cast<int32_t>(size), node) != 0) return 0;
  if (size > static_cast<size_t>(sigcore::kMaxPublicKeyBlockSize)) std::abort();
  if (node.uid.size() > sigcore::kMaxBlockUidLength ||
      node.ownerText.size() > sigcore::kMaxOwnerTextLength)
    std::abort();

  // "CR LF, UID, CR LF" with no owner line reads as an empty owner text, which is written back
  // with its line: the one shape that does not come back as it was.
  const uint32_t textLength = input[4] | input[5] << 8 | input[6] << 16 | uint32_t{input[7]} << 24;
  if (textLength == node.uid.size() + 4) {
    if (!node.ownerText.empty()) std::abort();
    return 0;
  }

  std::vector<uint8_t> out(sigcore::kMaxPublicKeyBlockSize);
  int32_t written = static_cast<int32_t>(out.size());
  if (sigcore::AppendBlockSignature(node, out.data(), written) != 0) std::abort();
  if (static_cast<size_t>(written) != size || std::memcmp(out.data() + 4, input + 4, size - 4) != 0)
    std::abort();
  if (node.signatureLength == sigcore::kBlockSignatureSize && std::memcmp(out.data(), input, 4) != 0)
    std::abort();

  if (sigcore::FormatKeyReport(node, false).size() > 2047) std::abort();
  return 0;
}
