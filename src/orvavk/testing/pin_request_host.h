// A host of orvavk.dll that asks for a key's PIN exactly as the crypto engine does: it loads
// the library by name (from its own module's folder first, then through the system's search),
// looks every export up by name at each call, and drives one form through NewForm,
// SetParamData, Show, GetInputValue and Close. The tests put it where the engine will stand.
#pragma once

#include <cstdint>
#include <string>

#include "winhandles.h"

namespace orvavk::test {

class TVKLibrary {
 public:
  explicit TVKLibrary(std::wstring fileName = L"ORVAVK.DLL") : fileName_(std::move(fileName)) {}

  // Loads the library once; true while it is loaded.
  bool Load();
  // The full path of a library that only the system's search found.
  const std::wstring& FoundPath() const { return foundPath_; }

  // Each returns the export's result; 1 without the library; for a missing export NewForm and
  // Show give 10, SetParamData 11, GetInputValue and Close 13.
  intptr_t NewForm();
  int32_t SetParamData(intptr_t form, int32_t id, int32_t intValue, const wchar_t* name,
                       const wchar_t* value);
  int32_t Show(intptr_t form);
  int32_t GetInputValue(intptr_t form, const char* name, wchar_t* buffer, int32_t* length);
  int32_t Close(intptr_t form);

 private:
  template <class Function>
  Function Export(const char* name);

  std::wstring fileName_;
  kit::UniqueModule module_;
  std::wstring foundPath_;
};

// One masked field "Pass" labelled `label`; `maxLength` -1 leaves the library's default. The
// first failing step's result is returned, and the form is closed in every case.
int32_t RequestInputValue(TVKLibrary& library, const std::wstring& caption,
                          const std::wstring& label, const std::wstring& info, std::wstring& value,
                          int32_t maxLength);

// The key's PIN in the ANSI code page; `maxLength` -1 means 255.
int32_t RequestPinCode(TVKLibrary& library, const std::string& keyName, std::string& pin,
                       int32_t maxLength);

}  // namespace orvavk::test
