// The updater's state for one run: its scenario, its texts, its log, and the lists that the
// update procedure keeps while it works.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "messages.h"
#include "winhandles.h"

namespace copier {

// A destination file that the current attempt has touched, and how to put it back.
struct BackupEntry {
  std::string destination;
  bool activeX = false;
  // Where the installed file was moved; empty when the destination is new to the
  // installation, so putting it back means deleting it.
  std::string backup;
};

// The message boxes of the updater, each with its caption, icon and buttons.
enum class BoxKind { Usage, Error, Information, CopyError, SharingError };

// Shows a message box without an owner window; true when the user pressed OK.
bool ShowMessage(BoxKind kind, const std::string& text);

// A file, not a folder, lies at the path.
bool FileExists(const std::string& path);

// The system's text for an error code, without its trailing line break.
std::string SystemErrorText(DWORD error);

// "TRUE" or "FALSE", as the log writes results.
const char* BoolText(bool value);

class TConfigurator {
 public:
  TConfigurator();

  // Replaces any file of that name by a new, empty log. When it cannot be created the run
  // goes on without a log.
  void OpenLog(const std::string& path);
  // Appends one timestamped line to the log at once, when there is one.
  void Log(const std::string& text);

  // Reads the scenario file at scenarioPath. A missing file or a missing AXCLSID is told to
  // the user, and then the result is false.
  bool ReadScenario();

  // Writes the built-in settings and texts to a scenario file.
  void WriteDefaults(const std::string& path) const;

  const std::string& Text(Message id) const { return messages.Text(id); }

  // The scenario's FILE values in order; the procedure removes those that need no copy.
  std::vector<std::string> files;
  std::string clsid;    // kept only, and written back by WriteDefaults
  std::string axclsid;  // the class whose in-process server marks the installation
  std::string scenarioPath;
  kit::UniqueFile log;
  std::vector<BackupEntry> backups;
  // Companion-agent programs that were running; they are started again after an update.
  std::vector<std::string> autostart;
  std::string systemDirectory;  // with a trailing "\"
  bool processMessageShown = false;
  std::string destinationDirectory;  // with a trailing "\", or empty
  bool removeBackup = false;
  TMessages messages;
};

}  // namespace copier
