// The forms a 32-byte digest is handed out in: 1 its Base64 text (44 characters), 2 its 64
// upper-case hexadecimal digits, any other form the raw bytes. Texts carry no NUL.
#pragma once

#include <cstdint>

namespace sigcore {

inline constexpr int32_t kDigestFormBase64 = 1;
inline constexpr int32_t kDigestFormHex = 2;
inline constexpr int32_t kDigestBytes = 32;

// The size of a form.
int32_t DigestFormSize(int32_t form);

// Writes the digest in `form` into `out`, whose capacity is `*size`; `*size` becomes the form's
// size. -3 when the capacity is too small or the Base64 text cannot be made.
int32_t WriteDigestForm(const uint8_t* digest, int32_t form, uint8_t* out, int32_t* size);

}  // namespace sigcore
