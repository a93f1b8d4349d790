// The engine's frame and its provider binding, with the engine linked in and provider doubles
// loaded as the kit loads its provider.
#include "ce_ccm3x.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>

#include "com3x_engine.h"
#include "engine_params.h"
#include "expected_texts.h"
#include "password_slots.h"
#include "process_state.h"
#include "provider_cache.h"
#include "provider_scenario.h"
#include "windriver.h"
#include "winhandles.h"

namespace sigcore {
namespace {

using sigcore_test::ProviderScenario;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The engine here is linked into the test program, so it finds the double through the DLL
// search path of the scenario's folder; every test starts with no provider loaded.
class EngineWithProvider : public ::testing::Test {
 protected:
  explicit EngineWithProvider(const char* ccom = "ccom_complete") : scenario_(ccom) {
    ::SetDllDirectoryA(scenario_.Folder().c_str());
  }
  ~EngineWithProvider() override {
    ReleaseProcessState(false);
    ::SetDllDirectoryA(nullptr);
    ::SetEnvironmentVariableA("CCOM_DOUBLE_FAIL", nullptr);
  }
  std::string ErrorText(int32_t code) {
    char text[255];
    engine_.GetCryptoErrorString(code, text);
    return text;
  }
  TCCom3x_DLL* Binding(TCryptoCom3xEngine& engine) {
    TCCom3x_UserParam params;
    EXPECT_EQ(engine.LoadUserParams(params), 0);
    TCCom3x_DLL* binding = nullptr;
    EXPECT_EQ(engine.GetCryptoAPI(params, binding), 0);
    return binding;
  }

