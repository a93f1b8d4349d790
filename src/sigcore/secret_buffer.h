// A buffer for a secret (a PIN, a password): allocated once at its final size, overwritten with
// zeros when it is released, and never copied.
#pragma once

#include <cstddef>
#include <memory>

#include "secure_wipe.h"

namespace sigcore {

template <class T>
class SecretBuffer {
 public:
  explicit SecretBuffer(size_t size = 0) { Assign(size); }
  ~SecretBuffer() { Wipe(); }
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;

  // Wipes what is held and makes room for `size` zeroed elements.
  void Assign(size_t size) {
    Wipe();
    data_ = size > 0 ? std::make_unique<T[]>(size) : nullptr;
    size_ = size;
  }
  T* data() noexcept { return data_.get(); }
  const T* data() const noexcept { return data_.get(); }
  size_t size() const noexcept { return size_; }

 private:
  void Wipe() noexcept {
    if (data_) gost::SecureWipe(data_.get(), size_ * sizeof(T));
  }

  std::unique_ptr<T[]> data_;
  size_t size_ = 0;
};

}  // namespace sigcore
