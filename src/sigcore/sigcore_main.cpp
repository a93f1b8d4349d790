// sigcore's life in its host process: the provider cache is created with the library's static
// objects when it loads; what the process state holds goes when it unloads.
#include <windows.h>

#include "process_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) {
    // A non-null `reserved` means the process is ending: the other libraries may already be
    // detached, and they must not be unloaded under the loader lock, so the bindings only
    // wipe their secrets. A FreeLibrary of sigcore frees the bindings, the provider and
    // orvavk.dll.
    sigcore::ReleaseProcessState(reserved != nullptr);
  }
  return TRUE;
}
