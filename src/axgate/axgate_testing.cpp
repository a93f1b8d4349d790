#include "axgate_testing.h"

#include <sstream>
#include <vector>

#include "windriver.h"
#include "winhandles.h"

namespace axgate_test {
namespace {

namespace fs = std::filesystem;

std::wstring SystemProgram(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name;
}

void ReadTree(HKEY parent, const std::wstring& path, const std::wstring& name,
              RegistryValues& values) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
  kit::UniqueRegKey key(opened);
  wchar_t valueName[256];
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = 256, type = 0, size = 0;
    if (::RegEnumValueW(key.Get(), i, valueName, &nameLength, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    nameLength = 256;
    size = DWORD(data.size() * sizeof(wchar_t));
    ::RegEnumValueW(key.Get(), i, valueName, &nameLength, nullptr, &type,
                    reinterpret_cast<BYTE*>(data.data()), &size);
    // Only text is written here; anything else shows up as a mismatch with its type.
    data = type == REG_SZ ? data.c_str() : L"<type " + std::to_wstring(type) + L">";
    values[{path, valueName}] = data;
  }
  wchar_t subkey[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (::RegEnumKeyExW(key.Get(), i, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    ReadTree(key.Get(), path + L"\\" + subkey, subkey, values);
  }
}

}  // namespace

std::wstring BuiltServer() { return Widen(wintest::HostPath(KIT_AXGATE)); }

wintest::ProgramResult RunScriptClient(const std::string& script) {
  return wintest::RunProgram("\"" + Narrow(SystemProgram(L"cscript.exe")) + "\" //nologo \"" +
                             wintest::HostPath(KIT_AXGATE_CLIENTS "/" + script) + "\"");
}

std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow(text.size() * 2, '\0');
  narrow.resize(::WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), narrow.data(),
                                      int(narrow.size()), nullptr, nullptr));
  return narrow;
}

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(::MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(),
                                    int(wide.size())));
  return wide;
}

std::wstring LongPath(const std::wstring& path) {
  std::wstring longPath(32768, L'\0');
  longPath.resize(::GetLongPathNameW(path.c_str(), longPath.data(), DWORD(longPath.size())));
  return longPath;
}

DWORD Regsvr32(const std::wstring& server, bool unregister) {
  const auto result = wintest::RunProgram("\"" + Narrow(SystemProgram(L"regsvr32.exe")) + "\" /s " +
                                          (unregister ? "/u " : "") + "\"" + Narrow(server) +
                                          "\"");
  return result.finished ? result.exitCode : ~0u;
}

RegistryValues ReadClassesTree(const std::wstring& key) {
  RegistryValues values;
  ReadTree(HKEY_CLASSES_ROOT, key, key, values);
  return values;
}

bool ClassesKeyExists(const std::wstring& key) {
  HKEY opened = nullptr;
  const bool exists =
      ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
  kit::UniqueRegKey owner(opened);
  return exists;
}

ScratchFolder::ScratchFolder(const std::wstring& prefix)
    : path_(fs::temp_directory_path() / (prefix + std::to_wstring(::GetCurrentProcessId()))) {
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::wstring ScratchFolder::CopyOfServer() const {
  const fs::path copy = path_ / L"axgate.dll";
  fs::copy_file(BuiltServer(), copy, fs::copy_options::overwrite_existing);
  return copy.wstring();
}

}  // namespace axgate_test
