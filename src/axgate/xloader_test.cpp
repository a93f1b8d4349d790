// C++ hosts of the loader object: early bound through the vtable, late bound through
// IDispatch, and a host that loads the server file itself.
#include <gtest/gtest.h>
#include <wrl/client.h>

#include "Loader_TLB.h"
#include "axgate_testing.h"
#include "libload.h"
#include "winhandles.h"

namespace axgate_test {
namespace {

using Microsoft::WRL::ComPtr;

std::wstring GuidText(REFGUID guid) {
  wchar_t text[39] = {};
  ::StringFromGUID2(guid, text, 39);
  return text;
}

std::wstring Version(IXLoader& loader) {
  BSTR value = nullptr;
  EXPECT_EQ(loader.get_Version(&value), S_OK);
  kit::UniqueBstr owner(value);
  return value != nullptr ? std::wstring(value, ::SysStringLen(value)) : L"<none>";
}

class XLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(apartment_.Result(), S_OK);
    ASSERT_TRUE(registration_.Succeeded());
  }
  ComApartment apartment_;
  ScopedRegistration registration_{BuiltServer()};
};

TEST_F(XLoader, EarlyAndLateBoundHostsReadTheRegisteredPath) {
  const std::wstring path = BuiltServer();
  ComPtr<IXLoader> byClass;
  ASSERT_EQ(::CoCreateInstance(CLSID_XLoader, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&byClass)),
            S_OK);
  EXPECT_EQ(Version(*byClass.Get()), path);
  kit::UniqueBstr elsewhere(::SysAllocString(L"C:\\elsewhere\\axgate.dll"));
  EXPECT_EQ(byClass->put_Version(elsewhere.Get()), S_OK);
  EXPECT_EQ(Version(*byClass.Get()), path);

  CLSID fromProgId{};
  ASSERT_EQ(::CLSIDFromProgID(L"axgate.XLoader", &fromProgId), S_OK);
  ComPtr<IDispatch> byProgId;
  ASSERT_EQ(::CoCreateInstance(fromProgId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&byProgId)),
            S_OK);

  struct NameCase {
    const wchar_t* name;
    HRESULT result;
    DISPID id;
  };
  for (const NameCase& c : {NameCase{L"Version", S_OK, 1}, NameCase{L"VERSION", S_OK, 1},
                            NameCase{L"Path", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}}) {
    SCOPED_TRACE(Narrow(c.name));
    LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
    DISPID id = 12345;
    EXPECT_EQ(byProgId->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.result);
    EXPECT_EQ(id, c.id);
  }

  // Scripts read with DISPATCH_PROPERTYGET, VBScript with METHOD as well; a write is a
  // PROPERTYPUT with its value named DISPID_PROPERTYPUT.
  // Which failure a malformed call gets is the system dispatcher's choice.
  constexpr HRESULT kAnyFailure = E_FAIL;
  struct InvokeCase {
    const char* what;
    DISPID id;
    WORD flags;
    bool withValue;
    HRESULT result;
  };
  const InvokeCase invokes[] = {
      {"read", 1, DISPATCH_PROPERTYGET, false, S_OK},
      {"read as VBScript does", 1, DISPATCH_PROPERTYGET | DISPATCH_METHOD, false, S_OK},
      {"write", 1, DISPATCH_PROPERTYPUT, true, S_OK},
      {"read after the write", 1, DISPATCH_PROPERTYGET, false, S_OK},
      {"write without a value", 1, DISPATCH_PROPERTYPUT, false, kAnyFailure},
      {"unknown member", 2, DISPATCH_PROPERTYGET, false, DISP_E_MEMBERNOTFOUND},
  };
  for (const InvokeCase& c : invokes) {
    SCOPED_TRACE(c.what);
    Variant value, result;
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(L"C:\\elsewhere\\axgate.dll");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{c.withValue ? &value : nullptr, c.withValue ? &named : nullptr,
                      c.withValue ? 1u : 0u, c.withValue ? 1u : 0u};
    const HRESULT hr = byProgId->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &params,
                                        &result, nullptr, nullptr);
    if (c.result == kAnyFailure) {
      EXPECT_TRUE(FAILED(hr));
    } else {
      EXPECT_EQ(hr, c.result);
    }
    if (c.flags & DISPATCH_PROPERTYGET && hr == S_OK) {
      ASSERT_EQ(result.vt, VT_BSTR);
      EXPECT_EQ(std::wstring(result.bstrVal, ::SysStringLen(result.bstrVal)), path);
    }
  }
  DISPPARAMS none{};
  EXPECT_EQ(byProgId->Invoke(1, IID_IXLoader, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                             nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

// The identifiers that pages, hosts and the updater rely on, read back from the type
// information the object serves.
TEST_F(XLoader, ServesTheTypeInformationOfItsContract) {
  ComPtr<IDispatch> loader;
  ASSERT_EQ(::CoCreateInstance(CLSID_XLoader, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&loader)),
            S_OK);
  UINT count = 0;
  EXPECT_EQ(loader->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> dispatch, unused;
  EXPECT_EQ(loader->GetTypeInfo(1, 0, &unused), DISP_E_BADINDEX);
  ASSERT_EQ(loader->GetTypeInfo(0, 0, &dispatch), S_OK);

  struct Documented {
    ComPtr<ITypeInfo> info;
    const wchar_t* guid;
    TYPEKIND kind;
    WORD flags;
    const wchar_t* name;
    const wchar_t* help;
  };
  ComPtr<ITypeLib> library;
  UINT index = 0;
  ASSERT_EQ(dispatch->GetContainingTypeLib(&library, &index), S_OK);
  ComPtr<ITypeInfo> coclass, vtable;
  ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_XLoader, &coclass), S_OK);
  HREFTYPE dualHalf = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &dualHalf), S_OK);
  ASSERT_EQ(dispatch->GetRefTypeInfo(dualHalf, &vtable), S_OK);
  // Automation-compatible is a property of the vtable half of a dual interface.
  constexpr WORD kDual = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
  const Documented types[] = {
      {dispatch, L"{3F9D6A52-1C7E-4B08-A5D4-62E8B0F7C913}", TKIND_DISPATCH, kDual, L"IXLoader",
       L"Dispatch interface for XLoader Control"},
      {vtable, L"{3F9D6A52-1C7E-4B08-A5D4-62E8B0F7C913}", TKIND_INTERFACE,
       kDual | TYPEFLAG_FOLEAUTOMATION, L"IXLoader",
       L"Dispatch interface for XLoader Control"},
      {coclass, L"{5C0E2B17-8A41-4D6F-9E23-B7A1C4D90F62}", TKIND_COCLASS, TYPEFLAG_FCANCREATE,
       L"XLoader", L"axgate_x"},
  };
  for (const Documented& t : types) {
    SCOPED_TRACE(Narrow(t.name));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(t.info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(GuidText(attributes->guid), t.guid);
    EXPECT_EQ(attributes->typekind, t.kind);
    EXPECT_EQ(attributes->wTypeFlags, t.flags);
    t.info->ReleaseTypeAttr(attributes);
    BSTR name = nullptr, help = nullptr;
    ASSERT_EQ(t.info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    kit::UniqueBstr nameOwner(name), helpOwner(help);
    EXPECT_STREQ(name, t.name);
    EXPECT_STREQ(help, t.help);
  }

  TLIBATTR* own = nullptr;
  ASSERT_EQ(library->GetLibAttr(&own), S_OK);
  EXPECT_EQ(GuidText(own->guid), L"{8B47E1C6-5D29-4A3F-B610-0C9E7D2A54B8}");
  EXPECT_EQ(own->lcid, 0x409u);
  EXPECT_EQ(own->wMajorVerNum, 1);
  EXPECT_EQ(own->wMinorVerNum, 0);
  library->ReleaseTLibAttr(own);
  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
  kit::UniqueBstr nameOwner(name), helpOwner(help);
  EXPECT_STREQ(name, L"axgate");
  EXPECT_STREQ(help, L"axgate_x");

  // The vtable half: get and put "Version", dispatch id 1, right after IDispatch's seven
  // methods, with the parameter name a property browser shows.
  const short slot = sizeof(void*);
  const struct {
    INVOKEKIND kind;
    short offset;
  } members[] = {{INVOKE_PROPERTYGET, short(7 * slot)}, {INVOKE_PROPERTYPUT, short(8 * slot)}};
  for (UINT i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(i, &function), S_OK);
    EXPECT_EQ(function->memid, 1);
    EXPECT_EQ(function->invkind, members[i].kind);
    EXPECT_EQ(function->oVft, members[i].offset);
    ASSERT_EQ(function->cParams, 1);
    EXPECT_EQ(function->lprgelemdescParam[0].tdesc.vt,
              members[i].kind == INVOKE_PROPERTYGET ? VT_PTR : VT_BSTR);
    vtable->ReleaseFuncDesc(function);
  }
  BSTR names[2] = {};
  UINT found = 0;
  ASSERT_EQ(vtable->GetNames(1, names, 2, &found), S_OK);
  kit::UniqueBstr member(names[0]), parameter(names[1]);
  ASSERT_EQ(found, 2u);
  EXPECT_STREQ(names[0], L"Version");
  EXPECT_STREQ(names[1], L"Value");
}

