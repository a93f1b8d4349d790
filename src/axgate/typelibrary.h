// The type library built into this server's resources (TYPELIB 1): registration publishes it,
// and every object serves IDispatch from it, so that scripts and C++ hosts see one interface.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

namespace axgate {

// Throws EComError.
Microsoft::WRL::ComPtr<ITypeLib> LoadOwnTypeLibrary();

}  // namespace axgate
