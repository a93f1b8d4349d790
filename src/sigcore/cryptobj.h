// TCryptoEngine: the abstract engine behind every export. It owns the parameter table, the
// root and remote-generation paths, the host's callbacks and the last-exception text, and
// gives every operation a default: -1 ("not supported") unless stated otherwise. The one
// concrete engine, TCryptoCom3xEngine, overrides what the crypto provider supports.
//
// An engine has no lock of its own: a host must not use one engine from two threads at once.
// Only the last-exception text is guarded, since a failing operation may set it while another
// thread reads it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "rwsyncs.h"
#include "sigcore_api.h"

namespace sigcore {

class TCryptoEngine {
 public:
  TCryptoEngine() = default;
  virtual ~TCryptoEngine() = default;
  TCryptoEngine(const TCryptoEngine&) = delete;
  TCryptoEngine& operator=(const TCryptoEngine&) = delete;

  // Targets of Import (reserved, input, length), in the order of the engine's slots.
  virtual int32_t ReservedImport9(void* reserved, const void* input, int32_t length);
  virtual int32_t IncludePKBuffer(void* reserved, const void* data, int32_t length);
  virtual int32_t ReservedImport3(void* reserved, const void* data, int32_t length);
  virtual int32_t ReservedImport5(void* reserved, const void* input, int32_t length);
  virtual int32_t ReservedImport6(void* reserved, const void* input);
  virtual int32_t IncludePKBufferCashOnly(void* reserved, const void* data, int32_t length);
  virtual int32_t IncludeSelfPKBufferCashOnly(void* reserved, const void* data, int32_t length);
  virtual int32_t ReservedImport12(void* reserved, const void* input, int32_t length);
  virtual int32_t ImportTokenLogoutFlag();
  virtual int32_t ImportKeyDirPasswordRequestFunc(void* reserved, const void* function);

  // Targets of ExportObject (input, length, reserved, out, in/out size).
  virtual int32_t ReservedExport4(const void* input, int32_t length, void* reserved, void* out,
                                  int32_t* size);
  virtual int32_t ReservedExport5(const void* input, int32_t length, void* reserved, void* out,
                                  int32_t* size);
  virtual int32_t ExportSelfOpenKeyPresenFlag(const void* input, int32_t length, void* reserved,
                                              void* out, int32_t* size);
  virtual int32_t ExportCashOpenKeySupport(const void* input, int32_t length, void* reserved,
                                           void* out, int32_t* size);
  virtual int32_t ExportOpenKey(const void* uid, int32_t length, void* reserved, void* out,
                                int32_t* size);
  virtual int32_t ExportTransferContent(const void* transfer, int32_t length, void* reserved,
                                        void* out, int32_t* size);
  virtual int32_t ReservedExport7(const void* input, int32_t length, void* reserved, void* out,
                                  int32_t* size);
  virtual int32_t ReservedExport18(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size);
  virtual int32_t ExportRG_WO_dir_support(const void* input, int32_t length, void* reserved,
                                          void* out, int32_t* size);
  virtual int32_t ReservedExport10(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size);
  virtual int32_t TokenKeyDirOperation(int32_t type, const void* directory, void* reserved,
                                       int32_t mode, void* out, int32_t* number);
  virtual int32_t ExportRequestForNewKey(const void* input, int32_t length, void* reserved,
                                         void* out, int32_t* size);
  virtual int32_t ExportKeyReportByBuffer(const void* data, int32_t length, void* reserved,
                                          void* out, int32_t* size);
  virtual int32_t ExportTransferByBuffer(const void* data, int32_t length, void* reserved,
                                         void* out, int32_t* size);
  virtual int32_t ExportParamCheckRes(const void* input, int32_t length, void* reserved,
                                      void* out, int32_t* size);
  // A self test that the own secret key signs and verifies; out receives the signer's UID.
  virtual int32_t CheckSecretKeyReady(const void* input, int32_t length, void* reserved,
                                      void* out, int32_t* size);
  virtual int32_t ReservedExport21(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size);
  virtual int32_t ReservedExport201(const void* input, int32_t length, void* reserved, void* out,
                                    int32_t* size);
  virtual int32_t ReservedExport19(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size);
  virtual int32_t ReservedExport22(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size);
  virtual int32_t ReservedExport24(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size);
  virtual int32_t ReservedExport25(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size);

