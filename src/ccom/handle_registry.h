// The provider's objects as the caller holds them: opaque handles that are checked on every
// call, so a stale, freed or foreign handle gives kParameterError instead of a crash. Handles
// are numbers drawn once in the process, never addresses: a handle kept after its object was
// freed cannot come to name a newer object that happens to reuse the memory, and a handle of one
// kind is never one of another. A call in progress keeps its object alive even if another thread
// frees the handle meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "provider_error.h"

namespace ccom {

// The next handle of any kind; pointer-sized, never null, never the same twice (in 32 bits
// after 2^29 objects at the earliest).
inline void* NewHandle() {
  static std::atomic<uintptr_t> last{0x10000};
  return reinterpret_cast<void*>(last.fetch_add(8) + 8);
}

template <class T>
class HandleRegistry {
 public:
  explicit HandleRegistry(const char* kind) : kind_(kind) {}

  // A new object under a new handle.
  template <class... Args>
  void* Make(Args&&... args) {
    return Add(std::make_shared<T>(std::forward<Args>(args)...));
  }
  void* Add(std::shared_ptr<T> object) {
    void* handle = NewHandle();
    std::lock_guard guard(lock_);
    objects_[handle] = std::move(object);
    return handle;
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
