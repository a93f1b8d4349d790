#include "copier.h"

#include <algorithm>
#include <cstring>

#include "backupname.h"
#include "fileversion.h"
#include "pathtext.h"
#include "textutil.h"

namespace copier {
namespace {

// An ActiveX server file is named "axg..." and is registered with the system once installed.
bool IsActiveX(const std::string& name) {
  return name.size() >= 3 && kit::EqualsIgnoreAsciiCase(name.substr(0, 3), "axg");
}

// The last-write time as the local DOS date and time, so that times a file system keeps with
// two-second steps compare equal to finer ones.
DWORD DosWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !::FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return static_cast<DWORD>(date) << 16 | time;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

void ForceDelete(const std::string& path) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(path.c_str());
}

}  // namespace

void TCopier::RunUpdate() {
  config_.destinationDirectory = GetDestDir();
  const std::string& directory = config_.destinationDirectory;
  if (directory.empty()) {
    ShowMessage(BoxKind::Error, config_.Text(Message::NotFoundRegisteredActiveX));
    return;
  }
  config_.Log("Dest dir: " + directory);
  config_.backups.clear();
  if (!CheckFilesNeedCopy() || !CheckProcesses()) return;

  std::vector<std::string> destinations;
  for (const auto& name : config_.files) destinations.push_back(directory + name);
  backupNames_ = BackupNames(destinations);

  Outcome outcome = Outcome::Failed;
  bool tryAgain = true;
  for (int number = 1; number <= 2 && tryAgain; ++number) {
    tryAgain = false;
    outcome = RunAttempt(number, tryAgain);
    if (outcome != Outcome::Failed) break;
  }
  if (outcome == Outcome::Stopped) return;
  if (outcome == Outcome::Failed) {
    config_.Log("Operation fail, start restore");
    Restore();
    ShowMessage(BoxKind::Error, config_.Text(Message::ErrorInstall));
    return;
  }

  // What was downloaded for the update is not needed once it is installed.
  if (config_.removeBackup) {
    for (const auto& name : config_.files) {
      config_.Log("Delete file: " + name);
      if (FileExists(name)) ForceDelete(name);
    }
  }
  Autostart();
  if (config_.processMessageShown) ShowMessage(BoxKind::Information, config_.Text(Message::AllOk));
}

TCopier::Outcome TCopier::RunAttempt(int number, bool& tryAgain) {
  config_.Log("Start cycle number " + std::to_string(number));
  Restore();
  for (size_t i = 0; i < config_.files.size(); ++i) {
    const std::string& name = config_.files[i];
    config_.Log("Work with: " + name);
    if (!FileExists(name)) {
      config_.Log("Not found modul: " + name);
      ShowMessage(BoxKind::Error, FormatText(config_.Text(Message::NotFoundFile), {name}));
      Restore();
      return Outcome::Stopped;
    }
    const std::string destination = config_.destinationDirectory + name;
    config_.Log("Dest modul name: " + destination);
    ::SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool activeX = IsActiveX(name);

    // A destination already listed keeps its first backup: that one holds the installed file.
    if (!HasBackupEntry(destination)) {
      if (FileExists(destination)) {
        if (activeX) UnRegisterOCX(destination);
        const std::string& backup = backupNames_[i];
        ForceDelete(backup);
        if (!::MoveFileA(destination.c_str(), backup.c_str())) {
          // Copying over a file that has no backup would leave nothing to roll back to.
          config_.Log("Create backup FALSE: " + SystemErrorText(::GetLastError()));
          if (activeX) RegisterOCX(destination);
          return FailAttempt(number, tryAgain);
        }
        config_.backups.push_back({destination, activeX, backup});
        config_.Log("Create backup: " + backup);
      } else {
        // Listed before the copy, so that a copy that fails half-way is removed as well.
        config_.backups.push_back({destination, activeX, ""});
      }
    }

    config_.Log("Start copy: " + name + " -> " + destination);
    if (!::CopyFileA(name.c_str(), destination.c_str(), FALSE)) {
      config_.Log("Copy FALSE: " + SystemErrorText(::GetLastError()));
      return FailAttempt(number, tryAgain);
    }
    config_.Log("Copy TRUE");
    if (activeX) RegisterOCX(destination);
  }
  return Outcome::Succeeded;
}

TCopier::Outcome TCopier::FailAttempt(int number, bool& tryAgain) {
  if (number == 1) {
    const std::string& text = config_.Text(Message::CopyError);
    tryAgain = ShowMessage(BoxKind::CopyError, text);
    config_.Log("Message: " + text);
  }
  return Outcome::Failed;
}

bool TCopier::HasBackupEntry(const std::string& destination) const {
  return std::any_of(config_.backups.begin(), config_.backups.end(), [&](const BackupEntry& entry) {
    return kit::EqualsIgnoreAsciiCase(entry.destination, destination);
  });
}

