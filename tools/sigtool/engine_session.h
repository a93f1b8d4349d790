// sigcore.dll loaded by name, as any host loads it, with one engine configured from the command
// line: parameters, the root path, and the PIN to answer the kit's token PIN requests with.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "secret_buffer.h"
#include "sigcore_host.h"

namespace sigtool {

// "--set N=VALUE": applied to the engine before the command runs.
struct ParamSetting {
  int number;
  std::string value;
};

struct EngineOptions {
  std::vector<ParamSetting> settings;
  std::string root;  // SetRootPath, when not empty
  // Answers token PIN requests, for scripts and demos (a command line is no place for a real
  // PIN): the PIN and its NUL, wiped when the options go; empty: the kit's PIN form asks.
  sigcore::SecretBuffer<char> pin;
};

// Reads a profile: "N=VALUE" lines set parameter N, "root=PATH" and "pin=PIN" the rest; blank
// lines and lines starting with "#" are skipped. False, with the line, for anything else. The
// file is read into memory that is wiped afterwards, since it may hold the PIN.
bool ReadProfile(const std::string& path, EngineOptions& options, std::string& badLine);

// Reads the options before the command ("--set N=VALUE", "--profile FILE", "--root PATH",
// "--pin PIN") and gives the index of the first other word, or -1 with `error` set. The PIN is
// kept in the options only: its text in argv is overwritten.
int ReadOptions(int argc, char** argv, EngineOptions& options, std::string& error);

class Session {
 public:
  explicit Session(const EngineOptions& options)
      : Session(options.settings, options.root, options.pin.data()) {}
  explicit Session(const std::vector<ParamSetting>& settings) : Session(settings, {}, nullptr) {}

  bool Ready() const { return engine_ != nullptr; }
  const sigcore::SigcoreLibrary::Exports& Api() const { return library_.api; }
  SigcoreEngine Engine() const { return engine_->Get(); }
  HMODULE Module() const { return library_.Module(); }
  // The engine's parameter N.
  std::string Param(int number) const;

  std::string ErrorText(int code) const;
  // Prints "sigtool: what: code: text" and gives the exit status of a failure, 1.
  int Fail(const std::string& what, int code) const;

 private:
  // `pin`: NUL-terminated, or null for none.
  Session(const std::vector<ParamSetting>& settings, const std::string& root, const char* pin);

  sigcore::SigcoreLibrary library_;
  std::unique_ptr<sigcore::SigcoreEngineHandle> engine_;
};

}  // namespace sigtool
