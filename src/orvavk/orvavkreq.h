// The request manager behind orvavk.dll's exports: the forms a host created, the default form
// at handle 0, and the parameter protocol that reaches them. One lives from the library's load
// to its unload.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "orvavk_api.h"
#include "orvavkform.h"

namespace orvavk {

class TDataRequester {
 public:
  TDataRequester() = default;
  TDataRequester(const TDataRequester&) = delete;
  TDataRequester& operator=(const TDataRequester&) = delete;

  // A new form with its defaults. Handles are never 0 and never given out twice, so a handle
  // kept after its Close names no form rather than a later one.
  OrvaVKForm NewForm();
  int32_t Show(OrvaVKForm handle);
  // A form closed while it is being shown ends unconfirmed and is freed when its Show returns.
  void Close(OrvaVKForm handle);
  int32_t SetParamData(OrvaVKForm handle, int32_t id, int32_t intValue, const wchar_t* name,
                       const wchar_t* value);
  int32_t GetParamData(OrvaVKForm handle, int32_t id, const wchar_t* name, wchar_t* buffer,
                       int32_t* out);
  int32_t SetInputValue(OrvaVKForm handle, const char* name, const wchar_t* value);
  int32_t GetInputValue(OrvaVKForm handle, const char* name, wchar_t* buffer, int32_t* length);

 private:
  struct TEntry {
    OrvaVKForm handle;
    std::unique_ptr<TRequestPasswordForm> form;
    bool closed;
  };

  TRequestPasswordForm& DefaultForm();
  // Handle 0 is the default form; null when no open form has the handle.
  TRequestPasswordForm* Find(OrvaVKForm handle);
  void FreeClosedForms();

  std::vector<TEntry> forms_;
  std::unique_ptr<TRequestPasswordForm> default_;
  bool defaultShown_ = false;
  OrvaVKForm lastHandle_ = 0;
};

}  // namespace orvavk
