// What the server's tests share: the built server and its script clients, regsvr32, the
// classes root read back, and scratch folders.
#pragma once

#include <windows.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "childprocess.h"

namespace axgate_test {

// The server this tree built, as a Windows path.
std::wstring BuiltServer();

// One of the scripts in the source tree's clients folder, run by the system's cscript.
wintest::ProgramResult RunScriptClient(const std::string& script);

// The lines a program printed, without their line ends.
std::vector<std::string> Lines(const std::string& output);

// Between the system's code page and UTF-16.
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

// The long form of a path that exists; empty when it does not.
std::wstring LongPath(const std::wstring& path);

// regsvr32 in silent mode; its exit code is 0 when the entry point succeeded.
DWORD Regsvr32(const std::wstring& server, bool unregister);

// Registers a server for the life of a test.
class ScopedRegistration {
 public:
  explicit ScopedRegistration(std::wstring server)
      : server_(std::move(server)), succeeded_(Regsvr32(server_, false) == 0) {}
  ~ScopedRegistration() { Regsvr32(server_, true); }
  bool Succeeded() const { return succeeded_; }

 private:
  std::wstring server_;
  bool succeeded_;
};

// Every value in a subtree of the classes root: (key path from the root, value name, "" for
// the default value) -> text. Empty when the key is absent.
using RegistryValues = std::map<std::pair<std::wstring, std::wstring>, std::wstring>;
RegistryValues ReadClassesTree(const std::wstring& key);
bool ClassesKeyExists(const std::wstring& key);

// A fresh folder under the temp directory, its name starting with `prefix`, removed with its
// contents at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& prefix);
  ~ScratchFolder();
  // Copies the built server into the folder and returns the copy's path.
  std::wstring CopyOfServer() const;

 private:
  std::filesystem::path path_;
};

}  // namespace axgate_test
