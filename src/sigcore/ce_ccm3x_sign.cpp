// Signing, verification and hashing by TCCom3x_DLL. What is signed is the signer's UID, its NUL
// and the data, so the UID in a signature block cannot be exchanged for another signer's.
#include <cstring>

#include "ce_ccm3x.h"
#include "digest_forms.h"
#include "exceptions.h"
#include "signature_block.h"

namespace sigcore {

int32_t TCCom3x_DLL::Check(int result, int expected, const std::string& detailErrorFile) const {
  return result == expected ? SIGCORE_OK : ProviderFailure(detailErrorFile);
}

int32_t TCCom3x_DLL::UpdateParts(ECGOST_SIGN* signature, std::initializer_list<Part> parts,
                                 const std::string& detailErrorFile) const {
  for (const Part& part : parts)
    if (const int32_t result = Check(api_.ECGOST_update(signature, part.data, part.size),
                                     part.size, detailErrorFile);
        result != SIGCORE_OK)
      return result;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::SignParts(PSE* pse, const uint8_t* secretKey,
                               std::initializer_list<Part> parts, uint8_t* signature,
                               const std::string& detailErrorFile) const {
  ECGOST_SIGN* const created = api_.ECGOST_SIGN_new();
  if (created == nullptr) return ProviderFailure(detailErrorFile);
  const ProviderObject<ECGOST_SIGN> signer(created, api_.ECGOST_SIGN_free);
  if (const int32_t result = Check(api_.ECGOST_sign_init(created, pse, nullptr, 0, CCM3X_NID_GOSTH,
                                                         secretKey, CCM3X_NID_ECGOST_A),
                                   1, detailErrorFile);
      result != SIGCORE_OK)
    return result;
  if (const int32_t result = UpdateParts(created, parts, detailErrorFile); result != SIGCORE_OK)
    return result;
  int length = CCM3X_SIGNATURE_SIZE;
  if (const int32_t result =
          Check(api_.ECGOST_sign_final(created, signature, &length), 1, detailErrorFile);
      result != SIGCORE_OK)
    return result;
  if (length != CCM3X_SIGNATURE_SIZE) throw EProviderError("the signature is not 64 bytes");
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::VerifyParts(const uint8_t* publicKey, std::initializer_list<Part> parts,
                                 const uint8_t* signature,
                                 const std::string& detailErrorFile) const {
  ECGOST_SIGN* const created = api_.ECGOST_SIGN_new();
  if (created == nullptr) return ProviderFailure(detailErrorFile);
  const ProviderObject<ECGOST_SIGN> verifier(created, api_.ECGOST_SIGN_free);
  if (const int32_t result = Check(api_.ECGOST_verify_init(created, CCM3X_NID_ECGOST_A, nullptr,
                                                           CCM3X_NID_GOSTH, publicKey),
                                   1, detailErrorFile);
      result != SIGCORE_OK)
    return result;
  if (const int32_t result = UpdateParts(created, parts, detailErrorFile); result != SIGCORE_OK)
    return result;
  return Check(api_.ECGOST_verify_final(created, signature, CCM3X_SIGNATURE_SIZE), 1,
               detailErrorFile);
}

int32_t TCCom3x_DLL::SignData(const TCCom3x_UserParam& params, const uint8_t* data,
                              int32_t length, uint8_t* signature, int32_t* signatureLength) {
  if (length < 0 || (data == nullptr && length > 0) || signature == nullptr ||
      signatureLength == nullptr)
    return SIGCORE_BAD_ARGUMENT;
  OperationKey key;
  if (const int32_t result = OpenKeySession(params, key); result != SIGCORE_OK) return result;
  PSE* const pse = api_.PSE_CTX_get_pse(key.Container());
  if (pse == nullptr) return ProviderFailure(params);
  const std::string uid = key.Uid();
  std::array<uint8_t, CCM3X_SIGNATURE_SIZE> value;
  const int32_t result = SignParts(pse, key.SecretKeyBytes(),
                                   {{uid.c_str(), static_cast<int32_t>(uid.size() + 1)},
                                    {data, length}},
                                   value.data(), params.detailErrorFile);
  ReleaseOperationKey(key);
  if (result != SIGCORE_OK) return result;
  std::memcpy(signature, uid.c_str(), uid.size() + 1);
  std::memcpy(signature + uid.size() + 1, value.data(), value.size());
  *signatureLength = SignatureBlockSize(uid);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::VerifyData(const TCCom3x_UserParam& params, const uint8_t* data,
                                int32_t length, const uint8_t* signature, int32_t signatureLength,
                                char* signerUid) {
  if (data == nullptr || length < 0 || signerUid == nullptr) return SIGCORE_BAD_ARGUMENT;
  SignatureBlockView block;
  if (const int32_t result = ReadSignatureBlock(signature, signatureLength, block);
      result != SIGCORE_OK)
    return result;
  TCCom3x_CashNode signer;
  if (const int32_t result = FindNodeByUID(params, block.uid, true, signer); result != SIGCORE_OK)
    return result;
  if (const int32_t result = VerifyParts(
          signer.publicKey.data(),
          {{block.uid.c_str(), static_cast<int32_t>(block.uid.size() + 1)}, {data, length}},
          block.signature, params.detailErrorFile);
      result != SIGCORE_OK)
    return result;
  std::memcpy(signerUid, block.uid.c_str(), block.uid.size() + 1);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::Digest(const std::string& detailErrorFile, const uint8_t* data,
                            int32_t length, uint8_t* digest) const {
  GOSTH_CTX* const created = api_.GOSTH_new();
  if (created == nullptr) return ProviderFailure(detailErrorFile);
  const ProviderObject<GOSTH_CTX> hash(created, api_.GOSTH_free);
  if (const int32_t result =
          Check(api_.GOSTH_hash_init(created, nullptr, CCM3X_NID_GOSTH), 1, detailErrorFile);
      result != SIGCORE_OK)
    return result;
  if (const int32_t result =
          Check(api_.GOSTH_update(created, data, length), length, detailErrorFile);
      result != SIGCORE_OK)
    return result;
  return Check(api_.GOSTH_final(created, digest), CCM3X_DIGEST_SIZE, detailErrorFile);
}

int32_t TCCom3x_DLL::HashData(const TCCom3x_UserParam& params, const uint8_t* data,
                              int32_t length, int32_t form, uint8_t* out, int32_t* size) {
  if (size == nullptr || length < 0 || (data == nullptr && length > 0))
    return SIGCORE_BAD_ARGUMENT;
  if (out == nullptr || *size < DigestFormSize(form)) {
    const bool query = out == nullptr;
    *size = DigestFormSize(form);
    return query ? SIGCORE_OK : SIGCORE_BUFFER_TOO_SMALL;
  }
  std::array<uint8_t, CCM3X_DIGEST_SIZE> digest;
  if (const int32_t result = Digest(params.detailErrorFile, data, length, digest.data());
      result != SIGCORE_OK)
    return result;
  return WriteDigestForm(digest.data(), form, out, size);
}

}  // namespace sigcore
