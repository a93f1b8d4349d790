// TCCom3xDll_loader: the provider libraries of the process. The first binding loads ccom.dll
// (and ccomio.dll when it is there) under the loader's lock and calls CADB_init once; they
// stay loaded until sigcore itself is unloaded.
#pragma once

#include <string>

#include "ccm3x_h.h"
#include "winhandles.h"

namespace sigcore {

class TCCom3xDll_loader {
 public:
  // Loads the libraries; the process has one loader, reached through Acquire.
  TCCom3xDll_loader();
  TCCom3xDll_loader(const TCCom3xDll_loader&) = delete;
  TCCom3xDll_loader& operator=(const TCCom3xDll_loader&) = delete;
  // Unloads ccomio.dll, then closes and unloads ccom.dll.
  ~TCCom3xDll_loader();

  // The process's loader, loading the libraries on first use.
  static const TCCom3xDll_loader& Acquire();
  // Frees the loader at sigcore's unload. When the process is ending the libraries are left
  // alone: they may be detached already, and under the loader lock nothing may be unloaded.
  static void Release(bool processExit) noexcept;

  // Null when the library is not loaded; ccom.dll without CADB_init counts as not loaded.
  HMODULE Ccom() const noexcept { return ccom_.Get(); }
  HMODULE Ccomio() const noexcept { return ccomio_.Get(); }

 private:
  kit::UniqueModule ccom_;
  kit::UniqueModule ccomio_;
  decltype(&::CADB_close) close_ = nullptr;
};

// Loads a provider library by its bare name: from the host program's directory or through the
// system search order, and failing that from the directory of sigcore's own module, where the
// kit is installed together with its provider.
kit::UniqueModule LoadProviderLibrary(const std::string& bareName);

// The module that holds this code (sigcore.dll), and its directory with a trailing "\".
HMODULE OwnModule();
std::string OwnModuleDirectory();

}  // namespace sigcore
