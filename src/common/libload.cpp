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
