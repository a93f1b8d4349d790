// Loading a library that should come from the host program's own directory.
#pragma once

#include <string>

#include "winhandles.h"

namespace kit {

// A name with a directory part is loaded as written. A bare name is loaded from the
// directory of the host process's executable when the file is there, otherwise through the
// system's usual search order. An empty result means the library could not be loaded.
UniqueModule LoadLibrarySearched(const std::string& fileName);

// An exported function of a loaded module by its name, typed as the caller declares it; null
// when the module does not export the name.
template <class Function>
Function ProcAddress(HMODULE module, const char* name) {
  // Through the generic function type, which converts to any other without a warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// The directory of a loaded module (the host's executable for null), with a trailing "\".
std::string ModuleDirectory(HMODULE module);

// The module whose image holds `address`: a DLL names itself by one of its own functions. The
// reference count is left alone, since a module cannot go away while its own code runs.
HMODULE ModuleContaining(const void* address) noexcept;

// The full path of a loaded module (the host's executable for null), however long the path and
// whatever its characters; empty when the system cannot tell it.
std::wstring ModulePathW(HMODULE module);

}  // namespace kit