std::string TCopier::GetDestDir() {
  config_.Log("Start GetDestDir");
  char value[261] = {};
  DWORD size = sizeof value;
  const std::string key = "CLSID\\" + config_.axclsid + "\\InprocServer32";
  std::string path;
  if (::RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                     value, &size) == ERROR_SUCCESS)
    path.assign(value, strnlen(value, std::min<size_t>(size, sizeof value)));

  const bool exists = !path.empty() && FileExists(path);
  if (!path.empty()) {
    config_.Log(FormatText("Get from AXCLSID=%s Result=\"%s\"", {config_.axclsid, path}));
    if (!exists) config_.Log(FormatText("Not file exists: \"%s\"", {path}));
  } else {
    config_.Log(FormatText("Not found in regestry object with AXCLSID=%s", {config_.axclsid}));
  }
  const std::string directory = exists ? DirectoryPart(path) : "";
  config_.Log("End GetDestDir: " + directory);
  return directory;
}

bool TCopier::CheckFilesNeedCopy() {
  config_.Log("Check files for need copy (version source > version dest)");
  keepProviderSignature_ = false;
  auto& files = config_.files;
  for (size_t i = files.size(); i-- > 0;) {
    const std::string name = files[i];
    if (!FileExists(name)) {
      config_.Log("Not found modul: " + name);
      ShowMessage(BoxKind::Error, FormatText(config_.Text(Message::NotFoundFile), {name}));
      return false;
    }
    const std::string destination = config_.destinationDirectory + name;
    config_.Log(FormatText("Check files: source: \"%s\" dest: \"%s\"", {name, destination}));
    if (NeedCopy(name, destination)) continue;
    config_.Log(FormatText("Not need copy \"%s\" to \"%s\"", {name, destination}));
    // An installed server that stays is registered again, in case its registration was lost.
    if (IsActiveX(name)) RegisterOCX(destination);
    files.erase(files.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (keepProviderSignature_) {
    const auto signature = std::find_if(files.begin(), files.end(), [](const std::string& name) {
      return kit::EqualsIgnoreAsciiCase(FileNamePart(name), "ccom.dll.sig");
    });
    if (signature != files.end()) files.erase(signature);
  }
  // Whether anything is left to copy once the provider's signature may have been dropped.
  const bool result = !files.empty();
  config_.Log(std::string("End Check files for need copy result: ") + BoolText(result));
  return result;
}

bool TCopier::NeedCopy(const std::string& source, const std::string& destination) {
  if (!FileExists(destination)) return true;
  const auto sourceVersion = kit::ReadFileVersion(source);
  if (!sourceVersion) return true;
  config_.Log("Verision SrcFile: \"" + source + "\" : " + sourceVersion->ToString() + ".");
  const auto destinationVersion = kit::ReadFileVersion(destination);
  if (!destinationVersion) return true;
  config_.Log("Verision DstFile: \"" + destination + "\" : " + destinationVersion->ToString() +
              ".");

  if (*sourceVersion > *destinationVersion) return true;
  if (!kit::EqualsIgnoreAsciiCase(FileNamePart(source), "ccom.dll"))
    return DosWriteTime(source) > DosWriteTime(destination);
  // The provider library goes only forward in version, and its signature file with it.
  if (*sourceVersion == *destinationVersion) return true;
  keepProviderSignature_ = true;
  return false;
}

bool TCopier::CheckProcesses() {
  config_.Log("Start CheckProcesses");
  config_.processMessageShown = false;
  searcher_.FullPathNames = true;
  searcher_.MatchShortPaths = true;
  searcher_.SearchList.clear();
  for (const auto& name : config_.files) {
    const std::string shortPath = ShortPathName(config_.destinationDirectory + name);
    if (!shortPath.empty()) searcher_.SearchList.push_back(UpperAscii(shortPath));
  }
  searcher_.SearchProcesses();
  config_.Log("Result ProcessSearcher.SearchProcesses: " + SystemErrorText(::GetLastError()));

  bool result = true;
  if (!searcher_.FoundList.empty()) {
    const std::string message = BuildSharingMessage();
    config_.Log("Show message: " + message);
    config_.processMessageShown = true;
    result = ShowMessage(BoxKind::SharingError, message);
    if (result) {
      // Whatever the user left running is ended now.
      searcher_.SearchProcesses();
      if (!searcher_.FoundList.empty()) {
        std::vector<std::string> names;
        for (const auto& found : searcher_.FoundList) names.push_back(found.name);
        config_.Log("Terminate processes: " + JoinLines(names));
        searcher_.TerminateProcesses();
        ::Sleep(1000);
      }
    }
  }
  config_.Log(std::string("End CheckProcesses Result: ") + BoolText(result));
  return result;
}

std::string TCopier::BuildSharingMessage() {
  std::vector<std::string> programs;
  for (const auto& found : searcher_.FoundList) programs.push_back(found.name);
  config_.Log("Found processes: " + JoinLines(programs));

  int step = 1;
  std::vector<std::string> shown;
  std::string steps, others;
  const auto isShown = [&](const std::string& name) {
    return std::find(shown.begin(), shown.end(), name) != shown.end();
  };
  const auto addStep = [&](Message name, Message action) {
    if (isShown(config_.Text(name))) return;
    steps += std::to_string(step++) + ". " + config_.Text(action) + "\r\n";
    shown.push_back(config_.Text(name));
  };
  for (const auto& program : programs) {
    const std::string file = FileNamePart(program);
    if (kit::EqualsIgnoreAsciiCase(file, "qtunnel.exe")) {
      const bool listed = std::any_of(
          config_.autostart.begin(), config_.autostart.end(),
          [&](const std::string& path) { return kit::EqualsIgnoreAsciiCase(path, program); });
      if (!listed) config_.autostart.push_back(program);
      addStep(Message::DefenderClientName, Message::DefenderClientClose);
    } else if (kit::EqualsIgnoreAsciiCase(file, "IExplorer.exe")) {
      addStep(Message::IExplorerName, Message::IExplorerClose);
    } else if (!isShown(file)) {
      others += file + "\r\n";
      shown.push_back(file);
    }
  }
  if (!others.empty())
    steps += std::to_string(step++) + ". " +
             FormatText(config_.Text(Message::OtherProcessesClose), {others}) + "\r\n";
  steps += std::to_string(step);

  std::string names;
  for (const auto& name : shown) names += name + "\r\n";
  return FormatText(config_.Text(Message::SharingError), {names, steps});
}

void TCopier::Restore() {
  config_.Log("Start Restore");
  std::vector<BackupEntry> notRestored;
  for (const auto& entry : config_.backups) {
    const std::string& destination = entry.destination;
    config_.Log("DestFName: " + destination);
    const bool isNew = entry.backup.empty();
    // Without its backup a replaced file is left as it is: deleting it would lose it for good.
    if (!isNew && !FileExists(entry.backup)) {
      config_.Log("Not found backup: " + entry.backup);
      continue;
    }
    if (FileExists(destination)) {
      config_.Log("Exist: " + destination);
      if (entry.activeX) UnRegisterOCX(destination);
      ::DeleteFileA(destination.c_str());
      config_.Log("DeleteFile: " + destination);
    }
    bool restored = !FileExists(destination);
    if (!isNew) {
      config_.Log(FormatText("Rename \"%s\" to \"%s\"", {entry.backup, destination}));
      restored = ::MoveFileA(entry.backup.c_str(), destination.c_str()) != FALSE;
    }
    // Kept in the list, so that no later step takes the backup for a stale one.
    if (!restored) notRestored.push_back(entry);
    // Whatever server file lies there now, put back or left in place, is registered.
    if (entry.activeX && FileExists(destination)) RegisterOCX(destination);
  }
  config_.backups = std::move(notRestored);
  config_.Log("End Restore");
}

bool TCopier::RegisterOCX(const std::string& path) {
  config_.Log("Start RegisterOCX: " + path);
  const bool started = RunModul(config_.systemDirectory + "regsvr32.exe \"" + path + "\" /s");
  config_.Log(std::string("End RegisterOCX: ") + BoolText(started));
  return started;
}

bool TCopier::UnRegisterOCX(const std::string& path) {
  config_.Log("Start UnRegisterOCX: " + path);
  const bool started = RunModul(config_.systemDirectory + "regsvr32.exe \"" + path + "\" /u /s");
  config_.Log(std::string("End UnRegisterOCX: ") + BoolText(started));
  return started;
}

bool TCopier::RunModul(const std::string& commandLine) {
  config_.Log("Start RunModul CmdLine: " + commandLine);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  std::string line = commandLine;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    config_.Log("False CreateProcess: " + SystemErrorText(::GetLastError()));
    return false;
  }
  kit::UniqueHandle process(info.hProcess), thread(info.hThread);
  // Waiting on the process itself: an exit code can equal STILL_ACTIVE, a process cannot.
  ::WaitForSingleObject(process.Get(), INFINITE);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(process.Get(), &exitCode);
  config_.Log("End CreateProcess RetCode: " + std::to_string(exitCode));
  process.Reset();
  thread.Reset();
  config_.Log("End RunModul Result: TRUE");
  return true;
}

void TCopier::Autostart() {
  for (const auto& path : config_.autostart) {
    config_.Log("Autostart modul: " + path);
    // Quoted, so that a path with spaces is one program name.
    ::WinExec(("\"" + path + "\"").c_str(), SW_SHOWNORMAL);
  }
}

}  // namespace copier
