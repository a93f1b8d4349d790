// orvavk.dll: the request manager lives from load to unload, and the exports reach it. No
// exception crosses an export: a failure inside the library is VK_ERR_FAILED.
#include <windows.h>

#include <memory>

#include "orvavk_api.h"
#include "orvavkreq.h"
#include "panel.h"

namespace {

std::unique_ptr<orvavk::TDataRequester> requester;

template <class Body>
int32_t Guarded(Body&& body) noexcept {
  try {
    return body(*requester);
  } catch (...) {
    return VK_ERR_FAILED;
  }
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      ::DisableThreadLibraryCalls(instance);
      try {
        requester = std::make_unique<orvavk::TDataRequester>();
      } catch (...) {
        return FALSE;
      }
      break;
    case DLL_PROCESS_DETACH:
      // Freeing the forms wipes the values they hold.
      requester.reset();
      // A process that is ending takes its window classes with it; an unloaded library must not
      // leave classes whose window procedure is gone.
      if (!reserved) orvavk::UnregisterWindowClasses();
      break;
    default:
      break;
  }
  return TRUE;
}

OrvaVKForm ORVAVK_CALL NewForm(void) {
  try {
    return requester->NewForm();
  } catch (...) {
    // Handle 0 still reaches a working form: the default one.
    return 0;
  }
}

int32_t ORVAVK_CALL Show(OrvaVKForm form) {
  return Guarded([&](orvavk::TDataRequester& forms) { return forms.Show(form); });
}

// Close has no result: a failure is simply not reported.
void ORVAVK_CALL Close(OrvaVKForm form) {
  Guarded([&](orvavk::TDataRequester& forms) {
    forms.Close(form);
    return VK_OK;
  });
}

int32_t ORVAVK_CALL SetParamData(OrvaVKForm form, int32_t paramId, int32_t intValue,
                                 const wchar_t* name, const wchar_t* value) {
  return Guarded([&](orvavk::TDataRequester& forms) {
    return forms.SetParamData(form, paramId, intValue, name, value);
  });
}

int32_t ORVAVK_CALL GetParamData(OrvaVKForm form, int32_t paramId, const wchar_t* name,
                                 wchar_t* buffer, int32_t* out) {
  return Guarded([&](orvavk::TDataRequester& forms) {
    return forms.GetParamData(form, paramId, name, buffer, out);
  });
}

int32_t ORVAVK_CALL SetInputValue(OrvaVKForm form, const char* name, const wchar_t* value) {
  return Guarded(
      [&](orvavk::TDataRequester& forms) { return forms.SetInputValue(form, name, value); });
}

int32_t ORVAVK_CALL GetInputValue(OrvaVKForm form, const char* name, wchar_t* buffer,
                                  int32_t* length) {
  return Guarded([&](orvavk::TDataRequester& forms) {
    return forms.GetInputValue(form, name, buffer, length);
  });
}

}  // extern "C"
