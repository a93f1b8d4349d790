// Where this server's own file lies.
#pragma once

#include <windows.h>

#include <string>

namespace axgate {

HMODULE ThisModule() noexcept;

// The full path of this module as the system reports it, however long the path and whatever
// its characters. Throws EComError.
std::wstring ThisModulePath();

}  // namespace axgate
