// The four entry points through which COM and regsvr32 use the server. Each one turns every
// failure into its result; no exception crosses them.
#include <windows.h>
#include <olectl.h>

#include "Loader_TLB.h"
#include "classfactory.h"
#include "registration.h"
#include "serverlock.h"

namespace {

HRESULT RegistrationResult(void (*step)()) noexcept {
  try {
    step();
    return S_OK;
  } catch (...) {
    // regsvr32 and the updater only tell success from failure.
    return E_FAIL;
  }
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (classId != CLSID_XLoader) return CLASS_E_CLASSNOTAVAILABLE;
  return axgate::TXLoaderFactory::Instance().QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return axgate::ServerLock::IsLocked() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return RegistrationResult(axgate::RegisterServer); }

STDAPI DllUnregisterServer() { return RegistrationResult(axgate::UnregisterServer); }
