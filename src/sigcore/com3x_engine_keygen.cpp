// Key generation and renewal through the engine, the preparation of a key medium's folders,
// and the operations on a token's key directories.
#include <windows.h>

#include <cstring>
#include <vector>

#include "com3x_engine.h"
#include "fileutil.h"
#include "keygen_request.h"
#include "keyplaces.h"
#include "pkblock.h"
#include "root_path.h"
#include "signature_block.h"
#include "textutil.h"

namespace sigcore {
namespace {

// A state that is a multiple of 10 marks a first attempt: its failure is told through the state.
bool FirstAttempt(int32_t state) { return state % 10 == 0; }

LocalMoment Now() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

int32_t TCryptoCom3xEngine::LoadKeyGenParams(TCCom3x_KeyGenParam& request) const {
  return sigcore::LoadKeyGenParams(ParamValues(), RootPath(), request);
}

int32_t TCryptoCom3xEngine::GenerateNewSSK() { return GenerateNewSEK(); }

int32_t TCryptoCom3xEngine::GenerateNewSEK() {
  TCCom3x_KeyGenParam request;
  if (const int32_t result = LoadKeyGenParams(request); result != SIGCORE_OK) return result;
  return RunFrame("GenerateNewSEK", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.GenerateNewOwnKey(params, request);
  });
}

int32_t TCryptoCom3xEngine::ExportRequestForNewKey(const void*, int32_t, void*, void* out,
                                                   int32_t* size) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  if (out == nullptr || *size < kMaxPublicKeyBlockSize) {
    const bool query = out == nullptr;
    *size = kMaxPublicKeyBlockSize;
    return query ? SIGCORE_OK : SIGCORE_BUFFER_TOO_SMALL;
  }
  TCCom3x_KeyGenParam request;
  if (const int32_t result = LoadKeyGenParams(request); result != SIGCORE_OK) return result;
  return RunFrame("ExportRequestForNewKey", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam&) {
    std::vector<uint8_t> block(kMaxPublicKeyBlockSize);
    int32_t length = kMaxPublicKeyBlockSize;
    if (const int32_t result = binding.GenerateKey(request, block.data(), &length);
        result != SIGCORE_OK)
      return result;
    std::memcpy(out, block.data(), static_cast<size_t>(length));
    *size = length;
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::InternalRemoteGenerateStart(char* transfer,
                                                        const std::string& requestName,
                                                        bool withSubject) {
  if (transfer == nullptr) return SIGCORE_BAD_ARGUMENT;
  std::vector<uint8_t> block;
  const int32_t result = RunFrame(
      "InternalRemoteGenerateStart", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
        TCCom3x_CashNode request;
        if (const int32_t own = binding.GetOwnNode(params, request); own != SIGCORE_OK)
          return own;
        request.uid = requestName;
        if (withSubject) {
          TCCom3x_KeyGenParam keyGen;
          if (const int32_t loaded = LoadKeyGenParams(keyGen); loaded != SIGCORE_OK)
            return loaded;
          request.ownerText = keyGen.ownerText;
        }
        if (const int32_t made = binding.RemoteGenerateStart(params, request, block);
            made != SIGCORE_OK)
          return made;
        return binding.WriteNewKeyRequest(params, block.data(),
                                          static_cast<int32_t>(block.size()));
      });
  if (result != SIGCORE_OK) return result;
  // The transfer is signed with the current key: that signature is what the bank certifies.
  return PrepareTransferByBuffer(block.data(), static_cast<int32_t>(block.size()), requestName,
                                 transfer);
}

int32_t TCryptoCom3xEngine::RemoteGenerateStart(char* transfer) {
  std::vector<char> uid(static_cast<size_t>(GetMaxUIDLength()));
  if (const int32_t result = GetCurrentUserUID(uid.data()); result != SIGCORE_OK) return result;
  return InternalRemoteGenerateStart(transfer, uid.data(), false);
}

int32_t TCryptoCom3xEngine::RemoteGenerateStartEx(const char* requestName, char* transfer,
                                                  int32_t* state) {
  if (state == nullptr) return SIGCORE_BAD_ARGUMENT;
  const auto failed = [state](int32_t result) {
    if (!FirstAttempt(*state)) return result;
    *state += 2;
    return static_cast<int32_t>(SIGCORE_OK);
  };
  std::string name;
  if (requestName != nullptr && requestName[0] != '\0') {
    name = requestName;
  } else {
    std::vector<char> uid(static_cast<size_t>(GetMaxUIDLength()));
    if (const int32_t result = GetCurrentUserUID(uid.data()); result != SIGCORE_OK)
      return failed(result);
    name = WithoutRequestNameSuffix(uid.data()) + RequestNameSuffix(Now());
  }
  if (const int32_t result = InternalRemoteGenerateStart(transfer, name, *state > 9);
      result != SIGCORE_OK)
    return failed(result);
  *state = 1;
  return SIGCORE_OK;
}

int32_t TCryptoCom3xEngine::RemoteGenerateFinish(const char* transfer) {
  TransferContent content;
  if (const int32_t result = GetPublicKeyBlockByTransfer(transfer, content); result != SIGCORE_OK)
    return result;
  return RunFrame("RemoteGenerateFinish",
                  [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
                    return binding.RemoteGenerateFinish(
                        params, content.keyData.data(),
                        static_cast<int32_t>(content.keyData.size()));
                  });
}

int32_t TCryptoCom3xEngine::RemoteGenerateFinishEx(const char* transfer, int32_t* state) {
  const int32_t result = RemoteGenerateFinish(transfer);
  if (result == SIGCORE_OK && state != nullptr) *state = 1;
  return result;
}

int32_t TCryptoCom3xEngine::CreateDirStructure(const char* publicKeyFile, void*) {
  if (publicKeyFile == nullptr) return SIGCORE_BAD_ARGUMENT;
  TCCom3x_UserParam params;
  if (const int32_t result = LoadUserParams(params); result != SIGCORE_OK) return result;
  constexpr int32_t kFailed = -26;
  if (!FileExists(params.userPublicKeyPath)) return kFailed;
  const std::string source = ExpandRootPath(publicKeyFile, RootPath());
  // The copy reads the whole source first: a source that cannot be read leaves the
  // configured key file as it was.
  if (source != params.userPublicKeyPath &&
      !kit::CopyFileByMemory(source, params.userPublicKeyPath))
    return kFailed;
  // A key directory on a token is no folder of the disk.
  const bool secretKeysOnToken =
      IsTokenDevice(params.keyDevice) && IsTokenKeyDirName(params.secretKeyDir);
  std::vector<std::string> folders;
  if (!secretKeysOnToken) folders.push_back(params.secretKeyDir);
  if (!AbonentsOnToken(params)) folders.push_back(params.abonentsDir);
  for (const std::string& folder : folders)
    if (!folder.empty() && !kit::CreateDirectoryPath(folder)) return kFailed;
  return SIGCORE_OK;
}

}  // namespace sigcore
