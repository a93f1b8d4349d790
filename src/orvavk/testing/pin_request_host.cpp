#include "pin_request_host.h"

#include <windows.h>

#include "libload.h"
#include "orvavk_api.h"

namespace orvavk::test {
namespace {

constexpr int32_t kNotLoaded = 1;

std::wstring Widen(const std::string& text) {
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(size > 0 ? size : 1), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

std::string Narrow(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(size > 0 ? size : 1), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), size, nullptr, nullptr);
  narrow.pop_back();
  return narrow;
}

}  // namespace

bool TVKLibrary::Load() {
  if (module_) return true;
  HMODULE self = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&RequestPinCode), &self);
  wchar_t path[MAX_PATH] = {};
  std::wstring folder(path, ::GetModuleFileNameW(self, path, MAX_PATH));
  folder.erase(folder.find_last_of(L"\\/:") + 1);
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  module_.Reset(::LoadLibraryW((folder + fileName_).c_str()));
  if (!module_) {
    module_.Reset(::LoadLibraryW(fileName_.c_str()));
    if (module_) foundPath_.assign(path, ::GetModuleFileNameW(module_.Get(), path, MAX_PATH));
  }
  return static_cast<bool>(module_);
}

template <class Function>
Function TVKLibrary::Export(const char* name) {
  return kit::ProcAddress<Function>(module_.Get(), name);
}

intptr_t TVKLibrary::NewForm() {
  if (!Load()) return kNotLoaded;
  const auto function = Export<decltype(&::NewForm)>("NewForm");
  return function ? function() : 10;
}

int32_t TVKLibrary::SetParamData(intptr_t form, int32_t id, int32_t intValue, const wchar_t* name,
                                 const wchar_t* value) {
  if (!Load()) return kNotLoaded;
  const auto function = Export<decltype(&::SetParamData)>("SetParamData");
  return function ? function(form, id, intValue, name, value) : 11;
}

int32_t TVKLibrary::Show(intptr_t form) {
  if (!Load()) return kNotLoaded;
  const auto function = Export<decltype(&::Show)>("Show");
  return function ? function(form) : 10;
}

int32_t TVKLibrary::GetInputValue(intptr_t form, const char* name, wchar_t* buffer,
                                  int32_t* length) {
  if (!Load()) return kNotLoaded;
  const auto function = Export<decltype(&::GetInputValue)>("GetInputValue");
  return function ? function(form, name, buffer, length) : 13;
}

int32_t TVKLibrary::Close(intptr_t form) {
  if (!Load()) return kNotLoaded;
  const auto function = Export<decltype(&::Close)>("Close");
  if (!function) return 13;
  function(form);
  return 0;
}

int32_t RequestInputValue(TVKLibrary& library, const std::wstring& caption,
                          const std::wstring& label, const std::wstring& info, std::wstring& value,
                          int32_t maxLength) {
  const intptr_t form = library.NewForm();
  const auto steps = [&]() -> int32_t {
    if (const int32_t result = library.SetParamData(form, VKP_INPUT, 1, L"Pass", label.c_str()))
      return result;
    if (maxLength != -1)
      if (const int32_t result =
              library.SetParamData(form, VKP_MAX_LENGTH, maxLength, L"Pass", nullptr))
        return result;
    if (const int32_t result = library.SetParamData(form, VKP_CAPTION, 0, nullptr, caption.c_str()))
      return result;
    if (const int32_t result = library.SetParamData(form, VKP_INFO_TEXT, 0, nullptr, info.c_str()))
      return result;
    if (const int32_t result = library.Show(form)) return result;
    int32_t length = 0;
    if (const int32_t result = library.GetInputValue(form, "Pass", nullptr, &length)) return result;
    value.assign(static_cast<size_t>(length), L'\0');
    return library.GetInputValue(form, "Pass", value.data(), &length);
  };
  const int32_t result = steps();
  library.Close(form);
  return result;
}

int32_t RequestPinCode(TVKLibrary& library, const std::string& keyName, std::string& pin,
                       int32_t maxLength) {
  std::wstring value;
  const int32_t result =
      RequestInputValue(library, L"Password", L"Pin code for the key: " + Widen(keyName),
                        L"You may use system keyboard, but it is not recommended...", value,
                        maxLength == -1 ? 255 : maxLength);
  if (result == 0) pin = Narrow(value);
  return result;
}

}  // namespace orvavk::test
