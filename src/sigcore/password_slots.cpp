#include "password_slots.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "orvavklib.h"
#include "secret_buffer.h"

namespace sigcore {
namespace {

std::atomic<PasswordRequestFunc> passwordSlot{nullptr};
std::atomic<KeyDirPasswordRequestFunc> keyDirPasswordSlot{nullptr};

// What the host's functions receive: a zero-filled buffer of this size.
constexpr int kPasswordBufferSize = 256;

template <class Function>
bool Fill(std::atomic<Function>& slot, Function function) {
  Function empty = nullptr;
  return function != nullptr && slot.compare_exchange_strong(empty, function);
}

}  // namespace

bool FillPasswordSlot(PasswordRequestFunc function) { return Fill(passwordSlot, function); }

bool FillKeyDirPasswordSlot(KeyDirPasswordRequestFunc function) {
  return Fill(keyDirPasswordSlot, function);
}

bool HasPasswordFunction() {
  return passwordSlot.load() != nullptr || keyDirPasswordSlot.load() != nullptr;
}

void EmptyPasswordSlots() noexcept {
  passwordSlot = nullptr;
  keyDirPasswordSlot = nullptr;
}

std::string KeyNameOfObjectPath(const std::string& objectPath) {
  // Disk paths use "\", token object paths "/" after the device and slot ending in ":".
  constexpr const char* kSeparators = "\\/:";
  const size_t file = objectPath.find_last_of(kSeparators);
  if (file == std::string::npos || file == 0) return {};
  const std::string directory = objectPath.substr(0, file);
  const size_t start = directory.find_last_of(kSeparators);
  return start == std::string::npos ? directory : directory.substr(start + 1);
}

int CCM3X_CALL TokenPinCallback(char* buffer, int size, int, const char* objectPath) {
  if (buffer == nullptr || size <= 0) return 0;
  SecretBuffer<char> pin(kPasswordBufferSize);
  bool entered = false;
  try {
    const std::string keyName = KeyNameOfObjectPath(objectPath != nullptr ? objectPath : "");
    if (const auto keyDir = keyDirPasswordSlot.load()) {
      entered = keyDir(keyName.c_str(), pin.data(), kPasswordBufferSize) != 0;
    } else if (LoadVKLibrary()) {
      entered = RequestPinCode(keyName, pin, -1) == 0;
    } else if (const auto plain = passwordSlot.load()) {
      entered = plain(pin.data(), kPasswordBufferSize) != 0;
    }
  } catch (...) {
    // The provider cannot take an exception: no PIN.
    return 0;
  }
  if (!entered || pin.size() == 0) return 0;
  const int length = static_cast<int>(
      strnlen(pin.data(), std::min(pin.size(), static_cast<size_t>(size))));
  std::memcpy(buffer, pin.data(), static_cast<size_t>(length));
  if (length < size) buffer[length] = '\0';
  return length;
}

}  // namespace sigcore
