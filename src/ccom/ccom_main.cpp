// ccom.dll: a thread that ends takes its last failure with it.
#include <windows.h>

#include "err_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_DETACH) ccom::ForgetThreadFailure(::GetCurrentThreadId());
  return TRUE;
}
