// The binding between the engine and the crypto provider. TCrypto_DLL is what any provider
// binding has (library loaded, every entry point present); TCCom3x_DLL binds ccom.dll and
// ccomio.dll. There is one TCCom3x_DLL per distinct set of user parameters, shared by every
// engine whose parameters give the same key (see ProviderCache) and kept until sigcore
// unloads. Its methods are the only callers of the provider.
//
// Besides the entry points it holds the key media layer (where containers, secret keys and
// public keys live on disk and on tokens), the key session (the opened container and the
// user's own secret key, kept open between operations within two time-outs), the public-key
// cache, and the key-agreement state used for encryption.
//
// Locks: the session lock is taken before the public-key cache lock, and the key-agreement
// lock before the cache lock; the session lock is never taken while either of the others is
// held. Both the session and the cache lock are re-entrant.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ccm3x_entry_points.h"
#include "keygen_params.h"
#include "pkblock.h"
#include "pkcache.h"
#include "provider_objects.h"
#include "secure_wipe.h"
#include "sigcore_api.h"
#include "user_params.h"

namespace sigcore {

using SecretKey = std::array<uint8_t, CCM3X_SECRET_KEY_SIZE>;
using SharedKey = std::array<uint8_t, CCM3X_SHARED_KEY_SIZE>;

class TCrypto_DLL {
 public:
  TCrypto_DLL() = default;
  virtual ~TCrypto_DLL() = default;
  TCrypto_DLL(const TCrypto_DLL&) = delete;
  TCrypto_DLL& operator=(const TCrypto_DLL&) = delete;

  bool LibraryLoaded() const noexcept { return libraryLoaded_; }
  bool AllEntryPointsPresent() const noexcept { return allEntryPointsPresent_; }

  // Overwrites every secret the binding holds without calling the provider: what is left to
  // do when the process ends and the binding is not destroyed.
  virtual void WipeSecrets() noexcept = 0;

 protected:
  bool libraryLoaded_ = false;
  bool allEntryPointsPresent_ = false;
};

// What a secret-key operation works with: its own copy of the session's container and of the
// user's secret key. Both are released (the container freed, the key wiped) when it goes.
class OperationKey {
 public:
  PSE_CTX* Container() const noexcept { return container_.Get(); }
  const uint8_t* SecretKeyBytes() const noexcept { return key_->data(); }
  const std::string& Uid() const noexcept { return uid_; }

 private:
  friend class TCCom3x_DLL;
  ProviderObject<PSE_CTX> container_;
  gost::Wiped<SecretKey> key_;
  std::string uid_;
};

class TCCom3x_DLL final : public TCrypto_DLL {
 public:
  // Local time of day as a fraction of a day, the session's clock.
  using Clock = std::function<double()>;

  // Binds the entry points of the process's provider libraries, loading them on first use.
  TCCom3x_DLL();
  // Closes the session, empties the caches and logs out of the session's token.
  ~TCCom3x_DLL() override;

  const ccm3x::EntryPoints& Api() const noexcept { return api_; }

  // The engine's callbacks, handed over right after the binding is created (either may be
  // null). A function fills the process's slot of its kind if it is still empty, and then the
  // provider is given the kit's token PIN callback.
  void SetPasswordFunc(PasswordRequestFunc function);
  void SetKeyDirPasswordFunc(KeyDirPasswordRequestFunc function);

  // The provider's calling convention: a call succeeded when it answered `expected` (1, or the
  // byte count it was asked to move). Otherwise the result is the provider's code for the
  // failure, and its detailed text replaces the content of the user's detail error file.
  int32_t Check(int result, int expected, const TCCom3x_UserParam& params) const;
  // The provider's code for the call that just failed on this thread (a _new that returned
  // null, or a result other than the one promised), with the detail error file written.
  int32_t ProviderFailure(const TCCom3x_UserParam& params) const;
  int32_t ProviderFailure(const std::string& detailErrorFile) const;

  void WipeSecrets() noexcept override;

  // ---- Key media ----

