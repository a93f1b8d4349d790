// A host for the provider's tests: ccom.dll, with or without ccomio.dll, copied into a fresh
// folder, loaded by file name and bound through the kit's own binding (ccm3x_entry_points.h),
// as the kit does. It has a token root of its own, scripted token-password and keystroke
// callbacks, and runs ccomtoken.exe.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ccm3x_entry_points.h"
#include "childprocess.h"

namespace ccom_test {

// What the token-password callback answers and what it was asked.
struct PinScript {
  std::vector<std::string> answers;  // one per call; "" answers no PIN; the last one repeats
  std::vector<std::string> asked;    // the object paths of the calls
};
PinScript& Pins();
int CCM3X_CALL ScriptedPin(char* buffer, int size, int reserved, const char* objectPath);

// What the keystroke callback does: type each requested character, or answer `abortAnswer` at
// keystroke `abortAt` (0: never).
struct KeystrokeScript {
  int abortAt = 0;
  int abortAnswer = -1;
  std::vector<int> indexes;  // every index asked, in order
};
KeystrokeScript& Keystrokes();
int CCM3X_CALL ScriptedKeystroke(int requested, int index, int total, void* userData);

class ProviderHost {
 public:
  explicit ProviderHost(bool withCcomio = true);
  ~ProviderHost();
  ProviderHost(const ProviderHost&) = delete;
  ProviderHost& operator=(const ProviderHost&) = delete;

  const ccm3x::EntryPoints& Api() const { return binding_.api; }
  const ccm3x::Binding& Binding() const { return binding_; }
  HMODULE Ccom() const { return ccom_; }
  // A path inside the host's folder.
  std::string Path(const std::string& name) const { return folder_ + "\\" + name; }
  std::string TokenRoot() const { return Path("tokens"); }
  // The calling thread's last provider failure: "code: text".
  std::string LastError() const;
  int LastCode() const { return binding_.api.ERR_get_last_error(); }
  // Runs ccomtoken.exe with the host's token root.
  wintest::ProgramResult Token(const std::string& arguments) const;

 private:
  std::string folder_;
  HMODULE ccom_ = nullptr;
  HMODULE ccomio_ = nullptr;
  ccm3x::Binding binding_;
};

// A key container on the host's provider, freed with it.
class Container {
 public:
  explicit Container(const ProviderHost& host) : api_(host.Api()), ctx_(api_.PSE_CTX_new()) {}
  ~Container() { api_.PSE_CTX_free(ctx_); }
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  // PSE_CTX_set_path, _set_rand_callback, then _read or _generate: 1 or 0.
  int Open(const std::string& place, bool generate = false);
  // The copy of this open container that the kit makes for each operation.
  int CopyInto(Container& copy) const;
  PSE_CTX* Ctx() const { return ctx_; }
  PSE* Pse() const { return api_.PSE_CTX_get_pse(ctx_); }

 private:
  const ccm3x::EntryPoints& api_;
  PSE_CTX* ctx_;
};

}  // namespace ccom_test
