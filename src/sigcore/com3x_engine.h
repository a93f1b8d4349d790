// TCryptoCom3xEngine: the engine over the Crypto Com 3.x provider, the one a host gets from
// GetCryptObj. It fills the parameter table with its 22 parameters and runs every operation
// that needs the provider through one call frame (RunFrame).
#pragma once

#include <cstdint>
#include <string_view>

#include "ce_ccm3x.h"
#include "cryptobj.h"
#include "exceptions.h"
#include "user_params.h"

namespace sigcore {

class TCryptoCom3xEngine final : public TCryptoEngine {
 public:
  TCryptoCom3xEngine();

  // The call frame of every provider-backed operation, after the operation's own argument
  // checks: the user parameters are rebuilt from the table (a reserved token key directory
  // gives -39 before the provider is touched), the binding for them is found or created
  // (-22, -23), and `operation(binding, params)` runs; its result is returned unchanged, and
  // an exception in it gives -2 with its text stored under `logName`.
  template <class Operation>
  int32_t RunFrame(std::string_view logName, Operation&& operation) {
    TCCom3x_UserParam params;
    if (const int32_t result = LoadUserParams(params); result != SIGCORE_OK) return result;
    TCCom3x_DLL* binding = nullptr;
    if (const int32_t result = GetCryptoAPI(params, binding); result != SIGCORE_OK) return result;
    return Guarded(LastException(), logName, [&] { return operation(*binding, params); });
  }

  int32_t LoadUserParams(TCCom3x_UserParam& params) const;
  // The binding for `params` from the process's ProviderCache; a new one receives this
  // engine's password callbacks.
  int32_t GetCryptoAPI(const TCCom3x_UserParam& params, TCCom3x_DLL*& binding);

  int32_t IncludePKBuffer(void* reserved, const void* data, int32_t length) override;
  int32_t IncludePKBufferCashOnly(void* reserved, const void* data, int32_t length) override;
  int32_t IncludeSelfPKBufferCashOnly(void* reserved, const void* data, int32_t length) override;
  int32_t ImportTokenLogoutFlag() override;
  int32_t ImportKeyDirPasswordRequestFunc(void* reserved, const void* function) override;

  int32_t ExportSelfOpenKeyPresenFlag(const void* input, int32_t length, void* reserved,
                                      void* out, int32_t* size) override;
  int32_t ExportCashOpenKeySupport(const void* input, int32_t length, void* reserved, void* out,
                                   int32_t* size) override;
  int32_t ExportOpenKey(const void* uid, int32_t length, void* reserved, void* out,
                        int32_t* size) override;
  int32_t ExportTransferContent(const void* transfer, int32_t length, void* reserved, void* out,
                                int32_t* size) override;
  int32_t ExportRG_WO_dir_support(const void* input, int32_t length, void* reserved, void* out,
                                  int32_t* size) override;
  int32_t TokenKeyDirOperation(int32_t type, const void* directory, void* reserved, int32_t mode,
                               void* out, int32_t* number) override;
  int32_t ExportRequestForNewKey(const void* input, int32_t length, void* reserved, void* out,
                                 int32_t* size) override;
  int32_t ExportKeyReportByBuffer(const void* data, int32_t length, void* reserved, void* out,
                                  int32_t* size) override;
  int32_t ExportTransferByBuffer(const void* data, int32_t length, void* reserved, void* out,
                                 int32_t* size) override;
  // 2 when a disk medium is configured with an abonents directory that does not exist, else 0.
  int32_t ExportParamCheckRes(const void* input, int32_t length, void* reserved, void* out,
                              int32_t* size) override;

  int32_t GetMaxEncodeAddition() override;
  int32_t GetMaxSignatureLength() override;

  int32_t GetEncodeUIDBySignUID(const char* signUid, char* uid) override;
  int32_t GetCurrentUserUID(char* uid) override;
  void GetCryptoErrorString(int32_t code, char* text) override;

  int32_t EncodeData(unsigned char* data, int32_t* length, const char* recipients) override;
  int32_t DecodeData(unsigned char* data, int32_t* length, void* reserved) override;
  int32_t SignData(const unsigned char* data, int32_t length, unsigned char* signature,
                   int32_t* signatureLength, void* reserved) override;
  int32_t VerifyData(const unsigned char* data, int32_t length, const unsigned char* signature,
                     int32_t signatureLength, char* signerUid) override;

  int32_t IncludePublicKey(const char* fileName) override;
  void ClearCash() override;
  int32_t UpdateCertificateCash(const char* uid) override;
  int32_t RemoveCertificate(const char* uid) override;

  int32_t GenerateNewSSK() override;
  int32_t GenerateNewSEK() override;
  int32_t IncludePublicEncodeKey(const char* fileName) override;

  int32_t GetMaxPublicKeyTransferSize() override;
  int32_t RemoteGenerateStart(char* transfer) override;
  int32_t RemoteGenerateFinish(const char* transfer) override;
  int32_t ExcludeSelfPublicKeyTransfer(char* transfer) override;
  int32_t IncludePublicKeyTransfer(const char* transfer) override;
  int32_t GetPublicKeyTransfer(const char* uid, char* transfer) override;
  int32_t SavePublicKeyFromTransfer(const char* directory, const char* transfer) override;
  int32_t RemoteGenerateStartEx(const char* requestName, char* transfer, int32_t* state) override;
  int32_t RemoteGenerateFinishEx(const char* transfer, int32_t* state) override;
  int32_t GetPublicKeyTransferByFile(char* transfer, const char* fileName) override;

  int32_t AddSign(unsigned char* buffer, int32_t* length, void* reserved) override;
  int32_t RemoveSign(unsigned char* buffer, int32_t* length, char* signerUid) override;
  int32_t GetMaxSignAddition() override;
  int32_t SaveSignedDataToFile(const unsigned char* data, int32_t length,
                               const unsigned char* signature, int32_t signatureLength,
                               const char* fileName) override;
  int32_t GetRemoteGenType() override;

  int32_t GetMaxReportSize() override;
  int32_t GetReport(const char* uid, char* report) override;
  int32_t GetMaxAdditionEx(const char* recipients) override;
  int32_t GetUIDByPublicKeyTransfer(const char* transfer, char* uid) override;
  int32_t GetReportByTransfer(const char* transfer, char* report) override;
  int32_t GetReportByFile(const char* fileName, char* report) override;
  int32_t CreateDirStructure(const char* publicKeyFile, void* reserved) override;

  int32_t CertAndRequestTransferMatch(const char* transfer1, const char* transfer2,
                                      int32_t* match) override;
  int32_t HashData(const unsigned char* data, int32_t length, int32_t form, unsigned char* hash,
                   int32_t* size) override;
  int32_t GetPureSign(const unsigned char* signature, int32_t signatureLength, void* reserved,
                      char* text, int32_t* size) override;

  int32_t GetParamInfo(int32_t number, int32_t* kind, char* descriptor, int32_t* size) override;

 private:
  // An operation whose binding work is not built yet: it runs the whole frame, so that
  // configuration and provider failures surface exactly as they will, and then answers -27.
  int32_t NotYetBound(std::string_view logName);
};

}  // namespace sigcore
