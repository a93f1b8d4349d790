// The public-key cache of TCCom3x_DLL: loading the own key and the correspondents' keys from
// their files or token objects, looking them up with or without the self-signature check,
// and keeping them current. Every step runs under the cache lock.
#include <vector>

#include "ce_ccm3x.h"
#include "fileutil.h"
#include "keyplaces.h"

namespace sigcore {
namespace {

using CacheGuard = std::lock_guard<std::recursive_mutex>;

bool SameUid(const std::string& a, const std::string& b) {
  return FoldUidCase(a) == FoldUidCase(b);
}

}  // namespace

bool TCCom3x_DLL::VerifyBlockSelfSignature(const TCCom3x_CashNode& node) const {
  std::array<uint8_t, kMaxPublicKeyBlockSize> block;
  int32_t size = kMaxPublicKeyBlockSize;
  if (SerializePublicKeyBlock(node, block.data(), size) != SIGCORE_OK) return false;
  ECGOST_SIGN* const created = api_.ECGOST_SIGN_new();
  if (created == nullptr) return false;
  const ProviderObject<ECGOST_SIGN> signature(created, api_.ECGOST_SIGN_free);
  return api_.ECGOST_verify_init(created, CCM3X_NID_ECGOST_A, nullptr, CCM3X_NID_GOSTH,
                                 node.publicKey.data()) == 1 &&
         api_.ECGOST_update(created, block.data(), size) == size &&
         api_.ECGOST_verify_final(created, node.signature.data(), node.signatureLength) == 1;
}

int32_t TCCom3x_DLL::LoadPublicKeyCache(const TCCom3x_UserParam& params) {
  CacheGuard cache(cache_.Lock());
  cache_.Clear();
  const std::string& device = params.keyDevice;
  const bool ownOnToken = OwnKeyOnToken(params);
  const auto failed = [this](int32_t result) {
    // Half a cache would hide keys until the next load: a failed load leaves it empty.
    cache_.Clear();
    return result;
  };

  if (ownOnToken) {
    if (!SameDevice(params.userPublicKeyPath, device)) return SIGCORE_TOKEN_DEVICE_MISMATCH;
    const std::string object = TokenKeyDir(params.secretKeyDir) + "/" + kOwnKeyObject;
    const int32_t slot = GetSlotNumberForTokenObject(device, object);
    if (slot < 0) return SIGCORE_TOKEN_OWN_KEY_NOT_FOUND;
    TCCom3x_CashNode own;
    if (const int32_t result =
            InitCashNodeByTokenFile(params.detailErrorFile, slot, own, object, device);
        result != SIGCORE_OK)
      return result;
    cache_.SetOwnUid(own.uid);
    cache_.Add(std::move(own));
  }
  const bool abonentsOnToken = AbonentsOnToken(params);
  if (abonentsOnToken) {
    if (const int32_t result = AddTokenAbonents(params); result != SIGCORE_OK)
      return failed(result);
  }

  std::vector<std::string> files;
  const bool ownFromFile = !ownOnToken && !params.userPublicKeyPath.empty();
  if (ownFromFile) files.push_back(params.userPublicKeyPath);
  if (!abonentsOnToken) kit::FindFilesByEnding(params.abonentsDir, "pub", files, true);
  if (params.userPublicKeyPath.empty() && ownNode_) {
    // The own key was given by the host and has no file: it stays the own key.
    cache_.SetOwnUid(ownNode_->uid);
    cache_.Add(*ownNode_);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    TCCom3x_CashNode node;
    const int32_t result = InitCashNodeByFile(files[i], node);
    if (i == 0 && ownFromFile) {
      if (result != SIGCORE_OK) return failed(result);
      cache_.SetOwnUid(node.uid);
    }
    if (result == SIGCORE_OK) cache_.Add(std::move(node));
  }
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::AddTokenAbonents(const TCCom3x_UserParam& params) {
  if (!SameDevice(AbonentsDevice(params), params.keyDevice)) return SIGCORE_TOKEN_DEVICE_MISMATCH;
  const std::string folder = TokenKeyDir(params.secretKeyDir) + "/" + kAbonentsFolder;
  const int32_t slot = GetSlotNumberForTokenObject(params.keyDevice, folder);
  if (slot < 0) return SIGCORE_OK;
  for (int64_t number = 1; number <= params.deviceScanDepth; ++number) {
    TCCom3x_CashNode node;
    if (InitCashNodeByTokenFile(params.detailErrorFile, slot, node, folder + Hex4(number),
                                params.keyDevice) == SIGCORE_OK)
      cache_.Add(std::move(node));
  }
  return SIGCORE_OK;
}

void TCCom3x_DLL::ClearPublicKeyCache() { cache_.Clear(); }

int32_t TCCom3x_DLL::EnsureCacheLoaded(const TCCom3x_UserParam& params, bool alsoWithoutOwnUid,
                                       bool* loaded) {
  if (!cache_.Empty() && !(alsoWithoutOwnUid && cache_.OwnUid().empty())) return SIGCORE_OK;
  if (loaded != nullptr) *loaded = true;
  return LoadPublicKeyCache(params);
}

std::optional<TCCom3x_CashNode> TCCom3x_DLL::OwnNodeLocked() const {
  const std::string uid = cache_.OwnUid();
  if (uid.empty()) return std::nullopt;
  if (auto cached = cache_.Find(uid)) return cached;
  if (ownNode_ && SameUid(ownNode_->uid, uid)) return ownNode_;
  return std::nullopt;
}

int32_t TCCom3x_DLL::FindNodeByUID(const TCCom3x_UserParam& params, const std::string& uid,
                                   bool verify, TCCom3x_CashNode& node, bool* loaded) {
  CacheGuard cache(cache_.Lock());
  if (const int32_t result = EnsureCacheLoaded(params, false, loaded); result != SIGCORE_OK)
    return result;
  std::optional<TCCom3x_CashNode> found = cache_.Find(uid);
  if (!found && cache_.IsOwnUid(uid)) found = OwnNodeLocked();
  if (!found) return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  if (verify && !found->verified) {
    if (!VerifyBlockSelfSignature(*found)) return SIGCORE_PUBLIC_KEY_DAMAGED;
    found->verified = true;
    cache_.MarkVerified(uid);
  }
  node = std::move(*found);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::GetOwnNode(const TCCom3x_UserParam& params, TCCom3x_CashNode& node,
                                bool* loaded) {
  CacheGuard cache(cache_.Lock());
  if (const int32_t result = EnsureCacheLoaded(params, false, loaded); result != SIGCORE_OK)
    return result;
  auto own = OwnNodeLocked();
  if (!own) return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  node = std::move(*own);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::GetOwnUID(const TCCom3x_UserParam& params, std::string& uid) {
  TCCom3x_CashNode own;
  if (const int32_t result = GetOwnNode(params, own); result != SIGCORE_OK) return result;
  uid = own.uid;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::SetOwnKeyFromBuffer(const TCCom3x_UserParam&, const uint8_t* block,
                                         int32_t length) {
  TCCom3x_CashNode node;
  if (ParsePublicKeyBlock(block, length, node) != SIGCORE_OK) return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  if (!VerifyBlockSelfSignature(node)) return SIGCORE_PUBLIC_KEY_DAMAGED;
  node.verified = true;
  // Another owner's key: nothing opened or cached for the previous one may serve it.
  if (!cache_.OwnUid().empty() && !cache_.IsOwnUid(node.uid)) ClearKeySessionAndCache();
  CacheGuard cache(cache_.Lock());
  cache_.SetOwnUid(node.uid);
  ownNode_ = std::move(node);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::ReadStoredNode(const TCCom3x_UserParam& params,
                                    const std::string& storagePath, bool fromToken,
                                    TCCom3x_CashNode& node) const {
  if (!fromToken) return InitCashNodeByFile(storagePath, node);
  const int32_t slot = GetSlotNumberForTokenObject(params.keyDevice, storagePath);
  if (storagePath.empty() || slot < 0) return SIGCORE_TOKEN_PUBLIC_KEY_NOT_READ;
  return InitCashNodeByTokenFile(params.detailErrorFile, slot, node, storagePath,
                                 params.keyDevice);
}

int32_t TCCom3x_DLL::UpdateCachedKey(const TCCom3x_UserParam& params, const std::string& uid) {
  CacheGuard cache(cache_.Lock());
  if (AbonentsOnToken(params)) {
    if (!SameDevice(AbonentsDevice(params), params.keyDevice)) return SIGCORE_TOKEN_DEVICE_MISMATCH;
    return LoadPublicKeyCache(params);
  }

  // Into a cache never loaded, a key added alone would hide all the others from lookups,
  // which load only an empty cache.
  if (const int32_t result = EnsureCacheLoaded(params, false, nullptr); result != SIGCORE_OK)
    return result;
  const std::optional<TCCom3x_CashNode> cached = cache_.Find(uid);
  TCCom3x_CashNode fresh;
  if (!cached) {
    // First where a saved key of that UID is named after it, then in every key file.
    bool found = IsPlainFileName(uid) &&
                 InitCashNodeByFile(params.abonentsDir + uid + ".pub", fresh) == SIGCORE_OK &&
                 SameUid(fresh.uid, uid);
    if (!found) {
      std::vector<std::string> files;
      kit::FindFilesByEnding(params.abonentsDir, "pub", files, true);
      for (const std::string& file : files) {
        found = InitCashNodeByFile(file, fresh) == SIGCORE_OK && SameUid(fresh.uid, uid);
        if (found) break;
      }
    }
    if (!found) return SIGCORE_PUBLIC_KEY_NOT_FOUND;
    cache_.Add(std::move(fresh));
    return SIGCORE_OK;
  }

  if (ReadStoredNode(params, cached->storagePath, cached->fromToken, fresh) == SIGCORE_OK &&
      SameUid(fresh.uid, uid)) {
    cache_.Replace(uid, std::move(fresh));
    return SIGCORE_OK;
  }
  // The key moved or changed hands: read everything again.
  if (!kit::IsDirectory(params.abonentsDir)) return SIGCORE_ABONENTS_DIR_ERROR;
  if (const int32_t result = LoadPublicKeyCache(params); result != SIGCORE_OK) return result;
  if (!cache_.Contains(uid)) return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::RemoveCachedKey(const TCCom3x_UserParam& params, const std::string& uid) {
  CacheGuard cache(cache_.Lock());
  if (const int32_t result = EnsureCacheLoaded(params, true, nullptr); result != SIGCORE_OK)
    return result;
  if (cache_.IsOwnUid(uid)) return SIGCORE_OWN_KEY_NOT_REMOVABLE;
  RemovePublicKeyByUID(params.keyDevice, params.detailErrorFile, true, uid);
  return SIGCORE_OK;
}

std::string TCCom3x_DLL::GetReportByNode(TCCom3x_CashNode& node) const {
  if (!node.verified) node.verified = VerifyBlockSelfSignature(node);
  return FormatKeyReport(node, node.verified);
}

}  // namespace sigcore
