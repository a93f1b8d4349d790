// The crypto engine's way of asking for a PIN, played by a host of the test's own against the
// real orvavk.dll: the PIN the user clicks on the screen's keys is what the engine gets.
#include <gtest/gtest.h>

#include "form_testing.h"
#include "testing/pin_request_host.h"

namespace orvavk {
namespace {

using namespace test;

TEST(PinRequest, TheEngineGetsThePinClickedOnTheKeys) {
  const struct {
    const char* what;
    std::wstring clicks;
    bool confirmed;
    int32_t maxLength;
    int32_t result;
    std::string pin;
  } cases[] = {
      {"confirmed", L"2580", true, -1, 0, "2580"},
      {"longer than allowed", L"258013", true, 4, 0, "2580"},
      {"cancelled", L"25", false, -1, 1, ""},
  };
  TVKLibrary library;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string pin;
    const int32_t result = WhileShown(
        [&](HWND form) {
          ASSERT_NE(form, nullptr);
          EXPECT_EQ(wintest::ControlText(form), L"Password");
          EXPECT_NE(wintest::FindControl(form, L"Static", L"Pin code for the key: ключ01"),
                    nullptr);
          EXPECT_NE(wintest::FindControl(form, L"Static", L"it is not recommended..."), nullptr);
          ClickDigits(form, c.clicks);
          if (::testing::Test::HasFatalFailure()) return;
          if (c.result == 0 && c.maxLength == -1) ScreenshotOnceShown(form, "orvavk_pin_form");
          wintest::PostClick(
              wintest::FindControl(form, L"Button", c.confirmed ? L"Ok" : L"Cancel"));
        },
        [&] { return RequestPinCode(library, "ключ01", pin, c.maxLength); });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(pin, c.pin);
    EXPECT_EQ(ShownForm(), nullptr);
  }
  // Found in the host's own folder, not through the system's search.
  EXPECT_TRUE(library.FoundPath().empty());
}

TEST(PinRequest, WithoutTheLibraryNoFormIsShown) {
  TVKLibrary library(L"ORVAVK-MISSING.DLL");
  std::string pin = "unchanged";
  bool shown = false;
  const int32_t result = WhileShown([&](HWND form) { shown = form != nullptr; },
                                    [&] { return RequestPinCode(library, "key", pin, -1); });
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(shown);
  EXPECT_EQ(pin, "unchanged");
}

}  // namespace
}  // namespace orvavk
