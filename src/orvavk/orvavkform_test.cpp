#include "orvavkform.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fake_layouts.h"
#include "form_testing.h"

namespace orvavk {
namespace {

using namespace test;

// A form over the English layout alone with one masked field, "Pass", and the Shift, Backspace
// and Clear keys beside the CapsLock key and language list that every form has.
struct TPinForm {
  explicit TPinForm(const TVisualConfiguration& configuration = DefaultVisualConfiguration())
      : config(configuration), layouts({TFakeLayouts::English()}, kEnglish), form(config, layouts) {
    form.DefineInput("Pass", true, L"PIN");
    form.SetCaption(L"Password");
    form.SetRandomStartPage(false);
    form.AddSpecialKey(L"Shift", kKeyShift, 0);
    form.AddSpecialKey(L"Backspace", kKeyBackspace, 0);
    form.AddSpecialKey(L"Clear", kKeyClear, 0);
  }

  std::wstring Value() const {
    const TSecretText& value = form.FindInput("Pass")->Value();
    return {value.begin(), value.end()};
  }

  TVisualConfiguration config;
  TFakeLayouts layouts;
  TRequestPasswordForm form;
};

wchar_t Lower(wchar_t c) {
  ::CharLowerBuffW(&c, 1);
  return c;
}

struct TKeyFinder {
  HWND form;

