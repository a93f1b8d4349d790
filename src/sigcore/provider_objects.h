// Ownership of the provider's objects: each is released with the provider's own _free call
// when its owner goes, on every path.
#pragma once

#include <utility>

#include "ccm3x_h.h"

namespace sigcore {

template <class T>
class ProviderObject {
 public:
  using FreeFunction = void(CCM3X_CALL*)(T*);

  ProviderObject() noexcept = default;
  ProviderObject(T* object, FreeFunction free) noexcept : object_(object), free_(free) {}
  ~ProviderObject() { Reset(); }
  ProviderObject(ProviderObject&& other) noexcept
      : object_(std::exchange(other.object_, nullptr)), free_(other.free_) {}
  ProviderObject& operator=(ProviderObject&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
      free_ = other.free_;
    }
    return *this;
  }
  ProviderObject(const ProviderObject&) = delete;
  ProviderObject& operator=(const ProviderObject&) = delete;

  T* Get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  void Reset() noexcept {
    if (object_ != nullptr) free_(std::exchange(object_, nullptr));
  }

 private:
  T* object_ = nullptr;
  FreeFunction free_ = nullptr;
};

}  // namespace sigcore