  ProviderScenario scenario_;
  TCryptoCom3xEngine engine_;
};

TEST_F(EngineWithProvider, FailedProviderCallPassesItsCodeAndDetailThrough) {
  const auto checkHash = [](TCCom3x_DLL& dll, const TCCom3x_UserParam& params) {
    return dll.Check(dll.Api().GOSTH_check(), 1, params);
  };
  EXPECT_EQ(engine_.RunFrame("HashData", checkHash), 0);

  ::SetEnvironmentVariableA("CCOM_DOUBLE_FAIL", "28");
  // Without a detail error file the provider's text is not even asked for.
  EXPECT_EQ(engine_.RunFrame("HashData", checkHash), 28);
  EXPECT_EQ(scenario_.Count("ccom.dll ERR_get_errors"), 0);

  engine_.SetRootPath(scenario_.Folder());
  engine_.SetCryptoParamValue(kDetailErrorFile, "%VelmarRoot%\\detail.txt");
  const std::string detailFile = scenario_.Path("DETAIL.TXT");
  std::ofstream(detailFile) << std::string(500, '#') << " an older and longer detail";
  EXPECT_EQ(engine_.RunFrame("HashData", checkHash), 28);
  EXPECT_EQ(Read(detailFile), "GOSTH_check: the known answer of ccom.dll did not match");
  EXPECT_EQ(scenario_.Count("ccom.dll ERR_get_errors"), 1);
  EXPECT_EQ(scenario_.Count("ccom.dll CCLIB_mem_free"), 1);

  // A failure the provider gives no code for is still a failure.
  EXPECT_EQ(engine_.RunFrame("HashData",
                             [](TCCom3x_DLL& dll, const TCCom3x_UserParam& params) {
                               dll.Api().ERR_set_last_error(0);
                               return dll.ProviderFailure(params);
                             }),
            12);
}

TEST_F(EngineWithProvider, ExceptionInAnOperationIsMinusTwoWithItsText) {
  const std::string fixed = sigcore_test::ToCp1251(sigcore_test::ExpectedErrorTexts().at(-2));
  ASSERT_EQ(ErrorText(-2), fixed);
  const auto raise = [&](auto exception) {
    return engine_.RunFrame("SignData", [&](TCCom3x_DLL&, const TCCom3x_UserParam&) -> int32_t {
      throw exception;
    });
  };
  const struct {
    std::function<int32_t()> run;
    std::string stored;
  } cases[] = {
      {[&] { return raise(EProviderError("PSE_CTX_get_kek gave 40 bytes")); },
       "TCryptoCom3xEngine.SignData: EProviderError: PSE_CTX_get_kek gave 40 bytes"},
      {[&] { return raise(std::bad_alloc()); },
       "TCryptoCom3xEngine.SignData: EOutOfMemory: std::bad_alloc"},
      {[&] { return raise(kit::EAssertionFailed("EndRead without BeginRead (RWSyncs)")); },
       "TCryptoCom3xEngine.SignData: EAssertionFailed: EndRead without BeginRead (RWSyncs)"},
      {[&] { return raise(std::out_of_range("vector")); },
       "TCryptoCom3xEngine.SignData: Exception: vector"},
      {[&] { return raise(42); }, "TCryptoCom3xEngine.SignData: Exception: unknown exception"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.run(), -2);
    EXPECT_EQ(ErrorText(-2), fixed + c.stored);
  }
  // The text stays until the next exception; success does not clear it.
  EXPECT_EQ(engine_.RunFrame("SignData", [](TCCom3x_DLL&, const TCCom3x_UserParam&) { return 0; }),
            0);
  EXPECT_EQ(ErrorText(-2), fixed + cases[std::size(cases) - 1].stored);
  // Another engine keeps its own text.
  TCryptoCom3xEngine other;
  char text[255];
  other.GetCryptoErrorString(-2, text);
  EXPECT_EQ(std::string(text), fixed);

  // A text longer than the buffer is cut to 254 characters and its NUL.
  EXPECT_EQ(raise(EProviderError(std::string(300, 'm'))), -2);
  const std::string cut = ErrorText(-2);
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(cut.substr(0, fixed.size()), fixed);
}

TEST_F(EngineWithProvider, EnginesShareBindingsByPathsAndScanDepth) {
  TCryptoCom3xEngine other;
  TCCom3x_DLL* const shared = Binding(engine_);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(Binding(other), shared);
  // Time-outs and the key device do not choose the binding.
  other.SetCryptoParamValue(kKeyRequestTimeout, "0");
  other.SetCryptoParamValue(kKeyDevice, "ETOKEN");
  EXPECT_EQ(Binding(other), shared);

  const struct {
    Param param;
    const char* value;
  } changes[] = {{kAbonentsDir, "A:\\OTHER"},
                 {kUserPublicKey, "A:\\other.pub"},
                 {kUserSecretKey, "B:\\"},
                 {kDeviceScanDepth, "17"}};
  for (const auto& change : changes) {
    TCryptoCom3xEngine changed;
    changed.SetCryptoParamValue(change.param, change.value);
    TCCom3x_DLL* const own = Binding(changed);
    EXPECT_NE(own, shared) << change.value;
    EXPECT_EQ(Binding(changed), own) << change.value;
  }
  // A scan depth read as 16 is the same binding as the default.
  other.SetCryptoParamValue(kDeviceScanDepth, "8");
  EXPECT_EQ(Binding(other), shared);
}

TEST(ProviderEntryPoints, ResolvedByTheRulesOfTheTwoLibraries) {
  const std::string doubles = wintest::HostPath(KIT_PROVIDER_DOUBLES) + "\\";
  const auto load = [&](const char* name) {
    return kit::UniqueModule(::LoadLibraryA((doubles + name + ".dll").c_str()));
  };
  const kit::UniqueModule complete = load("ccom_complete");
  const kit::UniqueModule lacking = load("ccom_lacking");
  const kit::UniqueModule lean = load("ccom_lean");
  const kit::UniqueModule ccomio = load("ccomio_complete");
  const kit::UniqueModule partial = load("ccomio_partial");
  ASSERT_TRUE(complete && lacking && lean && ccomio && partial);

  const struct {
    HMODULE ccom;
    HMODULE ccomio;
    std::vector<std::string> missing;
    bool ioFromCcomio;
  } cases[] = {
      {complete.Get(), nullptr, {}, false},
      {lacking.Get(), nullptr, {"ECGOST_sign_final"}, false},
      {lean.Get(), nullptr, {}, false},
      {complete.Get(), ccomio.Get(), {}, true},
      {complete.Get(), partial.Get(), {}, false},
      {lacking.Get(), ccomio.Get(), {"ECGOST_sign_final"}, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const ccm3x::Binding binding = ccm3x::BindEntryPoints(cases[i].ccom, cases[i].ccomio);
    EXPECT_EQ(binding.missing, cases[i].missing) << i;
    EXPECT_EQ(binding.ioFromCcomio, cases[i].ioFromCcomio) << i;
    // ccomio.dll's logout and token identifier come with its I/O set, or not at all.
    EXPECT_EQ(binding.api.CADB_token_logout != nullptr, cases[i].ioFromCcomio) << i;
    EXPECT_NE(binding.api.SetTokenPasswdCallback, nullptr) << i;
    EXPECT_NE(binding.api.ECGOST_DH_compute_key, nullptr) << i;
  }
  const ccm3x::Binding leanBinding = ccm3x::BindEntryPoints(lean.Get(), nullptr);
  EXPECT_EQ(leanBinding.api.GOSTH_file_digest, nullptr);
  EXPECT_EQ(leanBinding.api.CADB_rmdir, nullptr);
}

TEST(TokenPin, KeyNameIsTheFoldersName) {
  const std::pair<const char*, const char*> cases[] = {
      {"ETOKEN0:/1A2F/A001", "1A2F"},
      {"ETOKEN0:/1A2F/DDDD/0002", "DDDD"},
      {"C:\\KEYS\\USER\\kek.opq", "USER"},
      {"ETOKEN0:/1A2F", ""},
      {"kek.opq", ""},
      {"", ""},
      {"\\kek.opq", ""},
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(KeyNameOfObjectPath(path), name) << path;
}

}  // namespace
}  // namespace sigcore