  virtual void SetPasswordRequestFunc(PasswordRequestFunc function);
  virtual void SetKeyDirPasswordRequestFunc(KeyDirPasswordRequestFunc function);
  // Stores the path root-expanded, ending in "\". No operation of the engines reads it.
  virtual void SetRemoteGeneratePath(const std::string& path);

  virtual int32_t GetMaxEncodeAddition();
  virtual int32_t GetMaxSignatureLength();
  virtual int32_t GetMaxUIDLength();
  virtual int32_t GetMaxCryptoParamNameLength();
  virtual int32_t GetMaxCryptoParamValueLength();
  virtual int32_t GetMaxErrorStringLength();
  virtual int32_t GetMaxPasswordLength();

  virtual int32_t GetCryptoParamNumber();
  // An empty text for a number out of range; names are never longer than 27 characters.
  virtual void GetCryptoParamName(int32_t number, char* name);
  // At most GetMaxCryptoParamValueLength - 1 characters and a NUL.
  virtual void GetCryptoParamValue(int32_t number, char* value);
  // Stores a copy (null as empty) and returns 0, or -1 for a number out of range. Values are
  // checked when an operation reads them.
  virtual int32_t SetCryptoParamValue(int32_t number, const char* value);

  virtual int32_t GetEncodeUIDBySignUID(const char* signUid, char* uid) = 0;
  virtual int32_t GetCurrentUserUID(char* uid) = 0;
  // Fills GetMaxErrorStringLength bytes of `text`: the code's text, NUL-terminated.
  virtual void GetCryptoErrorString(int32_t code, char* text);

  virtual int32_t EncodeData(unsigned char* data, int32_t* length, const char* recipients) = 0;
  virtual int32_t DecodeData(unsigned char* data, int32_t* length, void* reserved) = 0;
  virtual int32_t SignData(const unsigned char* data, int32_t length, unsigned char* signature,
                           int32_t* signatureLength, void* reserved) = 0;
  virtual int32_t VerifyData(const unsigned char* data, int32_t length,
                             const unsigned char* signature, int32_t signatureLength,
                             char* signerUid) = 0;

  virtual int32_t IncludePublicKey(const char* fileName);
  virtual void ClearCash();
  virtual int32_t UpdateCertificateCash(const char* uid);
  virtual int32_t RemoveCertificate(const char* uid);
  virtual int32_t IncludeCRL(const char* crl);
  // Writes an empty text: the engine keeps its detail for GetCryptoErrorString(-2).
  virtual void GetLastErrorMessage(char* text);

  virtual int32_t GenerateNewSSK();
  virtual int32_t GenerateNewSEK();
  virtual bool IsDifferentKeys();
  virtual int32_t IncludePublicEncodeKey(const char* fileName);

  virtual int32_t SignFile(const char* fileName);
  virtual int32_t VerifyFile(const char* fileName, const char* signatureFile);
  virtual int32_t RemoveSignaturesFromFile(const char* fileName);
  virtual int32_t TransPrivateKeyFromFileToTM();
  virtual int32_t TransSignatureFromFileToTM();

  virtual int32_t GetMaxPublicKeyTransferSize();
  virtual int32_t RemoteGenerateStart(char* transfer);
  virtual int32_t RemoteGenerateFinish(const char* transfer);
  virtual int32_t ExcludeSelfPublicKeyTransfer(char* transfer);
  virtual int32_t IncludePublicKeyTransfer(const char* transfer);
  virtual int32_t GetPublicKeyTransfer(const char* uid, char* transfer);
  virtual int32_t SavePublicKeyFromTransfer(const char* directory, const char* transfer);
  virtual int32_t RemoteGenerateStartEx(const char* requestName, char* transfer, int32_t* state);
  virtual int32_t RemoteGenerateFinishEx(const char* transfer, int32_t* state);
  virtual int32_t GetPublicKeyTransferByFile(char* transfer, const char* fileName);
  virtual int32_t IncludeCACertificateFromTransfer(const char* transfer);

