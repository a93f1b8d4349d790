// Decodes arbitrary text, and checks that decoding the encoding of any input gives it back.
#include "mimecode.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size > (1u << 20)) return 0;
  const auto length = static_cast<int32_t>(size);

  uint8_t* data;
  int32_t dataLength;
  kit::Base64Decode(reinterpret_cast<const char*>(input), length, &data, &dataLength);
  kit::Base64Block<uint8_t> decoded(data);
  if ((data == nullptr) != (dataLength == 0)) std::abort();
  if (dataLength > length / 4 * 3) std::abort();

  char* text;
  int32_t textLength;
  kit::Base64Encode(input, length, &text, &textLength);
  kit::Base64Block<char> encoded(text);
  if (size == 0) {
    if (text != nullptr) std::abort();
    return 0;
  }
  if (text == nullptr || textLength != static_cast<int32_t>(4 * ((size + 2) / 3))) std::abort();

  uint8_t* back;
  int32_t backLength;
  kit::Base64Decode(text, textLength, &back, &backLength);
  kit::Base64Block<uint8_t> roundTrip(back);
  if (backLength != length || std::memcmp(back, input, size) != 0) std::abort();
  return 0;
}
