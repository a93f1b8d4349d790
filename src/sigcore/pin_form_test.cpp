// A signature with the key on a token, as a host asks for it: sigcore.dll beside the kit's own
// provider and the real orvavk.dll, a token made with the provider's tool, and no function of
// the host's to ask for the PIN. The kit shows the on-screen keyboard; the PIN is clicked on
// its keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ccm3x_entry_points.h"
#include "ccom_container.h"
#include "childprocess.h"
#include "form_testing.h"
#include "pkblock.h"
#include "provider_scenario.h"
#include "sigcore_host.h"
#include "windriver.h"

namespace {

namespace fs = std::filesystem;
using namespace orvavk::test;
using Bytes = std::vector<uint8_t>;

constexpr const char* kPin = "2580";

int CCM3X_CALL TestPin(char* buffer, int size, int, const char*) {
  return std::snprintf(buffer, static_cast<size_t>(size), "%s", kPin);
}

class SignatureOnAToken : public ::testing::Test {
 protected:
  SignatureOnAToken()
      : scenario_(wintest::HostPath(KIT_CCOM_DLL), wintest::HostPath(KIT_CCOMIO_DLL)),
        ccom_(::LoadLibraryA(scenario_.Path("ccom.dll").c_str())) {
    EXPECT_TRUE(::CopyFileA(wintest::HostPath(KIT_ORVAVK_DLL).c_str(),
                            scenario_.Path("orvavk.dll").c_str(), FALSE));
    const std::string tokens = scenario_.Path("tokens");
    fs::create_directories(tokens);
    fs::create_directories(scenario_.Path("abonents"));
    ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", tokens.c_str());
    const auto made = wintest::RunProgram("\"" + wintest::HostPath(KIT_CCOMTOKEN_EXE) +
                                          "\" --root \"" + tokens + "\" create ETOKEN0 --pin " +
                                          kPin);
    EXPECT_EQ(made.exitCode, 0u) << made.output;
    MakeKeyOnToken();
  }
  ~SignatureOnAToken() override { ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", nullptr); }

  // Key directory 1A2F: its container and a secret key in DDDD/0002, made with the provider
  // directly, and the own public key both in a file and in AAAA; the token is logged out again
  // afterwards.
  void MakeKeyOnToken() {
    const ccm3x::EntryPoints api = ccm3x::BindEntryPoints(ccom_.Get(), nullptr).api;
    ASSERT_EQ(api.SetTokenPasswdCallback(&TestPin), 1);
    ASSERT_EQ(sigcore_test::MakeProviderContainer(api, "ETOKEN0:/1A2F"), 0);
    PSE_CTX* container = api.PSE_CTX_new();
    ASSERT_NE(container, nullptr);
    ASSERT_EQ(api.PSE_CTX_set_path(container, "ETOKEN0:/1A2F", -1), 1);
    ASSERT_EQ(api.PSE_CTX_read(container), 1);
    PSE* const pse = api.PSE_CTX_get_pse(container);
    std::array<uint8_t, 36> secret{};
    sigcore::TCCom3x_CashNode node;
    node.uid = "CLIENT-0042";
    node.ownerText = "CN=Ivanov Ivan";
    node.publicKeyLength = 65;
    node.signatureLength = 64;
    int secretLength = 36;
    int publicLength = 65;
    ASSERT_EQ(api.ECGOST_generate_key(pse, 11, secret.data(), &secretLength,
                                      node.publicKey.data(), &publicLength),
              1);
    Bytes block(sigcore::kMaxPublicKeyBlockSize);
    int32_t size = static_cast<int32_t>(block.size());
    ASSERT_EQ(sigcore::SerializePublicKeyBlock(node, block.data(), size), 0);
    ECGOST_SIGN* sign = api.ECGOST_SIGN_new();
    int signatureLength = 64;
    EXPECT_TRUE(api.ECGOST_sign_init(sign, pse, nullptr, 0, 21, secret.data(), 11) == 1 &&
                api.ECGOST_update(sign, block.data(), size) == size &&
                api.ECGOST_sign_final(sign, node.signature.data(), &signatureLength) == 1);
    api.ECGOST_SIGN_free(sign);
    size = static_cast<int32_t>(block.size());
    ASSERT_EQ(sigcore::AppendBlockSignature(node, block.data(), size), 0);
    ASSERT_EQ(api.CADB_write_file("ETOKEN0:/1A2F/DDDD/0002", secret.data(), 36), 36);
    ASSERT_EQ(api.CADB_write_file("ETOKEN0:/1A2F/AAAA", block.data(), size), size);
    block.resize(static_cast<size_t>(size));
    std::ofstream(scenario_.Path("self.pub"), std::ios::binary)
        .write(reinterpret_cast<const char*>(block.data()), size);
    api.PSE_CTX_free(container);
    using Logout = int(CCM3X_CALL*)(const char*);
    const auto logout = kit::ProcAddress<Logout>(ccom_.Get(), "CADB_token_logout");
    ASSERT_NE(logout, nullptr);
    EXPECT_EQ(logout("ETOKEN0:\\"), 1);
    // From here only the kit answers the token.
    EXPECT_EQ(api.SetTokenPasswdCallback(nullptr), 1);
  }

  // Signs with the engine while `script` drives the PIN form on this thread.
  int SignWhile(std::function<void(HWND)> script, Bytes& signature) {
    signature.assign(319, 0);
    int length = 319;
    const int result = WhileShown(std::move(script), [&] {
      return kit_->api.SignData(*engine_, data_.data(), static_cast<int>(data_.size()),
                                signature.data(), &length, nullptr);
    });
    signature.resize(result == 0 ? static_cast<size_t>(length) : 0);
    return result;
  }

  // The own public key from `ownKey`: the file, or "ETOKEN" for the key directory's AAAA.
  void Open(const std::string& ownKey = "") {
    kit_ = std::make_unique<sigcore::SigcoreLibrary>(scenario_.Path("sigcore.dll"));
    ASSERT_TRUE(kit_->Loaded());
    engine_ = std::make_unique<sigcore::SigcoreEngineHandle>(kit_->api);
    const std::pair<int, std::string> values[] = {
        {1, ownKey.empty() ? scenario_.Path("self.pub") : ownKey}, {2, "1A2F"}, {3, "ETOKEN"},
        {4, scenario_.Path("abonents")}};
    for (const auto& [number, value] : values)
      ASSERT_EQ(kit_->api.SetCryptoParamValue(*engine_, number, value.c_str()), 0);
  }

  sigcore_test::ProviderScenario scenario_;
  kit::UniqueModule ccom_;
  std::unique_ptr<sigcore::SigcoreLibrary> kit_;
  std::unique_ptr<sigcore::SigcoreEngineHandle> engine_;
  const Bytes data_ = {'o', 'r', 'd', 'e', 'r', ' ', '1', '1', '8'};
};

// Clicks `digits` on the form's number keys, then the button of that caption. The form names
// the folder of the token object whose reading asked.
std::function<void(HWND)> Click(const std::wstring& digits, const wchar_t* button,
                                bool& shown, const char* screenshot = nullptr,
                                const std::wstring& folder = L"1A2F") {
  return [digits, button, &shown, screenshot, folder](HWND form) {
    ASSERT_NE(form, nullptr);
    shown = true;
    EXPECT_NE(wintest::FindControl(form, L"Static", (L"Pin code for the key: " + folder).c_str()),
              nullptr);
    ASSERT_TRUE(SelectPage(form, L"Numbers"));
    const std::vector<HWND> keys = VisibleKeys(form);
    ASSERT_EQ(keys.size(), 10u);
    for (const wchar_t digit : digits) {
      wintest::PostClick(keys[std::wstring(L"1234567890").find(digit)]);
      PumpMessages();
    }
    if (screenshot != nullptr) ScreenshotOnceShown(form, screenshot);
    wintest::PostClick(wintest::FindControl(form, L"Button", button));
  };
}

TEST_F(SignatureOnAToken, ThePinClickedOnTheKeysSignsAndACancelGivesTheProvidersCode) {
  Open();
  bool shown = false;
  Bytes signature;
  ASSERT_EQ(SignWhile(Click(L"2580", L"Ok", shown, "sigcore_signature_pin_form"), signature), 0);
  EXPECT_TRUE(shown);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(signature.data())), "CLIENT-0042");
  char uid[255] = {};
  EXPECT_EQ(kit_->api.VerifyData(*engine_, data_.data(), static_cast<int>(data_.size()),
                                 signature.data(), static_cast<int>(signature.size()), uid),
            0);
  EXPECT_STREQ(uid, "CLIENT-0042");