TEST_F(XLoader, ServerStaysLoadedWhileAnObjectAClassObjectOrALockLives) {
  ComPtr<IXLoader> loader;
  ASSERT_EQ(::CoCreateInstance(CLSID_XLoader, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&loader)),
            S_OK);
  const HMODULE server = ::GetModuleHandleW(L"axgate.dll");
  ASSERT_NE(server, nullptr);
  const auto canUnloadNow = kit::ProcAddress<decltype(&DllCanUnloadNow)>(server, "DllCanUnloadNow");
  ASSERT_NE(canUnloadNow, nullptr);
  const auto factory = [] {
    ComPtr<IClassFactory> object;
    EXPECT_EQ(::CoGetClassObject(CLSID_XLoader, CLSCTX_INPROC_SERVER, nullptr,
                                 IID_PPV_ARGS(&object)),
              S_OK);
    return object;
  };

  EXPECT_EQ(canUnloadNow(), S_FALSE);
  loader.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);

  ComPtr<IClassFactory> classObject = factory();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(classObject->LockServer(TRUE), S_OK);
  classObject.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory()->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_OK);

  // One unlock too many must not let an object that lives afterwards go unnoticed.
  EXPECT_EQ(factory()->LockServer(FALSE), S_OK);
  ASSERT_EQ(factory()->CreateInstance(nullptr, IID_PPV_ARGS(&loader)), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  loader.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

// A host that loads the file by its path, from a folder whose name the ANSI code page cannot
// spell: the path comes back whole, and misuse gets its proper result.
TEST(XLoaderHost, LoadsTheServerFileItselfAndGetsClearResults) {
  ComApartment apartment;
  ScratchFolder folder(L"axgate \u03bb\u03c3 ");
  const std::wstring path = folder.CopyOfServer();
  {
    kit::UniqueModule server(::LoadLibraryW(path.c_str()));
    ASSERT_TRUE(server);
    const auto getClassObject =
        kit::ProcAddress<decltype(&DllGetClassObject)>(server.Get(), "DllGetClassObject");
    ASSERT_NE(getClassObject, nullptr);

    void* unused = &apartment;
    EXPECT_EQ(getClassObject(IID_IXLoader, IID_IClassFactory, &unused), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(unused, nullptr);
    EXPECT_EQ(getClassObject(CLSID_XLoader, IID_IDispatch, &unused), E_NOINTERFACE);
    EXPECT_EQ(getClassObject(CLSID_XLoader, IID_IClassFactory, nullptr), E_POINTER);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_XLoader, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IXLoader> loader;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&loader)), S_OK);
    EXPECT_EQ(Version(*loader.Get()), path);
    EXPECT_EQ(loader->get_Version(nullptr), E_POINTER);
    EXPECT_EQ(factory->CreateInstance(loader.Get(), IID_IUnknown, &unused), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &unused), E_NOINTERFACE);
    EXPECT_EQ(loader->QueryInterface(IID_IClassFactory, &unused), E_NOINTERFACE);
    EXPECT_EQ(unused, nullptr);
  }
}

}  // namespace
}  // namespace axgate_test
