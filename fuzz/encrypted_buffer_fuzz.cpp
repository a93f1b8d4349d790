// Opens arbitrary bytes as an encrypted buffer addressed to "R", whose private key is fixed,
// with the GOST library as the cryptography. Nothing outside the input may be read; a buffer
// refused for its layout must be refused before the private key is used; what opens must have
// passed both MACs and be exactly the bytes after the trailer.
#include <cstdlib>
#include <vector>

#include "encrypted_buffer.h"
#include "gost_envelope.h"

namespace {

// A scalar below the curve's order, fixed so that the seeds in the corpus open.
constexpr std::array<uint8_t, 32> kRecipientKey = {
    0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
    0x0F, 0x1E, 0x2D, 0x3C, 0x4B, 0x5A, 0x69, 0x78, 0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size > 65536) return 0;
  // A copy of exactly `size` bytes, so that the sanitizer sees any read past the buffer.
  const std::vector<uint8_t> data(input, input + size);
  sigcore_test::GostEnvelope recipient(kRecipientKey, 1);
  sigcore::SecretBuffer<uint8_t> plaintext;
  const int32_t result = sigcore::OpenEnvelope(recipient, "R", data.data(), size, plaintext);

  sigcore::EnvelopeLayout layout;
  const int32_t layoutResult = sigcore::ReadEnvelopeLayout(data.data(), size, "R", layout);
  if (layoutResult != 0) {
    if (result != layoutResult || recipient.SenderKeyCalls() != 0) std::abort();
  } else if (layout.ciphertext + 1 > size || layout.entry + 36 > layout.trailer) {
    std::abort();
  }
  if (result == 0 && plaintext.size() != size - layout.ciphertext) std::abort();
  if (result != 0 && plaintext.size() != 0) std::abort();
  return 0;
}