  // The session keeps the key: the next signature asks nothing.
  shown = false;
  EXPECT_EQ(SignWhile(Click(L"", L"Cancel", shown), signature), 0);
  EXPECT_FALSE(shown);

  // Logged out of every token: the form asks again, and a cancel reaches the host as the
  // provider's code for a PIN not given.
  ASSERT_EQ(kit_->api.Import(*engine_, 14, nullptr, nullptr, 0), 0);
  EXPECT_EQ(SignWhile(Click(L"25", L"Cancel", shown), signature), 22);
  EXPECT_TRUE(shown);
  EXPECT_EQ(ShownForm(), nullptr);
}

// Runs `operation` while the form is answered with the right PIN; the form must ask once.
int AnsweredOnce(const std::function<int()>& operation, const std::wstring& folder = L"1A2F") {
  int asked = 0;
  bool shown = false;
  const auto click = Click(L"2580", L"Ok", shown, nullptr, folder);
  const auto countedClick = [&](HWND form) {
    ++asked;
    click(form);
  };
  const int result = WhileShown(countedClick, operation);
  EXPECT_EQ(asked, 1);
  return result;
}

// Whatever reads the token first logs in: the form asks before that read, and the PIN entered
// there serves what follows. The own public key kept on the token is read before anything.
TEST_F(SignatureOnAToken, TheOwnKeyOnTheTokenIsReadAfterTheFormAsks) {
  Open("ETOKEN");
  Bytes signature(319);
  int length = 319;
  ASSERT_EQ(AnsweredOnce([&] {
              return kit_->api.SignData(*engine_, data_.data(), static_cast<int>(data_.size()),
                                        signature.data(), &length, nullptr);
            }),
            0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(signature.data())), "CLIENT-0042");
  char uid[255] = {};
  ASSERT_EQ(kit_->api.GetCurrentUserUID(*engine_, uid), 0);
  EXPECT_STREQ(uid, "CLIENT-0042");
}

