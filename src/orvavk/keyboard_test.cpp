#include "keyboard.h"

#include <gtest/gtest.h>

#include "fake_layouts.h"
#include "window_testing.h"

namespace orvavk {
namespace {

using namespace test;
using Texts = std::vector<std::wstring>;

const Texts kEnglishRows = {L"qwertyuiop", L"asdfghjkl", L"zxcvbnm", L" "};
const Texts kRussianRows = {L"ёйцукенгшщзхъ", L"фывапролджэ", L"ячсмитьбю", L" "};

struct TKeyboardOnScreen {
  explicit TKeyboardOnScreen(int32_t tabStyle, HKL current = kEnglish)
      : layouts({TFakeLayouts::English(), TFakeLayouts::Russian()}, current),
        host(MakeHost(L"Keyboard")) {
    config.tabStyle = tabStyle;
    BuildKeyPages(maps, layouts);
    keyboard = std::make_unique<TKeyboard>(host.Window(), POINT{10, 10}, maps, config,
                                           std::wstring(kLettersTab), layouts);
  }

  // The rows of the language page that is on screen.
  Texts ShownLetters() const {
    for (int i = 0; i < keyboard->Tabs().PageCount(); ++i) {
      const TOrvaVKTabPage& page = *keyboard->Tabs().Page(i);
      if (page.KeyMap() && page.KeyMap()->layout && ::IsWindowVisible(page.OwnPanel()))
        return PaintedRows(page.OwnPanel());
    }
    return {};
  }

  TVisualConfiguration config = DefaultVisualConfiguration();
  TFakeLayouts layouts;
  TKeysMap maps;
  TPanel host;
  std::unique_ptr<TKeyboard> keyboard;
};

class Keyboard : public ::testing::TestWithParam<int32_t> {};

TEST_P(Keyboard, KeysShowDecoysAndPaintTheirCharacters) {
  TKeyboardOnScreen screen(GetParam());
  const TKeyboard& keyboard = *screen.keyboard;
  EXPECT_EQ(TabTexts(keyboard.Tabs().TabWindow()), (Texts{L"abc", L"Numbers", L"Symbols"}));
  EXPECT_EQ(screen.ShownLetters(), kEnglishRows);

  // 27 English and 34 Russian keys (one of them the space bar), 10 digits, 33 symbols.
  ASSERT_EQ(keyboard.CharacterButtons().size(), 104u);
  EXPECT_TRUE(keyboard.FunctionButtons().empty());
  int spaceKeys = 0;
  for (TKeyButton* key : keyboard.CharacterButtons()) {
    const std::wstring caption = wintest::ControlText(key->Window());
    const std::wstring painted = key->PaintedText();
    ASSERT_EQ(caption.size(), 1u);
    EXPECT_LT(kMaskAlphabet.find(caption), kDecoyAlphabetSize) << caption;
    EXPECT_NE(caption, painted);
    EXPECT_EQ(key->Properties().realText, painted);
    EXPECT_FALSE(IsControlCode(key->Properties().keyCode)) << key->Properties().keyCode;
    if (painted == L" ") {
      ++spaceKeys;
      const RECT bounds = BoundsInParent(key->Window());
      EXPECT_EQ(bounds.right - bounds.left, 6 * screen.config.keyWidth);
    }
  }
  EXPECT_EQ(spaceKeys, 2);

  const TOrvaVKTabPage* russian = keyboard.Tabs().FindPage(L"Русский");
  ASSERT_NE(russian, nullptr);
  EXPECT_FALSE(russian->Visible());
  EXPECT_EQ(PaintedRows(russian->OwnPanel()), kRussianRows);
  EXPECT_EQ(PaintedRows(keyboard.Tabs().FindPage(L"Numbers")->OwnPanel()),
            (Texts{L"12345", L"67890"}));
}

TEST_P(Keyboard, LettersFollowTheLanguageWithoutChangingIt) {
  TKeyboardOnScreen screen(GetParam());
  TKeyboard& keyboard = *screen.keyboard;
  const HWND host = screen.host.Window();
  keyboard.WatchLanguageChanges(host);
  const HWND list = keyboard.AddLanguageList(host, {10, 330}, 150);
  TKeyButton& next = keyboard.AddFunctionButton(host, {170, 330, 270, 358}, kKeyLanguage, L"");
  const auto listText = [&] { return wintest::ControlText(list); };
  EXPECT_EQ(listText(), L"English");
  EXPECT_EQ(wintest::ControlText(next.Window()), L"Русский");

  // The user switches the input language while the form is open.
  ::SendMessageW(host, WM_INPUTLANGCHANGE, 0, reinterpret_cast<LPARAM>(kRussian));
  EXPECT_EQ(screen.ShownLetters(), kRussianRows);
  EXPECT_EQ(listText(), L"Русский");
  EXPECT_EQ(next.PaintedText(), L"English");
  Screenshot(host, "orvavk_keyboard_tab_style_" + std::to_string(GetParam()));
  // Wine's default handling of the notice sets the thread's layout to the one it names (where
  // Windows has done so before sending it): from here on, nothing may change it.
  const HKL inputLanguage = ::GetKeyboardLayout(0);

  // The language button moves to the language it names, and keeps "Numbers" selected.
  keyboard.Tabs().Select(1);
  wintest::PostClick(next.Window());
  ASSERT_TRUE(PumpUntil([&] { return listText() == L"English"; }));
  EXPECT_EQ(keyboard.Tabs().SelectedIndex(), 1);
  keyboard.Tabs().Select(0);
  EXPECT_EQ(screen.ShownLetters(), kEnglishRows);
  EXPECT_EQ(wintest::ControlText(next.Window()), L"Русский");

  // So does choosing a language in the list.
  ::SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(L"Русский"));
  ::SendMessageW(host, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(screen.ShownLetters(), kRussianRows);
  EXPECT_EQ(::GetKeyboardLayout(0), inputLanguage);

  // A layout without a page leaves the letters as they are.
  ::SendMessageW(host, WM_INPUTLANGCHANGE, 0, reinterpret_cast<LPARAM>(kRussianSecond));
  EXPECT_EQ(screen.ShownLetters(), kRussianRows);
  EXPECT_EQ(TabTexts(keyboard.Tabs().TabWindow()), (Texts{L"abc", L"Numbers", L"Symbols"}));
}

TEST_P(Keyboard, StartsWithTheFirstLanguageWhenTheCurrentOneHasNoPage) {
  TKeyboardOnScreen screen(GetParam(), kRussianSecond);
  EXPECT_EQ(screen.keyboard->CurrentLanguage(), screen.maps.Find(L"English"));
  EXPECT_EQ(screen.ShownLetters(), kEnglishRows);
}

INSTANTIATE_TEST_SUITE_P(Backends, Keyboard,
                         ::testing::Values(kSystemTabs, kOwnerDrawnSystemTabs, kSelfDrawnTabs));

// One page of digits in a host window, for the tests of single keys.
struct TDigitsOnScreen {
  explicit TDigitsOnScreen(const TVisualConfiguration& configuration)
      : config(configuration), host(MakeHost(L"Keys")) {
    maps.GetOrCreate(kNumbersPage).fixedRows = {L"12345", L"67890"};
    keyboard = std::make_unique<TKeyboard>(host.Window(), POINT{10, 10}, maps, config);
  }

