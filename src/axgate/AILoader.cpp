#include "AILoader.h"

#include <memory>

#include "comerror.h"
#include "modulepath.h"
#include "serverlock.h"
#include "typelibrary.h"

namespace axgate {

HRESULT TXLoader::Create(REFIID iid, void** object) noexcept {
  return GuardMethod([&] {
    auto loader = std::make_unique<TXLoader>();
    const HRESULT result = loader->QueryInterface(iid, object);
    // The caller's reference, if any, now keeps the object; ours is dropped either way.
    loader.release()->Release();
    return result;
  });
}

TXLoader::TXLoader() noexcept { ServerLock::Lock(); }

TXLoader::~TXLoader() { ServerLock::Unlock(); }

HRESULT TXLoader::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IXLoader) {
    *object = static_cast<IXLoader*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TXLoader::AddRef() { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG TXLoader::Release() {
  const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  // The last reference hands the object back to an owner that destroys it.
  if (left == 0) std::unique_ptr<TXLoader> last(this);
  return left;
}

ITypeInfo& TXLoader::TypeInfo() {
  if (!typeInfo_) {
    ThrowIfFailed(LoadOwnTypeLibrary()->GetTypeInfoOfGuid(IID_IXLoader, &typeInfo_),
                  "IXLoader type information");
  }
  return *typeInfo_.Get();
}

HRESULT TXLoader::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT TXLoader::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return GuardMethod([&] {
    ITypeInfo& typeInfo = TypeInfo();
    typeInfo.AddRef();
    *info = &typeInfo;
    return S_OK;
  });
}

HRESULT TXLoader::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return GuardMethod([&] { return TypeInfo().GetIDsOfNames(names, count, ids); });
}

HRESULT TXLoader::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, UINT* badArgument) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // The type information calls the same vtable entries that an early-bound host calls.
  return GuardMethod([&] {
    return TypeInfo().Invoke(static_cast<IXLoader*>(this), id, flags, params, result, exception,
                             badArgument);
  });
}

HRESULT TXLoader::get_Version(BSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  return GuardMethod([&] {
    const std::wstring path = ThisModulePath();
    *value = ::SysAllocStringLen(path.data(), UINT(path.size()));
    return *value != nullptr ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT TXLoader::put_Version(BSTR) { return S_OK; }

}  // namespace axgate
