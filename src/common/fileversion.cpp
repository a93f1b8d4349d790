#include "fileversion.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace kit {
namespace {

std::vector<char> VersionBlock(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<char> block(size);
  if (size == 0 || !::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) block.clear();
  return block;
}

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(n > 0 ? n : 0));
  return wide;
}

std::string Narrow(const wchar_t* text) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string narrow(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), n, nullptr, nullptr);
  narrow.pop_back();
  return narrow;
}

std::wstring Hex4(WORD value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hex(4, L'0');
  for (int i = 3; i >= 0; --i, value >>= 4) hex[static_cast<size_t>(i)] = kDigits[value & 15];
  return hex;
}

}  // namespace

std::string FileVersion::ToString() const {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", major, minor, release, build);
  return text;
}

std::optional<FileVersion> ReadFileVersion(const std::string& path) {
  std::vector<char> block = VersionBlock(path);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (block.empty() || !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
      length < sizeof *info || info->dwSignature != VS_FFI_SIGNATURE)
    return std::nullopt;
  return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                     HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

std::optional<std::string> ReadVersionString(const std::string& path, const std::string& name) {
  std::vector<char> block = VersionBlock(path);
  struct Translation {
    WORD language;
    WORD codePage;
  }* translations = nullptr;
  UINT length = 0;
  if (block.empty() ||
      !::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof *translations)
    return std::nullopt;

  const std::wstring key = L"\\StringFileInfo\\" + Hex4(translations->language) +
                           Hex4(translations->codePage) + L"\\" + Widen(name);
  wchar_t* value = nullptr;
  if (!::VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) ||
      value == nullptr)
    return std::nullopt;
  return Narrow(value);
}

}  // namespace kit