  // The slot (0 to 9) in which `objectPath` exists on `device`, or -1. Slot scans never ask
  // for a PIN; an "ETOKEN" slot that does not answer is asked once more.
  int32_t GetSlotNumberForTokenObject(const std::string& device,
                                      const std::string& objectPath) const;
  // A public-key block read from a token object: -34 when it cannot be read, -9 when it is
  // malformed.
  int32_t InitCashNodeByTokenFile(const std::string& detailErrorFile, int32_t slot,
                                  TCCom3x_CashNode& node, const std::string& objectPath,
                                  const std::string& device) const;
  // A public-key file of at most 1143 bytes: -9 when it is missing, larger or malformed.
  static int32_t InitCashNodeByFile(const std::string& path, TCCom3x_CashNode& node);
  // Stores a new 36-byte secret key in the first free place: on a token key directory
  // XXXX/DDDD/0002 up to depth + 1 (-38 when full, -31 when the write fails), on disk the
  // next number in KEYS\ (-8 when the folder cannot be made, -7 when the write fails).
  int32_t WriteSecretKey(const std::string& device, const std::string& secretKeyDir,
                         const uint8_t* key, int32_t slot, const std::string& detailErrorFile,
                         int32_t depth) const;
  // Finds, among the stored secret keys, the one whose public key is the own node's, using a
  // copy of `container` to derive. 0 with `key` set, or -10 when none matches.
  int32_t FindSecretKey(bool onToken, const std::string& place, const TCCom3x_CashNode& ownNode,
                        PSE_CTX* container, const TCCom3x_UserParam& params,
                        SecretKey& key) const;
  // Adds a correspondent's key to the cache and, when `save` is set, to the abonents directory
  // or the token's EEEE folder. A block with the user's own UID is skipped (0).
  int32_t StorePublicKey(const TCCom3x_UserParam& params, const uint8_t* block, bool save,
                         int32_t length);
  // Drops every cached key of that UID and, when `erase` is set, its file or token object.
  // The caller holds the cache lock.
  void RemovePublicKeyByUID(const std::string& device, const std::string& detailErrorFile,
                            bool erase, const std::string& uid);
  // The pending new key of a remote renewal: XXXX/DDDD/0001 on a token (-35), KEYS\newpkey.dat
  // on disk (-6).
  int32_t WriteNewKeyRequest(const TCCom3x_UserParam& params, const uint8_t* block,
                             int32_t length) const;
  int32_t ReadNewKeyRequest(const TCCom3x_UserParam& params, TCCom3x_CashNode& node) const;
  // Deletes token key directory `keyDir` (four characters) with everything in it: -40 when no
  // slot holds it, -41 when it is still there.
  int32_t EraseTokenKeyDir(const std::string& device, const std::string& keyDir) const;

  // ---- Key session ----

  // Opens the session or reuses it within its time-outs, and hands out a copy of the
  // container and of the secret key. 0 or a code.
  int32_t OpenKeySession(const TCCom3x_UserParam& params, OperationKey& key);
  // What an OperationKey does when it goes: frees the container, wipes the key.
  static void ReleaseOperationKey(OperationKey& key) noexcept;
  // Opens the session's container at its place and finds the own secret key: -30 when a token
  // needs a PIN and nothing can ask for one, -32 when no slot holds the token key directory,
  // -29 when the disk's key directory is missing, -10 when no secret key matches.
  int32_t CreateSKCash(const TCCom3x_CashNode& ownNode, const TCCom3x_UserParam& params);
  void CloseKeySession();
  void ClearKeySessionAndCache();
  // Forgets the session token's login at the provider, so that the next access asks again.
  void TokenLogout();
  // `count` bytes from the provider's generator, seeded first through a key session when it
  // is not yet.
  int32_t GetRandomBytes(const TCCom3x_UserParam& params, uint8_t* buffer, int32_t count);
  // The 32-byte key shared with a correspondent: key agreement between this binding's
  // ephemeral pair and the correspondent's cached (and self-verified) public key, hashed with
  // 32 zero bytes; cached per UID.
  int32_t AgreedKey(const TCCom3x_UserParam& params, const std::string& uid,
                    gost::Wiped<SharedKey>& key);
  // The 65-byte public value of this binding's ephemeral pair, made on first use.
  int32_t AgreementPublicValue(const TCCom3x_UserParam& params,
                               std::array<uint8_t, CCM3X_PUBLIC_KEY_SIZE>& value);

  bool SessionOpen() const;
  // The session's token and slot ("ETOKEN0"), empty for a disk session.
  std::string TokenName() const;
  void SetClock(Clock clock);

  // ---- Public-key cache ----

