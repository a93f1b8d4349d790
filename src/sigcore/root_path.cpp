#include "root_path.h"

#include "textutil.h"

namespace sigcore {
namespace {

constexpr std::string_view kMacro = "%VelmarRoot%";

}  // namespace

std::string ExpandRootPath(const std::string& value, const std::string& rootPath) {
  if (value.size() < kMacro.size() ||
      !kit::EqualsIgnoreAsciiCase(value.substr(0, kMacro.size()), std::string(kMacro)))
    return value;
  std::string rest = value.substr(kMacro.size());
  if (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
  return kit::UpperAscii(rootPath + rest);
}

std::string ExpandRootDir(const std::string& value, const std::string& rootPath) {
  return kit::AddPathSeparator(ExpandRootPath(value, rootPath));
}

}  // namespace sigcore
