// ProviderCache: the process's provider bindings, one per distinct set of user parameters.
//
// Engines whose parameters give the same key share one binding, so its key session, caches
// and token login serve them all. The cache lives from sigcore's load to its unload; the lock
// is held only while a binding is found or created, never during provider work.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ce_ccm3x.h"
#include "sigcore_api.h"
#include "user_params.h"

namespace sigcore {

class ProviderCache {
 public:
  static ProviderCache& Instance();

  // The binding for `params` (0), created on first use and then handed the engine's
  // callbacks; -22 when ccom.dll could not be loaded, -23 when it lacks entry points (the
  // failed binding is not kept).
  int32_t Find(const TCCom3x_UserParam& params, PasswordRequestFunc password,
               KeyDirPasswordRequestFunc keyDirPassword, TCCom3x_DLL*& binding);

  // Runs `visit(binding)` on every binding, first created first, under the cache's lock.
  template <class Visit>
  void ForEach(Visit&& visit) {
    std::lock_guard guard(lock_);
    for (Entry& entry : entries_) visit(*entry.binding);
  }

  // At sigcore's unload: frees every binding (first created first), then the provider
  // libraries. When the process is ending, the bindings' secrets are wiped and nothing else
  // is touched.
  static void Release(bool processExit) noexcept;

 private:
  struct Entry {
    std::string key;
    std::unique_ptr<TCCom3x_DLL> binding;
  };

  std::mutex lock_;
  std::vector<Entry> entries_;
};

}  // namespace sigcore
