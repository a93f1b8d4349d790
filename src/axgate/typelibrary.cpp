#include "typelibrary.h"

#include "comerror.h"
#include "modulepath.h"

namespace axgate {

Microsoft::WRL::ComPtr<ITypeLib> LoadOwnTypeLibrary() {
  Microsoft::WRL::ComPtr<ITypeLib> library;
  // Loading by the module's own path reads its first TYPELIB resource; REGKIND_NONE keeps the
  // load from touching the registry.
  ThrowIfFailed(::LoadTypeLibEx(ThisModulePath().c_str(), REGKIND_NONE, &library),
                "load the type library");
  return library;
}

}  // namespace axgate