TEST_F(SignatureOnAToken, AKeyDirectoryReportReadsAfterTheFormAsks) {
  Open("ETOKEN");
  std::string report(2048, '\0');
  int number = static_cast<int>(report.size());
  ASSERT_EQ(AnsweredOnce([&] {
              return kit_->api.ExportObject(*engine_, 102, "1A2F/AAAA", 0, nullptr, report.data(),
                                            &number);
            }),
            0);
  EXPECT_EQ(std::string(report.c_str()).rfind("UID=CLIENT-0042\r\nCN=Ivanov Ivan\r\n", 0), 0u)
      << report.c_str();
}

TEST_F(SignatureOnAToken, AKeyDirectoryIsErasedAfterTheFormAsks) {
  Open("ETOKEN");
  ASSERT_TRUE(fs::exists(scenario_.Path("tokens") + "\\ETOKEN0\\1A2F\\AAAA"));
  // The first object erased is in the folder of the secret keys.
  EXPECT_EQ(AnsweredOnce([&] {
              return kit_->api.ExportObject(*engine_, 103, "1A2F", 0, nullptr, nullptr, nullptr);
            },
                         L"DDDD"),
            0);
  EXPECT_FALSE(fs::exists(scenario_.Path("tokens") + "\\ETOKEN0\\1A2F"));
}

}  // namespace
