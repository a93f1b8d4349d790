// The PIN of a token key directory asked on orvavk.dll's on-screen keyboard: the binding opens
// the simulated token with what the user clicks on the form's keys. The real orvavk.dll runs
// its modal form on the thread that opens the session, as it does for a host.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "form_testing.h"
#include "sim_media.h"

namespace sigcore {
namespace {

namespace fs = std::filesystem;
using namespace orvavk::test;
using sigcore_test::MakeKeyPair;
using sigcore_test::SignedBlock;
using sigcore_test::SimSecretKey;
using sigcore_test::WriteFile;

class PinOnTheKeyboard : public sigcore_test::SimulatedMedia {
 protected:
  PinOnTheKeyboard() : keyboard_(scenario_.Path("KEYBOARD")) {
    params_.keyDevice = "ETOKEN";
    params_.secretKeyDir = "1A2F\\";
    TokenSlot("ETOKEN", 0, "2580");
    fs::create_directories(TokenFile("ETOKEN0:/1A2F"));
    WriteFile(TokenFile("ETOKEN0:/1A2F/DDDD/0002"), SimSecretKey(6));
    WriteFile(params_.userPublicKeyPath, SignedBlock("ME", "", MakeKeyPair(6)));
    fs::create_directories(keyboard_);
    EXPECT_TRUE(::CopyFileA(wintest::HostPath(KIT_ORVAVK_DLL).c_str(),
                            (keyboard_ + "\\ORVAVK.DLL").c_str(), FALSE));
  }
  ~PinOnTheKeyboard() override { ::SetDllDirectoryA(scenario_.Folder().c_str()); }

  const std::string keyboard_;
};

TEST_F(PinOnTheKeyboard, WhatIsClickedOnTheKeysOpensTheTokenKeyDirectory) {
  const struct {
    const char* what;
    std::wstring clicks;
    bool confirmed;
    int32_t result;
  } cases[] = {
      {"the right PIN", L"2580", true, 0},
      {"a wrong PIN", L"2581", true, 28},
      {"cancelled", L"25", false, 22},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // No function of the host's: the on-screen keyboard is the only way to ask.
    ::SetDllDirectoryA(scenario_.Folder().c_str());
    Reload();
    ::SetDllDirectoryA(keyboard_.c_str());
    OperationKey key;
    const int32_t result = WhileShown(
        [&](HWND form) {
          ASSERT_NE(form, nullptr);
          EXPECT_EQ(wintest::ControlText(form), L"Password");
          EXPECT_NE(wintest::FindControl(form, L"Static", L"Pin code for the key: 1A2F"), nullptr);
          ASSERT_TRUE(SelectPage(form, L"Numbers"));
          const std::vector<HWND> keys = VisibleKeys(form);
          ASSERT_EQ(keys.size(), 10u);
          for (const wchar_t digit : c.clicks) {
            wintest::PostClick(keys[std::wstring(L"1234567890").find(digit)]);
            PumpMessages();
          }
          if (c.result == 0) ScreenshotOnceShown(form, "sigcore_pin_form");
          wintest::PostClick(wintest::FindControl(form, L"Button", c.confirmed ? L"Ok" : L"Cancel"));
        },
        [&] { return binding_->OpenKeySession(params_, key); });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(ShownForm(), nullptr);
    EXPECT_EQ(Count("PIN ETOKEN0:/1A2F/A001"), 1);
    if (c.result == 0) {
      EXPECT_EQ(std::vector<uint8_t>(key.SecretKeyBytes(), key.SecretKeyBytes() + 36),
                SimSecretKey(6));
    }
    TakeLog();
  }
}

}  // namespace
}  // namespace sigcore
