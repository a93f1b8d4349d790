// Loading a library that should come from the host program's own directory.
#pragma once

#include <string>

#include "winhandles.h"

namespace kit {

// A name with a directory part is loaded as written. A bare name is loaded from the
// directory of the host process's executable when the file is there, otherwise through the
// system's usual search order. An empty result means the library could not be loaded.
UniqueModule LoadLibrarySearched(const std::string& fileName);

// The directory of a loaded module (the host's executable for null), with a trailing "\".
std::string ModuleDirectory(HMODULE module);

}  // namespace kit
