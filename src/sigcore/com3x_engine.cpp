#include "com3x_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine_params.h"
#include "error_texts.h"
#include "fileutil.h"
#include "provider_cache.h"

namespace sigcore {

TCryptoCom3xEngine::TCryptoCom3xEngine() {
  for (int32_t number = 1; number <= kParamCount; ++number) {
    const ParamDefinition& param = ParamDefinitionOf(number);
    AddParam(param.name, param.defaultValue);
  }
}

int32_t TCryptoCom3xEngine::LoadUserParams(TCCom3x_UserParam& params) const {
  return sigcore::LoadUserParams(ParamValues(), RootPath(), params);
}

int32_t TCryptoCom3xEngine::GetCryptoAPI(const TCCom3x_UserParam& params, TCCom3x_DLL*& binding) {
  return Guarded(LastException(), "GetCryptoAPI", [&] {
    return ProviderCache::Instance().Find(params, PasswordFunction(), KeyDirPasswordFunction(),
                                          binding);
  });
}

int32_t TCryptoCom3xEngine::ImportKeyDirPasswordRequestFunc(void*, const void* function) {
  SetKeyDirPasswordRequestFunc(
      reinterpret_cast<KeyDirPasswordRequestFunc>(reinterpret_cast<uintptr_t>(function)));
  return SIGCORE_OK;
}

int32_t TCryptoCom3xEngine::ExportCashOpenKeySupport(const void*, int32_t, void*, void* out,
                                                     int32_t* size) {
  return WriteFlag(out, size, SIGCORE_BAD_ARGUMENT, [](int32_t& flag) {
    flag = 1;
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::ExportRG_WO_dir_support(const void*, int32_t, void*, void* out,
                                                    int32_t* size) {
  return WriteFlag(out, size, SIGCORE_BAD_ARGUMENT, [](int32_t& flag) {
    flag = 1;
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::ExportParamCheckRes(const void*, int32_t, void*, void* out,
                                                int32_t* size) {
  return WriteFlag(out, size, SIGCORE_BUFFER_TOO_SMALL, [&](int32_t& flag) {
    return RunFrame("ExportParamCheckRes", [&](TCCom3x_DLL&, const TCCom3x_UserParam& params) {
      const bool configured = IsTokenDevice(params.keyDevice) || params.abonentsDir.empty() ||
                              kit::IsDirectory(params.abonentsDir);
      flag = configured ? 0 : 2;
      return static_cast<int32_t>(SIGCORE_OK);
    });
  });
}

// A UID of up to 254 characters and its NUL, then the 64-byte signature value.
int32_t TCryptoCom3xEngine::GetMaxSignatureLength() { return GetMaxUIDLength() + 64; }

void TCryptoCom3xEngine::GetCryptoErrorString(int32_t code, char* text) {
  if (text == nullptr) return;
  const auto capacity = static_cast<size_t>(GetMaxErrorStringLength());
  std::memset(text, 0, capacity);
  try {
    const std::string message = ResultCodeText(code, LastException().GetValue());
    std::memcpy(text, message.data(), std::min(message.size(), capacity - 1));
  } catch (...) {
    // The caller gets the zero-filled buffer: an empty text.
  }
}

int32_t TCryptoCom3xEngine::IncludePublicEncodeKey(const char* fileName) {
  return IncludePublicKey(fileName);
}

// Twice the signed-buffer overhead plus the Base64 of the 1404-byte transfer block.
int32_t TCryptoCom3xEngine::GetMaxPublicKeyTransferSize() {
  return 2 * GetMaxSignAddition() + 2808;
}
// Room after the data for the signature block and the 4-byte data length.
int32_t TCryptoCom3xEngine::GetMaxSignAddition() { return GetMaxSignatureLength() + 4; }
int32_t TCryptoCom3xEngine::SaveSignedDataToFile(const unsigned char*, int32_t,
                                                 const unsigned char*, int32_t, const char*) {
  return SIGCORE_FUNCTION_NOT_SUPPORTED;
}
int32_t TCryptoCom3xEngine::GetRemoteGenType() { return 0; }

int32_t TCryptoCom3xEngine::GetMaxReportSize() { return 2048; }
int32_t TCryptoCom3xEngine::GetParamInfo(int32_t number, int32_t* kind, char* descriptor,
                                         int32_t* size) {
  return Guarded(LastException(), "GetParamInfo", [&]() -> int32_t {
    const auto info = DescribeParam(number, ParamValues());
    if (!info) return SIGCORE_NO_SUCH_PARAMETER;
    if (kind == nullptr || size == nullptr) return SIGCORE_BAD_ARGUMENT;
    *kind = info->kind;
    const auto needed = static_cast<int32_t>(info->descriptor.size() + 1);
    if (descriptor == nullptr) {
      *size = needed;
      return SIGCORE_OK;
    }
    const int32_t capacity = *size;
    *size = needed;
    if (capacity < needed) return SIGCORE_BAD_ARGUMENT;
    std::memcpy(descriptor, info->descriptor.c_str(), static_cast<size_t>(needed));
    return SIGCORE_OK;
  });
}

}  // namespace sigcore
