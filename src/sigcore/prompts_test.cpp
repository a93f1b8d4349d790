// What a key session asks the user, over the simulating provider: the PIN of a token key
// directory on orvavk.dll's on-screen keyboard (the real orvavk.dll, whose modal form runs on
// the thread that opens the session, as it does for a host), and the keystrokes that seed a
// container's new generator in the kit's own dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <thread>

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
          ClickDigits(form, c.clicks);
          if (::testing::Test::HasFatalFailure()) return;
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

// Answers the keystroke dialog's requests in turn, each once it is asked for: a character, or
// Escape for L'\x1b'. Counts the requests answered.
std::thread AnswerKeystrokes(const std::wstring& answers, const std::wstring& asked, int& answered) {
  return std::thread([=, &answered] {
    for (size_t i = 0; i < answers.size(); ++i) {
      const std::wstring label = std::wstring(L"' ") + asked[i] + L" ':";
      HWND box = nullptr;
      for (int wait = 0; wait < 500 && box == nullptr; ++wait) {
        const HWND dialog = ::FindWindowW(nullptr, L"Crypto Com 3.x");
        if (dialog != nullptr && ::IsWindowVisible(dialog) &&
            wintest::FindControl(dialog, L"Static", label) != nullptr) {
          const HWND edit = wintest::FindControl(dialog, L"Edit");
          if ((::GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) == 0) box = edit;
        }
        if (box == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      if (box == nullptr) return;
      if (answers[i] == L'\x1b')
        wintest::PostKey(box, VK_ESCAPE);
      else
        wintest::PostText(box, std::wstring(1, answers[i]));
      ++answered;
    }
  });
}

class KeystrokesForANewGenerator : public sigcore_test::SimulatedMedia {
 protected:
  KeystrokesForANewGenerator() {
    InstallDiskKeys("ME", 1, {1});
    fs::remove(params_.secretKeyDir + "rand.opq");
  }
};

TEST_F(KeystrokesForANewGenerator, AreTypedInTheDialogAndACancelReachesTheCaller) {
  // Cancelled at the last keystroke: the provider's code 6 comes back, and nothing is kept.
  int answered = 0;
  std::thread user = AnswerKeystrokes(L"12\x1b", L"123", answered);
  OperationKey key;
  EXPECT_EQ(binding_->OpenKeySession(params_, key), 6);
  user.join();
  EXPECT_EQ(answered, 3);
  EXPECT_FALSE(fs::exists(params_.secretKeyDir + "rand.opq"));
  EXPECT_FALSE(binding_->SessionOpen());
  EXPECT_EQ(::FindWindowW(nullptr, L"Crypto Com 3.x"), nullptr);

  // Typed through: the session opens and the generator's state is kept with the container.
  answered = 0;
  user = AnswerKeystrokes(L"123", L"123", answered);
  EXPECT_EQ(binding_->OpenKeySession(params_, key), 0);
  user.join();
  EXPECT_EQ(answered, 3);
  EXPECT_TRUE(fs::exists(params_.secretKeyDir + "rand.opq"));
  EXPECT_EQ(::FindWindowW(nullptr, L"Crypto Com 3.x"), nullptr) << "gone after the last one";
  // Seeded: the next opening asks nothing.
  binding_->CloseKeySession();
  EXPECT_EQ(binding_->OpenKeySession(params_, key), 0);
}

}  // namespace
}  // namespace sigcore
