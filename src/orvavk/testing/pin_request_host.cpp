#include "pin_request_host.h"

#include <windows.h>

#include "orvavk_api.h"

namespace orvavk::test {
namespace {

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                        static_cast<int>(text.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
  return wide;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow(text.size() * 2, '\0');
  narrow.resize(static_cast<size_t>(
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                            static_cast<int>(narrow.size()), nullptr, nullptr)));
  return narrow;
}

}  // namespace

bool TVKLibrary::Load() {
  if (module_) return true;
  std::wstring folder =
      kit::ModulePathW(kit::ModuleContaining(reinterpret_cast<const void*>(&RequestPinCode)));
  folder.erase(folder.find_last_of(L"\\/:") + 1);
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  module_.Reset(::LoadLibraryW((folder + fileName_).c_str()));
  if (!module_) {
    module_.Reset(::LoadLibraryW(fileName_.c_str()));
    if (module_) foundPath_ = kit::ModulePathW(module_.Get());
  }
  return static_cast<bool>(module_);
}

int32_t RequestInputValue(TVKLibrary& library, const std::wstring& caption,
                          const std::wstring& label, const std::wstring& info, std::wstring& value,
                          int32_t maxLength) {
  const intptr_t form = library.Call<decltype(&::NewForm)>("NewForm", 10);
  const auto set = [&](int32_t id, int32_t intValue, const wchar_t* name, const wchar_t* text) {
    return static_cast<int32_t>(library.Call<decltype(&::SetParamData)>("SetParamData", 11, form,
                                                                        id, intValue, name, text));
  };
  const auto get = [&](wchar_t* buffer, int32_t* length) {
    return static_cast<int32_t>(library.Call<decltype(&::GetInputValue)>("GetInputValue", 13, form,
                                                                         "Pass", buffer, length));
  };
  const auto steps = [&]() -> int32_t {
    int32_t result = set(VKP_INPUT, 1, L"Pass", label.c_str());
    if (!result && maxLength != -1) result = set(VKP_MAX_LENGTH, maxLength, L"Pass", nullptr);
    if (!result) result = set(VKP_CAPTION, 0, nullptr, caption.c_str());
    if (!result) result = set(VKP_INFO_TEXT, 0, nullptr, info.c_str());
    if (!result) result = static_cast<int32_t>(library.Call<decltype(&::Show)>("Show", 10, form));
    int32_t length = 0;
    if (!result) result = get(nullptr, &length);
    if (result) return result;
    value.assign(static_cast<size_t>(length), L'\0');
    return get(value.data(), &length);
  };
  const int32_t result = steps();
  library.Call<decltype(&::Close)>("Close", 13, form);
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