  bool VerifyBlockSelfSignature(const TCCom3x_CashNode& node) const;
  // Fills the cache: the own key (on a token or from its file) first, then the correspondents'
  // keys; malformed correspondents' keys are skipped, but the own key's failure ends the load
  // (and leaves the cache empty). The caller holds the cache lock.
  int32_t LoadPublicKeyCache(const TCCom3x_UserParam& params);
  void ClearPublicKeyCache();
  // A copy of the first cached key of that UID (letter case ignored), the cache loaded first
  // when it is empty (`loaded` tells). With `verify` its self-signature must hold (-13).
  int32_t FindNodeByUID(const TCCom3x_UserParam& params, const std::string& uid, bool verify,
                        TCCom3x_CashNode& node, bool* loaded = nullptr);
  // The own key, without the signature check.
  int32_t GetOwnNode(const TCCom3x_UserParam& params, TCCom3x_CashNode& node,
                     bool* loaded = nullptr);
  int32_t GetOwnUID(const TCCom3x_UserParam& params, std::string& uid);
  // A key given by the host as the own key: -9 malformed, -13 not self-signed. Another UID than
  // the current own one closes the session and empties the cache first.
  int32_t SetOwnKeyFromBuffer(const TCCom3x_UserParam& params, const uint8_t* block,
                              int32_t length);
  // Reads a correspondent's key again from where it is stored.
  int32_t UpdateCachedKey(const TCCom3x_UserParam& params, const std::string& uid);
  // Drops a correspondent's key from the cache and its medium: -25 for the own key.
  int32_t RemoveCachedKey(const TCCom3x_UserParam& params, const std::string& uid);
  // The key report text; the self-signature is checked now if it has not been.
  std::string GetReportByNode(TCCom3x_CashNode& node) const;
  const PublicKeyCache& Cache() const noexcept { return cache_; }

  // ---- Operations ----

  // Signs the own UID, its NUL and the data with the own secret key. `signature` must have
  // room for 319 bytes; it receives the signature block (UID, NUL, 64 bytes) and
  // `*signatureLength` its size.
  int32_t SignData(const TCCom3x_UserParam& params, const uint8_t* data, int32_t length,
                   uint8_t* signature, int32_t* signatureLength);
  // Checks a signature block against the data with the signer's cached, self-verified key:
  // -11 for null or negative arguments, -12 for a malformed block, -9 or -13 for the signer's
  // key, the provider's code for a signature that does not hold. Only then the signer's UID
  // and its NUL go to `signerUid` (room for 255 bytes).
  int32_t VerifyData(const TCCom3x_UserParam& params, const uint8_t* data, int32_t length,
                     const uint8_t* signature, int32_t signatureLength, char* signerUid);
  // Encrypts the buffer's `*length` bytes in place for the ";"-separated recipients, in their
  // order, with the method "GAMMA" or "GFB" (-19 otherwise; -14 without recipients). The buffer
  // must have room for MaxEncryptionGrowth of the recipients more; `*length` becomes the
  // encrypted size. Nothing is changed when it fails.
  int32_t EncodeData(const TCCom3x_UserParam& params, const char* method, const char* recipients,
                     uint8_t* data, int32_t* length);
  // Decrypts an encrypted buffer addressed to the user in place: -15 malformed, -16 not
  // addressed to the user (found before the secret key is opened), -17 or -18 damaged. Nothing
  // is changed when it fails.
  int32_t DecodeData(const TCCom3x_UserParam& params, uint8_t* data, int32_t* length);
  // The data's digest in an output form (digest_forms.h); a null `out` asks for the size.
  int32_t HashData(const TCCom3x_UserParam& params, const uint8_t* data, int32_t length,
                   int32_t form, uint8_t* out, int32_t* size);
  // The provider's 32-byte digest of the data.
  int32_t Digest(const std::string& detailErrorFile, const uint8_t* data, int32_t length,
                 uint8_t* digest) const;

  // Generates a key pair in a new container at the request's place, stores the secret key
  // beside it and gives the self-signed public-key block (room for 1143 bytes; a null `block`
  // asks for the size). -4 without a UID, -5 for another algorithm than 1, -30 when a token
  // needs a PIN and nothing can ask for one, -31 without a slot for the token key directory.
  int32_t GenerateKey(const TCCom3x_KeyGenParam& request, uint8_t* block, int32_t* size);
  // GenerateKey, and the block written as the new own key: to the token key directory's AAAA
  // when the public-key path names the key device (-42 another device, -35 not written), else
  // to the public-key file (-6). A new key written where this binding's own key lives closes the
  // session and empties the cache.
  int32_t GenerateNewOwnKey(const TCCom3x_UserParam& params, const TCCom3x_KeyGenParam& request);
  // The successor of the own key for a remote renewal: a key pair made in the user's own
  // container, its secret key stored beside the current one, and its block (the request's UID
  // and owner text) self-signed into `block`. The caller keeps it as the pending request.
  int32_t RemoteGenerateStart(const TCCom3x_UserParam& params, const TCCom3x_CashNode& request,
                              std::vector<uint8_t>& block);
  // Installs the certified block of the successor as the own key: -9 malformed, -13 not
  // self-signed, -10 when no stored secret key belongs to it, -21 or -35 when it cannot be
  // written. When its UID differs, the old key is kept as a correspondent's.
  int32_t RemoteGenerateFinish(const TCCom3x_UserParam& params, const uint8_t* block,
                               int32_t length);

