// An in-process server for the updater's tests, installed under the names of the kit's files.
// Registering and unregistering it appends "register" or "unregister", its path and its file
// version to the file that KIT_COM_TRACE names, so a test can tell which file regsvr32 was
// run on, in which order, and which version was registered last.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "fileversion.h"
#include "winhandles.h"

namespace {

HMODULE self = nullptr;

HRESULT Trace(const char* what) {
  const char* trace = std::getenv("KIT_COM_TRACE");
  if (trace == nullptr) return S_OK;
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(self, path, MAX_PATH);
  const auto version = kit::ReadFileVersion(path);
  const std::string line = std::string(what) + " " + std::string(path, length) + " " +
                           (version ? version->ToString() : "-") + "\r\n";
  kit::UniqueFile file(::CreateFileA(trace, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written,
                             nullptr)
             ? S_OK
             : E_FAIL;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" HRESULT __stdcall DllRegisterServer() { return Trace("register"); }
extern "C" HRESULT __stdcall DllUnregisterServer() { return Trace("unregister"); }