  HWND Button(const std::wstring& caption) const {
    return wintest::FindControl(form, L"Button", caption);
  }
  // The key that enters `letter` in either case.
  TKeyButton* Letter(wchar_t letter) const {
    for (TKeyButton* key : KeysBelow(form)) {
      const std::wstring text = key->Properties().realText;
      if (text.size() == 1 && Lower(text[0]) == Lower(letter)) return key;
    }
    return nullptr;
  }
  void Press(const std::wstring& name) const {
    const TKeyButton* letter = name.size() == 1 ? Letter(name[0]) : nullptr;
    const HWND key = letter ? letter->Window() : Button(name);
    ASSERT_NE(key, nullptr) << name.size();
    wintest::PostClick(key);
    PumpMessages();
  }
};

TEST(RequestForm, ShiftHoldsForOneKeyAndCapsLockUntilPressedAgain) {
  struct Case {
    std::vector<std::wstring> presses;
    std::wstring value;
    bool capitals;  // how the letter keys read afterwards
  };
  const Case cases[] = {
      {{L"q", L"w"}, L"qw", false},
      {{L"Shift", L"q", L"q"}, L"Qq", false},
      {{L"Shift"}, L"", true},
      {{L"Shift", L"Shift", L"q"}, L"q", false},
      {{L"CapsLock", L"q", L"w"}, L"QW", true},
      {{L"CapsLock", L"Shift", L"q", L"e"}, L"qE", true},
      {{L"CapsLock", L"q", L"CapsLock", L"q"}, L"Qq", false},
      {{L"Shift", L"CapsLock", L"q"}, L"Q", true},
      {{L"Shift", L"Backspace", L"q"}, L"q", false},
      {{L"q", L"w", L"Backspace", L"e"}, L"qe", false},
      {{L"q", L"Clear", L"w"}, L"w", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.value));
    TPinForm pin;
    const bool confirmed = WhileShown(
        [&](HWND form) {
          const TKeyFinder keys{form};
          for (const std::wstring& press : c.presses) keys.Press(press);
          for (const wchar_t letter : {L'q', L'm'}) {
            const TKeyButton* key = keys.Letter(letter);
            ASSERT_NE(key, nullptr);
            EXPECT_EQ(key->PaintedText(),
                      std::wstring(1, c.capitals ? letter - L'a' + L'A' : letter));
          }
          wintest::PostText(wintest::FindControl(form, L"Edit"), L"\r");
        },
        [&] { return pin.form.Show(); });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(pin.Value(), c.value);
    EXPECT_EQ(pin.form.Window(), nullptr);
  }
}

TEST(RequestForm, BackspaceRepeatsWhileHeld) {
  TPinForm pin;
  WhileShown(
      [&](HWND form) {
        const HWND edit = wintest::FindControl(form, L"Edit");
        EXPECT_TRUE(HoldUntil(
            wintest::FindControl(form, L"Button", L"Backspace"),
            [&] { pin.form.SetInputValue("Pass", L"12345678"); },
            [&] { return wintest::ControlText(edit).size() <= 5; }));
        wintest::PostText(edit, L"\r");
      },
      [&] { return pin.form.Show(); });
  EXPECT_LE(pin.Value().size(), 5u);
  EXPECT_EQ(pin.Value(), std::wstring(L"12345678").substr(0, pin.Value().size()));
}

// The user changes the input language while typing in the field: "abc" follows.
TEST(RequestForm, LettersFollowTheLanguageChangedInTheField) {
  TVisualConfiguration config = DefaultVisualConfiguration();
  TFakeLayouts layouts({TFakeLayouts::English(), TFakeLayouts::Russian()}, kEnglish);
  TRequestPasswordForm form(config, layouts);
  form.DefineInput("Pass", true, L"");
  form.SetRandomStartPage(false);
  WhileShown(
      [&](HWND shown) {
        const auto topRow = [&] {
          return PaintedRows(::GetParent(VisibleKeys(shown).front())).front();
        };
        EXPECT_EQ(topRow(), L"qwertyuiop");
        ::SendMessageW(wintest::FindControl(shown, L"Edit"), WM_INPUTLANGCHANGE, 0,
                       reinterpret_cast<LPARAM>(kRussian));
        EXPECT_EQ(topRow(), L"ёйцукенгшщзхъ");
        EXPECT_EQ(wintest::ControlText(wintest::FindControl(shown, L"ComboBox")), L"Русский");
      },
      [&] { return form.Show(); });
}

// Whatever reaches the edit, the value changes only through the form, and the edit keeps
// showing exactly one decoy per character of it.
TEST(RequestForm, EverythingThatReachesTheEditGoesThroughTheForm) {
  struct Case {
    const char* what;
    DWORD from, to;  // the selection
    UINT message;
    WPARAM wParam;
    const wchar_t* text;
    bool shift;
    std::wstring expected;
  };
  const Case cases[] = {
      {"a character", 2, 2, WM_CHAR, L'x', nullptr, false, L"12x34"},
      {"a character over a selection", 1, 3, WM_CHAR, L'x', nullptr, false, L"1x4"},
      {"Backspace", 2, 2, WM_CHAR, L'\b', nullptr, false, L"134"},
      {"Backspace at the start", 0, 0, WM_CHAR, L'\b', nullptr, false, L"1234"},
      {"Ctrl+Backspace", 2, 2, WM_CHAR, 0x7F, nullptr, false, L"1234"},
      {"Ctrl+A", 2, 2, WM_CHAR, 1, nullptr, false, L"1234"},
      {"Delete", 2, 2, WM_KEYDOWN, VK_DELETE, nullptr, false, L"124"},
      {"Shift+Delete cuts nothing from a masked field", 1, 3, WM_KEYDOWN, VK_DELETE, nullptr, true,
       L"1234"},
      {"the edit's Delete command", 1, 3, WM_CLEAR, 0, nullptr, false, L"14"},
      {"undo", 2, 2, WM_UNDO, 0, nullptr, false, L"1234"},
      {"text put in by another program", 4, 4, EM_REPLACESEL, 0, L"56", false, L"123456"},
  };
  TPinForm pin;
  WhileShown(
      [&](HWND form) {
        const HWND edit = wintest::FindControl(form, L"Edit");
        ASSERT_NE(edit, nullptr);
        for (const Case& c : cases) {
          SCOPED_TRACE(c.what);
          pin.form.SetInputValue("pass", L"1234");
          ::SendMessageW(edit, EM_SETSEL, c.from, static_cast<LPARAM>(c.to));
          BYTE keys[256];
          ::GetKeyboardState(keys);
          BYTE shifted[256];
          std::copy(std::begin(keys), std::end(keys), std::begin(shifted));
          if (c.shift) shifted[VK_SHIFT] = 0x80;
          ::SetKeyboardState(shifted);
          ::SendMessageW(edit, c.message, c.wParam, reinterpret_cast<LPARAM>(c.text));
          ::SetKeyboardState(keys);
          EXPECT_EQ(pin.Value(), c.expected);
          const std::wstring shown = wintest::ControlText(edit);
          ASSERT_EQ(shown.size(), c.expected.size());
          for (size_t i = 0; i < shown.size(); ++i) EXPECT_NE(shown[i], c.expected[i]) << i;
        }
      },
      [&] { return pin.form.Show(); });
}

// In every style and placement of the special keys, the form stands in the middle of the
// screen, and every control lies inside the window, clear of its neighbours.
TEST(RequestForm, LaysOutItsControlsWithoutOverlap) {
  for (const int32_t style : {0, 1}) {
    for (const int32_t mode : {1, 2, 3}) {
      SCOPED_TRACE("style " + std::to_string(style) + ", mode " + std::to_string(mode));
      TVisualConfiguration config = DefaultVisualConfiguration(style);
      config.buttonLayoutMode = mode;
      TPinForm pin(config);
      pin.form.SetInformation(L"You may use system keyboard, but it is not recommended...");
      WhileShown(
          [&](HWND form) {
            RECT window;
            ::GetWindowRect(form, &window);
            const auto centred = [](int screen, LONG size) {
              return std::lround((screen - size) / 2.0);
            };
            EXPECT_EQ(window.left,
                      centred(::GetSystemMetrics(SM_CXSCREEN), window.right - window.left));
            EXPECT_EQ(window.top,
                      centred(::GetSystemMetrics(SM_CYSCREEN), window.bottom - window.top));
            EXPECT_EQ((::GetWindowLongW(form, GWL_STYLE) & WS_CAPTION) != 0, style == 0);
            EXPECT_NE(wintest::FindControl(form, L"Button", L"CapsLock"), nullptr);
            EXPECT_NE(wintest::FindControl(form, L"ComboBox"), nullptr);

            // What the form places itself: the controls on the body and beside it.
            RECT client;
            ::GetClientRect(form, &client);
            ::MapWindowPoints(form, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
            std::vector<HWND> placed;
            for (const HWND parent : {::GetParent(wintest::FindControl(form, L"Edit")),
                                      ::GetParent(wintest::FindControl(form, L"Button", L"Ok"))})
              for (HWND child = ::GetWindow(parent, GW_CHILD); child;
                   child = ::GetWindow(child, GW_HWNDNEXT))
                if (::IsWindowVisible(child)) placed.push_back(child);
            EXPECT_GE(placed.size(), 10u);
            for (HWND a : placed) {
              RECT ra;
              ::GetWindowRect(a, &ra);
              RECT outside;
              ::SubtractRect(&outside, &ra, &client);
              EXPECT_TRUE(::IsRectEmpty(&outside))
                  << testing::PrintToString(wintest::ControlText(a));
              for (HWND b : placed) {
                RECT rb;
                RECT both;
                ::GetWindowRect(b, &rb);
                if (a < b && ::GetParent(a) == ::GetParent(b)) {
                  EXPECT_FALSE(::IntersectRect(&both, &ra, &rb))
                      << testing::PrintToString(wintest::ControlText(a)) << " "
                      << testing::PrintToString(wintest::ControlText(b));
                }
              }
            }
            if (mode == 1) ScreenshotOnceShown(form, "orvavk_form_style_" + std::to_string(style));
          },
          [&] { return pin.form.Show(); });
    }
  }
}

}  // namespace
}  // namespace orvavk
