// The update procedure: find the installation, decide which offered files are newer, get the
// programs that hold installed files out of the way with the user's consent, replace the files
// keeping a backup of each, register the ActiveX servers, and put everything back when a file
// cannot be replaced. An update never leaves a half-replaced installation behind.
#pragma once

#include <string>
#include <vector>

#include "cfgunit.h"
#include "prssrch.h"

namespace copier {

class TCopier {
 public:
  TCopier(TConfigurator& config, TProcessSearcher& searcher)
      : config_(config), searcher_(searcher) {}

  // The whole procedure, from finding the installation to telling the user the outcome.
  void RunUpdate();

  // The installation directory, with a trailing "\": the folder of the in-process server
  // registered for AXCLSID, when that file exists; otherwise empty.
  std::string GetDestDir();

  // Drops the files that need no copy from the file list (registering again the ActiveX
  // servers among them); true when some file remains to be copied. A missing source is told
  // to the user and gives false.
  bool CheckFilesNeedCopy();

  // Whether the offered source must be copied over the installed destination: by version
  // resource, then by last-write time, except that the provider library "ccom.dll" is
  // replaced only by an equal or newer version.
  bool NeedCopy(const std::string& source, const std::string& destination);

  // Asks the user to close the programs that hold installed files of the list and ends those
  // still running after OK; false when the user declined.
  bool CheckProcesses();

  // Puts back every destination of the backup list: a replaced file from its backup, a new
  // file by deleting it. What cannot be put back stays listed, its backup kept.
  void Restore();

  // Registers or unregisters an in-process server with the system's regsvr32; true when
  // regsvr32 could be started.
  bool RegisterOCX(const std::string& path);
  bool UnRegisterOCX(const std::string& path);

  // Starts the command line with its window hidden and waits until it has ended; true when it
  // could be started, whatever its exit code.
  bool RunModul(const std::string& commandLine);

  // Starts again the companion-agent programs that had been running.
  void Autostart();

 private:
  enum class Outcome { Succeeded, Failed, Stopped };

  Outcome RunAttempt(int number, bool& tryAgain);
  // The attempt failed at a file: on the first attempt the user is asked whether to try again.
  Outcome FailAttempt(int number, bool& tryAgain);
  bool HasBackupEntry(const std::string& destination) const;
  std::string BuildSharingMessage();

  TConfigurator& config_;
  TProcessSearcher& searcher_;
  // Set by NeedCopy when the installed provider library is newer than the offered one: its
  // signature file must then stay as it is too.
  bool keepProviderSignature_ = false;
  std::vector<std::string> backupNames_;  // one for each file of the list
};

}  // namespace copier
