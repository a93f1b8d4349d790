#include "modulepath.h"

#include "comerror.h"
#include "libload.h"

namespace axgate {

HMODULE ThisModule() noexcept {
  return kit::ModuleContaining(reinterpret_cast<const void*>(&ThisModule));
}

std::wstring ThisModulePath() {
  std::wstring path = kit::ModulePathW(ThisModule());
  if (path.empty()) throw EComError(E_UNEXPECTED, "module path");
  return path;
}

}  // namespace axgate
