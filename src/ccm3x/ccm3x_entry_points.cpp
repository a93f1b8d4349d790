#include "ccm3x_entry_points.h"

#include <array>
#include <string_view>

#include "libload.h"

namespace ccm3x {
namespace {

constexpr std::array<std::string_view, 4> kOptional = {
    "GOSTH_file_digest", "CADB_rmdir", "CADB_token_logout", "CADB_token_get_id"};

template <class Function>
void Bind(HMODULE module, const char* name, Function& slot, std::vector<std::string>& missing) {
  slot = kit::ProcAddress<Function>(module, name);
  if (slot == nullptr && !IsOptionalEntryPoint(name)) missing.emplace_back(name);
}

// The I/O set from one library; `missing` collects every absent name, optional ones included,
// since ccomio.dll is used only when it has all of them.
void BindIoSet(HMODULE module, const char* setterName, EntryPoints& api,
               std::vector<std::string>& missing) {
#define CCM3X_BIND_ALL(name)                                  \
  api.name = kit::ProcAddress<decltype(&::name)>(module, #name); \
  if (api.name == nullptr) missing.emplace_back(#name);
  CCM3X_IO_ENTRY_POINTS(CCM3X_BIND_ALL)
#undef CCM3X_BIND_ALL
  api.SetTokenPasswdCallback =
      kit::ProcAddress<decltype(&::CADB_set_token_passwd_callback)>(module, setterName);
  if (api.SetTokenPasswdCallback == nullptr) missing.emplace_back(setterName);
}

}  // namespace

bool IsOptionalEntryPoint(const std::string& name) {
  for (std::string_view optional : kOptional)
    if (name == optional) return true;
  return false;
}

Binding BindEntryPoints(HMODULE ccom, HMODULE ccomio) {
  Binding result;
#define CCM3X_BIND(name) Bind(ccom, #name, result.api.name, result.missing);
  CCM3X_CCOM_ENTRY_POINTS(CCM3X_BIND)
#undef CCM3X_BIND

  if (ccomio != nullptr) {
    std::vector<std::string> absent;
    BindIoSet(ccomio, "CADB_set_token_passwd_callback", result.api, absent);
    if (absent.empty()) {
      result.ioFromCcomio = true;
      result.api.CADB_token_logout =
          kit::ProcAddress<decltype(&::CADB_token_logout)>(ccomio, "CADB_token_logout");
      result.api.CADB_token_get_id =
          kit::ProcAddress<decltype(&::CADB_token_get_id)>(ccomio, "CADB_token_get_id");
      return result;
    }
  }
  std::vector<std::string> absent;
  BindIoSet(ccom, "ETOKEN_set_passwd_callback", result.api, absent);
  for (const auto& name : absent)
    if (!IsOptionalEntryPoint(name)) result.missing.push_back(name);
  return result;
}

}  // namespace ccm3x
