// The key session of TCCom3x_DLL: the container of the user's key directory and the user's
// own secret key, opened with a PIN when the medium is a token, kept open between operations
// within two time-outs, and copied for each operation so that the signing or decryption itself
// runs outside the session lock. Also the binding's random bytes and its key agreement.
#include <cmath>
#include <cstring>

#include "ce_ccm3x.h"
#include "exceptions.h"
#include "fileutil.h"
#include "keyplaces.h"
#include "orvavklib.h"
#include "password_slots.h"
#include "randinit.h"

namespace sigcore {
namespace {

using SessionGuard = std::lock_guard<std::recursive_mutex>;

// Days per second, as the session has always counted it: a hair under 1/86400, so a time-out
// of n seconds ends just before n whole seconds have passed.
constexpr double kDaysPerSecond = 0.000011574;

template <size_t N>
using WipedBytes = gost::Wiped<std::array<uint8_t, N>>;

// Runs the steps in order and stops at the first that does not give 0; its result is returned.
template <class... Step>
int32_t InOrder(Step&&... steps) {
  int32_t result = SIGCORE_OK;
  (void)(((result = steps()) == SIGCORE_OK) && ...);
  return result;
}

}  // namespace

bool TCCom3x_DLL::KeepsSession(const TCCom3x_UserParam& params, double now) const {
  // The time of day has no date: an operation after midnight finds the session far away.
  const auto within = [now](double since, int32_t timeout) {
    return timeout != 0 && std::fabs(now - since) <= timeout * kDaysPerSecond;
  };
  return within(sessionOpenTime_, params.keyRequestTimeout) &&
         within(lastOperationTime_, params.lastOperationTimeout) &&
         within(sessionOpenTime_, keyRequestTimeoutInForce_) &&
         within(lastOperationTime_, lastOperationTimeoutInForce_);
}

int32_t TCCom3x_DLL::OpenKeySession(const TCCom3x_UserParam& params, OperationKey& key) {
  ReleaseOperationKey(key);
  SessionGuard session(sessionLock_);
  const double now = clock_();
  if (!KeepsSession(params, now)) CloseKeySession();

  bool loaded = false;
  std::optional<TCCom3x_CashNode> ownNode;
  if (cache_.OwnUid().empty() || !sessionContainer_) {
    TCCom3x_CashNode node;
    if (const int32_t result = GetOwnNode(params, node, &loaded); result != SIGCORE_OK)
      return result;
    ownNode = std::move(node);
  }
  if (!sessionContainer_) {
    int32_t result = CreateSKCash(*ownNode, params);
    // The own key file may have been replaced since the cache was loaded: read it again once.
    if (result == SIGCORE_NO_MATCHING_SECRET_KEY && !loaded && !params.userPublicKeyPath.empty()) {
      {
        std::lock_guard cache(cache_.Lock());
        result = LoadPublicKeyCache(params);
        if (result == SIGCORE_OK) result = GetOwnNode(params, *ownNode);
      }
      if (result == SIGCORE_OK) result = CreateSKCash(*ownNode, params);
    }
    if (result != SIGCORE_OK) return result;
    keyRequestTimeoutInForce_ = params.keyRequestTimeout;
    sessionOpenTime_ = now;
  }

  if (const int32_t result = CopyContainer(sessionContainer_.Get(), params, key.container_);
      result != SIGCORE_OK)
    return result;
  *key.key_ = *ownSecretKey_;
  key.uid_ = cache_.OwnUid();
  lastOperationTimeoutInForce_ = params.lastOperationTimeout;
  lastOperationTime_ = now;
  return SIGCORE_OK;
}

void TCCom3x_DLL::ReleaseOperationKey(OperationKey& key) noexcept {
  key.container_.Reset();
  gost::SecureWipe(key.key_->data(), key.key_->size());
  key.uid_.clear();
}

int32_t TCCom3x_DLL::CopyContainer(PSE_CTX* source, const TCCom3x_UserParam& params,
                                   ProviderObject<PSE_CTX>& copy) const {
  WipedBytes<CCM3X_KEK_SIZE> kek;
  WipedBytes<CCM3X_MASKS_SIZE> masks;
  WipedBytes<CCM3X_RAND_STATE_SIZE> rand;
  WipedBytes<CCM3X_MKEY_SIZE> mkey;
  int kekLength = CCM3X_KEK_SIZE;
  int masksLength = CCM3X_MASKS_SIZE;
  int randLength = CCM3X_RAND_STATE_SIZE;
  int mkeyLength = CCM3X_MKEY_SIZE;
  if (const int32_t result = InOrder(
          [&] { return Check(api_.PSE_CTX_get_kek(source, kek->data(), &kekLength), 1, params); },
          [&] {
            return Check(api_.PSE_CTX_get_masks(source, masks->data(), &masksLength), 1, params);
          },
          [&] {
            return Check(api_.PSE_CTX_get_rand(source, rand->data(), &randLength), 1, params);
          },
          [&] {
            return Check(api_.PSE_CTX_get_mkey(source, mkey->data(), &mkeyLength), 1, params);
          });
      result != SIGCORE_OK)
    return result;
  if (kekLength < 0 || kekLength > CCM3X_KEK_SIZE || masksLength < 0 ||
      masksLength > CCM3X_MASKS_SIZE || randLength < 0 || randLength > CCM3X_RAND_STATE_SIZE ||
      mkeyLength < 0 || mkeyLength > CCM3X_MKEY_SIZE)
    throw EProviderError("a container part is longer than its buffer");

  PSE_CTX* const created = api_.PSE_CTX_new();
  if (created == nullptr) return ProviderFailure(params);
  ProviderObject<PSE_CTX> container(created, api_.PSE_CTX_free);
  if (const int32_t result = InOrder(
          [&] { return Check(api_.PSE_CTX_set_kek(created, kek->data(), kekLength), 1, params); },
          [&] {
            return Check(api_.PSE_CTX_set_masks(created, masks->data(), masksLength), 1, params);
          },
          [&] {
            return Check(api_.PSE_CTX_set_rand(created, rand->data(), randLength), 1, params);
          },
          [&] {
            return Check(api_.PSE_CTX_set_mkey(created, mkey->data(), mkeyLength), 1, params);
          },
          [&] { return Check(api_.PSE_CTX_read(created), 1, params); });
      result != SIGCORE_OK)
    return result;
  copy = std::move(container);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::PreparePinPrompt() const {
  if (HasPasswordFunction()) return SIGCORE_OK;
  if (!LoadVKLibrary()) return SIGCORE_NO_PASSWORD_FUNCTION;
  // The on-screen keyboard is the only way to ask: the provider must know whom to ask.
  api_.SetTokenPasswdCallback(&TokenPinCallback);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::OpenUserContainer(const TCCom3x_UserParam& params, UserContainer& opened) {
  // The container's place is settled before the provider is asked for anything.
  std::string place;
  int32_t slot = -1;
  if (IsTokenDevice(params.keyDevice)) {
    if (const int32_t result = PreparePinPrompt(); result != SIGCORE_OK) return result;
    if (IsTokenKeyDirName(params.secretKeyDir)) {
      const std::string keyDir = TokenKeyDir(params.secretKeyDir);
      slot = GetSlotNumberForTokenObject(params.keyDevice, keyDir);
      if (slot < 0) return SIGCORE_TOKEN_KEY_DIR_NOT_FOUND;
      place = TokenObjectPath(params.keyDevice, slot, keyDir);
    } else {
      place = params.keyDevice + ":/";
    }
  } else {
    if (!kit::IsDirectory(params.secretKeyDir)) return SIGCORE_NO_SECRET_KEY_DIR;
    place = params.secretKeyDir;
  }

  PSE_CTX* const created = api_.PSE_CTX_new();
  if (created == nullptr) return ProviderFailure(params);
  ProviderObject<PSE_CTX> container(created, api_.PSE_CTX_free);
  if (const int32_t result = InOrder(
          [&] { return Check(api_.PSE_CTX_set_path(created, place.c_str(), -1), 1, params); },
          [&] {
            return Check(api_.PSE_CTX_set_rand_callback(created, &RandomInitCallback), 1, params);
          },
          [&] { return Check(api_.PSE_CTX_read(created), 1, params); });
      result != SIGCORE_OK)
    return result;
  opened.container = std::move(container);
  opened.place = std::move(place);
  opened.slot = slot;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::CreateSKCash(const TCCom3x_CashNode& ownNode,
                                  const TCCom3x_UserParam& params) {
  SessionGuard session(sessionLock_);
  CloseKeySession();

  UserContainer opened;
  if (const int32_t result = OpenUserContainer(params, opened); result != SIGCORE_OK)
    return result;
  const bool onToken = opened.slot >= 0;
  tokenName_ = onToken ? params.keyDevice + std::to_string(opened.slot) : std::string();

  gost::Wiped<SecretKey> key;
  if (const int32_t result = FindSecretKey(onToken, opened.place, ownNode,
                                           opened.container.Get(), params, *key);
      result != SIGCORE_OK)
    return result;
  sessionContainer_ = std::move(opened.container);
  *ownSecretKey_ = *key;
  return SIGCORE_OK;
}

void TCCom3x_DLL::CloseKeySession() {
  SessionGuard session(sessionLock_);
  sessionContainer_.Reset();
  gost::SecureWipe(ownSecretKey_->data(), ownSecretKey_->size());
}

void TCCom3x_DLL::ClearKeySessionAndCache() {
  SessionGuard session(sessionLock_);
  std::lock_guard cache(cache_.Lock());
  CloseKeySession();
  ClearPublicKeyCache();
}

void TCCom3x_DLL::TokenLogout() {
  SessionGuard session(sessionLock_);
  std::lock_guard cache(cache_.Lock());
  if (!tokenName_.empty() && api_.CADB_token_logout != nullptr)
    api_.CADB_token_logout((tokenName_ + ":\\").c_str());
  tokenName_.clear();
}

bool TCCom3x_DLL::SessionOpen() const {
  SessionGuard session(sessionLock_);
  return static_cast<bool>(sessionContainer_);
}

std::string TCCom3x_DLL::TokenName() const {
  SessionGuard session(sessionLock_);
  return tokenName_;
}

void TCCom3x_DLL::SetClock(Clock clock) {
  SessionGuard session(sessionLock_);
  clock_ = std::move(clock);
}

int32_t TCCom3x_DLL::GetRandomBytes(const TCCom3x_UserParam& params, uint8_t* buffer,
                                    int32_t count) {
  if (buffer == nullptr || count < 0) return SIGCORE_BAD_ARGUMENT;
  if (api_.PSE_rand_inited() == 0) {
    // Opening the key container seeds the provider's generator.
    OperationKey key;
    if (const int32_t result = OpenKeySession(params, key); result != SIGCORE_OK) return result;
  }
  return Check(api_.RAND_bytes(buffer, count), count, params);
}

int32_t TCCom3x_DLL::AgreementPublicValue(const TCCom3x_UserParam& params,
                                          std::array<uint8_t, CCM3X_PUBLIC_KEY_SIZE>& value) {
  std::lock_guard agreement(agreementLock_);
  if (const int32_t result = MakeAgreementPair(params); result != SIGCORE_OK) return result;
  value = agreementPublicValue_;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::MakeAgreementPair(const TCCom3x_UserParam& params) {
  if (!agreement_) {
    ECGOST_DH* const created = api_.ECGOST_DH_new(CCM3X_NID_ECGOST_A);
    if (created == nullptr) return ProviderFailure(params);
    ProviderObject<ECGOST_DH> pair(created, api_.ECGOST_DH_free);
    int length = CCM3X_PUBLIC_KEY_SIZE;
    if (const int32_t result = Check(api_.ECGOST_DH_generate_key(created, nullptr, nullptr,
                                                                 agreementPublicValue_.data(),
                                                                 &length),
                                     1, params);
        result != SIGCORE_OK)
      return result;
    if (length != CCM3X_PUBLIC_KEY_SIZE)
      throw EProviderError("the key-agreement value is not 65 bytes");
    agreement_ = std::move(pair);
  }
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::AgreedKey(const TCCom3x_UserParam& params, const std::string& uid,
                               gost::Wiped<SharedKey>& key) {
  std::lock_guard agreement(agreementLock_);
  const std::string folded = FoldUidCase(uid);
  if (const auto found = agreedKeys_.find(folded); found != agreedKeys_.end()) {
    *key = *found->second;
    return SIGCORE_OK;
  }
  if (const int32_t result = MakeAgreementPair(params); result != SIGCORE_OK) return result;
  TCCom3x_CashNode node;
  if (const int32_t result = FindNodeByUID(params, uid, true, node); result != SIGCORE_OK)
    return result;

  // The shared value followed by 32 zero bytes, hashed.
  WipedBytes<2 * CCM3X_SHARED_KEY_SIZE> material;
  int length = CCM3X_SHARED_KEY_SIZE;
  if (const int32_t result = Check(api_.ECGOST_DH_compute_key(agreement_.Get(),
                                                              node.publicKey.data(),
                                                              node.publicKeyLength,
                                                              material->data(), &length),
                                   1, params);
      result != SIGCORE_OK)
    return result;
  if (length != CCM3X_SHARED_KEY_SIZE) throw EProviderError("the shared value is not 32 bytes");
  auto& derived = agreedKeys_[folded];
  if (const int32_t result = Digest(params.detailErrorFile, material->data(),
                                    static_cast<int32_t>(material->size()), derived->data());
      result != SIGCORE_OK) {
    agreedKeys_.erase(folded);
    return result;
  }
  *key = *derived;
  return SIGCORE_OK;
}

void TCCom3x_DLL::ClearAgreementState() noexcept {
  std::lock_guard agreement(agreementLock_);
  agreedKeys_.clear();
  agreement_.Reset();
  gost::SecureWipe(agreementPublicValue_.data(), agreementPublicValue_.size());
}

}  // namespace sigcore
