// Finding the running programs that have given files loaded, so that the updater can name them
// to the user and, with the user's consent, end them before it replaces those files.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "winhandles.h"

namespace copier {

class TProcessSearcher {
 public:
  struct FoundProcess {
    std::string name;  // the program's path, or its file-name part (FullPathNames)
    DWORD processId = 0;
  };

  // Finds every process that has a module of SearchList loaded, each process once. The
  // program's own module is never compared: a process is found for what it loads, not for
  // what it is.
  void SearchProcesses();

  // Ends every found process and waits for it; true when every one could be ended.
  bool TerminateProcesses();

  // Module keys, upper case, in the form that MatchShortPaths selects; compared exactly.
  std::vector<std::string> SearchList;
  std::vector<FoundProcess> FoundList;
  bool FullPathNames = false;
  // True: a module's key is its full path in short (8.3) form; false: its file-name part.
  bool MatchShortPaths = false;

  // Chooses the walk instead of the system's platform id: 1 the tool-help walk of the
  // Windows 95 family, 2 the process-status walk of the NT family. Tests reach the tool-help
  // walk through it on systems of the NT family.
  std::optional<DWORD> platformId;

 private:
  void ToolHelpWalk();
  void ProcessStatusWalk();
  bool IsSearched(const std::string& modulePath) const;
  void Add(const std::string& programPath, DWORD processId);

  kit::UniqueModule psapi_;
};

// The short (8.3) form of an existing path; empty when the path does not exist.
std::string ShortPathName(const std::string& path);

}  // namespace copier
