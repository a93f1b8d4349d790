#include "token_admin.h"

#include <windows.h>

#include <cstdio>

#include "fileutil.h"
#include "object_store.h"
#include "os_random.h"
#include "provider_error.h"
#include "winhandles.h"

namespace ccom {
namespace {

constexpr size_t kMaxPinSize = 64;

void RequirePin(const std::string& pin) {
  if (pin.empty() || pin.size() > kMaxPinSize)
    Fail(kParameterError, "a PIN has 1 to " + std::to_string(kMaxPinSize) + " characters");
}

PinVerifier Verifier(const std::string& pin) {
  std::array<uint8_t, kPinSaltSize> salt{};
  OsRandom(salt.data(), salt.size());
  return MakePinVerifier(reinterpret_cast<const uint8_t*>(pin.data()), pin.size(), salt);
}

void List(const std::string& folder, const std::string& prefix, std::vector<TokenObject>& out) {
  WIN32_FIND_DATAA found{};
  kit::UniqueFind find(::FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!find) return;
  do {
    const std::string name = found.cFileName;
    if (!IsObjectName(name)) continue;
    TokenObject object;
    object.path = prefix + name;
    object.folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    object.size = static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    out.push_back(object);
    if (object.folder) List(folder + "\\" + name, object.path + "/", out);
  } while (::FindNextFileA(find.Get(), &found));
}

}  // namespace

void CreateToken(const TokenSlot& slot, const std::string& pin, int tries) {
  RequirePin(pin);
  if (tries < 1 || tries > 99) Fail(kParameterError, "a token tolerates 1 to 99 wrong PINs");
  const TokenConfigLock lock(slot);
  if (::GetFileAttributesA((slot.Folder() + "\\" + kTokenConfigName).c_str()) !=
      INVALID_FILE_ATTRIBUTES)
    Fail(kFileExists, slot.Name() + " already holds a token");
  if (!kit::CreateDirectoryPath(slot.Folder()))
    Fail(kWriteError, slot.Folder() + ": cannot be made");
  TokenConfig config;
  uint8_t serial[4];
  OsRandom(serial, sizeof serial);
  char text[9];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X", serial[0], serial[1], serial[2], serial[3]);
  config.serial = text;
  config.maxTries = config.triesLeft = tries;
  config.pin = Verifier(pin);
  TokenStore::WriteConfig(slot, config);
}

void ChangePin(const TokenSlot& slot, const std::string& oldPin, const std::string& newPin) {
  RequirePin(newPin);
  const TokenConfigLock lock(slot);
  if (TokenStore::ReadConfig(slot).triesLeft == 0)
    Fail(kAccessError, slot.Name() + " is locked; unlock it first");
  if (!TokenStore::Process().CheckPin(slot, reinterpret_cast<const uint8_t*>(oldPin.data()),
                                      oldPin.size())) {
    const int left = TokenStore::ReadConfig(slot).triesLeft;
    Fail(kAuthenticationFailed, "wrong PIN for " + slot.Name() +
                                    (left > 0 ? ", " + std::to_string(left) + " tries left"
                                              : "; the token is now locked"));
  }
  TokenConfig config = TokenStore::ReadConfig(slot);
  config.pin = Verifier(newPin);
  TokenStore::WriteConfig(slot, config);
}

void UnlockToken(const TokenSlot& slot, const std::optional<std::string>& newPin) {
  const TokenConfigLock lock(slot);
  TokenConfig config = TokenStore::ReadConfig(slot);
  if (newPin) {
    RequirePin(*newPin);
    config.pin = Verifier(*newPin);
  }
  config.triesLeft = config.maxTries;
  TokenStore::WriteConfig(slot, config);
}

void EraseObjects(const TokenSlot& slot) {
  TokenStore::ReadConfig(slot);
  for (const auto& object : ListObjects(slot)) {
    if (object.path.find('/') != std::string::npos) continue;
    std::string file = slot.Folder() + "\\" + object.path;
    if (object.folder)
      DeleteTree(file, true);
    else if (!::DeleteFileA(file.c_str()))
      Fail(kAccessError, file + ": cannot be deleted");
  }
}

void RemoveToken(const TokenSlot& slot) {
  if (!TokenStore::HoldsToken(slot)) Fail(kFileNotFound, "no token in slot " + slot.Name());
  DeleteTree(slot.Folder(), true);
  TokenStore::Process().Logout(slot);
}

std::vector<TokenObject> ListObjects(const TokenSlot& slot) {
  if (!TokenStore::HoldsToken(slot)) Fail(kFileNotFound, "no token in slot " + slot.Name());
  std::vector<TokenObject> objects;
  List(slot.Folder(), "", objects);
  return objects;
}

std::vector<TokenSlot> TokensPresent() {
  std::vector<TokenSlot> slots;
  for (const char* device : kTokenDevices)
    for (int number = 0; number < kSlotCount; ++number) {
      TokenSlot slot{device, number};
      if (TokenStore::HoldsToken(slot)) slots.push_back(slot);
    }
  return slots;
}

}  // namespace ccom
