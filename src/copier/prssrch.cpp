#include "prssrch.h"

#include <tlhelp32.h>

#include <algorithm>

#include "libload.h"
#include "pathtext.h"

namespace copier {
namespace {

constexpr DWORD kPlatformWindows9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr DWORD kPlatformNt = 2;         // VER_PLATFORM_WIN32_NT
constexpr DWORD kMaxListed = 1024;

DWORD SystemPlatformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return ::GetVersionExA(&info) ? info.dwPlatformId : 0;
}

// Tool-help snapshots report failure as INVALID_HANDLE_VALUE, as files do.
using UniqueSnapshot = kit::UniqueFile;

}  // namespace

std::string ShortPathName(const std::string& path) {
  const DWORD size = ::GetShortPathNameA(path.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::string shortPath(size, '\0');
  const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath.data(), size);
  shortPath.resize(length < size ? length : 0);
  return shortPath;
}

void TProcessSearcher::SearchProcesses() {
  FoundList.clear();
  switch (platformId.value_or(SystemPlatformId())) {
    case kPlatformWindows9x:
      ToolHelpWalk();
      break;
    case kPlatformNt:
      ProcessStatusWalk();
      break;
    default:
      break;
  }
}

bool TProcessSearcher::TerminateProcesses() {
  bool all = true;
  for (const auto& found : FoundList) {
    kit::UniqueHandle process(
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, found.processId));
    if (!process || !::TerminateProcess(process.Get(), 0)) {
      all = false;
      continue;
    }
    ::WaitForSingleObject(process.Get(), INFINITE);
  }
  return all;
}

void TProcessSearcher::ToolHelpWalk() {
  UniqueSnapshot system(::CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0));
  if (!system) return;
  PROCESSENTRY32 process{};
  process.dwSize = sizeof process;
  for (BOOL more = ::Process32First(system.Get(), &process); more;
       more = ::Process32Next(system.Get(), &process)) {
    UniqueSnapshot modules(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID));
    if (!modules) continue;
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    // The first entry is the program itself.
    if (!::Module32First(modules.Get(), &module)) continue;
    while (::Module32Next(modules.Get(), &module)) {
      if (IsSearched(module.szExePath)) {
        Add(process.szExeFile, process.th32ProcessID);
        break;
      }
    }
  }
}

void TProcessSearcher::ProcessStatusWalk() {
  // Loaded at run time: systems of the 95 family have no such library.
  if (!psapi_) psapi_.Reset(::LoadLibraryA("psapi.dll"));
  if (!psapi_) return;
  const auto enumProcesses =
      kit::ProcAddress<BOOL(WINAPI*)(DWORD*, DWORD, DWORD*)>(psapi_.Get(), "EnumProcesses");
  const auto enumModules = kit::ProcAddress<BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*)>(
      psapi_.Get(), "EnumProcessModules");
  const auto moduleFileName = kit::ProcAddress<DWORD(WINAPI*)(HANDLE, HMODULE, char*, DWORD)>(
      psapi_.Get(), "GetModuleFileNameExA");
  if (enumProcesses == nullptr || enumModules == nullptr || moduleFileName == nullptr) return;

  std::vector<DWORD> ids(kMaxListed);
  DWORD bytes = 0;
  if (!enumProcesses(ids.data(), kMaxListed * sizeof(DWORD), &bytes) || bytes < sizeof(DWORD))
    return;
  ids.resize(bytes / sizeof(DWORD));

  const auto fileName = [&](HANDLE process, HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = moduleFileName(process, module, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
  };
  std::vector<HMODULE> modules(kMaxListed);
  for (DWORD id : ids) {
    kit::UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    if (!process) continue;
    DWORD needed = 0;
    if (!enumModules(process.Get(), modules.data(), kMaxListed * sizeof(HMODULE), &needed))
      continue;
    const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), kMaxListed);
    if (count == 0) continue;
    // The first module is the program itself.
    for (DWORD i = 1; i < count; ++i) {
      if (IsSearched(fileName(process.Get(), modules[i]))) {
        Add(fileName(process.Get(), modules[0]), id);
        break;
      }
    }
  }
}

bool TProcessSearcher::IsSearched(const std::string& modulePath) const {
  const std::string key =
      UpperAscii(MatchShortPaths ? ShortPathName(modulePath) : FileNamePart(modulePath));
  return !key.empty() && std::find(SearchList.begin(), SearchList.end(), key) != SearchList.end();
}

void TProcessSearcher::Add(const std::string& programPath, DWORD processId) {
  const bool known =
      std::any_of(FoundList.begin(), FoundList.end(),
                  [&](const FoundProcess& found) { return found.processId == processId; });
  if (!known)
    FoundList.push_back({FullPathNames ? programPath : FileNamePart(programPath), processId});
}

}  // namespace copier
