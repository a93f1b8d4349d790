// The exported API of sigcore.dll, for hosts that load it by name.
//
// Every export is __stdcall with an undecorated name. The first argument is an engine handle
// from GetCryptObj (GetMaxFilePathLength and CheckCompatibles ignore it). Texts are
// NUL-terminated Windows-1251 strings; buffers belong to the caller; a size passed by pointer
// is the capacity on entry and the needed or written size on return. Results are 0 for
// success, a negative code of the kit, or a positive code (1 to 90) of the crypto provider;
// GetCryptoErrorString gives every code's text. The GetMax... functions return sizes that
// include the terminating NUL. Exports whose result carries no information return 0.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32
#define SIGCORE_CALL __stdcall
#else
// The portable parts of the engine are also built natively, for unit tests and sanitizers.
#define SIGCORE_CALL
#endif

typedef struct sigcore_engine* SigcoreEngine;

// Asked for a password: write it NUL-terminated into `buffer` (`size` bytes, zero-filled) and
// return non-zero, or return 0 when the user cancelled.
typedef int(SIGCORE_CALL* PasswordRequestFunc)(char* buffer, int size);
// The same, naming the key directory whose key is to be opened; preferred when installed.
typedef int(SIGCORE_CALL* KeyDirPasswordRequestFunc)(const char* keyDir, char* buffer, int size);
// Stored by SetTMRequestFunc and never called.
typedef void(SIGCORE_CALL* TMRequestFunc)(void);

enum SigcoreResult {
  SIGCORE_OK = 0,
  SIGCORE_NOT_SUPPORTED = -1,         // also: the engine could not be initialised
  SIGCORE_EXCEPTION = -2,             // GetCryptoErrorString(-2) tells what failed
  SIGCORE_BUFFER_TOO_SMALL = -3,
  SIGCORE_BAD_ARGUMENT = -11,         // bad pointer, length or data structure
  SIGCORE_NO_PROVIDER = -22,          // ccom.dll could not be loaded
  SIGCORE_INCOMPLETE_PROVIDER = -23,  // ccom.dll lacks entry points the kit needs
  SIGCORE_FUNCTION_NOT_SUPPORTED = -27,
  SIGCORE_NO_SUCH_PARAMETER = -28,
  SIGCORE_RESERVED_KEY_DIR = -39      // a token key directory name the token reserves
};

// Results about keys and their media.
enum SigcoreKeyResult {
  SIGCORE_KEY_REQUEST_NOT_WRITTEN = -6,     // the pending new key could not be stored on disk
  SIGCORE_SECRET_KEY_NOT_WRITTEN = -7,
  SIGCORE_SECRET_KEY_DIR_ERROR = -8,        // the disk's secret-key folder is not usable
  SIGCORE_PUBLIC_KEY_NOT_FOUND = -9,        // also: a public-key block that is malformed
  SIGCORE_NO_MATCHING_SECRET_KEY = -10,
  SIGCORE_PUBLIC_KEY_DAMAGED = -13,         // its self-signature does not hold
  SIGCORE_PUBLIC_KEY_NOT_WRITTEN = -21,
  SIGCORE_ABONENTS_DIR_ERROR = -24,
  SIGCORE_OWN_KEY_NOT_REMOVABLE = -25,
  SIGCORE_NO_SECRET_KEY_DIR = -29,
  SIGCORE_NO_PASSWORD_FUNCTION = -30,       // a token needs a PIN and nothing can ask for one
  SIGCORE_TOKEN_SECRET_KEY_NOT_WRITTEN = -31,
  SIGCORE_TOKEN_KEY_DIR_NOT_FOUND = -32,    // no slot holds the token key directory
  SIGCORE_TOKEN_OWN_KEY_NOT_FOUND = -33,
  SIGCORE_TOKEN_PUBLIC_KEY_NOT_READ = -34,
  SIGCORE_TOKEN_PUBLIC_KEY_NOT_WRITTEN = -35,
  SIGCORE_TOKEN_NO_ABONENTS_DIR = -36,
  SIGCORE_TOKEN_ABONENTS_DIR_FULL = -37,
  SIGCORE_TOKEN_SECRET_KEY_DIR_FULL = -38,
  SIGCORE_TOKEN_NO_SLOT = -40,
  SIGCORE_TOKEN_DIR_NOT_REMOVED = -41,
  SIGCORE_TOKEN_DEVICE_MISMATCH = -42       // two token kinds named for one key set
};