  virtual int32_t AddSign(unsigned char* buffer, int32_t* length, void* reserved);
  virtual int32_t RemoveSign(unsigned char* buffer, int32_t* length, char* signerUid);
  virtual int32_t GetMaxSignAddition();
  virtual int32_t SaveSignedDataToFile(const unsigned char* data, int32_t length,
                                       const unsigned char* signature, int32_t signatureLength,
                                       const char* fileName);
  virtual int32_t GetRemoteGenType();

  virtual int32_t GetMaxReportSize();
  virtual int32_t GetReport(const char* uid, char* report);
  virtual int32_t GetMaxAdditionEx(const char* recipients);
  virtual int32_t GetUIDByPublicKeyTransfer(const char* transfer, char* uid);
  virtual int32_t GetReportByTransfer(const char* transfer, char* report);
  virtual int32_t GetReportByFile(const char* fileName, char* report);
  virtual int32_t CreateDirStructure(const char* publicKeyFile, void* reserved);

  virtual int32_t VerifySignWOCheckValidity(const unsigned char* data, int32_t length,
                                            const unsigned char* signature,
                                            int32_t signatureLength, char* signerUid);
  virtual int32_t CertAndRequestTransferMatch(const char* transfer1, const char* transfer2,
                                              int32_t* match);
  virtual int32_t ConvertTransferToSignedRequest(const char* transfer);
  virtual int32_t HashData(const unsigned char* data, int32_t length, int32_t form,
                           unsigned char* hash, int32_t* size);
  virtual int32_t ShowCertificate(const char* certificate);
  virtual int32_t GetPureSign(const unsigned char* signature, int32_t signatureLength,
                              void* reserved, char* text, int32_t* size);
  virtual int32_t GetUIDByCertIdent(const char* certIdent, char* uid);
  virtual int32_t InstallCertsInMyStore(const char* certificates);
  virtual int32_t RegisterOIDInfo(const char* oid, const wchar_t* displayName);

  virtual int32_t GetParamInfo(int32_t number, int32_t* kind, char* descriptor, int32_t* size);
  // The dispatch tables; a type without an entry gives -1.
  virtual int32_t Import(int32_t type, void* reserved, const void* input, int32_t length);
  virtual int32_t ExportObject(int32_t type, const void* input, int32_t length, void* reserved,
                               void* out, int32_t* size);

  // The host's TM callback: kept for the host, never called.
  void SetTMRequestFunc(TMRequestFunc function) { tmRequestFunc_ = function; }
  // Stores the path, ending in "\" unless empty.
  void SetRootPath(const std::string& path);
  kit::TSyncExceptStr& LastException() { return lastException_; }

 protected:
  // The parameter table: parallel lists, numbered from 1 by the host.
  void AddParam(const std::string& name, const std::string& value);
  const std::vector<std::string>& ParamValues() const { return paramValues_; }
  PasswordRequestFunc PasswordFunction() const { return passwordRequestFunc_; }
  KeyDirPasswordRequestFunc KeyDirPasswordFunction() const { return keyDirPasswordRequestFunc_; }
  const std::string& RootPath() const { return rootPath_; }

 private:
  kit::TSyncExceptStr lastException_;
  std::vector<std::string> paramNames_;
  std::vector<std::string> paramValues_;
  PasswordRequestFunc passwordRequestFunc_ = nullptr;
  KeyDirPasswordRequestFunc keyDirPasswordRequestFunc_ = nullptr;
  TMRequestFunc tmRequestFunc_ = nullptr;
  std::string rootPath_;
  std::string remoteGeneratePath_;
};

// Writes a 4-byte flag under the shared output contract of the flag exports: a null `out`
// with a size pointer is a size query (4, result 0); a size below 4 gets 4 and `tooSmall`;
// otherwise `produce(flag)` runs, and the flag is written when it returns 0.
template <class Produce>
int32_t WriteFlag(void* out, int32_t* size, int32_t tooSmall, Produce&& produce) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  constexpr int32_t kFlagSize = 4;
  if (out == nullptr) {
    *size = kFlagSize;
    return SIGCORE_OK;
  }
  if (*size < kFlagSize) {
    *size = kFlagSize;
    return tooSmall;
  }
  int32_t flag = 0;
  const int32_t result = produce(flag);
  if (result == SIGCORE_OK) std::memcpy(out, &flag, sizeof flag);
  return result;
}

}  // namespace sigcore
