// A program that holds files the way the browser or the protection agent holds the kit's, for
// the updater's tests. Copied under the name the test needs (IExplorer.exe, qtunnel.exe...):
//   holder [load DLL | lock FILE | open FILE]...
// It loads each DLL, opens each FILE to lock without any sharing and each FILE to open with
// reading and writing shared but not deleting, then appends its process id to the file
// that KIT_HOLDER_TRACE names, so the test knows it holds them, and waits to be ended (two
// minutes at most, so that a test that fails half-way leaves nothing running for long).
// It has no window and no console.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "winhandles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<kit::UniqueModule> modules;
  std::vector<kit::UniqueFile> files;
  for (int i = 1; i + 1 < __argc; i += 2) {
    const char* what = __argv[i];
    const char* path = __argv[i + 1];
    if (std::strcmp(what, "load") == 0) {
      modules.emplace_back(::LoadLibraryA(path));
      if (!modules.back()) return 1;
    } else if (std::strcmp(what, "lock") == 0 || std::strcmp(what, "open") == 0) {
      const DWORD sharing = what[0] == 'l' ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
      files.emplace_back(
          ::CreateFileA(path, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
      if (!files.back()) return 1;
    } else {
      return 2;
    }
  }
  if (const char* trace = std::getenv("KIT_HOLDER_TRACE")) {
    kit::UniqueFile file(::CreateFileA(trace, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, 0, nullptr));
    const std::string line = std::to_string(::GetCurrentProcessId()) + "\r\n";
    DWORD written = 0;
    ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  // Waiting in a message loop, as the programs it stands for do: whoever starts it and waits
  // for it to become idle is not kept waiting.
  ::SetTimer(nullptr, 0, 120000, nullptr);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) {
  }
  return 0;
}
