// A host of orvavk.dll that asks for a key's PIN exactly as the crypto engine does: it loads
// the library by name (from its own module's folder first, then through the system's search),
// looks every export up by name at each call, and drives one form through NewForm,
// SetParamData, Show, GetInputValue and Close. The tests put it where the engine will stand.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "libload.h"
#include "winhandles.h"

namespace orvavk::test {

class TVKLibrary {
 public:
  explicit TVKLibrary(std::wstring fileName = L"ORVAVK.DLL") : fileName_(std::move(fileName)) {}

  // Loads the library once; true while it is loaded.
  bool Load();
  // The full path of a library that only the system's search found.
  const std::wstring& FoundPath() const { return foundPath_; }

  // The export's result (0 for one without); 1 without the library; `missing` when the library
  // lacks the export.
  template <class Function, class... Args>
  intptr_t Call(const char* name, intptr_t missing, Args... args) {
    if (!Load()) return 1;
    const auto function = kit::ProcAddress<Function>(module_.Get(), name);
    if (!function) return missing;
    if constexpr (std::is_void_v<std::invoke_result_t<Function, Args...>>) {
      function(args...);
      return 0;
    } else {
      return function(args...);
    }
  }

 private:
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
