#include "modulepath.h"

#include "comerror.h"

namespace axgate {

HMODULE ThisModule() noexcept {
  HMODULE module = nullptr;
  // Any address inside this image names it; the reference count is left alone because the
  // module cannot go away while its own code runs.
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring ThisModulePath() {
  // The wide call with a growing buffer: an 8-bit path of MAX_PATH characters would cut long
  // paths short and turn characters outside the ANSI code page into '?'.
  constexpr DWORD kLongestPath = 32768;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(ThisModule(), path.data(), DWORD(path.size()));
    if (length == 0) throw EComError(HRESULT_FROM_WIN32(::GetLastError()), "module path");
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) throw EComError(E_UNEXPECTED, "module path too long");
    path.resize(path.size() * 2);
  }
}

}  // namespace axgate
