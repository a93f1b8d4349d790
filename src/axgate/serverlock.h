// The server's one count of what keeps it loaded: live objects, references to its class
// object and locks taken through IClassFactory::LockServer.
#pragma once

namespace axgate {

class ServerLock {
 public:
  static void Lock() noexcept;
  static void Unlock() noexcept;
  static bool IsLocked() noexcept;
};

}  // namespace axgate
