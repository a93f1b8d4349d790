// The engine's signing, verification, hashing and encryption: argument checks, the parameters
// they consult, and the signed-buffer layout around the binding's signature blocks.
#include <cstring>
#include <limits>
#include <vector>

#include "com3x_engine.h"
#include "encrypted_buffer.h"
#include "engine_params.h"
#include "signature_block.h"
#include "signed_buffer.h"
#include "textutil.h"

namespace sigcore {
namespace {

// A recipient list without recipients is sized as the most a host encrypts for.
constexpr int64_t kDefaultRecipients = 100;

const char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

int32_t TCryptoCom3xEngine::SignData(const unsigned char* data, int32_t length,
                                     unsigned char* signature, int32_t* signatureLength, void*) {
  return RunFrame("SignData", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.SignData(params, data, length, signature, signatureLength);
  });
}

int32_t TCryptoCom3xEngine::VerifyData(const unsigned char* data, int32_t length,
                                       const unsigned char* signature, int32_t signatureLength,
                                       char* signerUid) {
  if (signerUid == nullptr) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("VerifyData", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.VerifyData(params, data, length, signature, signatureLength, signerUid);
  });
}

int32_t TCryptoCom3xEngine::EncodeData(unsigned char* data, int32_t* length,
                                       const char* recipients) {
  const std::string list = recipients != nullptr && recipients[0] != '\0'
                               ? std::string(recipients)
                               : kit::TrimBlanks(Param(kEncryptForUid));
  if (data == nullptr || length == nullptr || *length <= 0) return SIGCORE_BAD_ARGUMENT;
  const std::string method = kit::TrimBlanks(Param(kEncryptMethod));
  return RunFrame("EncodeData", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.EncodeData(params, method.c_str(), list.c_str(), data, length);
  });
}

int32_t TCryptoCom3xEngine::DecodeData(unsigned char* data, int32_t* length, void*) {
  if (data == nullptr || length == nullptr || *length <= 0) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("DecodeData", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.DecodeData(params, data, length);
  });
}

int32_t TCryptoCom3xEngine::HashData(const unsigned char* data, int32_t length, int32_t form,
                                     unsigned char* hash, int32_t* size) {
  return RunFrame("HashData", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.HashData(params, data, length, form, hash, size);
  });
}

int32_t TCryptoCom3xEngine::GetEncodeUIDBySignUID(const char* signUid, char* uid) {
  if (signUid == nullptr || uid == nullptr) return SIGCORE_BAD_ARGUMENT;
  // A UID has at most 254 characters; a longer input is cut, and the copy always ends.
  const size_t length = strnlen(signUid, kMaxUidLength);
  std::memcpy(uid, signUid, length);
  uid[length] = '\0';
  return SIGCORE_OK;
}

int32_t TCryptoCom3xEngine::GetMaxEncodeAddition() {
  return RunFrame("GetMaxEncodeAddition", [](TCCom3x_DLL&, const TCCom3x_UserParam&) {
    return static_cast<int32_t>(MaxEncryptionGrowth(kDefaultRecipients));
  });
}

int32_t TCryptoCom3xEngine::GetMaxAdditionEx(const char* recipients) {
  return RunFrame("GetMaxAdditionEx", [&](TCCom3x_DLL&, const TCCom3x_UserParam&) {
    int64_t count = kDefaultRecipients;
    if (recipients != nullptr && recipients[0] != '\0') {
      count = 1;
      for (const char* c = recipients; *c != '\0'; ++c) count += *c == ';';
    }
    // No buffer of that size can be asked for: the list cannot be encrypted for.
    const int64_t growth = MaxEncryptionGrowth(count);
    if (growth > std::numeric_limits<int32_t>::max())
      return static_cast<int32_t>(SIGCORE_BAD_RECIPIENT_LIST);
    return static_cast<int32_t>(growth);
  });
}

int32_t TCryptoCom3xEngine::AddSign(unsigned char* buffer, int32_t* length, void*) {
  if (buffer == nullptr || length == nullptr || *length < 0) return SIGCORE_BAD_ARGUMENT;
  const int32_t dataLength = *length;
  // The grown length must still be a length.
  if (int64_t{dataLength} + GetMaxSignAddition() > std::numeric_limits<int32_t>::max())
    return SIGCORE_BAD_ARGUMENT;
  std::vector<unsigned char> signature(static_cast<size_t>(GetMaxSignatureLength()));
  auto signatureLength = static_cast<int32_t>(signature.size());
  const int32_t result =
      SignData(buffer, dataLength, signature.data(), &signatureLength, nullptr);
  if (result != SIGCORE_OK) return result;
  return Guarded(LastException(), "AddSign", [&] {
    std::memcpy(buffer + dataLength, signature.data(), static_cast<size_t>(signatureLength));
    WriteSignedBufferTrailer(buffer + dataLength + signatureLength, dataLength);
    *length = dataLength + signatureLength + kSignedBufferTrailerSize;
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::RemoveSign(unsigned char* buffer, int32_t* length, char* signerUid) {
  if (buffer == nullptr || length == nullptr || *length < 1) return SIGCORE_BAD_ARGUMENT;
  int32_t dataLength = 0;
  if (const int32_t result = ReadSignedBufferTrailer(buffer, *length, dataLength);
      result != SIGCORE_OK)
    return result;
  const int32_t signatureLength = *length - kSignedBufferTrailerSize - dataLength;
  const int32_t result =
      VerifyData(buffer, dataLength, buffer + dataLength, signatureLength, signerUid);
  // The signature and the trailer are cut off whether or not the signature held.
  *length = dataLength;
  return result;
}

int32_t TCryptoCom3xEngine::GetPureSign(const unsigned char* signature, int32_t signatureLength,
                                        void*, char* text, int32_t* size) {
  SignatureBlockView block;
  if (const int32_t result = ReadSignatureBlock(signature, signatureLength, block);
      result != SIGCORE_OK)
    return result;
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  constexpr int32_t kTextSize = 2 * kSignatureValueSize + 1;
  const int32_t capacity = *size;
  *size = kTextSize;
  if (text == nullptr) return SIGCORE_OK;
  if (capacity < kTextSize) return SIGCORE_BAD_ARGUMENT;
  for (int32_t i = 0; i < kSignatureValueSize; ++i) {
    text[2 * i] = kHexDigits[block.signature[i] >> 4];
    text[2 * i + 1] = kHexDigits[block.signature[i] & 0x0F];
  }
  text[kTextSize - 1] = '\0';
  return SIGCORE_OK;
}

}  // namespace sigcore
