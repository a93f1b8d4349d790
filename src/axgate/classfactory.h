// The class object of XLoader: one per process, made when the library loads, creating a new
// object for every request.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace axgate {

class TXLoaderFactory final : public IClassFactory {
 public:
  static TXLoaderFactory& Instance() noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  // The class object itself is never destroyed; its references keep the server loaded.
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

}  // namespace axgate
