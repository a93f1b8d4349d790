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

class ComApartment {
 public:
  ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

struct Variant : VARIANT {
  Variant() { ::VariantInit(this); }
  ~Variant() { ::VariantClear(this); }
};

std::wstring Text(BSTR text) {
  kit::UniqueBstr owner(text);
  return text != nullptr ? std::wstring(text, ::SysStringLen(text)) : L"<null>";
}

std::wstring GuidText(REFGUID guid) {
  wchar_t text[39] = {};
  ::StringFromGUID2(guid, text, 39);
  return text;
}

std::wstring Version(IXLoader& loader) {
  BSTR value = nullptr;
  EXPECT_EQ(loader.get_Version(&value), S_OK);
  return Text(value);
}

template <class Interface>
ComPtr<Interface> Create(REFCLSID classId) {
  ComPtr<Interface> object;
  EXPECT_EQ(::CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)),
            S_OK);
  return object;
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
  const auto byClass = Create<IXLoader>(CLSID_XLoader);
  ASSERT_TRUE(byClass);
  EXPECT_EQ(Version(*byClass.Get()), path);
  EXPECT_EQ(byClass->put_Version(kit::UniqueBstr(::SysAllocString(L"C:\\x.dll")).Get()), S_OK);
  EXPECT_EQ(Version(*byClass.Get()), path);

  CLSID fromProgId{};
  ASSERT_EQ(::CLSIDFromProgID(L"axgate.XLoader", &fromProgId), S_OK);
  const auto byProgId = Create<IDispatch>(fromProgId);
  ASSERT_TRUE(byProgId);
  for (const auto& [name, id] : {std::pair{L"Version", 1}, {L"VERSION", 1}, {L"Path", -1}}) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID found = 12345;
    EXPECT_EQ(byProgId->GetIDsOfNames(IID_NULL, names, 1, 0, &found),
              id == 1 ? S_OK : DISP_E_UNKNOWNNAME);
    EXPECT_EQ(found, id) << Narrow(name);
  }

  // Scripts read with PROPERTYGET, VBScript adds METHOD; a write is a PROPERTYPUT with its
  // value named DISPID_PROPERTYPUT. Which failure a malformed call gets is the dispatcher's.
  const struct {
    const char* what;
    DISPID id;
    WORD flags;
    bool withValue;
    bool succeeds;
  } calls[] = {
      {"read", 1, DISPATCH_PROPERTYGET, false, true},
      {"read as VBScript does", 1, DISPATCH_PROPERTYGET | DISPATCH_METHOD, false, true},
      {"write", 1, DISPATCH_PROPERTYPUT, true, true},
      {"read after the write", 1, DISPATCH_PROPERTYGET, false, true},
      {"write without a value", 1, DISPATCH_PROPERTYPUT, false, false},
      {"unknown member", 2, DISPATCH_PROPERTYGET, false, false},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.what);
    Variant value, result;
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(L"C:\\x.dll");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, c.withValue ? 1u : 0u, c.withValue ? 1u : 0u};
    const HRESULT hr =
        byProgId->Invoke(c.id, IID_NULL, 0, c.flags, &params, &result, nullptr, nullptr);
    EXPECT_EQ(SUCCEEDED(hr), c.succeeds) << std::hex << hr;
    if (SUCCEEDED(hr) && (c.flags & DISPATCH_PROPERTYGET)) {
      ASSERT_EQ(result.vt, VT_BSTR);
      EXPECT_EQ(std::wstring(result.bstrVal, ::SysStringLen(result.bstrVal)), path);
    }
  }
  DISPPARAMS none{};
  EXPECT_EQ(byProgId->Invoke(1, IID_IXLoader, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr,
                             nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

// What a property browser or a script engine learns from the type information the object
// serves; the library's own identifiers show in its registration.
TEST_F(XLoader, ServesTheTypeInformationOfItsContract) {
  const auto loader = Create<IDispatch>(CLSID_XLoader);
  ASSERT_TRUE(loader);
  UINT count = 0;
  EXPECT_EQ(loader->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> dispatch, vtable, coclass;
  EXPECT_EQ(loader->GetTypeInfo(1, 0, &dispatch), DISP_E_BADINDEX);
  ASSERT_EQ(loader->GetTypeInfo(0, 0, &dispatch), S_OK);
  HREFTYPE vtableHalf = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtableHalf), S_OK);
  ASSERT_EQ(dispatch->GetRefTypeInfo(vtableHalf, &vtable), S_OK);
  ComPtr<ITypeLib> library;
  UINT index = 0;
  ASSERT_EQ(dispatch->GetContainingTypeLib(&library, &index), S_OK);
  ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_XLoader, &coclass), S_OK);
  BSTR libraryName = nullptr;
  EXPECT_EQ(library->GetDocumentation(-1, &libraryName, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(libraryName), L"axgate");

  // Automation compatibility is a property of the vtable half of a dual interface.
  constexpr WORD kDual = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
  const wchar_t* const kInterface = L"{3F9D6A52-1C7E-4B08-A5D4-62E8B0F7C913}";
  const wchar_t* const kInterfaceHelp = L"Dispatch interface for XLoader Control";
  const struct {
    ITypeInfo* info;
    const wchar_t* guid;
    TYPEKIND kind;
    WORD flags;
    const wchar_t* name;
    const wchar_t* help;
  } types[] = {
      {dispatch.Get(), kInterface, TKIND_DISPATCH, kDual, L"IXLoader", kInterfaceHelp},
      {vtable.Get(), kInterface, TKIND_INTERFACE, kDual | TYPEFLAG_FOLEAUTOMATION, L"IXLoader",
       kInterfaceHelp},
      {coclass.Get(), L"{5C0E2B17-8A41-4D6F-9E23-B7A1C4D90F62}", TKIND_COCLASS,
       TYPEFLAG_FCANCREATE, L"XLoader", L"axgate_x"},
  };
  for (const auto& t : types) {
    SCOPED_TRACE(Narrow(t.name));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(t.info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(GuidText(attributes->guid), t.guid);
    EXPECT_EQ(attributes->typekind, t.kind);
    EXPECT_EQ(attributes->wTypeFlags, t.flags);
    t.info->ReleaseTypeAttr(attributes);
    BSTR name = nullptr, help = nullptr;
    EXPECT_EQ(t.info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(name), t.name);
    EXPECT_EQ(Text(help), t.help);
  }
}

TEST_F(XLoader, ServerStaysLoadedWhileAnObjectAClassObjectOrALockLives) {
  auto loader = Create<IXLoader>(CLSID_XLoader);
  const HMODULE server = ::GetModuleHandleW(L"axgate.dll");
  ASSERT_NE(server, nullptr);
  const auto canUnloadNow =
      kit::ProcAddress<decltype(&DllCanUnloadNow)>(server, "DllCanUnloadNow");
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

  auto classObject = factory();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(classObject->LockServer(TRUE), S_OK);
  classObject.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory()->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_OK);

  // One unlock too many must not hide an object that lives afterwards.
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
  kit::UniqueModule server(::LoadLibraryW(path.c_str()));
  ASSERT_TRUE(server);
  const auto getClassObject =
      kit::ProcAddress<decltype(&DllGetClassObject)>(server.Get(), "DllGetClassObject");
  ASSERT_NE(getClassObject, nullptr);

  void* unused = &apartment;
  EXPECT_EQ(getClassObject(IID_IXLoader, IID_IClassFactory, &unused), CLASS_E_CLASSNOTAVAILABLE);
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

}  // namespace
}  // namespace axgate_test
