// The exported functions: thin forwarders to the engine's operations. Every export stops every
// exception: what reaches the host is a result code, and the exception's text is kept for
// GetCryptoErrorString(-2).
#include <windows.h>

#include <memory>
#include <string>

#include "com3x_engine.h"
#include "exceptions.h"
#include "sigcore_api.h"

namespace {

using sigcore::TCryptoEngine;

// The handle is the engine's address, handed out by GetCryptObj.
TCryptoEngine* EngineOf(SigcoreEngine handle) { return reinterpret_cast<TCryptoEngine*>(handle); }

// Runs `body` on the engine behind `handle`; a null handle is refused with -11.
template <class Body>
int Forward(SigcoreEngine handle, const char* exportName, Body&& body) noexcept {
  if (handle == nullptr) return SIGCORE_BAD_ARGUMENT;
  TCryptoEngine& engine = *EngineOf(handle);
  return sigcore::Guarded(engine.LastException(), exportName, [&] { return body(engine); });
}

// For the exports whose result carries no information.
template <class Body>
int Perform(SigcoreEngine handle, const char* exportName, Body&& body) noexcept {
  return Forward(handle, exportName, [&](TCryptoEngine& engine) {
    body(engine);
    return 0;
  });
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The host's text in the ANSI code page, widened.
std::wstring Widen(const char* text) {
  if (text == nullptr || *text == '\0') return {};
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

}  // namespace

#define SIGCORE_FORWARD(operation, ...) \
  Forward(engine, #operation, [&](TCryptoEngine& e) { return e.operation(__VA_ARGS__); })

extern "C" {

SigcoreEngine SIGCORE_CALL GetCryptObj(int) {
  try {
    return reinterpret_cast<SigcoreEngine>(
        static_cast<TCryptoEngine*>(std::make_unique<sigcore::TCryptoCom3xEngine>().release()));
  } catch (...) {
    return nullptr;
  }
}

int SIGCORE_CALL DoneEngine(SigcoreEngine engine) {
  std::unique_ptr<TCryptoEngine> owned(EngineOf(engine));
  return 0;
}

int SIGCORE_CALL GetMaxEncodeAddition(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxEncodeAddition);
}
int SIGCORE_CALL GetMaxSignatureLength(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxSignatureLength);
}
int SIGCORE_CALL GetMaxUIDLength(SigcoreEngine engine) { return SIGCORE_FORWARD(GetMaxUIDLength); }
int SIGCORE_CALL GetMaxCryptoParamNameLength(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxCryptoParamNameLength);
}
int SIGCORE_CALL GetMaxCryptoParamValueLength(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxCryptoParamValueLength);
}
int SIGCORE_CALL GetMaxErrorStringLength(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxErrorStringLength);
}
int SIGCORE_CALL GetCryptoParamNumber(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetCryptoParamNumber);
}
int SIGCORE_CALL GetCryptoParamName(SigcoreEngine engine, int number, char* name) {
  return Perform(engine, "GetCryptoParamName",
                 [&](TCryptoEngine& e) { e.GetCryptoParamName(number, name); });
}
int SIGCORE_CALL GetCryptoParamValue(SigcoreEngine engine, int number, char* value) {
  return Perform(engine, "GetCryptoParamValue",
                 [&](TCryptoEngine& e) { e.GetCryptoParamValue(number, value); });
}
int SIGCORE_CALL SetCryptoParamValue(SigcoreEngine engine, int number, const char* value) {
  return SIGCORE_FORWARD(SetCryptoParamValue, number, value);
}
int SIGCORE_CALL GetEncodeUIDBySignUID(SigcoreEngine engine, const char* signUid, char* uid) {
  return SIGCORE_FORWARD(GetEncodeUIDBySignUID, signUid, uid);
}
int SIGCORE_CALL GetCurrentUserUID(SigcoreEngine engine, char* uid) {
  return SIGCORE_FORWARD(GetCurrentUserUID, uid);
}
int SIGCORE_CALL GetCryptoErrorString(SigcoreEngine engine, int code, char* text) {
  return Perform(engine, "GetCryptoErrorString",
                 [&](TCryptoEngine& e) { e.GetCryptoErrorString(code, text); });
}
int SIGCORE_CALL EncodeData(SigcoreEngine engine, unsigned char* data, int* length,
                            const char* recipients) {
  return SIGCORE_FORWARD(EncodeData, data, length, recipients);
}
int SIGCORE_CALL DecodeData(SigcoreEngine engine, unsigned char* data, int* length,
                            void* reserved) {
  return SIGCORE_FORWARD(DecodeData, data, length, reserved);
}
int SIGCORE_CALL SignData(SigcoreEngine engine, const unsigned char* data, int length,
                          unsigned char* signature, int* signatureLength, void* reserved) {
  return SIGCORE_FORWARD(SignData, data, length, signature, signatureLength, reserved);
}
int SIGCORE_CALL VerifyData(SigcoreEngine engine, const unsigned char* data, int length,
                            const unsigned char* signature, int signatureLength,
                            char* signerUid) {
  return SIGCORE_FORWARD(VerifyData, data, length, signature, signatureLength, signerUid);
}
int SIGCORE_CALL GenerateNewSSK(SigcoreEngine engine) { return SIGCORE_FORWARD(GenerateNewSSK); }
int SIGCORE_CALL IsDifferentKeys(SigcoreEngine engine) {
  return Forward(engine, "IsDifferentKeys",
                 [](TCryptoEngine& e) { return e.IsDifferentKeys() ? -1 : 0; });
}
int SIGCORE_CALL GenerateNewSEK(SigcoreEngine engine) { return SIGCORE_FORWARD(GenerateNewSEK); }
int SIGCORE_CALL SetPasswordRequestFunc(SigcoreEngine engine, PasswordRequestFunc callback) {
  return Perform(engine, "SetPasswordRequestFunc",
                 [&](TCryptoEngine& e) { e.SetPasswordRequestFunc(callback); });
}
int SIGCORE_CALL GetMaxPasswordLength(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxPasswordLength);
}
int SIGCORE_CALL IncludePublicKey(SigcoreEngine engine, const char* fileName) {
  return SIGCORE_FORWARD(IncludePublicKey, fileName);
}
int SIGCORE_CALL IncludePublicEncodeKey(SigcoreEngine engine, const char* fileName) {
  return SIGCORE_FORWARD(IncludePublicEncodeKey, fileName);
}
int SIGCORE_CALL SignFile(SigcoreEngine engine, const char* fileName) {
  return SIGCORE_FORWARD(SignFile, fileName);
}
int SIGCORE_CALL VerifyFile(SigcoreEngine engine, const char* fileName, const char* signatureFile) {
  return SIGCORE_FORWARD(VerifyFile, fileName, signatureFile);
}
int SIGCORE_CALL RemoveSignaturesFromFile(SigcoreEngine engine, const char* fileName) {
  return SIGCORE_FORWARD(RemoveSignaturesFromFile, fileName);
}
int SIGCORE_CALL GetLastErrorMessage(SigcoreEngine engine, char* text) {
  return Perform(engine, "GetLastErrorMessage",
                 [&](TCryptoEngine& e) { e.GetLastErrorMessage(text); });
}
int SIGCORE_CALL SetRootPath(SigcoreEngine engine, const char* path) {
  return Perform(engine, "SetRootPath", [&](TCryptoEngine& e) { e.SetRootPath(Text(path)); });
}
int SIGCORE_CALL TransSignatureFromFileToTM(SigcoreEngine engine) {
  return SIGCORE_FORWARD(TransSignatureFromFileToTM);
}
int SIGCORE_CALL TransPrivateKeyFromFileToTM(SigcoreEngine engine) {
  return SIGCORE_FORWARD(TransPrivateKeyFromFileToTM);
}
int SIGCORE_CALL SetTMRequestFunc(SigcoreEngine engine, TMRequestFunc callback) {
  return Perform(engine, "SetTMRequestFunc",
                 [&](TCryptoEngine& e) { e.SetTMRequestFunc(callback); });
}
int SIGCORE_CALL ClearCash(SigcoreEngine engine) {
  return Perform(engine, "ClearCash", [](TCryptoEngine& e) { e.ClearCash(); });
}
int SIGCORE_CALL SetRemoteGeneratePath(SigcoreEngine engine, const char* path) {
  return Perform(engine, "SetRemoteGeneratePath",
                 [&](TCryptoEngine& e) { e.SetRemoteGeneratePath(Text(path)); });
}
int SIGCORE_CALL GetMaxPublicKeyTransferSize(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxPublicKeyTransferSize);
}
int SIGCORE_CALL RemoteGenerateStart(SigcoreEngine engine, char* transfer) {
  return SIGCORE_FORWARD(RemoteGenerateStart, transfer);
}
int SIGCORE_CALL RemoteGenerateFinish(SigcoreEngine engine, const char* transfer) {
  return SIGCORE_FORWARD(RemoteGenerateFinish, transfer);
}
int SIGCORE_CALL ExcludeSelfPublicKeyTransfer(SigcoreEngine engine, char* transfer) {
  return SIGCORE_FORWARD(ExcludeSelfPublicKeyTransfer, transfer);
}
int SIGCORE_CALL IncludePublicKeyTransfer(SigcoreEngine engine, const char* transfer) {
  return SIGCORE_FORWARD(IncludePublicKeyTransfer, transfer);
}
int SIGCORE_CALL GetPublicKeyTransfer(SigcoreEngine engine, const char* uid, char* transfer) {
  return SIGCORE_FORWARD(GetPublicKeyTransfer, uid, transfer);
}
int SIGCORE_CALL SavePublicKeyFromTransfer(SigcoreEngine engine, const char* directory,
                                           const char* transfer) {
  return SIGCORE_FORWARD(SavePublicKeyFromTransfer, directory, transfer);
}
int SIGCORE_CALL GetMaxFilePathLength(SigcoreEngine) { return 255; }
int SIGCORE_CALL GetRemoteGenType(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetRemoteGenType);
}
int SIGCORE_CALL GetPublicKeyTransferByFile(SigcoreEngine engine, char* transfer,
                                            const char* fileName) {
  return SIGCORE_FORWARD(GetPublicKeyTransferByFile, transfer, fileName);
}
int SIGCORE_CALL AddSign(SigcoreEngine engine, unsigned char* buffer, int* length,
                         void* reserved) {
  return SIGCORE_FORWARD(AddSign, buffer, length, reserved);
}
int SIGCORE_CALL RemoveSign(SigcoreEngine engine, unsigned char* buffer, int* length,
                            char* signerUid) {
  return SIGCORE_FORWARD(RemoveSign, buffer, length, signerUid);
}
int SIGCORE_CALL GetMaxSignAddition(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxSignAddition);
}
int SIGCORE_CALL SaveSignedDataToFile(SigcoreEngine engine, const unsigned char* data, int length,
                                      const unsigned char* signature, int signatureLength,
                                      const char* fileName) {
  return SIGCORE_FORWARD(SaveSignedDataToFile, data, length, signature, signatureLength,
                         fileName);
}
int SIGCORE_CALL GetMaxReportSize(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxReportSize);
}
int SIGCORE_CALL GetReport(SigcoreEngine engine, const char* uid, char* report) {
  return SIGCORE_FORWARD(GetReport, uid, report);
}
int SIGCORE_CALL GetMaxAdditionEx(SigcoreEngine engine, const char* recipients) {
  return SIGCORE_FORWARD(GetMaxAdditionEx, recipients);
}
int SIGCORE_CALL GetUIDByPublicKeyTransfer(SigcoreEngine engine, const char* transfer,
                                           char* uid) {
  return SIGCORE_FORWARD(GetUIDByPublicKeyTransfer, transfer, uid);
}
int SIGCORE_CALL UpdateCertificateCash(SigcoreEngine engine, const char* uid) {
  return Forward(engine, "UpdateCertificateCash", [&](TCryptoEngine& e) {
    // An engine that cannot refresh one key refreshes them all.
    const int32_t result = e.UpdateCertificateCash(uid);
    if (result != SIGCORE_NOT_SUPPORTED) return result;
    e.ClearCash();
    return static_cast<int32_t>(SIGCORE_OK);
  });
}
int SIGCORE_CALL GetMaxPublicKeyPropertiesLength(SigcoreEngine engine) {
  return SIGCORE_FORWARD(GetMaxReportSize);
}
int SIGCORE_CALL GetPublicKeyProperties(SigcoreEngine engine, const char* uid, char* report) {
  return SIGCORE_FORWARD(GetReport, uid, report);
}
int SIGCORE_CALL RemoteGenerateStartEx(SigcoreEngine engine, const char* requestName,
                                       char* transfer, int* state) {
  return SIGCORE_FORWARD(RemoteGenerateStartEx, requestName, transfer, state);
}
int SIGCORE_CALL RemoteGenerateFinishEx(SigcoreEngine engine, const char* transfer, int* state) {
  return SIGCORE_FORWARD(RemoteGenerateFinishEx, transfer, state);
}
int SIGCORE_CALL GetPublicKeyPropertiesByTransfer(SigcoreEngine engine, const char* transfer,
                                                  char* report) {
  return SIGCORE_FORWARD(GetReportByTransfer, transfer, report);
}
int SIGCORE_CALL GetPublicKeyPropertiesByFile(SigcoreEngine engine, const char* fileName,
                                              char* report) {
  return SIGCORE_FORWARD(GetReportByFile, fileName, report);
}
int SIGCORE_CALL IncludeCACertificateFromTransfer(SigcoreEngine engine, const char* transfer) {
  return SIGCORE_FORWARD(IncludeCACertificateFromTransfer, transfer);
}
int SIGCORE_CALL CreateDirStructure(SigcoreEngine engine, const char* publicKeyFile,
                                    void* reserved) {
  return SIGCORE_FORWARD(CreateDirStructure, publicKeyFile, reserved);
}
int SIGCORE_CALL RemoveCertificate(SigcoreEngine engine, const char* uid) {
  return SIGCORE_FORWARD(RemoveCertificate, uid);
}
int SIGCORE_CALL VerifySignWOCheckValidity(SigcoreEngine engine, const unsigned char* data,
                                           int length, const unsigned char* signature,
                                           int signatureLength, char* signerUid) {
  return SIGCORE_FORWARD(VerifySignWOCheckValidity, data, length, signature, signatureLength,
                         signerUid);
}
int SIGCORE_CALL CertAndRequestTransferMatch(SigcoreEngine engine, const char* transfer1,
                                             const char* transfer2, int* match) {
  return SIGCORE_FORWARD(CertAndRequestTransferMatch, transfer1, transfer2, match);
}
int SIGCORE_CALL IncludeCRL(SigcoreEngine engine, const char* crl) {
  return SIGCORE_FORWARD(IncludeCRL, crl);
}
int SIGCORE_CALL ConvertTransferToSignedRequest(SigcoreEngine engine, const char* transfer) {
  return SIGCORE_FORWARD(ConvertTransferToSignedRequest, transfer);
}
int SIGCORE_CALL HashData(SigcoreEngine engine, const unsigned char* data, int length, int form,
                          unsigned char* hash, int* size) {
  return SIGCORE_FORWARD(HashData, data, length, form, hash, size);
}
int SIGCORE_CALL ShowCertificate(SigcoreEngine engine, const char* certificate) {
  return SIGCORE_FORWARD(ShowCertificate, certificate);
}
int SIGCORE_CALL GetPureSign(SigcoreEngine engine, const unsigned char* signature,
                             int signatureLength, void* reserved, char* text, int* size) {
  return SIGCORE_FORWARD(GetPureSign, signature, signatureLength, reserved, text, size);
}
int SIGCORE_CALL GetUIDByCertIdent(SigcoreEngine engine, const char* certIdent, char* uid) {
  return SIGCORE_FORWARD(GetUIDByCertIdent, certIdent, uid);
}
int SIGCORE_CALL InstallCertsInMyStore(SigcoreEngine engine, const char* certificates) {
  return SIGCORE_FORWARD(InstallCertsInMyStore, certificates);
}
int SIGCORE_CALL RegisterOIDInfo(SigcoreEngine engine, const char* oid, const char* displayName) {
  return Forward(engine, "RegisterOIDInfo", [&](TCryptoEngine& e) {
    return e.RegisterOIDInfo(oid, Widen(displayName).c_str());
  });
}
int SIGCORE_CALL GetParamInfo(SigcoreEngine engine, int number, int* kind, char* descriptor,
                              int* size) {
  return SIGCORE_FORWARD(GetParamInfo, number, kind, descriptor, size);
}
int SIGCORE_CALL Import(SigcoreEngine engine, int type, void* reserved, const void* input,
                        int length) {
  return SIGCORE_FORWARD(Import, type, reserved, input, length);
}
int SIGCORE_CALL CheckCompatibles(SigcoreEngine) { return 0; }
int SIGCORE_CALL ExportObject(SigcoreEngine engine, int type, const void* input, int length,
                              void* reserved, void* output, int* size) {
  return SIGCORE_FORWARD(ExportObject, type, input, length, reserved, output, size);
}

}  // extern "C"