  TVisualConfiguration config;
  TKeysMap maps;
  TPanel host;
  std::unique_ptr<TKeyboard> keyboard;
};

// Read back from the screen: the raised bevel, then the face in the style's colour.
TEST(KeyLook, BevelAndFaceFollowTheStyle) {
  for (int32_t style : {0, 1}) {
    SCOPED_TRACE(style);
    TDigitsOnScreen screen(DefaultVisualConfiguration(style));
    RECT key;
    ::GetWindowRect(screen.keyboard->CharacterButtons().front()->Window(), &key);
    const std::vector<POINT> points = {{key.left, key.top},
                                       {key.right - 1, key.bottom - 1},
                                       {key.left + 3, key.top + 3}};
    const std::vector<COLORREF> expected = {::GetSysColor(COLOR_BTNHIGHLIGHT),
                                            ::GetSysColor(COLOR_BTNSHADOW),
                                            style == 1 ? RGB(0, 0, 255) : ::GetSysColor(COLOR_BTNFACE)};
    std::vector<COLORREF> seen;
    // The window reaches the display some time after it is shown, the more so on a busy machine.
    PumpUntil([&] {
      Screenshot(screen.host.Window(), "orvavk_keys_style_" + std::to_string(style));
      seen.clear();
      for (POINT point : points) seen.push_back(ScreenPixel(point));
      return seen == expected;
    });
    EXPECT_EQ(seen, expected);
  }
}

TEST(KeyLook, ShiftTogglesAndBackspaceRepeatsWhileHeld) {
  TDigitsOnScreen screen(DefaultVisualConfiguration());
  TKeyboard& keyboard = *screen.keyboard;
  std::vector<int32_t> pressed;
  keyboard.OnKey([&](TKeyButton& key) { pressed.push_back(key.Properties().keyCode); });
  TKeyButton& shift = keyboard.AddFunctionButton(screen.host.Window(), {10, 300, 110, 328},
                                                 kKeyShift, L"Shift");
  TKeyButton& backspace = keyboard.AddFunctionButton(screen.host.Window(), {120, 300, 220, 328},
                                                     kKeyBackspace, L"Backspace");
  wintest::PostClick(shift.Window());
  PumpMessages();
  EXPECT_TRUE(shift.Checked());
  wintest::PostClick(keyboard.CharacterButtons().front()->Window());
  wintest::PostClick(shift.Window());
  PumpMessages();
  EXPECT_FALSE(shift.Checked());
  EXPECT_EQ(pressed, (std::vector<int32_t>{kKeyShift, '1', kKeyShift}));

  EXPECT_TRUE(HoldUntil(
      backspace.Window(), [&] { pressed.clear(); }, [&] { return pressed.size() >= 3; }));
  const size_t held = pressed.size();
  ::Sleep(200);
  PumpMessages();
  EXPECT_EQ(pressed.size(), held);
  EXPECT_EQ(pressed, std::vector<int32_t>(held, kKeyBackspace));
}

class Scroller : public ::testing::TestWithParam<int32_t> {};

// The digits page alone, 5 keys of 45 pixels: a panel 225 pixels wide.
TEST_P(Scroller, OnlyAPanelWiderThanItsPageScrolls) {
  TVisualConfiguration config = DefaultVisualConfiguration();
  config.tabStyle = GetParam();
  TKeysMap maps;
  maps.GetOrCreate(kNumbersPage).fixedRows = {L"12345", L"67890"};
  TPanel host = MakeHost(L"Scroller");
  TKeyboard keyboard(host.Window(), {10, 10}, maps, config);
  const HWND panel = ::GetParent(KeysBelow(host.Window()).front()->Window());
  const int frame = (keyboard.Bounds().right - keyboard.Bounds().left) -
                    keyboard.Tabs().PageSize().cx;

  keyboard.Fit(225 + frame);
  EXPECT_EQ(keyboard.Tabs().PageSize().cx, 225);
  EXPECT_TRUE(keyboard.Scrollers().empty());
  EXPECT_EQ(BoundsInParent(panel).left, 0);

  keyboard.Fit(224 + frame);
  ASSERT_EQ(keyboard.Scrollers().size(), 1u);
  const TOrvaVKControlScroller& scroller = *keyboard.Scrollers().front();
  RECT viewport;
  ::GetClientRect(scroller.Viewport(), &viewport);
  // 224 less two 25-pixel buttons and two 5-pixel gaps.
  EXPECT_EQ(viewport.right, 164);
  EXPECT_EQ(::GetParent(panel), scroller.Viewport());
  const auto left = [&] { return BoundsInParent(panel).left; };
  EXPECT_EQ(left(), 0);
  Screenshot(host.Window(), "orvavk_scroller_tab_style_" + std::to_string(GetParam()));

  std::vector<LONG> lefts;
  for (int click = 0; click < 8; ++click) {
    wintest::PostClick(scroller.RightButton().Window());
    PumpMessages();
    lefts.push_back(left());
  }
  // Steps of 10 until the right edges meet: 225 - 164 = 61.
  EXPECT_EQ(lefts, (std::vector<LONG>{-10, -20, -30, -40, -50, -60, -61, -61}));
  wintest::PostClick(scroller.LeftButton().Window());
  PumpMessages();
  EXPECT_EQ(left(), -51);

  // Held down, "<" goes on by itself back to the start.
  const auto from51 = [&] {
    ::SetWindowPos(panel, nullptr, -51, BoundsInParent(panel).top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  };
  EXPECT_TRUE(HoldUntil(scroller.LeftButton().Window(), from51, [&] { return left() == 0; }))
      << left();
  EXPECT_EQ(left(), 0);

  // Fitting wide again gives the panel back to its page, centred.
  keyboard.Fit(300 + frame);
  EXPECT_TRUE(keyboard.Scrollers().empty());
  EXPECT_EQ(BoundsInParent(panel).left, 38);  // 75 / 2, rounded
}

INSTANTIATE_TEST_SUITE_P(Backends, Scroller, ::testing::Values(kSystemTabs, kSelfDrawnTabs));

}  // namespace
}  // namespace orvavk
