// The version resource of an executable file, as the updater compares it.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace kit {

struct FileVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t release = 0;
  uint16_t build = 0;

  auto operator<=>(const FileVersion&) const = default;
  std::string ToString() const;  // "3.0.1.7"
};

// The fixed file version of the file's VERSIONINFO, or none when it has none.
std::optional<FileVersion> ReadFileVersion(const std::string& path);

// A string of the file's first StringFileInfo table ("CompanyName", "FileDescription", ...),
// converted from UTF-16 to the system code page.
std::optional<std::string> ReadVersionString(const std::string& path, const std::string& name);

}  // namespace kit
