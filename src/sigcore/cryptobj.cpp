#include "cryptobj.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "root_path.h"

namespace sigcore {
namespace {

constexpr int32_t kNotSupported = SIGCORE_NOT_SUPPORTED;

// Copies at most `limit` characters of `text` and a NUL.
void CopyText(const std::string& text, size_t limit, char* out) {
  const size_t length = std::min(text.size(), limit);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

}  // namespace

int32_t TCryptoEngine::ReservedImport9(void*, const void*, int32_t) { return kNotSupported; }
int32_t TCryptoEngine::IncludePKBuffer(void*, const void*, int32_t) { return kNotSupported; }
int32_t TCryptoEngine::ReservedImport3(void* reserved, const void* data, int32_t length) {
  return IncludePKBuffer(reserved, data, length);
}
int32_t TCryptoEngine::ReservedImport5(void*, const void*, int32_t) { return kNotSupported; }
int32_t TCryptoEngine::ReservedImport6(void*, const void*) { return kNotSupported; }
int32_t TCryptoEngine::IncludePKBufferCashOnly(void*, const void*, int32_t) {
  return kNotSupported;
}
int32_t TCryptoEngine::IncludeSelfPKBufferCashOnly(void*, const void*, int32_t) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedImport12(void*, const void*, int32_t) { return kNotSupported; }
int32_t TCryptoEngine::ImportTokenLogoutFlag() { return kNotSupported; }
int32_t TCryptoEngine::ImportKeyDirPasswordRequestFunc(void*, const void*) {
  return kNotSupported;
}

int32_t TCryptoEngine::ReservedExport4(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport5(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportSelfOpenKeyPresenFlag(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportCashOpenKeySupport(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportOpenKey(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportTransferContent(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport7(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport18(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportRG_WO_dir_support(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport10(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::TokenKeyDirOperation(int32_t, const void*, void*, int32_t, void*,
                                            int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportRequestForNewKey(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportKeyReportByBuffer(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportTransferByBuffer(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ExportParamCheckRes(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}

int32_t TCryptoEngine::CheckSecretKeyReady(const void*, int32_t, void*, void* out,
                                           int32_t* size) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  const int32_t uidCapacity = GetMaxUIDLength();
  if (*size < uidCapacity) {
    // A size query, or a buffer too small for the signer's UID that verification writes.
    *size = uidCapacity;
    return out == nullptr ? SIGCORE_OK : SIGCORE_BUFFER_TOO_SMALL;
  }
  if (out == nullptr) return SIGCORE_BAD_ARGUMENT;

  static constexpr char kProbe[] = "Data for sign to check secret key ready";
  const auto* probe = reinterpret_cast<const unsigned char*>(kProbe);
  constexpr int32_t kProbeLength = sizeof kProbe - 1;
  std::vector<unsigned char> signature(static_cast<size_t>(GetMaxSignatureLength()));
  auto signatureLength = static_cast<int32_t>(signature.size());
  char* uid = static_cast<char*>(out);
  // The UID buffer goes along as the reserved argument, as the signing engine may use it.
  int32_t result = SignData(probe, kProbeLength, signature.data(), &signatureLength, out);
  if (result != SIGCORE_OK) return result;
  uid[0] = '\0';
  result = VerifyData(probe, kProbeLength, signature.data(), signatureLength, uid);
  if (result == SIGCORE_OK) *size = static_cast<int32_t>(strnlen(uid, uidCapacity));
  return result;
}

int32_t TCryptoEngine::ReservedExport21(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport201(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport19(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport22(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport24(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ReservedExport25(const void*, int32_t, void*, void*, int32_t*) {
  return kNotSupported;
}

void TCryptoEngine::SetPasswordRequestFunc(PasswordRequestFunc function) {
  passwordRequestFunc_ = function;
}
void TCryptoEngine::SetKeyDirPasswordRequestFunc(KeyDirPasswordRequestFunc function) {
  keyDirPasswordRequestFunc_ = function;
}
void TCryptoEngine::SetRemoteGeneratePath(const std::string& path) {
  remoteGeneratePath_ = ExpandRootPath(path, rootPath_);
  if (!remoteGeneratePath_.empty() && remoteGeneratePath_.back() != '\\')
    remoteGeneratePath_ += '\\';
}
void TCryptoEngine::SetRootPath(const std::string& path) {
  rootPath_ = path;
  if (!rootPath_.empty() && rootPath_.back() != '\\') rootPath_ += '\\';
}

int32_t TCryptoEngine::GetMaxEncodeAddition() { return 255; }
int32_t TCryptoEngine::GetMaxSignatureLength() { return 255; }
int32_t TCryptoEngine::GetMaxUIDLength() { return 255; }
int32_t TCryptoEngine::GetMaxCryptoParamNameLength() { return 255; }
int32_t TCryptoEngine::GetMaxCryptoParamValueLength() { return 1024; }
int32_t TCryptoEngine::GetMaxErrorStringLength() { return 255; }
int32_t TCryptoEngine::GetMaxPasswordLength() { return 255; }

void TCryptoEngine::AddParam(const std::string& name, const std::string& value) {
  paramNames_.push_back(name);
  paramValues_.push_back(value);
}

int32_t TCryptoEngine::GetCryptoParamNumber() {
  return static_cast<int32_t>(paramNames_.size());
}

void TCryptoEngine::GetCryptoParamName(int32_t number, char* name) {
  if (name == nullptr) return;
  if (number < 1 || number > GetCryptoParamNumber()) return CopyText({}, 0, name);
  CopyText(paramNames_[number - 1], GetMaxCryptoParamNameLength() - 1, name);
}

void TCryptoEngine::GetCryptoParamValue(int32_t number, char* value) {
  if (value == nullptr) return;
  if (number < 1 || number > GetCryptoParamNumber()) return CopyText({}, 0, value);
  CopyText(paramValues_[number - 1], GetMaxCryptoParamValueLength() - 1, value);
}

int32_t TCryptoEngine::SetCryptoParamValue(int32_t number, const char* value) {
  if (number < 1 || number > GetCryptoParamNumber()) return kNotSupported;
  paramValues_[number - 1] = value != nullptr ? value : "";
  return SIGCORE_OK;
}

void TCryptoEngine::GetCryptoErrorString(int32_t code, char* text) {
  if (text == nullptr) return;
  std::memset(text, 0, static_cast<size_t>(GetMaxErrorStringLength()));
  CopyText("CRYPTO ENGINE ERROR : " + std::to_string(code), GetMaxErrorStringLength() - 1, text);
}

int32_t TCryptoEngine::IncludePublicKey(const char*) { return kNotSupported; }
void TCryptoEngine::ClearCash() {}
int32_t TCryptoEngine::UpdateCertificateCash(const char*) { return kNotSupported; }
int32_t TCryptoEngine::RemoveCertificate(const char*) { return kNotSupported; }
int32_t TCryptoEngine::IncludeCRL(const char*) { return kNotSupported; }
void TCryptoEngine::GetLastErrorMessage(char* text) {
  if (text != nullptr) text[0] = '\0';
}

int32_t TCryptoEngine::GenerateNewSSK() { return kNotSupported; }
int32_t TCryptoEngine::GenerateNewSEK() { return kNotSupported; }
bool TCryptoEngine::IsDifferentKeys() { return false; }
int32_t TCryptoEngine::IncludePublicEncodeKey(const char*) { return kNotSupported; }

int32_t TCryptoEngine::SignFile(const char*) { return kNotSupported; }
int32_t TCryptoEngine::VerifyFile(const char*, const char*) { return kNotSupported; }
int32_t TCryptoEngine::RemoveSignaturesFromFile(const char*) { return kNotSupported; }
int32_t TCryptoEngine::TransPrivateKeyFromFileToTM() { return kNotSupported; }
int32_t TCryptoEngine::TransSignatureFromFileToTM() { return kNotSupported; }

int32_t TCryptoEngine::GetMaxPublicKeyTransferSize() { return 4096; }
int32_t TCryptoEngine::RemoteGenerateStart(char*) { return kNotSupported; }
int32_t TCryptoEngine::RemoteGenerateFinish(const char*) { return kNotSupported; }
int32_t TCryptoEngine::ExcludeSelfPublicKeyTransfer(char*) { return kNotSupported; }
int32_t TCryptoEngine::IncludePublicKeyTransfer(const char*) { return kNotSupported; }
int32_t TCryptoEngine::GetPublicKeyTransfer(const char*, char*) { return kNotSupported; }
int32_t TCryptoEngine::SavePublicKeyFromTransfer(const char*, const char*) {
  return kNotSupported;
}
int32_t TCryptoEngine::RemoteGenerateStartEx(const char*, char*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::RemoteGenerateFinishEx(const char*, int32_t*) { return kNotSupported; }
int32_t TCryptoEngine::GetPublicKeyTransferByFile(char*, const char*) { return kNotSupported; }
int32_t TCryptoEngine::IncludeCACertificateFromTransfer(const char*) { return kNotSupported; }

int32_t TCryptoEngine::AddSign(unsigned char*, int32_t*, void*) { return kNotSupported; }
int32_t TCryptoEngine::RemoveSign(unsigned char*, int32_t*, char*) { return kNotSupported; }
int32_t TCryptoEngine::GetMaxSignAddition() { return GetMaxSignatureLength() + 255; }
int32_t TCryptoEngine::SaveSignedDataToFile(const unsigned char*, int32_t, const unsigned char*,
                                            int32_t, const char*) {
  return kNotSupported;
}
int32_t TCryptoEngine::GetRemoteGenType() { return 1; }

int32_t TCryptoEngine::GetMaxReportSize() { return kNotSupported; }
int32_t TCryptoEngine::GetReport(const char*, char*) { return kNotSupported; }
int32_t TCryptoEngine::GetMaxAdditionEx(const char*) { return kNotSupported; }
int32_t TCryptoEngine::GetUIDByPublicKeyTransfer(const char*, char*) { return kNotSupported; }
int32_t TCryptoEngine::GetReportByTransfer(const char*, char*) { return kNotSupported; }
int32_t TCryptoEngine::GetReportByFile(const char*, char*) { return kNotSupported; }
int32_t TCryptoEngine::CreateDirStructure(const char*, void*) { return kNotSupported; }

int32_t TCryptoEngine::VerifySignWOCheckValidity(const unsigned char* data, int32_t length,
                                                 const unsigned char* signature,
                                                 int32_t signatureLength, char* signerUid) {
  return VerifyData(data, length, signature, signatureLength, signerUid);
}
int32_t TCryptoEngine::CertAndRequestTransferMatch(const char*, const char*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ConvertTransferToSignedRequest(const char*) { return kNotSupported; }
int32_t TCryptoEngine::HashData(const unsigned char*, int32_t, int32_t, unsigned char*,
                                int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::ShowCertificate(const char*) { return kNotSupported; }
int32_t TCryptoEngine::GetPureSign(const unsigned char*, int32_t, void*, char*, int32_t*) {
  return kNotSupported;
}
int32_t TCryptoEngine::GetUIDByCertIdent(const char*, char*) { return kNotSupported; }
int32_t TCryptoEngine::InstallCertsInMyStore(const char*) { return kNotSupported; }
int32_t TCryptoEngine::RegisterOIDInfo(const char*, const wchar_t*) { return kNotSupported; }

int32_t TCryptoEngine::GetParamInfo(int32_t, int32_t*, char*, int32_t*) { return kNotSupported; }

}  // namespace sigcore
