#include "libload.h"

#include <vector>


namespace kit {

std::string ModuleDirectory(HMODULE module) {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      std::string full(path.data(), length);
      return full.substr(0, full.find_last_of('\\') + 1);
    }
    path.resize(path.size() * 2);
  }
}

HMODULE ModuleContaining(const void* address) noexcept {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<LPCWSTR>(address), &module);
  return module;
}

std::wstring ModulePathW(HMODULE module) {
  // The wide call with a growing buffer: an 8-bit path of MAX_PATH characters would cut long
  // paths short and turn characters outside the ANSI code page into '?'.
  constexpr size_t kLongestPath = 32768;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) return {};
    path.resize(path.size() * 2);
  }
}

UniqueModule LoadLibrarySearched(const std::string& fileName) {
  if (fileName.empty()) return UniqueModule();
  if (fileName.find_first_of("\\/:") == std::string::npos) {
    const std::string local = ModuleDirectory(nullptr) + fileName;
    const DWORD attributes = ::GetFileAttributesA(local.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return UniqueModule(::LoadLibraryA(local.c_str()));
  }
  return UniqueModule(::LoadLibraryA(fileName.c_str()));
}

}  // namespace kit
