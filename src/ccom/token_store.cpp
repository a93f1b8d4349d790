#include "token_store.h"

#include <windows.h>
#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fileutil.h"
#include "object_store.h"
#include "provider_error.h"
#include "secret.h"

namespace ccom {
namespace {

constexpr int kPinBufferSize = 256;

std::string Environment(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string ReadSmallFile(const std::string& path) {
  char text[4096];
  int32_t size = sizeof text;
  if (!kit::ReadFileToBuffer(path, text, size)) return {};
  return std::string(text, static_cast<size_t>(size));
}

}  // namespace

std::string TokenSlot::Folder() const { return TokenStore::Root() + "\\" + Name(); }

TokenStore& TokenStore::Process() {
  static TokenStore store;
  return store;
}

std::string TokenStore::Root() {
  std::string root = Environment("CCOM_TOKEN_ROOT");
  if (root.empty()) {
    char appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
      Fail(kIoError, "the user's application data folder is unknown; set CCOM_TOKEN_ROOT");
    root = std::string(appData) + "\\CCom\\Tokens";
  }
  while (root.size() > 3 && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  return root;
}

std::optional<TokenSlot> TokenStore::SlotOf(const TokenPath& path) {
  if (path.slot) {
    TokenSlot slot{path.device, *path.slot};
    return HoldsToken(slot) ? std::optional(slot) : std::nullopt;
  }
  for (int number = 0; number < kSlotCount; ++number) {
    TokenSlot slot{path.device, number};
    if (HoldsToken(slot)) return slot;
  }
  return std::nullopt;
}

bool TokenStore::HoldsToken(const TokenSlot& slot) { return kit::IsDirectory(slot.Folder()); }

TokenConfig TokenStore::ReadConfig(const TokenSlot& slot) {
  if (!HoldsToken(slot)) Fail(kFileNotFound, "no token in slot " + slot.Name());
  const std::string text = ReadSmallFile(slot.Folder() + "\\" + kTokenConfigName);
  if (text.empty())
    Fail(kAccessError, slot.Name() + " holds no initialised token (no " + kTokenConfigName +
                           "): create one with ccomtoken");
  return ParseTokenConfig(text);
}

void TokenStore::WriteConfig(const TokenSlot& slot, const TokenConfig& config) {
  const std::string text = FormatTokenConfig(config);
  WriteFileWhole(slot.Folder() + "\\" + kTokenConfigName, text.data(), text.size());
}

void TokenStore::Login(const TokenSlot& slot, const std::string& objectPath) {
  std::lock_guard guard(lock_);
  const TokenConfig config = ReadConfig(slot);
  const auto known = loggedIn_.find(slot.Name());
  if (known != loggedIn_.end() && known->second == config.serial) return;
  if (config.triesLeft == 0)
    Fail(kAccessError, objectPath + ": " + slot.Name() +
                           " is locked after too many wrong PINs (ccomtoken unlock)");
  const CADB_TOKEN_PASSWD_CALLBACK callback = callback_;
  if (callback == nullptr)
    Fail(kAuthenticationRequired,
         objectPath + ": " + slot.Name() + " needs a PIN and no token-password callback is set");
  SecretBytes pin(kPinBufferSize);
  const int given =
      callback(reinterpret_cast<char*>(pin.data()), kPinBufferSize, 0, objectPath.c_str());
  if (given <= 0) Fail(kAborted, objectPath + ": no PIN was entered for " + slot.Name());
  const size_t size = strnlen(reinterpret_cast<const char*>(pin.data()),
                              static_cast<size_t>(given < kPinBufferSize ? given : kPinBufferSize));
  if (!CheckPin(slot, pin.data(), size)) {
    const int left = ReadConfig(slot).triesLeft;
    Fail(kAuthenticationFailed, objectPath + ": wrong PIN for " + slot.Name() +
                                    (left > 0 ? ", " + std::to_string(left) + " tries left"
                                              : "; the token is now locked"));
  }
  loggedIn_[slot.Name()] = config.serial;
}

bool TokenStore::CheckPin(const TokenSlot& slot, const uint8_t* pin, size_t size) {
  std::lock_guard guard(lock_);
  const TokenConfigLock configLock(slot);
  TokenConfig config = ReadConfig(slot);
  if (config.triesLeft == 0) return false;
  const bool right = PinMatches(config.pin, pin, size);
  const int triesLeft = right ? config.maxTries : config.triesLeft - 1;
  if (triesLeft != config.triesLeft) {
    config.triesLeft = triesLeft;
    WriteConfig(slot, config);
  }
  return right;
}

void TokenStore::Logout(const TokenSlot& slot) {
  std::lock_guard guard(lock_);
  loggedIn_.erase(slot.Name());
}

void TokenStore::LogoutDevice(const std::string& device) {
  for (int number = 0; number < kSlotCount; ++number) Logout(TokenSlot{device, number});
}

void TokenStore::LogoutAll() {
  std::lock_guard guard(lock_);
  loggedIn_.clear();
}

TokenConfigLock::TokenConfigLock(const TokenSlot& slot) {
  // Mutex names cannot hold backslashes and are bounded, so the folder is named by its hash;
  // two folders sharing a hash only wait for each other.
  std::string folder = slot.Folder();
  for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : folder) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
  char name[64];
  std::snprintf(name, sizeof name, "Local\\ccom-token-config-%016llx",
                static_cast<unsigned long long>(hash));
  mutex_.Reset(::CreateMutexA(nullptr, FALSE, name));
  if (!mutex_)
    Fail(kIoError, slot.Name() + ": its configuration lock cannot be made (system error " +
                       std::to_string(::GetLastError()) + ")");
  // An owner that ended without releasing leaves the file whole (it is replaced whole), so an
  // abandoned lock is simply taken over.
  const DWORD waited = ::WaitForSingleObject(mutex_.Get(), 30000);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
    Fail(kIoError, slot.Name() + ": its configuration stays locked by another program");
}

TokenConfigLock::~TokenConfigLock() { ::ReleaseMutex(mutex_.Get()); }

bool TakeInjectedFault(const char* variable) {
  static std::mutex lock;
  std::lock_guard guard(lock);
  const int left = std::atoi(Environment(variable).c_str());
  if (left <= 0) return false;
  ::SetEnvironmentVariableA(variable, std::to_string(left - 1).c_str());
  return true;
}

}  // namespace ccom
