// What the server's tests share: the built server and its script clients, regsvr32, the
// classes root read back, COM apartments and scratch folders.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "childprocess.h"

namespace axgate_test {

// The server this tree built, as a Windows path.
std::wstring BuiltServer();

// One of the script clients in the source tree's clients folder, run by the system's cscript.
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

// Registers a server for the life of a test and unregisters it at the end.
class ScopedRegistration {
 public:
  explicit ScopedRegistration(std::wstring server);
  ~ScopedRegistration();
  ScopedRegistration(const ScopedRegistration&) = delete;
  ScopedRegistration& operator=(const ScopedRegistration&) = delete;
  bool Succeeded() const { return succeeded_; }

 private:
  std::wstring server_;
  bool succeeded_;
};

// Every value in a subtree of the classes root: (key path, value name) -> text, the key paths
// in full from the root, "" naming a key's default value. Empty when the key is absent.
using RegistryValues = std::map<std::pair<std::wstring, std::wstring>, std::wstring>;
RegistryValues ReadClassesTree(const std::wstring& key);
bool ClassesKeyExists(const std::wstring& key);

// A single-threaded apartment for the test's thread.
class ComApartment {
 public:
  ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

struct Variant : VARIANT {
  Variant() { ::VariantInit(this); }
  ~Variant() { ::VariantClear(this); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// A fresh folder under the temp directory whose name starts with `prefix`, removed with its
// contents at the end; the built server can be copied into it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& prefix);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // The path of the copy.
  std::wstring CopyOfServer() const;

 private:
  std::filesystem::path path_;
};

}  // namespace axgate_test
