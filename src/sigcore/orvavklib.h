// The binding of orvavk.dll, the library of request forms with an on-screen keyboard, which
// sigcore uses to ask for the PIN of a token key directory. It is loaded on the first request
// that needs it and kept until sigcore unloads; without it every request answers 1 ("not
// loaded") and the PIN falls through to the host's plain password function.
//
// Each wrapper looks its export up by name at every call and answers 1 when the library is not
// loaded, or a fixed code when the export is missing: NewForm and Show 10, SetParamData 11,
// GetInputValue and Close 13.
#pragma once

#include <cstdint>
#include <string>

#include "orvavk_api.h"
#include "secret_buffer.h"

namespace sigcore {

// Loads orvavk.dll once: from sigcore's own directory, else through the system search order.
bool LoadVKLibrary();
// The same, looking first in `directory` (which ends in "\"): what LoadVKLibrary does with
// sigcore's own directory.
bool LoadVKLibraryFrom(const std::wstring& directory);
// The full path of the loaded library; empty when none is loaded.
std::wstring VKLibraryPath();
// At sigcore's unload. When the process is ending the library is left alone: it may be
// detached already, and nothing may be unloaded under the loader lock.
void ReleaseVKLibrary(bool processExit) noexcept;

OrvaVKForm VKNewForm();
int32_t VKSetParamData(OrvaVKForm form, int32_t id, int32_t intValue, const wchar_t* name,
                       const wchar_t* value);
int32_t VKShow(OrvaVKForm form);
int32_t VKGetInputValue(OrvaVKForm form, const char* name, wchar_t* buffer, int32_t* length);
int32_t VKClose(OrvaVKForm form);

// Shows a form with one masked field "Pass" and reads what was entered into `value`
// (NUL-terminated). 0 when the user confirmed, 1 when the user cancelled or the library is
// missing, another code when a step failed; the form is closed in every case. A `maxLength` of
// -1 keeps the library's default.
int32_t RequestInputValue(const std::wstring& caption, const std::wstring& label,
                          const std::wstring& info, SecretBuffer<wchar_t>& value,
                          int32_t maxLength);

// Asks for the PIN of the token key directory `keyName`; on 0 `pin` holds it NUL-terminated in
// the ANSI code page. A `maxLength` of -1 means 255.
int32_t RequestPinCode(const std::string& keyName, SecretBuffer<char>& pin, int32_t maxLength);

}  // namespace sigcore
