#include "signed_buffer.h"

#include "sigcore_api.h"

namespace sigcore {

void WriteSignedBufferTrailer(uint8_t* at, int32_t dataLength) {
  const auto value = static_cast<uint32_t>(dataLength);
  for (int i = 0; i < kSignedBufferTrailerSize; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

int32_t ReadSignedBufferTrailer(const uint8_t* buffer, int32_t length, int32_t& dataLength) {
  if (buffer == nullptr || length <= kSignedBufferTrailerSize) return SIGCORE_BAD_SIGNATURE_FORMAT;
  const uint8_t* trailer = buffer + (length - kSignedBufferTrailerSize);
  uint32_t value = 0;
  for (int i = 0; i < kSignedBufferTrailerSize; ++i) value |= uint32_t{trailer[i]} << (8 * i);
  const auto announced = static_cast<int32_t>(value);
  // In 64 bits: an announced length near the top of the range must not wrap round.
  if (announced <= 0 || int64_t{announced} + kSignedBufferTrailerSize >= int64_t{length})
    return SIGCORE_BAD_SIGNATURE_FORMAT;
  dataLength = announced;
  return SIGCORE_OK;
}

}  // namespace sigcore
