#include "provider_cache.h"

#include "ccm3x_loader.h"

namespace sigcore {
namespace {

// Constructed when sigcore is loaded, before any engine exists.
ProviderCache processCache;

}  // namespace

ProviderCache& ProviderCache::Instance() { return processCache; }

int32_t ProviderCache::Find(const TCCom3x_UserParam& params, PasswordRequestFunc password,
                            KeyDirPasswordRequestFunc keyDirPassword, TCCom3x_DLL*& binding) {
  const std::string key = BindingKey(params);
  std::lock_guard guard(lock_);
  for (const Entry& entry : entries_) {
    if (entry.key == key) {
      binding = entry.binding.get();
      return SIGCORE_OK;
    }
  }
  auto created = std::make_unique<TCCom3x_DLL>();
  if (!created->LibraryLoaded()) return SIGCORE_NO_PROVIDER;
  if (!created->AllEntryPointsPresent()) return SIGCORE_INCOMPLETE_PROVIDER;
  created->SetPasswordFunc(password);
  created->SetKeyDirPasswordFunc(keyDirPassword);
  binding = created.get();
  entries_.push_back({key, std::move(created)});
  return SIGCORE_OK;
}

void ProviderCache::Release(bool processExit) noexcept {
  ProviderCache& cache = Instance();
  {
    std::lock_guard guard(cache.lock_);
    for (Entry& entry : cache.entries_) {
      if (processExit) {
        entry.binding->WipeSecrets();
        (void)entry.binding.release();  // its provider may be gone; the process ends anyway
      } else {
        entry.binding.reset();
      }
    }
    cache.entries_.clear();
  }
  TCCom3xDll_loader::Release(processExit);
}

}  // namespace sigcore
