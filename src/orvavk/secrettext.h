// Text that may hold a PIN or password. Every buffer it ever had is wiped before it goes back to
// the heap: a field's value grows key by key, and each growth would otherwise leave the earlier
// characters behind in freed memory.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace orvavk {

template <class T>
struct TWipingAllocator {
  using value_type = T;

  TWipingAllocator() = default;
  template <class U>
  TWipingAllocator(const TWipingAllocator<U>&) noexcept {}

  T* allocate(size_t count) { return std::allocator<T>().allocate(count); }
  void deallocate(T* data, size_t count) noexcept {
    ::SecureZeroMemory(data, count * sizeof(T));
    std::allocator<T>().deallocate(data, count);
  }

  template <class U>
  bool operator==(const TWipingAllocator<U>&) const noexcept {
    return true;
  }
};

using TSecretText =
    std::basic_string<wchar_t, std::char_traits<wchar_t>, TWipingAllocator<wchar_t>>;

// Short texts live inside the string object itself, where no allocator sees them: the owner
// wipes those too when it lets go.
inline void Wipe(TSecretText& text) noexcept {
  ::SecureZeroMemory(text.data(), text.capacity() * sizeof(wchar_t));
  text.clear();
}

}  // namespace orvavk