// Results of signing, encryption, hashing and key generation.
enum SigcoreOperationResult {
  SIGCORE_NO_NEW_KEY_UID = -4,              // key generation without the new key's UID
  SIGCORE_ALGORITHM_NOT_SUPPORTED = -5,
  SIGCORE_BAD_SIGNATURE_FORMAT = -12,       // a signature block that is not UID, NUL, 64 bytes
  SIGCORE_BAD_RECIPIENT_LIST = -14,
  SIGCORE_BAD_ENCRYPTED_BUFFER = -15,       // its structure does not hold together
  SIGCORE_NOT_ADDRESSED_TO_USER = -16,      // no entry carries the user's own UID
  SIGCORE_KEY_ENTRY_DAMAGED = -17,          // the session key's MAC does not hold
  SIGCORE_DATA_DAMAGED = -18,               // the data's MAC does not hold
  SIGCORE_METHOD_NOT_SUPPORTED = -19
};

// Kinds of engine parameters (GetParamInfo) and what their descriptor holds.
enum SigcoreParamKind {
  SIGCORE_KIND_INTEGER = 1,    // "min..max"
  SIGCORE_KIND_TEXT = 2,       // the maximum length
  SIGCORE_KIND_RECIPIENTS = 4, // the maximum length of a ";"-separated UID list
  SIGCORE_KIND_CHOICE = 7,     // the allowed values, separated by CR LF
  SIGCORE_KIND_FILE = 10,      // a file mask
  SIGCORE_KIND_DIRECTORY = 11  // the mask of the files it holds
};

SigcoreEngine SIGCORE_CALL GetCryptObj(int reserved);
int SIGCORE_CALL DoneEngine(SigcoreEngine engine);
int SIGCORE_CALL GetMaxEncodeAddition(SigcoreEngine engine);
int SIGCORE_CALL GetMaxSignatureLength(SigcoreEngine engine);
int SIGCORE_CALL GetMaxUIDLength(SigcoreEngine engine);
int SIGCORE_CALL GetMaxCryptoParamNameLength(SigcoreEngine engine);
int SIGCORE_CALL GetMaxCryptoParamValueLength(SigcoreEngine engine);
int SIGCORE_CALL GetMaxErrorStringLength(SigcoreEngine engine);
int SIGCORE_CALL GetCryptoParamNumber(SigcoreEngine engine);
int SIGCORE_CALL GetCryptoParamName(SigcoreEngine engine, int number, char* name);
int SIGCORE_CALL GetCryptoParamValue(SigcoreEngine engine, int number, char* value);
int SIGCORE_CALL SetCryptoParamValue(SigcoreEngine engine, int number, const char* value);
int SIGCORE_CALL GetEncodeUIDBySignUID(SigcoreEngine engine, const char* signUid, char* uid);
int SIGCORE_CALL GetCurrentUserUID(SigcoreEngine engine, char* uid);
int SIGCORE_CALL GetCryptoErrorString(SigcoreEngine engine, int code, char* text);
int SIGCORE_CALL EncodeData(SigcoreEngine engine, unsigned char* data, int* length,
                            const char* recipients);
int SIGCORE_CALL DecodeData(SigcoreEngine engine, unsigned char* data, int* length,
                            void* reserved);
int SIGCORE_CALL SignData(SigcoreEngine engine, const unsigned char* data, int length,
                          unsigned char* signature, int* signatureLength, void* reserved);
int SIGCORE_CALL VerifyData(SigcoreEngine engine, const unsigned char* data, int length,
                            const unsigned char* signature, int signatureLength, char* signerUid);
int SIGCORE_CALL GenerateNewSSK(SigcoreEngine engine);
int SIGCORE_CALL IsDifferentKeys(SigcoreEngine engine);
int SIGCORE_CALL GenerateNewSEK(SigcoreEngine engine);
int SIGCORE_CALL SetPasswordRequestFunc(SigcoreEngine engine, PasswordRequestFunc callback);
int SIGCORE_CALL GetMaxPasswordLength(SigcoreEngine engine);
int SIGCORE_CALL IncludePublicKey(SigcoreEngine engine, const char* fileName);
int SIGCORE_CALL IncludePublicEncodeKey(SigcoreEngine engine, const char* fileName);
int SIGCORE_CALL SignFile(SigcoreEngine engine, const char* fileName);
int SIGCORE_CALL VerifyFile(SigcoreEngine engine, const char* fileName, const char* signatureFile);
int SIGCORE_CALL RemoveSignaturesFromFile(SigcoreEngine engine, const char* fileName);
int SIGCORE_CALL GetLastErrorMessage(SigcoreEngine engine, char* text);
int SIGCORE_CALL SetRootPath(SigcoreEngine engine, const char* path);
int SIGCORE_CALL TransSignatureFromFileToTM(SigcoreEngine engine);
int SIGCORE_CALL TransPrivateKeyFromFileToTM(SigcoreEngine engine);
int SIGCORE_CALL SetTMRequestFunc(SigcoreEngine engine, TMRequestFunc callback);
int SIGCORE_CALL ClearCash(SigcoreEngine engine);
int SIGCORE_CALL SetRemoteGeneratePath(SigcoreEngine engine, const char* path);
int SIGCORE_CALL GetMaxPublicKeyTransferSize(SigcoreEngine engine);
int SIGCORE_CALL RemoteGenerateStart(SigcoreEngine engine, char* transfer);
int SIGCORE_CALL RemoteGenerateFinish(SigcoreEngine engine, const char* transfer);
int SIGCORE_CALL ExcludeSelfPublicKeyTransfer(SigcoreEngine engine, char* transfer);
int SIGCORE_CALL IncludePublicKeyTransfer(SigcoreEngine engine, const char* transfer);
int SIGCORE_CALL GetPublicKeyTransfer(SigcoreEngine engine, const char* uid, char* transfer);
int SIGCORE_CALL SavePublicKeyFromTransfer(SigcoreEngine engine, const char* directory,
                                           const char* transfer);
