// How the updater takes paths and names apart. Paths are Windows paths in the system code
// page; letter case is folded for the ASCII letters only, as the system's file names compare.
#pragma once

#include <string>

#include "textutil.h"

namespace copier {

using kit::UpperAscii;

// The text after the last "\" or ":" (the whole path when it has neither).
std::string FileNamePart(const std::string& path);

// Everything up to and including the last "\" or ":" (empty when the path has neither).
std::string DirectoryPart(const std::string& path);

}  // namespace copier
