#include "ce_ccm3x.h"

#include <windows.h>

#include <cstring>
#include <memory>

#include "ccm3x_loader.h"
#include "fileutil.h"
#include "password_slots.h"

namespace sigcore {
namespace {

// What a failure is reported as when the provider gives no code of its own for it: a failure
// must never read as success.
constexpr int32_t kProviderInternalError = 12;

double LocalTimeOfDay() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return (now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0) /
         86400.0;
}

}  // namespace

TCCom3x_DLL::TCCom3x_DLL() : clock_(LocalTimeOfDay) {
  const TCCom3xDll_loader& loader = TCCom3xDll_loader::Acquire();
  if (loader.Ccom() == nullptr) return;
  libraryLoaded_ = true;
  ccm3x::Binding binding = ccm3x::BindEntryPoints(loader.Ccom(), loader.Ccomio());
  api_ = binding.api;
  allEntryPointsPresent_ = binding.missing.empty();
}

TCCom3x_DLL::~TCCom3x_DLL() {
  // Only a complete provider ever opened anything.
  if (!allEntryPointsPresent_) return;
  try {
    ClearKeySessionAndCache();
    ClearAgreementState();
    if (!tokenName_.empty() && api_.CADB_token_logout != nullptr)
      api_.CADB_token_logout((tokenName_ + ":\\").c_str());
  } catch (...) {
    // A binding goes at sigcore's unload, where nothing can be reported.
  }
}

void TCCom3x_DLL::SetPasswordFunc(PasswordRequestFunc function) {
  if (FillPasswordSlot(function)) api_.SetTokenPasswdCallback(&TokenPinCallback);
}

void TCCom3x_DLL::SetKeyDirPasswordFunc(KeyDirPasswordRequestFunc function) {
  if (FillKeyDirPasswordSlot(function)) api_.SetTokenPasswdCallback(&TokenPinCallback);
}

int32_t TCCom3x_DLL::Check(int result, int expected, const TCCom3x_UserParam& params) const {
  return result == expected ? SIGCORE_OK : ProviderFailure(params);
}

int32_t TCCom3x_DLL::ProviderFailure(const TCCom3x_UserParam& params) const {
  return ProviderFailure(params.detailErrorFile);
}

int32_t TCCom3x_DLL::ProviderFailure(const std::string& detailErrorFile) const {
  const int32_t code = api_.ERR_get_last_error();
  if (!detailErrorFile.empty()) {
    const auto release = [this](char* text) { api_.CCLIB_mem_free(text); };
    const std::unique_ptr<char, decltype(release)> text(api_.ERR_get_errors(), release);
    if (text && text.get()[0] != '\0')
      kit::WriteBufferToFile(detailErrorFile, text.get(),
                             static_cast<int32_t>(std::strlen(text.get())));
  }
  return code > 0 ? code : kProviderInternalError;
}

void TCCom3x_DLL::WipeSecrets() noexcept {
  // The process is ending: other threads are gone, and a lock they held stays held, so the
  // secrets are overwritten without taking one.
  gost::SecureWipe(ownSecretKey_->data(), ownSecretKey_->size());
  for (auto& [uid, key] : agreedKeys_) gost::SecureWipe(key->data(), key->size());
}

}  // namespace sigcore