int SIGCORE_CALL GetMaxFilePathLength(SigcoreEngine engine);
int SIGCORE_CALL GetRemoteGenType(SigcoreEngine engine);
int SIGCORE_CALL GetPublicKeyTransferByFile(SigcoreEngine engine, char* transfer,
                                            const char* fileName);
int SIGCORE_CALL AddSign(SigcoreEngine engine, unsigned char* buffer, int* length,
                         void* reserved);
int SIGCORE_CALL RemoveSign(SigcoreEngine engine, unsigned char* buffer, int* length,
                            char* signerUid);
int SIGCORE_CALL GetMaxSignAddition(SigcoreEngine engine);
int SIGCORE_CALL SaveSignedDataToFile(SigcoreEngine engine, const unsigned char* data, int length,
                                      const unsigned char* signature, int signatureLength,
                                      const char* fileName);
int SIGCORE_CALL GetMaxReportSize(SigcoreEngine engine);
int SIGCORE_CALL GetReport(SigcoreEngine engine, const char* uid, char* report);
int SIGCORE_CALL GetMaxAdditionEx(SigcoreEngine engine, const char* recipients);
int SIGCORE_CALL GetUIDByPublicKeyTransfer(SigcoreEngine engine, const char* transfer, char* uid);
int SIGCORE_CALL UpdateCertificateCash(SigcoreEngine engine, const char* uid);
int SIGCORE_CALL GetMaxPublicKeyPropertiesLength(SigcoreEngine engine);
int SIGCORE_CALL GetPublicKeyProperties(SigcoreEngine engine, const char* uid, char* report);
int SIGCORE_CALL RemoteGenerateStartEx(SigcoreEngine engine, const char* requestName,
                                       char* transfer, int* state);
int SIGCORE_CALL RemoteGenerateFinishEx(SigcoreEngine engine, const char* transfer, int* state);
int SIGCORE_CALL GetPublicKeyPropertiesByTransfer(SigcoreEngine engine, const char* transfer,
                                                  char* report);
int SIGCORE_CALL GetPublicKeyPropertiesByFile(SigcoreEngine engine, const char* fileName,
                                              char* report);
int SIGCORE_CALL IncludeCACertificateFromTransfer(SigcoreEngine engine, const char* transfer);
int SIGCORE_CALL CreateDirStructure(SigcoreEngine engine, const char* publicKeyFile,
                                    void* reserved);
int SIGCORE_CALL RemoveCertificate(SigcoreEngine engine, const char* uid);
int SIGCORE_CALL VerifySignWOCheckValidity(SigcoreEngine engine, const unsigned char* data,
                                           int length, const unsigned char* signature,
                                           int signatureLength, char* signerUid);
int SIGCORE_CALL CertAndRequestTransferMatch(SigcoreEngine engine, const char* transfer1,
                                             const char* transfer2, int* match);
int SIGCORE_CALL IncludeCRL(SigcoreEngine engine, const char* crl);
int SIGCORE_CALL ConvertTransferToSignedRequest(SigcoreEngine engine, const char* transfer);
int SIGCORE_CALL HashData(SigcoreEngine engine, const unsigned char* data, int length, int form,
                          unsigned char* hash, int* size);
int SIGCORE_CALL ShowCertificate(SigcoreEngine engine, const char* certificate);
int SIGCORE_CALL GetPureSign(SigcoreEngine engine, const unsigned char* signature,
                             int signatureLength, void* reserved, char* text, int* size);
