#include "registration.h"

#include <windows.h>

#include <string>

#include "Loader_TLB.h"
#include "comerror.h"
#include "modulepath.h"
#include "typelibrary.h"
#include "winhandles.h"

namespace axgate {
namespace {

constexpr wchar_t kDescription[] = L"axgate_x";
constexpr wchar_t kProgId[] = L"axgate.XLoader";
constexpr wchar_t kThreadingModel[] = L"Apartment";

std::wstring GuidText(REFGUID guid) {
  wchar_t text[39];
  if (::StringFromGUID2(guid, text, 39) == 0) throw EComError(E_UNEXPECTED, "GUID text");
  return text;
}

std::wstring ClassKey() { return L"CLSID\\" + GuidText(CLSID_XLoader); }

void SetText(const std::wstring& keyPath, const wchar_t* name, const std::wstring& text) {
  HKEY created = nullptr;
  ThrowIfError(::RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created,
                                 nullptr),
               "create a class key");
  kit::UniqueRegKey key(created);
  ThrowIfError(::RegSetValueExW(key.Get(), name, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                DWORD((text.size() + 1) * sizeof(wchar_t))),
               "write a class value");
}

void DeleteTree(const std::wstring& keyPath) {
  const LONG status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath.c_str());
  if (status != ERROR_FILE_NOT_FOUND) ThrowIfError(status, "delete a class key");
}

// COM reads InprocServer32 as a plain path, but older loaders split it at a space, so a path
// with one is written in its 8.3 form. Where the volume keeps no short names the system
// returns the long path, which is still correct.
std::wstring InprocServerPath(const std::wstring& path) {
  if (path.find(L' ') == std::wstring::npos) return path;
  std::wstring shortPath(path.size() + 1, L'\0');
  for (;;) {
    const DWORD length =
        ::GetShortPathNameW(path.c_str(), shortPath.data(), DWORD(shortPath.size()));
    if (length == 0) throw EComError(HRESULT_FROM_WIN32(::GetLastError()), "short path");
    if (length < shortPath.size()) {
      shortPath.resize(length);
      return shortPath;
    }
    shortPath.resize(length);
  }
}

}  // namespace

void RegisterServer() {
  std::wstring path = ThisModulePath();
  const std::wstring classId = GuidText(CLSID_XLoader);
  const std::wstring classKey = ClassKey();
  SetText(classKey, nullptr, kDescription);
  SetText(classKey + L"\\InprocServer32", nullptr, InprocServerPath(path));
  SetText(classKey + L"\\InprocServer32", L"ThreadingModel", kThreadingModel);
  SetText(kProgId, nullptr, kDescription);
  SetText(std::wstring(kProgId) + L"\\Clsid", nullptr, classId);
  SetText(classKey + L"\\ProgID", nullptr, kProgId);
  ThrowIfFailed(::RegisterTypeLib(LoadOwnTypeLibrary().Get(), path.data(), nullptr),
                "register the type library");
}

void UnregisterServer() {
  DeleteTree(kProgId);
  DeleteTree(ClassKey());

  const auto library = LoadOwnTypeLibrary();
  TLIBATTR* attributes = nullptr;
  ThrowIfFailed(library->GetLibAttr(&attributes), "type library attributes");
  const TLIBATTR own = *attributes;
  library->ReleaseTLibAttr(attributes);
  // The system refuses to unregister a type library that is not registered; here that is
  // the state wanted, not a failure.
  BSTR registeredPath = nullptr;
  if (FAILED(::QueryPathOfRegTypeLib(own.guid, own.wMajorVerNum, own.wMinorVerNum, own.lcid,
                                     &registeredPath)))
    return;
  kit::UniqueBstr owner(registeredPath);
  ThrowIfFailed(::UnRegisterTypeLib(own.guid, own.wMajorVerNum, own.wMinorVerNum, own.lcid,
                                    own.syskind),
                "unregister the type library");
}

}  // namespace axgate
