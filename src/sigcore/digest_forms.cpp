#include "digest_forms.h"

#include <cstring>

#include "mimecode.h"
#include "sigcore_api.h"

namespace sigcore {

int32_t DigestFormSize(int32_t form) {
  switch (form) {
    case kDigestFormBase64:
      return 4 * ((kDigestBytes + 2) / 3);
    case kDigestFormHex:
      return 2 * kDigestBytes;
    default:
      return kDigestBytes;
  }
}

int32_t WriteDigestForm(const uint8_t* digest, int32_t form, uint8_t* out, int32_t* size) {
  const int32_t needed = DigestFormSize(form);
  const int32_t capacity = *size;
  *size = needed;
  if (capacity < needed) return SIGCORE_BUFFER_TOO_SMALL;
  if (form == kDigestFormBase64) {
    char* text = nullptr;
    int32_t length = 0;
    kit::Base64Encode(digest, kDigestBytes, &text, &length);
    const kit::Base64Block<char> owned(text);
    if (text == nullptr || length != needed) return SIGCORE_BUFFER_TOO_SMALL;
    std::memcpy(out, text, static_cast<size_t>(needed));
  } else if (form == kDigestFormHex) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int32_t i = 0; i < kDigestBytes; ++i) {
      out[2 * i] = static_cast<uint8_t>(kDigits[digest[i] >> 4]);
      out[2 * i + 1] = static_cast<uint8_t>(kDigits[digest[i] & 15]);
    }
  } else {
    std::memcpy(out, digest, kDigestBytes);
  }
  return SIGCORE_OK;
}

}  // namespace sigcore