int SIGCORE_CALL GetUIDByCertIdent(SigcoreEngine engine, const char* certIdent, char* uid);
int SIGCORE_CALL InstallCertsInMyStore(SigcoreEngine engine, const char* certificates);
int SIGCORE_CALL RegisterOIDInfo(SigcoreEngine engine, const char* oid, const char* displayName);
int SIGCORE_CALL GetParamInfo(SigcoreEngine engine, int number, int* kind, char* descriptor,
                              int* size);
int SIGCORE_CALL Import(SigcoreEngine engine, int type, void* reserved, const void* input,
                        int length);
int SIGCORE_CALL CheckCompatibles(SigcoreEngine engine);
// Types 101 to 103 work on the key directories of an "ETOKEN": `input` names the directory,
// `length` is the mode and `size` the number. For the report of type 102, a non-zero number on
// entry is the capacity of `output`, NUL included; without one, modes above 1 write at most
// 2048 bytes. A report that does not fit gives -3 with the needed size in the number.
int SIGCORE_CALL ExportObject(SigcoreEngine engine, int type, const void* input, int length,
                              void* reserved, void* output, int* size);

// Every export, one X(name) per line, in the order of the export table.
#define SIGCORE_EXPORTS(X)             \
  X(GetCryptObj)                       \
  X(DoneEngine)                        \
  X(GetMaxEncodeAddition)              \
  X(GetMaxSignatureLength)             \
  X(GetMaxUIDLength)                   \
  X(GetMaxCryptoParamNameLength)       \
  X(GetMaxCryptoParamValueLength)      \
  X(GetMaxErrorStringLength)           \
  X(GetCryptoParamNumber)              \
  X(GetCryptoParamName)                \
  X(GetCryptoParamValue)               \
  X(SetCryptoParamValue)               \
  X(GetEncodeUIDBySignUID)             \
  X(GetCurrentUserUID)                 \
  X(GetCryptoErrorString)              \
  X(EncodeData)                        \
  X(DecodeData)                        \
  X(SignData)                          \
  X(VerifyData)                        \
  X(GenerateNewSSK)                    \
  X(IsDifferentKeys)                   \
  X(GenerateNewSEK)                    \
  X(SetPasswordRequestFunc)            \
  X(GetMaxPasswordLength)              \
  X(IncludePublicKey)                  \
  X(IncludePublicEncodeKey)            \
  X(SignFile)                          \
  X(VerifyFile)                        \
  X(RemoveSignaturesFromFile)          \
  X(GetLastErrorMessage)               \
  X(SetRootPath)                       \
  X(TransSignatureFromFileToTM)        \
  X(TransPrivateKeyFromFileToTM)       \
  X(SetTMRequestFunc)                  \
  X(ClearCash)                         \
  X(SetRemoteGeneratePath)             \
  X(GetMaxPublicKeyTransferSize)       \
  X(RemoteGenerateStart)               \
  X(RemoteGenerateFinish)              \
  X(ExcludeSelfPublicKeyTransfer)      \
  X(IncludePublicKeyTransfer)          \
  X(GetPublicKeyTransfer)              \
  X(SavePublicKeyFromTransfer)         \
  X(GetMaxFilePathLength)              \
  X(GetRemoteGenType)                  \
  X(GetPublicKeyTransferByFile)        \
  X(AddSign)                           \
  X(RemoveSign)                        \
  X(GetMaxSignAddition)                \
  X(SaveSignedDataToFile)              \
  X(GetMaxReportSize)                  \
  X(GetReport)                         \
  X(GetMaxAdditionEx)                  \
  X(GetUIDByPublicKeyTransfer)         \
  X(UpdateCertificateCash)             \
  X(GetMaxPublicKeyPropertiesLength)   \
  X(GetPublicKeyProperties)            \
  X(RemoteGenerateStartEx)             \
  X(RemoteGenerateFinishEx)            \
  X(GetPublicKeyPropertiesByTransfer)  \
  X(GetPublicKeyPropertiesByFile)      \
  X(IncludeCACertificateFromTransfer)  \
  X(CreateDirStructure)                \
  X(RemoveCertificate)                 \
  X(VerifySignWOCheckValidity)         \
  X(CertAndRequestTransferMatch)       \
  X(IncludeCRL)                        \
  X(ConvertTransferToSignedRequest)    \
  X(HashData)                          \
  X(ShowCertificate)                   \
  X(GetPureSign)                       \
  X(GetUIDByCertIdent)                 \
  X(InstallCertsInMyStore)             \
  X(RegisterOIDInfo)                   \
  X(GetParamInfo)                      \
  X(Import)                            \
  X(CheckCompatibles)                  \
  X(ExportObject)

#ifdef __cplusplus
}
#endif
