// The provider's entry points as the kit binds them: one typed slot per name of ccm3x_h.h,
// resolved from the loaded ccom.dll and, for the I/O set, from ccomio.dll when it is complete.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ccm3x_h.h"

namespace ccm3x {

// A null slot means the library does not export the name.
struct EntryPoints {
#define CCM3X_SLOT(name) decltype(&::name) name = nullptr;
  CCM3X_CCOM_ENTRY_POINTS(CCM3X_SLOT)
  CCM3X_IO_ENTRY_POINTS(CCM3X_SLOT)
  CCM3X_CCOMIO_ENTRY_POINTS(CCM3X_SLOT)
#undef CCM3X_SLOT
  // ETOKEN_set_passwd_callback of ccom.dll or CADB_set_token_passwd_callback of ccomio.dll,
  // whichever library gives the I/O set.
  decltype(&::CADB_set_token_passwd_callback) SetTokenPasswdCallback = nullptr;
};

struct Binding {
  EntryPoints api;
  // Whether the I/O set (and the token logout and identifier calls) came from ccomio.dll.
  bool ioFromCcomio = false;
  // Required names that neither library gave; empty means the provider is complete.
  std::vector<std::string> missing;
};

// Resolves every name from `ccom` (which must be loaded) and the I/O set from `ccomio` (null
// when it is not loaded). An incomplete ccomio.dll is ignored as a whole: its token logout
// must not be called for logins that ccom.dll's own file calls made.
Binding BindEntryPoints(HMODULE ccom, HMODULE ccomio);

// The names that a complete provider may lack.
bool IsOptionalEntryPoint(const std::string& name);

}  // namespace ccm3x
