// The loader object a page creates as "axgate.XLoader": its one property, "Version", tells
// where the kit's ActiveX component lies.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <atomic>

#include "Loader_TLB.h"

namespace axgate {

class TXLoader final : public IXLoader {
 public:
  // Creates an object and hands out its interface `iid`; the object lives as long as
  // references to it do.
  static HRESULT Create(REFIID iid, void** object) noexcept;

  TXLoader() noexcept;
  ~TXLoader();
  TXLoader(const TXLoader&) = delete;
  TXLoader& operator=(const TXLoader&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* badArgument) override;

  // The full path of the server's file, as the system reports it for the loaded module.
  HRESULT STDMETHODCALLTYPE get_Version(BSTR* value) override;
  // Accepted and ignored: where the file lies is not the page's to say.
  HRESULT STDMETHODCALLTYPE put_Version(BSTR value) override;

 private:
  // Loaded on first late-bound use; a host that calls through the vtable never needs it.
  ITypeInfo& TypeInfo();

  std::atomic<ULONG> references_{1};
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;
};

}  // namespace axgate
