#include "classfactory.h"

#include "AILoader.h"
#include "serverlock.h"

namespace axgate {
namespace {

TXLoaderFactory factory;

}  // namespace

TXLoaderFactory& TXLoaderFactory::Instance() noexcept { return factory; }

HRESULT TXLoaderFactory::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// Counts are not the object's lifetime here, only the server's: 2 and 1 are what a static
// class object conventionally reports.
ULONG TXLoaderFactory::AddRef() {
  ServerLock::Lock();
  return 2;
}

ULONG TXLoaderFactory::Release() {
  ServerLock::Unlock();
  return 1;
}

HRESULT TXLoaderFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return TXLoader::Create(iid, object);
}

HRESULT TXLoaderFactory::LockServer(BOOL lock) {
  if (lock) {
    ServerLock::Lock();
  } else {
    ServerLock::Unlock();
  }
  return S_OK;
}

}  // namespace axgate
