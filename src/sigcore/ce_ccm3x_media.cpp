// The key media of TCCom3x_DLL: finding token slots, reading public-key blocks from files and
// token objects, choosing free places for secret keys and correspondents' keys, and erasing a
// token key directory. Disk files are the kit's own; everything on a token goes through the
// provider's CADB_ calls.
#include <windows.h>

#include <array>

#include "ce_ccm3x.h"
#include "exceptions.h"
#include "fileutil.h"
#include "keyplaces.h"
#include "textutil.h"

namespace sigcore {
namespace {

constexpr int32_t kSlots = 10;
// The longest name of one path component that file systems take.
constexpr size_t kMaxFileNameLength = 255;
// The objects of a key directory that its erasure removes besides the two folders.
constexpr std::array<const char*, 4> kContainerObjects = {"A001", "B001", "C001", "D001"};
// The numbered objects of each folder that its erasure removes (0000 to 0011).
constexpr int32_t kErasedNumbers = 18;

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int32_t TCCom3x_DLL::GetSlotNumberForTokenObject(const std::string& device,
                                                 const std::string& objectPath) const {
  const std::string object = WithoutTrailingBackslash(objectPath);
  // An "ETOKEN" reader may miss its first answer after the token was touched.
  const bool askTwice = SameDevice(device, "ETOKEN");
  for (int32_t slot = 0; slot < kSlots; ++slot) {
    const std::string path = TokenObjectPath(device, slot, object);
    if (api_.CADB_access(path.c_str(), CADB_ACCESS_READ) != 0 ||
        (askTwice && api_.CADB_access(path.c_str(), CADB_ACCESS_READ) != 0))
      return slot;
  }
  return -1;
}

int32_t TCCom3x_DLL::InitCashNodeByTokenFile(const std::string& detailErrorFile, int32_t slot,
                                             TCCom3x_CashNode& node,
                                             const std::string& objectPath,
                                             const std::string& device) const {
  // Reading an object logs in to the token: the provider must know whom to ask for the PIN
  // before. Without any way to ask, a token logged in earlier still reads, so the read goes
  // ahead and reports what the provider says.
  PreparePinPrompt();
  std::array<uint8_t, kMaxPublicKeyBlockSize> block;
  const std::string path = TokenObjectPath(device, slot, objectPath);
  const int32_t read = api_.CADB_read_file(path.c_str(), block.data(), kMaxPublicKeyBlockSize);
  if (read < 1) {
    ProviderFailure(detailErrorFile);
    return SIGCORE_TOKEN_PUBLIC_KEY_NOT_READ;
  }
  if (read > kMaxPublicKeyBlockSize) throw EProviderError("CADB_read_file read past its buffer");
  if (ParsePublicKeyBlock(block.data(), read, node) != SIGCORE_OK)
    return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  node.storagePath = objectPath;
  node.fromToken = true;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::InitCashNodeByFile(const std::string& path, TCCom3x_CashNode& node) {
  std::array<uint8_t, kMaxPublicKeyBlockSize> block;
  int32_t size = kMaxPublicKeyBlockSize;
  if (path.empty() || !kit::ReadFileToBuffer(path, block.data(), size) ||
      ParsePublicKeyBlock(block.data(), size, node) != SIGCORE_OK)
    return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  node.storagePath = path;
  node.fromToken = false;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::WriteSecretKey(const std::string& device, const std::string& secretKeyDir,
                                    const uint8_t* key, int32_t slot,
                                    const std::string& detailErrorFile, int32_t depth) const {
  if (IsTokenKeyDirName(secretKeyDir) && IsTokenDevice(device)) {
    const std::string folder = TokenKeyDir(secretKeyDir) + "/" + kSecretKeysFolder;
    for (int64_t number = kFirstSecretKeyNumber; number <= int64_t{depth} + 1; ++number) {
      const std::string path = TokenObjectPath(device, slot, folder + Hex4(number));
      if (api_.CADB_file_exists(path.c_str()) != 0) continue;
      if (api_.CADB_write_file(path.c_str(), key, CCM3X_SECRET_KEY_SIZE) !=
          CCM3X_SECRET_KEY_SIZE) {
        ProviderFailure(detailErrorFile);
        return SIGCORE_TOKEN_SECRET_KEY_NOT_WRITTEN;
      }
      return SIGCORE_OK;
    }
    return SIGCORE_TOKEN_SECRET_KEY_DIR_FULL;
  }

  const std::string keys = secretKeyDir + kDiskKeysFolder;
  if (!kit::IsDirectory(keys)) kit::CreateDirectoryPath(keys);
  if (!kit::IsDirectory(keys)) return SIGCORE_SECRET_KEY_DIR_ERROR;
  const int32_t number = kit::NextFileNumber(keys, "sk*.sec");
  if (number < 1 ||
      !kit::WriteBufferToFile(keys + SecretKeyFileName(number), key, CCM3X_SECRET_KEY_SIZE))
    return SIGCORE_SECRET_KEY_NOT_WRITTEN;
  return SIGCORE_OK;
}

bool TCCom3x_DLL::DerivesPublicKey(PSE* pse, const uint8_t* secretKey,
                                   const TCCom3x_CashNode& node) const {
  std::array<uint8_t, CCM3X_PUBLIC_KEY_SIZE> derived;
  int length = CCM3X_PUBLIC_KEY_SIZE;
  return api_.ECGOST_generate_public_key(pse, CCM3X_NID_ECGOST_A, secretKey, derived.data(),
                                         &length, 0) == 1 &&
         length == CCM3X_PUBLIC_KEY_SIZE && node.publicKeyLength == CCM3X_PUBLIC_KEY_SIZE &&
         derived == node.publicKey;
}

int32_t TCCom3x_DLL::FindSecretKey(bool onToken, const std::string& place,
                                   const TCCom3x_CashNode& ownNode, PSE_CTX* container,
                                   const TCCom3x_UserParam& params, SecretKey& key) const {
  ProviderObject<PSE_CTX> copy;
  if (const int32_t result = CopyContainer(container, params, copy); result != SIGCORE_OK)
    return result;
  PSE* const pse = api_.PSE_CTX_get_pse(copy.Get());
  if (pse == nullptr) return ProviderFailure(params);

  gost::Wiped<SecretKey> candidate;
  const auto matches = [&] {
    if (!DerivesPublicKey(pse, candidate->data(), ownNode)) return false;
    key = *candidate;
    return true;
  };
  if (onToken) {
    const std::string folder = place + "/" + kSecretKeysFolder;
    for (int64_t number = kFirstSecretKeyNumber; number <= int64_t{params.deviceScanDepth} + 1;
         ++number) {
      const std::string path = folder + Hex4(number);
      if (api_.CADB_read_file(path.c_str(), candidate->data(), CCM3X_SECRET_KEY_SIZE) ==
              CCM3X_SECRET_KEY_SIZE &&
          matches())
        return SIGCORE_OK;
    }
  } else {
    std::vector<std::string> files;
    kit::FindFilesByEnding(place + kDiskKeysFolder, "sec", files, false);
    for (const std::string& file : files) {
      int32_t size = CCM3X_SECRET_KEY_SIZE;
      if (kit::ReadFileToBuffer(file, candidate->data(), size) && size == CCM3X_SECRET_KEY_SIZE &&
          matches())
        return SIGCORE_OK;
    }
  }
  return SIGCORE_NO_MATCHING_SECRET_KEY;
}

int32_t TCCom3x_DLL::StorePublicKey(const TCCom3x_UserParam& params, const uint8_t* block,
                                    bool save, int32_t length) {
  const bool onToken = AbonentsOnToken(params);
  int32_t slot = -1;
  if (onToken) {
    if (!SameDevice(AbonentsDevice(params), params.keyDevice)) return SIGCORE_TOKEN_DEVICE_MISMATCH;
    slot = GetSlotNumberForTokenObject(params.keyDevice, TokenKeyDir(params.secretKeyDir));
    if (save && slot < 0) return SIGCORE_TOKEN_NO_ABONENTS_DIR;
  } else if (save && !kit::IsDirectory(params.abonentsDir)) {
    return SIGCORE_ABONENTS_DIR_ERROR;
  }
  TCCom3x_CashNode node;
  if (ParsePublicKeyBlock(block, length, node) != SIGCORE_OK) return SIGCORE_PUBLIC_KEY_NOT_FOUND;

  std::lock_guard cache(cache_.Lock());
  if (const int32_t result = EnsureCacheLoaded(params, true, nullptr); result != SIGCORE_OK)
    return result;
  // The own key is never replaced by a correspondent's of the same UID.
  if (cache_.IsOwnUid(node.uid)) return SIGCORE_OK;
  RemovePublicKeyByUID(params.keyDevice, params.detailErrorFile, save, node.uid);
  if (save) {
    const int32_t result = onToken ? SaveOnToken(params, slot, block, length, node.storagePath)
                                   : SaveOnDisk(params, node.uid, block, length, node.storagePath);
    if (result != SIGCORE_OK) return result;
    node.fromToken = onToken;
  }
  cache_.Add(std::move(node));
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::SaveOnToken(const TCCom3x_UserParam& params, int32_t slot,
                                 const uint8_t* block, int32_t length,
                                 std::string& objectPath) const {
  const std::string folder = TokenKeyDir(params.secretKeyDir) + "/" + kAbonentsFolder;
  for (int64_t number = 1; number <= params.deviceScanDepth; ++number) {
    const std::string object = folder + Hex4(number);
    const std::string path = TokenObjectPath(params.keyDevice, slot, object);
    if (api_.CADB_access(path.c_str(), CADB_ACCESS_READ) != 0) continue;
    if (api_.CADB_write_file(path.c_str(), block, length) != length) {
      ProviderFailure(params);
      return SIGCORE_TOKEN_PUBLIC_KEY_NOT_WRITTEN;
    }
    objectPath = object;
    return SIGCORE_OK;
  }
  return SIGCORE_TOKEN_ABONENTS_DIR_FULL;
}

int32_t TCCom3x_DLL::SaveOnDisk(const TCCom3x_UserParam& params, const std::string& uid,
                                const uint8_t* block, int32_t length,
                                std::string& filePath) const {
  // A UID comes from outside: one that is not a plain file name, or too long for a file name
  // or a path, never becomes part of a path, and the key gets a numbered name instead; lookups
  // by UID read every key file, so it is found under either name.
  const std::string name = uid + ".pub";
  std::string path = params.abonentsDir + name;
  const bool fits = name.size() <= kMaxFileNameLength && path.size() < MAX_PATH;
  if (!IsPlainFileName(uid) || !fits || FileExists(path)) {
    const int32_t number = kit::NextFileNumber(params.abonentsDir, "pk*.pub");
    if (number < 1) return SIGCORE_PUBLIC_KEY_NOT_WRITTEN;
    path = params.abonentsDir + "pk" + std::to_string(number) + ".pub";
  }
  if (!kit::WriteBufferToFile(path, block, length)) return SIGCORE_PUBLIC_KEY_NOT_WRITTEN;
  filePath = path;
  return SIGCORE_OK;
}

void TCCom3x_DLL::RemovePublicKeyByUID(const std::string& device,
                                       const std::string& detailErrorFile, bool erase,
                                       const std::string& uid) {
  std::lock_guard cache(cache_.Lock());
  while (const auto node = cache_.TakeFirst(uid)) {
    if (!erase || node->storagePath.empty()) continue;
    if (!node->fromToken) {
      ::DeleteFileA(node->storagePath.c_str());
      continue;
    }
    const int32_t slot = GetSlotNumberForTokenObject(device, node->storagePath);
    if (slot >= 0 &&
        api_.CADB_erase_file(TokenObjectPath(device, slot, node->storagePath).c_str()) != 1)
      ProviderFailure(detailErrorFile);
  }
}

int32_t TCCom3x_DLL::WriteNewKeyRequest(const TCCom3x_UserParam& params, const uint8_t* block,
                                        int32_t length) const {
  if (IsTokenDevice(params.keyDevice) && IsTokenKeyDirName(params.secretKeyDir)) {
    const std::string folder = TokenKeyDir(params.secretKeyDir) + "/" + kSecretKeysFolder;
    const int32_t slot = GetSlotNumberForTokenObject(params.keyDevice, folder);
    if (slot < 0) return SIGCORE_TOKEN_PUBLIC_KEY_NOT_WRITTEN;
    const std::string path = TokenObjectPath(params.keyDevice, slot, folder + Hex4(kKeyRequestNumber));
    if (api_.CADB_write_file(path.c_str(), block, length) != length) {
      ProviderFailure(params);
      return SIGCORE_TOKEN_PUBLIC_KEY_NOT_WRITTEN;
    }
    return SIGCORE_OK;
  }
  if (!kit::WriteBufferToFile(params.secretKeyDir + kDiskKeysFolder + kKeyRequestFile, block,
                              length))
    return SIGCORE_KEY_REQUEST_NOT_WRITTEN;
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::ReadNewKeyRequest(const TCCom3x_UserParam& params,
                                       TCCom3x_CashNode& node) const {
  if (IsTokenDevice(params.keyDevice) && IsTokenKeyDirName(params.secretKeyDir)) {
    const std::string folder = TokenKeyDir(params.secretKeyDir) + "/" + kSecretKeysFolder;
    const int32_t slot = GetSlotNumberForTokenObject(params.keyDevice, folder);
    if (slot < 0) return SIGCORE_TOKEN_PUBLIC_KEY_NOT_READ;
    return InitCashNodeByTokenFile(params.detailErrorFile, slot, node,
                                   folder + Hex4(kKeyRequestNumber), params.keyDevice);
  }
  return InitCashNodeByFile(params.secretKeyDir + kDiskKeysFolder + kKeyRequestFile, node);
}

int32_t TCCom3x_DLL::EraseTokenKeyDir(const std::string& device, const std::string& keyDir) const {
  const int32_t slot = GetSlotNumberForTokenObject(device, keyDir);
  if (slot < 0) return SIGCORE_TOKEN_NO_SLOT;
  // Erasing logs in to the token, as reading does.
  PreparePinPrompt();
  const std::string root = TokenObjectPath(device, slot, keyDir);
  const auto erase = [this](const std::string& path) { api_.CADB_erase_file(path.c_str()); };
  const auto removeFolder = [this](const std::string& path) {
    return api_.CADB_rmdir != nullptr ? api_.CADB_rmdir(path.c_str()) : 0;
  };
  for (const char* folder : {kSecretKeysFolder, kAbonentsFolder}) {
    const std::string path = root + "/" + folder;
    if (api_.CADB_access(path.c_str(), CADB_ACCESS_READ_WRITE) == 0) continue;
    for (int32_t number = 0; number < kErasedNumbers; ++number) erase(path + Hex4(number));
    erase(path);
    removeFolder(path);
  }
  erase(root + "/" + kOwnKeyObject);
  for (const char* object : kContainerObjects) erase(root + "/" + object);
  // The directory itself is addressed on the device it was found on; "ETOKEN" keeps the
  // lower-case device word this step has always written.
  const std::string directory =
      TokenObjectPath(SameDevice(device, "ETOKEN") ? "etoken" : device, slot, keyDir);
  erase(directory);
  if (removeFolder(directory) == 0) return SIGCORE_TOKEN_DIR_NOT_REMOVED;
  return SIGCORE_OK;
}

}  // namespace sigcore
