// Real folders, files, programs and registry entries for the updater's tests under Wine.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fileversion.h"
#include "winhandles.h"

namespace copiertest {

// The build's programs and the test server DLL, as Windows paths.
std::string CopierProgram();
std::string HolderProgram();
std::string TestServerDll();

// A folder of its own for one test under the temporary folder, deleted with everything in it
// at the end. Its name carries the process id: tests of other processes run at the same time.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// While it lives, the process's current folder is `path`: the updater takes its sources from
// the current folder.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& path);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::string previous_;
};

// A copy of the test server DLL whose version resource carries `version` and which ends in
// `tag`, so that two files of one version still differ byte for byte.
void WriteDll(const std::string& path, const kit::FileVersion& version, const std::string& tag);
void WriteText(const std::string& path, const std::string& text);
// The same, with the last-write time set (see SetWriteTime).
void PutDll(const std::string& path, const kit::FileVersion& version, int seconds);
void PutText(const std::string& path, const std::string& text, int seconds);
// The file's bytes; empty for a missing file.
std::string ReadAll(const std::string& path);
bool Exists(const std::string& path);

// Last-write times counted in seconds from 1 March 2009 10:00:00 UTC, an even second.
void SetWriteTime(const std::string& path, int seconds);
uint64_t WriteTime(const std::string& path);

// Every file of a folder with its bytes and last-write time, to prove that nothing changed.
struct FileState {
  std::string name;
  std::string bytes;
  uint64_t writeTime = 0;
  bool operator==(const FileState&) const = default;
};
std::vector<FileState> FolderState(const std::string& folder);

// Programs that hold files, started from copies of the holder program under the names the
// tests need. Every process listed in the trace file, those that others started from the
// holder included, is ended when the object goes.
class Holders {
 public:
  explicit Holders(std::string traceFile);
  ~Holders();
  Holders(const Holders&) = delete;
  Holders& operator=(const Holders&) = delete;

  // Copies the holder program to `program` unless it is there, starts it with the arguments
  // ("load", DLL, "lock", FILE...) and waits until it holds them; 0 when it failed.
  DWORD Start(const std::string& program, const std::vector<std::string>& arguments);
  // The process ids of every holder that has started, in order.
  std::vector<DWORD> Started() const;

 private:
  std::string trace_;
};

bool IsRunning(DWORD processId);
// Ends a process and waits until it has gone.
void End(DWORD processId);

// A class whose in-process server is registered at a path, as registering the kit's ActiveX
// loader registers it; the registration goes with the object.
class ClassRegistration {
 public:
  explicit ClassRegistration(const std::string& serverPath);
  ~ClassRegistration();
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  const std::string& ClassId() const { return classId_; }

 private:
  std::string classId_;
};

// A new class identifier in registry form, with braces.
std::string NewClassId();

}  // namespace copiertest
