// Reads arbitrary bytes as a signature block, the way verification does before any key is
// looked up. What is accepted must be a UID of 1 to 254 characters without a NUL, its NUL and
// exactly 64 bytes; everything else must be refused.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "signature_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size > 1024) return 0;
  const std::vector<uint8_t> data(input, input + size);
  sigcore::SignatureBlockView view;
  const int32_t result =
      sigcore::ReadSignatureBlock(data.data(), static_cast<int32_t>(size), view);

  // The rule stated once more, plainly: the first NUL ends the UID.
  const auto* nul =
      size > 0 ? static_cast<const uint8_t*>(std::memchr(data.data(), 0, size)) : nullptr;
  const size_t uidLength = nul != nullptr ? static_cast<size_t>(nul - data.data()) : size;
  const bool wellFormed = nul != nullptr && uidLength >= 1 && uidLength <= 254 &&
                          size == uidLength + 65;
  if ((result == 0) != wellFormed) std::abort();
  if (result != 0 && result != -12) std::abort();
  if (result == 0 && (view.uid.size() != uidLength || view.signature != data.data() + uidLength + 1 ||
                      std::memcmp(view.uid.data(), data.data(), uidLength) != 0))
    std::abort();
  return 0;
}
