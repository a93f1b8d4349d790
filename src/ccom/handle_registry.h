// The provider's objects as the caller holds them: opaque handles that are checked on every
// call, so a stale, freed or foreign handle gives kParameterError instead of a crash. A call in
// progress keeps its object alive even if another thread frees the handle meanwhile.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "provider_error.h"

namespace ccom {

template <class T>
class HandleRegistry {
 public:
  explicit HandleRegistry(const char* kind) : kind_(kind) {}

  // A new object; its address is its handle.
  template <class... Args>
  T* Make(Args&&... args) {
    auto object = std::make_shared<T>(std::forward<Args>(args)...);
    T* handle = object.get();
    Add(handle, std::move(object));
    return handle;
  }
  void Add(const void* handle, std::shared_ptr<T> object) {
    std::lock_guard guard(lock_);
    objects_[handle] = std::move(object);
  }
  std::shared_ptr<T> Find(const void* handle) const {
    std::lock_guard guard(lock_);
    const auto found = objects_.find(handle);
    if (found == objects_.end())
      Fail(kParameterError, std::string("not a live ") + kind_ + " handle");
    return found->second;
  }
  // Unknown handles are ignored: freeing twice is harmless.
  void Remove(const void* handle) noexcept {
    std::shared_ptr<T> released;
    std::lock_guard guard(lock_);
    const auto found = objects_.find(handle);
    if (found == objects_.end()) return;
    released = std::move(found->second);
    objects_.erase(found);
  }

 private:
  const char* kind_;
  mutable std::mutex lock_;
  std::map<const void*, std::shared_ptr<T>> objects_;
};

}  // namespace ccom
