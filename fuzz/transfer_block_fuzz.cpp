// Reads arbitrary bytes the way a transfer is read once its Base64 is decoded: the signed
// buffer's trailer first, then, for a buffer whose data is a transfer block, the block. What
// is accepted must keep every length inside the buffer; the key data read must be the bytes
// the length announces.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "signed_buffer.h"
#include "transfer_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size > 4096) return 0;
  const std::vector<uint8_t> data(input, input + size);
  int32_t dataLength = -1;
  const int32_t result =
      sigcore::ReadSignedBufferTrailer(data.data(), static_cast<int32_t>(size), dataLength);
  if (result != 0 && result != -12) std::abort();
  if (result == 0 && (dataLength < 1 || static_cast<size_t>(dataLength) + 4 >= size)) std::abort();

  if (size < static_cast<size_t>(sigcore::kTransferBlockSize)) return 0;
  sigcore::TransferContent content;
  if (sigcore::ReadTransferBlock(data.data(), content) != 0) return 0;
  const size_t keyLength = content.keyData.size();
  if (keyLength < 1 || keyLength > 1143 || content.owner.size() > 255 ||
      std::memcmp(content.keyData.data(), data.data() + 260, keyLength) != 0)
    std::abort();
  return 0;
}
