#include "serverlock.h"

#include <atomic>

namespace axgate {
namespace {

std::atomic<long> locks{0};

}  // namespace

void ServerLock::Lock() noexcept { locks.fetch_add(1, std::memory_order_relaxed); }

// A client that unlocks more often than it locked must not drive the count below zero: the
// next object would then bring it to zero while alive, and COM would unload its code.
// Release order: what an object did before it let go is seen by the thread that finds the
// count at zero and lets COM unload the module.
void ServerLock::Unlock() noexcept {
  long count = locks.load(std::memory_order_relaxed);
  while (count > 0 &&
         !locks.compare_exchange_weak(count, count - 1, std::memory_order_release,
                                      std::memory_order_relaxed)) {
  }
}

bool ServerLock::IsLocked() noexcept { return locks.load(std::memory_order_acquire) != 0; }

}  // namespace axgate
