#include "keyplaces.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "textutil.h"

namespace sigcore {
namespace {

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Names the system opens as devices whatever folder or extension they are given.
bool IsDeviceName(const std::string& name) {
  const std::string base = kit::UpperAscii(name.substr(0, name.find('.')));
  constexpr std::array<std::string_view, 4> kFixed = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view fixed : kFixed)
    if (base == fixed) return true;
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

bool IsTokenKeyDirName(const std::string& secretKeyDir) {
  return secretKeyDir.size() == 5 && secretKeyDir[4] == '\\' && IsUpperHexDigit(secretKeyDir[0]) &&
         IsUpperHexDigit(secretKeyDir[1]) && IsUpperHexDigit(secretKeyDir[2]) &&
         IsUpperHexDigit(secretKeyDir[3]);
}

std::string TokenKeyDir(const std::string& secretKeyDir) { return secretKeyDir.substr(0, 4); }

std::string Hex4(int64_t number) {
  char text[24];
  std::snprintf(text, sizeof text, "%04llX", static_cast<unsigned long long>(number));
  return text;
}

std::string TokenObjectPath(const std::string& device, int32_t slot, const std::string& object) {
  std::string path = device;
  if (slot >= 0) path += std::to_string(slot);
  return path + ":/" + object;
}

std::string WithoutTrailingBackslash(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

bool SameDevice(const std::string& a, const std::string& b) {
  return kit::EqualsIgnoreAsciiCase(a, b);
}

bool OwnKeyOnToken(const TCCom3x_UserParam& params) {
  return IsTokenDevice(params.userPublicKeyPath) && IsTokenKeyDirName(params.secretKeyDir);
}

std::string AbonentsDevice(const TCCom3x_UserParam& params) {
  return WithoutTrailingBackslash(params.abonentsDir);
}

bool AbonentsOnToken(const TCCom3x_UserParam& params) {
  return IsTokenDevice(AbonentsDevice(params)) && IsTokenDevice(params.keyDevice) &&
         IsTokenKeyDirName(params.secretKeyDir);
}

std::string SecretKeyFileName(int32_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "sk%.6d.sec", static_cast<int>(number));
  return name;
}

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ')
    return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) !=
                                                    std::string_view::npos)
      return false;
  return !IsDeviceName(name);
}

}  // namespace sigcore
