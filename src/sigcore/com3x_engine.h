// TCryptoCom3xEngine: the engine over the Crypto Com 3.x provider, the one a host gets from
// GetCryptObj. It fills the parameter table with its 22 parameters and runs every operation
// that needs the provider through one call frame (RunFrame).
#pragma once

#include <cstdint>
#include <string_view>

#include "ce_ccm3x.h"
#include "cryptobj.h"
#include "exceptions.h"
#include "keygen_params.h"
#include "transfer_block.h"
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
  // On the "ETOKEN" device: type 101 writes the slot that holds `directory` (-1: none) to
  // `number`; type 103 erases the key directory; type 102 reports the keys of a directory: mode
  // 0 the object `directory` itself (and opens its secret key), other modes the objects
  // `directory` + 0001 up to the scan depth, mode 2 only the first whose UID is that of the key
  // file named by `out` on entry (`number` then becomes 1 when its public key matches, else 0).
  // A non-zero `number` on entry is the capacity of `out`; with none, modes above 1 take
  // kTokenReportBound. A report that does not fit, NUL included, gives -3 with the needed size
  // in `number`; modes 0 and 1 without `out` or capacity write the report's length instead.
  int32_t TokenKeyDirOperation(int32_t type, const void* directory, void* reserved, int32_t mode,
                               void* out, int32_t* number) override;
  static constexpr int32_t kTokenReportBound = 2048;
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

  // The key-generation request from parameters 9 to 22: 0, or -39 for a reserved token key
  // directory of the new key.
  int32_t LoadKeyGenParams(TCCom3x_KeyGenParam& request) const;

  // A transfer text of the key data with `owner` as its owner, signed with the own secret key,
  // into `out` (room for GetMaxPublicKeyTransferSize characters and a NUL).
  int32_t PrepareTransferByBuffer(const uint8_t* keyData, int32_t length,
                                  const std::string& owner, char* out);
  // Reads a transfer text: decoded, its signature checked against the signer's known key, and
  // its block read. -11 for text that is no transfer, -12 for a broken signed buffer, and the
  // verification's result for a signature that does not hold.
  int32_t GetPublicKeyBlockByTransfer(const char* text, TransferContent& content);

 private:
  const std::string& Param(int32_t number) const { return ParamValues().at(number - 1); }
  int32_t InternalRemoteGenerateStart(char* transfer, const std::string& requestName,
                                      bool withSubject);
  // The report of a key read by `read(binding, params, node)`, copied bounded into `out`.
  template <class Read>
  int32_t ReportOf(std::string_view logName, char* out, Read&& read);
  // TokenKeyDirOperation's directory report (type 102).
  int32_t TokenDirectoryReport(const char* directory, int32_t mode, char* out, int32_t* number);
};

}  // namespace sigcore
