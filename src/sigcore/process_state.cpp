#include "process_state.h"

#include "orvavklib.h"
#include "password_slots.h"
#include "provider_cache.h"
#include "randinit.h"

namespace sigcore {

void ReleaseProcessState(bool processExit) noexcept {
  ProviderCache::Release(processExit);
  ReleaseVKLibrary(processExit);
  // Windows of a process that is ending go with it.
  if (!processExit) ReleaseRandomInitDialogs();
  EmptyPasswordSlots();
}

}  // namespace sigcore
