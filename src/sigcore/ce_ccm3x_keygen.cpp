// Key generation by TCCom3x_DLL: a new key pair in a new container (a customer's first keys or
// a replacement), and the two halves of a remote renewal, which makes the successor in the
// user's own container and later installs it once the bank has certified it.
#include <cstring>

#include "ce_ccm3x.h"
#include "exceptions.h"
#include "fileutil.h"
#include "keyplaces.h"
#include "randinit.h"
#include "textutil.h"

namespace sigcore {
namespace {

using SessionGuard = std::lock_guard<std::recursive_mutex>;

// The provider's code for a write that did not reach the token: an "ETOKEN" may refuse the
// first write after a generation and take the second.
constexpr int kTokenWriteError = 24;

// Whether a block can carry the UID and owner text; one that cannot would never be read back.
bool FitsBlock(const std::string& uid, const std::string& ownerText) {
  return uid.size() <= kMaxBlockUidLength && ownerText.size() <= kMaxOwnerTextLength;
}

bool OwnKeyToToken(const TCCom3x_KeyGenParam& request) {
  return IsTokenDevice(request.publicKeyPath) && IsTokenDevice(request.keyDevice) &&
         IsTokenKeyDirName(request.secretKeyDir);
}

}  // namespace

int32_t TCCom3x_DLL::MakeSignedKeyPair(PSE_CTX* container, const std::string& uid,
                                       const std::string& ownerText,
                                       const std::string& detailErrorFile, SecretKey& secretKey,
                                       std::vector<uint8_t>& block) const {
  TCCom3x_CashNode node;
  node.uid = uid;
  node.ownerText = ownerText;
  PSE* const pse = api_.PSE_CTX_get_pse(container);
  if (pse == nullptr) return ProviderFailure(detailErrorFile);
  int secretLength = CCM3X_SECRET_KEY_SIZE;
  int publicLength = CCM3X_PUBLIC_KEY_SIZE;
  if (const int32_t result =
          Check(api_.ECGOST_generate_key(pse, CCM3X_NID_ECGOST_A, secretKey.data(), &secretLength,
                                         node.publicKey.data(), &publicLength),
                1, detailErrorFile);
      result != SIGCORE_OK)
    return result;
  if (secretLength != CCM3X_SECRET_KEY_SIZE || publicLength != CCM3X_PUBLIC_KEY_SIZE)
    throw EProviderError("a generated key has the wrong size");

  node.algorithm = kBlockAlgorithm;
  node.publicKeyLength = kBlockPublicKeySize;
  node.signatureLength = kBlockSignatureSize;
  block.assign(kMaxPublicKeyBlockSize, 0);
  int32_t size = kMaxPublicKeyBlockSize;
  if (const int32_t result = SerializePublicKeyBlock(node, block.data(), size);
      result != SIGCORE_OK)
    return result;
  if (const int32_t result = SignParts(pse, secretKey.data(), {{block.data(), size}},
                                       node.signature.data(), detailErrorFile);
      result != SIGCORE_OK)
    return result;
  size = kMaxPublicKeyBlockSize;
  if (const int32_t result = AppendBlockSignature(node, block.data(), size); result != SIGCORE_OK)
    return result;
  block.resize(static_cast<size_t>(size));
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::GenerateKey(const TCCom3x_KeyGenParam& request, uint8_t* block,
                                 int32_t* size) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  if (block == nullptr || *size < kMaxPublicKeyBlockSize) {
    const bool query = block == nullptr;
    *size = kMaxPublicKeyBlockSize;
    return query ? SIGCORE_OK : SIGCORE_BUFFER_TOO_SMALL;
  }
  if (request.uid.empty()) return SIGCORE_NO_NEW_KEY_UID;
  if (request.algorithm != kBlockAlgorithm) return SIGCORE_ALGORITHM_NOT_SUPPORTED;
  if (!FitsBlock(request.uid, request.ownerText)) return SIGCORE_BAD_ARGUMENT;
  const std::string& detail = request.detailErrorFile;
  const bool onToken = IsTokenDevice(request.keyDevice);
  if (onToken) {
    if (const int32_t result = PreparePinPrompt(); result != SIGCORE_OK) return result;
  }
  const bool tokenKeyDir = onToken && IsTokenKeyDirName(request.secretKeyDir);
  const std::string place =
      !onToken ? request.secretKeyDir
               : TokenObjectPath(request.keyDevice, -1,
                                 tokenKeyDir ? TokenKeyDir(request.secretKeyDir) : "");

  PSE_CTX* const created = api_.PSE_CTX_new();
  if (created == nullptr) return ProviderFailure(detail);
  const ProviderObject<PSE_CTX> container(created, api_.PSE_CTX_free);
  if (const int32_t result = Check(api_.PSE_CTX_set_path(created, place.c_str(), -1), 1, detail);
      result != SIGCORE_OK)
    return result;
  if (const int32_t result =
          Check(api_.PSE_CTX_set_rand_callback(created, &RandomInitCallback), 1, detail);
      result != SIGCORE_OK)
    return result;
  if (const int32_t result = Check(api_.PSE_CTX_generate(created), 1, detail);
      result != SIGCORE_OK)
    return result;

  gost::Wiped<SecretKey> secretKey;
  std::vector<uint8_t> signedBlock;
  if (const int32_t result = MakeSignedKeyPair(created, request.uid, request.ownerText, detail,
                                               *secretKey, signedBlock);
      result != SIGCORE_OK)
    return result;

  int written = api_.PSE_CTX_write(created);
  if (written != 1 && SameDevice(request.keyDevice, "ETOKEN") &&
      (written == kTokenWriteError || api_.ERR_get_last_error() == kTokenWriteError))
    written = api_.PSE_CTX_write(created);
  if (const int32_t result = Check(written, 1, detail); result != SIGCORE_OK) return result;

  int32_t slot = -1;
  if (tokenKeyDir) {
    slot = GetSlotNumberForTokenObject(request.keyDevice, TokenKeyDir(request.secretKeyDir));
    if (slot < 0) return SIGCORE_TOKEN_SECRET_KEY_NOT_WRITTEN;
  }
  if (const int32_t result = WriteSecretKey(request.keyDevice, request.secretKeyDir,
                                            secretKey->data(), slot, detail,
                                            request.deviceScanDepth);
      result != SIGCORE_OK)
    return result;
  std::memcpy(block, signedBlock.data(), signedBlock.size());
  *size = static_cast<int32_t>(signedBlock.size());
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::GenerateNewOwnKey(const TCCom3x_UserParam& params,
                                       const TCCom3x_KeyGenParam& request) {
  const bool toToken = OwnKeyToToken(request);
  // Settled before anything is generated, so that no key is made that cannot be installed.
  if (toToken && !SameDevice(request.publicKeyPath, request.keyDevice))
    return SIGCORE_TOKEN_DEVICE_MISMATCH;
  std::array<uint8_t, kMaxPublicKeyBlockSize> block;
  int32_t size = kMaxPublicKeyBlockSize;
  if (const int32_t result = GenerateKey(request, block.data(), &size); result != SIGCORE_OK)
    return result;

  bool replacesOwnKey = false;
  if (toToken) {
    const std::string keyDir = TokenKeyDir(request.secretKeyDir);
    const std::string path =
        TokenObjectPath(request.keyDevice, -1, keyDir + "/" + kOwnKeyObject);
    if (api_.CADB_write_file(path.c_str(), block.data(), size) != size) {
      ProviderFailure(request.detailErrorFile);
      return SIGCORE_TOKEN_PUBLIC_KEY_NOT_WRITTEN;
    }
    replacesOwnKey = OwnKeyOnToken(params) && SameDevice(params.keyDevice, request.keyDevice) &&
                     TokenKeyDir(params.secretKeyDir) == keyDir;
  } else {
    if (!kit::WriteBufferToFile(request.publicKeyPath, block.data(), size))
      return SIGCORE_KEY_REQUEST_NOT_WRITTEN;
    replacesOwnKey = kit::EqualsIgnoreAsciiCase(request.publicKeyPath, params.userPublicKeyPath);
  }
  // The session and the cache hold the key that was just replaced.
  if (replacesOwnKey) ClearKeySessionAndCache();
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::RemoteGenerateStart(const TCCom3x_UserParam& params,
                                         const TCCom3x_CashNode& request,
                                         std::vector<uint8_t>& block) {
  if (request.uid.empty()) return SIGCORE_NO_NEW_KEY_UID;
  if (!FitsBlock(request.uid, request.ownerText)) return SIGCORE_BAD_ARGUMENT;
  UserContainer opened;
  if (const int32_t result = OpenUserContainer(params, opened); result != SIGCORE_OK) return result;
  gost::Wiped<SecretKey> secretKey;
  if (const int32_t result =
          MakeSignedKeyPair(opened.container.Get(), request.uid, request.ownerText,
                            params.detailErrorFile, *secretKey, block);
      result != SIGCORE_OK)
    return result;
  const int32_t result =
      WriteSecretKey(params.keyDevice, params.secretKeyDir, secretKey->data(), opened.slot,
                     params.detailErrorFile, params.deviceScanDepth);
  // A block whose secret key was not kept must not become a request.
  if (result != SIGCORE_OK) block.clear();
  return result;
}

int32_t TCCom3x_DLL::RemoteGenerateFinish(const TCCom3x_UserParam& params, const uint8_t* block,
                                          int32_t length) {
  TCCom3x_CashNode fresh;
  if (ParsePublicKeyBlock(block, length, fresh) != SIGCORE_OK) return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  // It comes back from outside and is about to become the user's own key.
  if (!VerifyBlockSelfSignature(fresh)) return SIGCORE_PUBLIC_KEY_DAMAGED;
  fresh.verified = true;
  {
    UserContainer opened;
    if (const int32_t result = OpenUserContainer(params, opened); result != SIGCORE_OK)
      return result;
    gost::Wiped<SecretKey> key;
    if (const int32_t result = FindSecretKey(opened.slot >= 0, opened.place, fresh,
                                             opened.container.Get(), params, *key);
        result != SIGCORE_OK)
      return result;
  }

  TCCom3x_CashNode old;
  if (const int32_t result = GetOwnNode(params, old); result != SIGCORE_OK) return result;
  std::array<uint8_t, kMaxPublicKeyBlockSize> oldBlock;
  int32_t oldSize = kMaxPublicKeyBlockSize;
  if (AppendBlockSignature(old, oldBlock.data(), oldSize) != SIGCORE_OK)
    throw EProviderError("the own key cannot be written back");

  const std::string newUid = fresh.uid;
  {
    SessionGuard session(sessionLock_);
    std::lock_guard cache(cache_.Lock());
    if (!params.userPublicKeyPath.empty()) {
      // Written over the old key in one step, so that a failed write leaves the old key whole.
      if (old.fromToken) {
        const int32_t slot = GetSlotNumberForTokenObject(params.keyDevice, old.storagePath);
        if (slot < 0) return SIGCORE_TOKEN_PUBLIC_KEY_NOT_WRITTEN;
        const std::string path = TokenObjectPath(params.keyDevice, slot, old.storagePath);
        if (api_.CADB_write_file(path.c_str(), block, length) != length) {
          ProviderFailure(params);
          return SIGCORE_TOKEN_PUBLIC_KEY_NOT_WRITTEN;
        }
      } else if (!kit::WriteBufferToFile(params.userPublicKeyPath, block, length)) {
        return SIGCORE_PUBLIC_KEY_NOT_WRITTEN;
      }
      ClearPublicKeyCache();
    } else {
      const bool cached = !cache_.Empty();
      RemovePublicKeyByUID(params.keyDevice, params.detailErrorFile, false, old.uid);
      cache_.SetOwnUid(fresh.uid);
      if (cached) cache_.Add(fresh);
      ownNode_ = std::move(fresh);
    }
    CloseKeySession();
  }

  if (old.uid != newUid)
    return StorePublicKey(params, oldBlock.data(), !params.userPublicKeyPath.empty(), oldSize);
  return SIGCORE_OK;
}

}  // namespace sigcore
