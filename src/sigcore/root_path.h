// The root-path macro: a path parameter that begins with "%VelmarRoot%" is placed under the
// root path the host sets, so one configuration serves wherever the bank client is installed.
#pragma once

#include <string>

namespace sigcore {

// With the macro (any letter case) at the start, the root path (ending in "\" once set)
// followed by the rest without one leading "\", all upper-cased; otherwise `value` unchanged.
std::string ExpandRootPath(const std::string& value, const std::string& rootPath);

// ExpandRootPath with a trailing "\" (a bare drive letter becomes that drive's root).
std::string ExpandRootDir(const std::string& value, const std::string& rootPath);

}  // namespace sigcore
