#include "orvavklib.h"

#include <windows.h>

#include <mutex>

#include "ccm3x_loader.h"
#include "libload.h"
#include "winhandles.h"

namespace sigcore {
namespace {

constexpr wchar_t kLibraryName[] = L"ORVAVK.DLL";
constexpr int32_t kNotLoaded = 1;
constexpr int32_t kNoNewFormOrShow = 10;
constexpr int32_t kNoSetParamData = 11;
constexpr int32_t kNoGetInputValueOrClose = 13;
constexpr int32_t kDefaultPinLength = 255;
constexpr const char* kField = "Pass";
constexpr const wchar_t* kWideField = L"Pass";

std::mutex libraryLock;
kit::UniqueModule library;

HMODULE Library() {
  std::lock_guard guard(libraryLock);
  return library.Get();
}

template <class Function>
Function Export(const char* name) {
  const HMODULE module = Library();
  return module != nullptr ? kit::ProcAddress<Function>(module, name) : nullptr;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

// The steps of a request up to its Close; the first failing step's result ends it.
int32_t AskInForm(OrvaVKForm form, const std::wstring& caption, const std::wstring& label,
                  const std::wstring& info, SecretBuffer<wchar_t>& value, int32_t maxLength) {
  int32_t result = VKSetParamData(form, VKP_INPUT, 1, kWideField, label.c_str());
  if (result == 0 && maxLength != -1)
    result = VKSetParamData(form, VKP_MAX_LENGTH, maxLength, kWideField, nullptr);
  if (result == 0) result = VKSetParamData(form, VKP_CAPTION, 0, nullptr, caption.c_str());
  if (result == 0) result = VKSetParamData(form, VKP_INFO_TEXT, 0, nullptr, info.c_str());
  if (result == 0) result = VKShow(form);
  int32_t length = 0;
  if (result == 0) result = VKGetInputValue(form, kField, nullptr, &length);
  if (result != 0) return result;
  // The library writes the value and its NUL.
  value.Assign(static_cast<size_t>(length > 0 ? length : 0) + 1);
  if (length > 0) result = VKGetInputValue(form, kField, value.data(), &length);
  value.data()[value.size() - 1] = L'\0';
  return result;
}

}  // namespace

bool LoadVKLibraryFrom(const std::wstring& directory) {
  std::lock_guard guard(libraryLock);
  if (library) return true;
  library.Reset(::LoadLibraryW((directory + kLibraryName).c_str()));
  if (!library) library.Reset(::LoadLibraryW(kLibraryName));
  return static_cast<bool>(library);
}

bool LoadVKLibrary() {
  std::wstring directory = kit::ModulePathW(OwnModule());
  directory.erase(directory.find_last_of(L"\\/:") + 1);
  if (!directory.empty() && directory.back() == L':') directory += L'\\';
  return LoadVKLibraryFrom(directory);
}

std::wstring VKLibraryPath() {
  const HMODULE module = Library();
  return module != nullptr ? kit::ModulePathW(module) : std::wstring();
}

void ReleaseVKLibrary(bool processExit) noexcept {
  std::lock_guard guard(libraryLock);
  if (processExit)
    (void)library.Release();
  else
    library.Reset();
}

OrvaVKForm VKNewForm() {
  if (Library() == nullptr) return kNotLoaded;
  const auto newForm = Export<decltype(&::NewForm)>("NewForm");
  return newForm != nullptr ? newForm() : kNoNewFormOrShow;
}

int32_t VKSetParamData(OrvaVKForm form, int32_t id, int32_t intValue, const wchar_t* name,
                       const wchar_t* value) {
  if (Library() == nullptr) return kNotLoaded;
  const auto set = Export<decltype(&::SetParamData)>("SetParamData");
  return set != nullptr ? set(form, id, intValue, name, value) : kNoSetParamData;
}

int32_t VKShow(OrvaVKForm form) {
  if (Library() == nullptr) return kNotLoaded;
  const auto show = Export<decltype(&::Show)>("Show");
  return show != nullptr ? show(form) : kNoNewFormOrShow;
}

int32_t VKGetInputValue(OrvaVKForm form, const char* name, wchar_t* buffer, int32_t* length) {
  if (Library() == nullptr) return kNotLoaded;
  const auto get = Export<decltype(&::GetInputValue)>("GetInputValue");
  return get != nullptr ? get(form, name, buffer, length) : kNoGetInputValueOrClose;
}

int32_t VKClose(OrvaVKForm form) {
  if (Library() == nullptr) return kNotLoaded;
  const auto close = Export<decltype(&::Close)>("Close");
  if (close == nullptr) return kNoGetInputValueOrClose;
  close(form);
  return 0;
}

int32_t RequestInputValue(const std::wstring& caption, const std::wstring& label,
                          const std::wstring& info, SecretBuffer<wchar_t>& value,
                          int32_t maxLength) {
  const OrvaVKForm form = VKNewForm();
  const int32_t result = AskInForm(form, caption, label, info, value, maxLength);
  VKClose(form);
  return result;
}

int32_t RequestPinCode(const std::string& keyName, SecretBuffer<char>& pin, int32_t maxLength) {
  SecretBuffer<wchar_t> value;
  const int32_t result = RequestInputValue(
      L"Password", L"Pin code for the key: " + Widen(keyName),
      L"You may use system keyboard, but it is not recommended...", value,
      maxLength == -1 ? kDefaultPinLength : maxLength);
  if (result != 0) return result;
  const int length = static_cast<int>(wcslen(value.data()));
  const int bytes =
      ::WideCharToMultiByte(CP_ACP, 0, value.data(), length, nullptr, 0, nullptr, nullptr);
  pin.Assign(static_cast<size_t>(bytes) + 1);
  ::WideCharToMultiByte(CP_ACP, 0, value.data(), length, pin.data(), bytes, nullptr, nullptr);
  return 0;
}

}  // namespace sigcore
