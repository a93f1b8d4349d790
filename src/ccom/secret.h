// Buffers that hold key material, generator state or PINs: overwritten with zeros when released.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "secure_wipe.h"

namespace ccom {

template <size_t N>
using SecretArray = gost::Wiped<std::array<uint8_t, N>>;

// A fixed-size secret whose size is known only at run time. It never grows, so no copy of its
// contents is left behind in memory it gave up.
class SecretBytes {
 public:
  explicit SecretBytes(size_t size) : bytes_(size) {}
  ~SecretBytes() { gost::SecureWipe(bytes_.data(), bytes_.size()); }
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;

  uint8_t* data() noexcept { return bytes_.data(); }
  const uint8_t* data() const noexcept { return bytes_.data(); }
  size_t size() const noexcept { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

// Constant-time equality of two secrets of equal size.
inline bool SecretEqual(const uint8_t* a, const uint8_t* b, size_t size) noexcept {
  uint8_t difference = 0;
  for (size_t i = 0; i < size; ++i) difference |= static_cast<uint8_t>(a[i] ^ b[i]);
  return difference == 0;
}

}  // namespace ccom
