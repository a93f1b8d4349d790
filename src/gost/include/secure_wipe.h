// Wiping secrets: keys, key schedules, nonces and intermediate scalars are overwritten with
// zeros when their owner releases them.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace gost {

// Overwrites memory with zeros; the barrier keeps the compiler from dropping the stores as
// dead, which it may do for a plain memset on memory about to be freed.
inline void SecureWipe(void* data, size_t size) noexcept {
  if (size == 0) return;
  std::memset(data, 0, size);
  __asm__ __volatile__("" : : "r"(data) : "memory");
}

// A value of trivially copyable type that is wiped when it goes out of scope.
template <class T>
class Wiped {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  Wiped() noexcept : value_{} {}
  ~Wiped() { SecureWipe(&value_, sizeof value_); }
  Wiped(const Wiped&) = delete;
  Wiped& operator=(const Wiped&) = delete;

  T& operator*() noexcept { return value_; }
  const T& operator*() const noexcept { return value_; }
  T* operator->() noexcept { return &value_; }
  const T* operator->() const noexcept { return &value_; }

 private:
  T value_;
};

}  // namespace gost
