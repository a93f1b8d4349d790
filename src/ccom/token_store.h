// The simulated tokens: slot folders under a token root, each holding its token's configuration
// (token_config.h) and its objects as files and folders. A slot holds a token when its folder
// exists.
//
// Reading or changing objects needs a login: the registered token-password callback is asked
// for the PIN with the path of the object being opened, and the login is kept per slot until a
// logout or unload (the token's serial number must still match, so a token replaced in its
// slot asks again). Wrong PINs count down the token's tries; at zero the token is locked.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "ccm3x_h.h"
#include "token_config.h"
#include "token_path.h"
#include "winhandles.h"

namespace ccom {

struct TokenSlot {
  std::string device;  // "ETOKEN" or "RUTOKEN"
  int number = 0;
  std::string Name() const { return SlotName(device, number); }
  std::string Folder() const;
};

class TokenStore {
 public:
  static TokenStore& Process();

  // CCOM_TOKEN_ROOT, else "CCom\Tokens" in the user's application data.
  static std::string Root();
  // The slot a path names; without a slot, the first one holding a token of its device. None
  // when no such slot holds a token.
  static std::optional<TokenSlot> SlotOf(const TokenPath& path);
  static bool HoldsToken(const TokenSlot& slot);
  // Throws kFileNotFound for an empty slot, kAccessError for a slot folder without a sound
  // configuration.
  static TokenConfig ReadConfig(const TokenSlot& slot);
  static void WriteConfig(const TokenSlot& slot, const TokenConfig& config);

  void SetPinCallback(CADB_TOKEN_PASSWD_CALLBACK callback) noexcept { callback_ = callback; }
  // Returns at once when the slot's token is logged in; otherwise asks for the PIN. Throws
  // kAuthenticationRequired (no callback), kAborted (no PIN given), kAuthenticationFailed
  // (wrong PIN) or kAccessError (locked).
  void Login(const TokenSlot& slot, const std::string& objectPath);
  // Checks a PIN given directly, counting a wrong one like a login would; true when right.
  bool CheckPin(const TokenSlot& slot, const uint8_t* pin, size_t size);
  void Logout(const TokenSlot& slot);
  void LogoutDevice(const std::string& device);
  void LogoutAll();

 private:
  std::recursive_mutex lock_;
  std::map<std::string, std::string> loggedIn_;  // slot name -> serial number
  std::atomic<CADB_TOKEN_PASSWD_CALLBACK> callback_{nullptr};
};

// Holds a token's configuration for one program and thread at a time, across every process
// using the same token root: reading, checking and writing back the tries left is one step,
// so wrong PINs tried by several programs at once each cost a try. Nests within a thread.
class TokenConfigLock {
 public:
  explicit TokenConfigLock(const TokenSlot& slot);
  ~TokenConfigLock();
  TokenConfigLock(const TokenConfigLock&) = delete;
  TokenConfigLock& operator=(const TokenConfigLock&) = delete;

 private:
  kit::UniqueHandle mutex_;
};

// Fault injection for tests: when the environment variable holds a count above zero, it is
// lowered by one and the answer is true.
bool TakeInjectedFault(const char* variable);
inline constexpr const char* kFaultAccessMisses = "CCOM_FAULT_ETOKEN_ACCESS_MISSES";
inline constexpr const char* kFaultWriteFailures = "CCOM_FAULT_ETOKEN_WRITE_FAILURES";

}  // namespace ccom