 private:
  int32_t Check(int result, int expected, const std::string& detailErrorFile) const;
  // Signs, or verifies, the concatenated parts with the provider.
  struct Part {
    const void* data;
    int32_t size;
  };
  int32_t UpdateParts(ECGOST_SIGN* signature, std::initializer_list<Part> parts,
                      const std::string& detailErrorFile) const;
  int32_t SignParts(PSE* pse, const uint8_t* secretKey, std::initializer_list<Part> parts,
                    uint8_t* signature, const std::string& detailErrorFile) const;
  int32_t VerifyParts(const uint8_t* publicKey, std::initializer_list<Part> parts,
                      const uint8_t* signature, const std::string& detailErrorFile) const;
  // A token's PIN can be asked for: the host's functions or the on-screen keyboard (-30).
  int32_t PreparePinPrompt() const;
  // The container of the user's key directory, where it was found: on a token the slot that
  // holds the key directory, -1 on a disk or for a token value without a directory.
  struct UserContainer {
    ProviderObject<PSE_CTX> container;
    std::string place;
    int32_t slot = -1;
  };
  // Opens it: on a token at its slot (-30, -32), on disk at the folder (-29).
  int32_t OpenUserContainer(const TCCom3x_UserParam& params, UserContainer& opened);
  // A key pair from the container's generator, and its block self-signed into `block`.
  int32_t MakeSignedKeyPair(PSE_CTX* container, const std::string& uid,
                            const std::string& ownerText, const std::string& detailErrorFile,
                            SecretKey& secretKey, std::vector<uint8_t>& block) const;
  int32_t CopyContainer(PSE_CTX* source, const TCCom3x_UserParam& params,
                        ProviderObject<PSE_CTX>& copy) const;
  bool DerivesPublicKey(PSE* pse, const uint8_t* secretKey, const TCCom3x_CashNode& node) const;
  bool KeepsSession(const TCCom3x_UserParam& params, double now) const;
  // Loads the cache when it is empty (or, with `alsoWithoutOwnUid`, when the own UID is
  // unknown). The caller holds the cache lock.
  int32_t EnsureCacheLoaded(const TCCom3x_UserParam& params, bool alsoWithoutOwnUid,
                            bool* loaded);
  // The own key's node: the cached one, else the one set from a buffer. Under the cache lock.
  std::optional<TCCom3x_CashNode> OwnNodeLocked() const;
  int32_t AddTokenAbonents(const TCCom3x_UserParam& params);
  // Where a correspondent's key is saved: its token object or its file.
  int32_t SaveOnToken(const TCCom3x_UserParam& params, int32_t slot, const uint8_t* block,
                      int32_t length, std::string& objectPath) const;
  int32_t SaveOnDisk(const TCCom3x_UserParam& params, const std::string& uid,
                     const uint8_t* block, int32_t length, std::string& filePath) const;
  int32_t ReadStoredNode(const TCCom3x_UserParam& params, const std::string& storagePath,
                         bool fromToken, TCCom3x_CashNode& node) const;
  // The ephemeral key-agreement pair, made on first use. The caller holds the agreement lock.
  int32_t MakeAgreementPair(const TCCom3x_UserParam& params);
  void ClearAgreementState() noexcept;

  ccm3x::EntryPoints api_;
  Clock clock_;

  mutable std::recursive_mutex sessionLock_;
  ProviderObject<PSE_CTX> sessionContainer_;
  std::string tokenName_;
  // The user's own 36-byte secret key while the key session is open; zero otherwise.
  gost::Wiped<SecretKey> ownSecretKey_;
  double sessionOpenTime_ = 0;
  double lastOperationTime_ = 0;
  int32_t keyRequestTimeoutInForce_ = 0;
  int32_t lastOperationTimeoutInForce_ = 0;

  // The cache and its lock; the own key set from a buffer lives beside it, under that lock.
  PublicKeyCache cache_;
  std::optional<TCCom3x_CashNode> ownNode_;

  std::mutex agreementLock_;
  ProviderObject<ECGOST_DH> agreement_;
  std::array<uint8_t, CCM3X_PUBLIC_KEY_SIZE> agreementPublicValue_{};
  std::map<std::string, gost::Wiped<SharedKey>> agreedKeys_;
};

}  // namespace sigcore
