// How a host binds sigcore.dll: loaded by name (or path), every export looked up by its name,
// engines owned for their lifetime.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "libload.h"
#include "sigcore_api.h"
#include "winhandles.h"

namespace sigcore {

class SigcoreLibrary {
 public:
  // A bare name is found as the system finds any library: beside the host program first.
  explicit SigcoreLibrary(const std::string& file = "sigcore.dll")
      : module_(::LoadLibraryA(file.c_str())) {
    if (!module_) return;
#define SIGCORE_BIND(name)                                                 \
  api.name = kit::ProcAddress<decltype(&::name)>(module_.Get(), #name);    \
  if (api.name == nullptr) missing_.emplace_back(#name);
    SIGCORE_EXPORTS(SIGCORE_BIND)
#undef SIGCORE_BIND
  }

  bool Loaded() const { return static_cast<bool>(module_); }
  HMODULE Module() const { return module_.Get(); }
  // Exports the library lacks; a complete sigcore.dll has none missing.
  const std::vector<std::string>& Missing() const { return missing_; }

  struct Exports {
#define SIGCORE_SLOT(name) decltype(&::name) name = nullptr;
    SIGCORE_EXPORTS(SIGCORE_SLOT)
#undef SIGCORE_SLOT
  } api;

 private:
  kit::UniqueModule module_;
  std::vector<std::string> missing_;
};

// An engine from GetCryptObj, given back with DoneEngine.
class SigcoreEngineHandle {
 public:
  explicit SigcoreEngineHandle(const SigcoreLibrary::Exports& api)
      : api_(api), engine_(api.GetCryptObj(0)) {}
  ~SigcoreEngineHandle() { api_.DoneEngine(engine_); }
  SigcoreEngineHandle(const SigcoreEngineHandle&) = delete;
  SigcoreEngineHandle& operator=(const SigcoreEngineHandle&) = delete;

  SigcoreEngine Get() const { return engine_; }
  operator SigcoreEngine() const { return engine_; }

 private:
  const SigcoreLibrary::Exports& api_;
  SigcoreEngine engine_;
};

}  // namespace sigcore
