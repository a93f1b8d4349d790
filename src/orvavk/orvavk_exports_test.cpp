// orvavk.dll through its exports, loaded and bound by name as a host does.
#include <gtest/gtest.h>

#include <set>

#include "form_testing.h"
#include "libload.h"
#include "orvavk_api.h"
#include "orvavkcfg.h"
#include "orvavkcnst.h"
#include "winhandles.h"

namespace orvavk {
namespace {

using namespace test;

// Each test loads the library afresh and unloads it at its end, so no form outlives the test.
class OrvaVK : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_) << wintest::HostPath(KIT_ORVAVK_DLL);
    for (const bool bound : {!!NewForm, !!Show, !!Close, !!SetParamData, !!GetParamData,
                             !!SetInputValue, !!GetInputValue})
      ASSERT_TRUE(bound);
  }

  // A string parameter read in the two calls a host makes.
  std::wstring Text(OrvaVKForm form, int32_t id, const wchar_t* name = nullptr) {
    int32_t size = -1;
    EXPECT_EQ(GetParamData(form, id, name, nullptr, &size), VK_OK);
    if (size < 2 || size % 2) return L"<size " + std::to_wstring(size) + L">";
    std::wstring text(static_cast<size_t>(size / 2), L'#');
    EXPECT_EQ(GetParamData(form, id, name, text.data(), nullptr), VK_OK);
    EXPECT_EQ(text.back(), L'\0');
    text.pop_back();
    return text;
  }

  int32_t Number(OrvaVKForm form, int32_t id, const wchar_t* name = nullptr) {
    int32_t value = -12345;
    EXPECT_EQ(GetParamData(form, id, name, nullptr, &value), VK_OK);
    return value;
  }

  std::wstring Value(OrvaVKForm form, const char* name) {
    int32_t length = -1;
    EXPECT_EQ(GetInputValue(form, name, nullptr, &length), VK_OK);
    std::wstring value(static_cast<size_t>(std::max(length, 0)), L'#');
    EXPECT_EQ(GetInputValue(form, name, value.data(), &length), VK_OK);
    return value;
  }

  // A form with one masked field, "Pass".
  OrvaVKForm PinForm(int32_t maxLength = 0) {
    const OrvaVKForm form = NewForm();
    EXPECT_EQ(SetParamData(form, VKP_INPUT, 1, L"Pass", L"PIN"), VK_OK);
    if (maxLength > 0) {
      EXPECT_EQ(SetParamData(form, VKP_MAX_LENGTH, maxLength, L"Pass", nullptr), VK_OK);
    }
    EXPECT_EQ(SetParamData(form, VKP_CAPTION, 0, nullptr, L"Password"), VK_OK);
    return form;
  }

  int32_t ShowWhile(OrvaVKForm form, std::function<void(HWND)> script) {
    return WhileShown(std::move(script), [&] { return Show(form); });
  }

  kit::UniqueModule module_{::LoadLibraryA(wintest::HostPath(KIT_ORVAVK_DLL).c_str())};
#define ORVAVK_BIND(name) \
  decltype(&::name) name = kit::ProcAddress<decltype(&::name)>(module_.Get(), #name);
  ORVAVK_BIND(NewForm)
  ORVAVK_BIND(Show)
  ORVAVK_BIND(Close)
  ORVAVK_BIND(SetParamData)
  ORVAVK_BIND(GetParamData)
  ORVAVK_BIND(SetInputValue)
  ORVAVK_BIND(GetInputValue)
#undef ORVAVK_BIND
};

TEST_F(OrvaVK, NewFormsStartWithTheDefaults) {
  const OrvaVKForm form = NewForm();
  const OrvaVKForm other = NewForm();
  EXPECT_NE(form, 0);
  EXPECT_NE(other, form);
  const std::pair<int32_t, std::wstring> texts[] = {{VKP_CAPTION, L""},
                                                    {VKP_INFO_TEXT, L"Информационная метка"},
                                                    {VKP_OK_TEXT, L"Ok"},
                                                    {VKP_CANCEL_TEXT, L"Cancel"}};
  for (const auto& [id, text] : texts) {
    int32_t size = 0;
    EXPECT_EQ(GetParamData(form, id, nullptr, nullptr, &size), VK_OK);
    EXPECT_EQ(size, static_cast<int32_t>((text.size() + 1) * 2)) << id;
    EXPECT_EQ(Text(form, id), text) << id;
  }
  EXPECT_EQ(Number(form, VKP_RANDOM_START_PAGE), 1);
  EXPECT_EQ(Number(form, VKP_RANDOM_LAYOUT), 0);
  EXPECT_EQ(SetParamData(form, VKP_RANDOM_START_PAGE, 0, nullptr, nullptr), VK_OK);
  EXPECT_EQ(SetParamData(form, VKP_RANDOM_LAYOUT, 1, nullptr, nullptr), VK_OK);
  EXPECT_EQ(Number(form, VKP_RANDOM_START_PAGE), 0);
  EXPECT_EQ(Number(form, VKP_RANDOM_LAYOUT), 1);
  // Nowhere to put the answer.
  EXPECT_EQ(GetParamData(form, VKP_CAPTION, nullptr, nullptr, nullptr), VK_ERR_BAD_PARAM);
  EXPECT_EQ(GetParamData(form, VKP_RANDOM_LAYOUT, nullptr, nullptr, nullptr), VK_ERR_BAD_PARAM);
  EXPECT_EQ(GetInputValue(form, "Pass", nullptr, nullptr), VK_ERR_BAD_PARAM);
}

TEST_F(OrvaVK, RefusesUnknownFormsAndParameters) {
  const OrvaVKForm form = NewForm();
  int32_t out = -1;
  for (const int32_t id : {0, 100, 102, 103, 104, 110, 113, 200, 201, 999})
    EXPECT_EQ(GetParamData(form, id, L"Pass", nullptr, &out), VK_ERR_NO_FORM) << id;
  for (const int32_t id : {0, 102, 103, 104, 113, 200, 999})
    EXPECT_EQ(SetParamData(form, id, 1, L"Pass", L"x"), VK_ERR_BAD_PARAM) << id;
  EXPECT_EQ(SetParamData(form, VKP_MAX_LENGTH, 4, L"Pass", nullptr), VK_ERR_NO_INPUT);
  int32_t length = -1;
  EXPECT_EQ(GetParamData(form, VKP_MAX_LENGTH, L"Pass", nullptr, &length), VK_ERR_NO_INPUT);

  // A handle that names no form: writes reach the default form, everything else fails.
  const OrvaVKForm closed = NewForm();
  Close(closed);
  for (const OrvaVKForm stranger : {closed, form + 1000}) {
    SCOPED_TRACE(stranger);
    EXPECT_EQ(SetParamData(stranger, VKP_CAPTION, 0, nullptr, L"Reached"), VK_OK);
    EXPECT_EQ(Text(0, VKP_CAPTION), L"Reached");
    EXPECT_EQ(GetParamData(stranger, VKP_CAPTION, nullptr, nullptr, &length), VK_ERR_NO_FORM);
    EXPECT_EQ(SetInputValue(stranger, "Pass", L"1"), VK_ERR_NO_FORM);
    EXPECT_EQ(GetInputValue(stranger, "Pass", nullptr, &length), VK_ERR_NO_FORM);
    EXPECT_EQ(Show(stranger), VK_ERR_NO_FORM);
    Close(stranger);
    EXPECT_EQ(Text(0, VKP_CAPTION), L"Reached");
  }
}

TEST_F(OrvaVK, FindsFieldsByNameWithoutRegardToCase) {
  const OrvaVKForm form = PinForm();
  EXPECT_EQ(Number(form, VKP_MAX_LENGTH, L"PASS"), 255);
  EXPECT_EQ(SetInputValue(form, "pASS", L"1234"), VK_OK);
  EXPECT_EQ(Value(form, "pass"), L"1234");
  EXPECT_EQ(Text(form, VKP_INPUT_VALUE, L"PaSs"), L"1234");
  EXPECT_EQ(SetParamData(form, VKP_MAX_LENGTH, 4, L"pass", nullptr), VK_OK);
  // Defining it again changes its label and masking, never its value or maximum length.
  EXPECT_EQ(SetParamData(form, VKP_INPUT, 0, L"PASS", L"Code"), VK_OK);
  EXPECT_EQ(Value(form, "Pass"), L"1234");
  EXPECT_EQ(Number(form, VKP_MAX_LENGTH, L"Pass"), 4);
  // Cyrillic names compare through the ANSI code page's upper case.
  EXPECT_EQ(SetParamData(form, VKP_INPUT, 1, L"Пароль", L""), VK_OK);
  EXPECT_EQ(SetParamData(form, VKP_INPUT_VALUE, 0, L"пАРОЛЬ", L"ёж"), VK_OK);
  EXPECT_EQ(Value(form, "ПАРОЛЬ"), L"ёж");

  // Unknown fields: writes change nothing, reads are empty and leave the buffer alone.
  EXPECT_EQ(SetParamData(form, VKP_INPUT_VALUE, 0, L"Other", L"x"), VK_OK);
  EXPECT_EQ(SetInputValue(form, "Other", L"x"), VK_OK);
  wchar_t buffer[] = L"untouched";
  int32_t length = -1;
  EXPECT_EQ(GetInputValue(form, "Other", buffer, &length), VK_OK);
  EXPECT_EQ(length, 0);
  EXPECT_STREQ(buffer, L"untouched");
  EXPECT_EQ(Text(form, VKP_INPUT_VALUE, L"Other"), L"");

  // Shown again, the field is the one defined last: unmasked, labelled "Code".
  ShowWhile(form, [&](HWND shown) {
    const HWND edit = wintest::FindControl(shown, L"Edit");
    EXPECT_EQ(::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD, 0);
    EXPECT_EQ(wintest::ControlText(edit), L"1234");
    EXPECT_NE(wintest::FindControl(shown, L"Static", L"Code"), nullptr);
    // Caption and information text change on the screen at once.
    EXPECT_EQ(SetParamData(form, VKP_CAPTION, 0, nullptr, L"Retitled"), VK_OK);
    EXPECT_EQ(wintest::ControlText(shown), L"Retitled");
    EXPECT_EQ(SetParamData(form, VKP_INFO_TEXT, 0, nullptr, L"Told at once"), VK_OK);
    EXPECT_NE(wintest::FindControl(shown, L"Static", L"Told at once"), nullptr);
  });
}

TEST_F(OrvaVK, TheDefaultFormStartsAfreshAfterItWasShown) {
  ASSERT_EQ(SetParamData(0, VKP_INPUT, 1, L"Pass", L"PIN"), VK_OK);
  ASSERT_EQ(SetParamData(0, VKP_CAPTION, 0, nullptr, L"First"), VK_OK);
  ASSERT_EQ(SetInputValue(0, "Pass", L"12"), VK_OK);
  kit::UniqueWindow owner(::CreateWindowExW(0, L"STATIC", L"Owner", WS_POPUP, 0, 0, 50, 50, nullptr,
                                            nullptr, nullptr, nullptr));
  ASSERT_EQ(
      SetParamData(0, VKP_OWNER_WINDOW,
                   static_cast<int32_t>(reinterpret_cast<intptr_t>(owner.Get())), nullptr, nullptr),
      VK_OK);
  EXPECT_EQ(ShowWhile(0, [&](HWND form) { EXPECT_EQ(wintest::ControlText(form), L"First"); }),
            VK_CANCELLED);
  // Until the next parameter, what was set is still there to read.
  EXPECT_EQ(Text(0, VKP_CAPTION), L"First");
  EXPECT_EQ(Value(0, "Pass"), L"12");

  EXPECT_EQ(SetParamData(0, VKP_INFO_TEXT, 0, nullptr, L"Second"), VK_OK);
  EXPECT_EQ(Text(0, VKP_CAPTION), L"");
  EXPECT_EQ(Text(0, VKP_INFO_TEXT), L"Second");
  EXPECT_EQ(Value(0, "Pass"), L"");
  int32_t maxLength = -1;
  EXPECT_EQ(GetParamData(0, VKP_MAX_LENGTH, L"Pass", nullptr, &maxLength), VK_ERR_NO_INPUT);
  // The owner window stays.
  ShowWhile(0, [&](HWND) { EXPECT_FALSE(::IsWindowEnabled(owner.Get())); });
  EXPECT_TRUE(::IsWindowEnabled(owner.Get()));
  // Shown again as it is, it is changed on the screen, not started afresh.
  ShowWhile(0, [&](HWND shown) {
    EXPECT_EQ(SetParamData(0, VKP_CAPTION, 0, nullptr, L"Live"), VK_OK);
    EXPECT_TRUE(::IsWindowVisible(shown));
    EXPECT_EQ(wintest::ControlText(shown), L"Live");
    EXPECT_EQ(Text(0, VKP_INFO_TEXT), L"Second");
  });
}

TEST_F(OrvaVK, ShowEndsAsTheUserEndsTheForm) {
  const auto ok = [](HWND form) { return wintest::FindControl(form, L"Button", L"Ok"); };
  const auto cancel = [](HWND form) { return wintest::FindControl(form, L"Button", L"Cancel"); };
  const auto edit = [](HWND form) { return wintest::FindControl(form, L"Edit"); };
  const struct {
    const char* what;
    std::function<void(HWND)> end;
    int32_t result;
  } cases[] = {
      {"OK", [&](HWND form) { wintest::PostClick(ok(form)); }, VK_OK},
      {"Cancel", [&](HWND form) { wintest::PostClick(cancel(form)); }, VK_CANCELLED},
      {"Enter in the field", [&](HWND form) { wintest::PostKey(edit(form), VK_RETURN); }, VK_OK},
      {"Escape in the field", [&](HWND form) { wintest::PostKey(edit(form), VK_ESCAPE); },
       VK_CANCELLED},
      {"Enter on OK", [&](HWND form) { wintest::PostKey(ok(form), VK_RETURN); }, VK_OK},
      {"Enter on Cancel", [&](HWND form) { wintest::PostKey(cancel(form), VK_RETURN); },
       VK_CANCELLED},
      {"Escape on OK", [&](HWND form) { wintest::PostKey(ok(form), VK_ESCAPE); }, VK_CANCELLED},
      {"the window closed", [&](HWND form) { ::PostMessageW(form, WM_CLOSE, 0, 0); }, VK_CANCELLED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const OrvaVKForm form = PinForm();
    HWND window = nullptr;
    const int32_t result = ShowWhile(form, [&](HWND shown) {
      ASSERT_NE(window = shown, nullptr);
      wintest::PostText(edit(shown), L"42");
      PumpMessages();
      c.end(shown);
    });
    EXPECT_EQ(result, c.result);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(Value(form, "Pass"), L"42");
  }
}

// A host may close the form from its own window procedure while the form is on the screen: the
// form ends unconfirmed, and its handle is gone once Show has returned.
TEST_F(OrvaVK, AFormClosedWhileShownEndsUnconfirmed) {
  const OrvaVKForm form = PinForm();
  const int32_t result = ShowWhile(form, [&](HWND shown) {
    wintest::PostText(wintest::FindControl(shown, L"Edit"), L"42");
    PumpMessages();
    EXPECT_EQ(Show(form), VK_ERR_FAILED);
    Close(form);
    EXPECT_FALSE(::IsWindow(shown));
  });
  EXPECT_EQ(result, VK_CANCELLED);
  int32_t length = -1;
  EXPECT_EQ(GetInputValue(form, "Pass", nullptr, &length), VK_ERR_NO_FORM);
  EXPECT_EQ(Show(form), VK_ERR_NO_FORM);
}

// A program that ends while the form is open: the form ends unconfirmed and the program's own
// loop still gets its quit message.
TEST_F(OrvaVK, AQuitMessageEndsTheFormAndIsPassedOn) {
  const OrvaVKForm form = PinForm();
  EXPECT_EQ(ShowWhile(form, [](HWND) { ::PostQuitMessage(7); }), VK_CANCELLED);
  MSG message;
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

HWND Popup(HWND owner) {
  return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, owner, nullptr, nullptr,
                           nullptr);
}

// The owner and its own owners are disabled while the form is shown, up to the first window
// that is disabled already, and enabled again afterwards; without an owner the form is topmost.
TEST_F(OrvaVK, DisablesTheOwnerChainWhileShown) {
  kit::UniqueWindow top(Popup(nullptr));
  kit::UniqueWindow middle(Popup(top.Get()));
  kit::UniqueWindow bottom(Popup(middle.Get()));
  const struct {
    const char* what;
    HWND owner;
    bool middleDisabled;                  // before the form is shown
    std::vector<bool> enabledWhileShown;  // top, middle, bottom
  } cases[] = {
      {"the whole chain", bottom.Get(), false, {false, false, false}},
      {"up to a disabled window", bottom.Get(), true, {true, false, false}},
      {"no owner", nullptr, false, {true, true, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::EnableWindow(middle.Get(), !c.middleDisabled);
    const OrvaVKForm form = PinForm();
    SetParamData(form, VKP_OWNER_WINDOW, static_cast<int32_t>(reinterpret_cast<intptr_t>(c.owner)),
                 nullptr, nullptr);
    const auto enabled = [&] {
      return std::vector<bool>{!!::IsWindowEnabled(top.Get()), !!::IsWindowEnabled(middle.Get()),
                               !!::IsWindowEnabled(bottom.Get())};
    };
    ShowWhile(form, [&](HWND shown) {
      EXPECT_EQ(enabled(), c.enabledWhileShown);
      EXPECT_EQ((::GetWindowLongW(shown, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, c.owner == nullptr);
      EXPECT_EQ(::GetWindow(shown, GW_OWNER), c.owner);
    });
    EXPECT_EQ(enabled(), (std::vector<bool>{true, !c.middleDisabled, true}));
    Close(form);
  }
}

TEST_F(OrvaVK, OpensOnARandomPageUnlessToldNotTo) {
  for (const int32_t random : {1, 0}) {
    SCOPED_TRACE(random);
    const OrvaVKForm form = PinForm();
    EXPECT_EQ(SetParamData(form, VKP_RANDOM_START_PAGE, random, nullptr, nullptr), VK_OK);
    std::set<LRESULT> pages;
    LRESULT tabs = 0;
    // Twelve shows all on one of three pages by chance: about once in 180000 runs.
    for (int show = 0; show < (random ? 12 : 4); ++show)
      ShowWhile(form, [&](HWND shown) {
        tabs = ::SendMessageW(TabsOf(shown), TCM_GETITEMCOUNT, 0, 0);
        pages.insert(::SendMessageW(TabsOf(shown), TCM_GETCURSEL, 0, 0));
      });
    EXPECT_EQ(tabs, 3);  // "abc", "Numbers", "Symbols"
    if (random) {
      EXPECT_GT(pages.size(), 1u);
    } else {
      EXPECT_EQ(pages, std::set<LRESULT>{0});
    }
  }
}

TEST_F(OrvaVK, TheAppearanceHandedOverReachesEveryForm) {
  TVisualConfiguration config = DefaultVisualConfiguration(1);
  config.tabStyle = kSelfDrawnTabs;
  config.formWidth = 0;
  EXPECT_EQ(
      SetParamData(0, VKP_VISUAL_CONFIG, 0, nullptr, reinterpret_cast<const wchar_t*>(&config)),
      VK_OK);
  EXPECT_EQ(SetParamData(0, VKP_VISUAL_CONFIG, 0, nullptr, nullptr), VK_OK);
  const OrvaVKForm form = PinForm();
  ShowWhile(form, [&](HWND shown) {
    EXPECT_EQ(::GetWindowLongW(shown, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(wintest::FindControl(shown, L"SATabs"), nullptr);
    // Sized to its content: the widest letter row and a scroller-free page.
    RECT client;
    ::GetClientRect(shown, &client);
    EXPECT_GT(client.right, 400);
    EXPECT_EQ(wintest::FindControl(shown, L"Button", L">"), nullptr);
    ScreenshotOnceShown(shown, "orvavk_form_style_1_sized_to_content");
  });
}

// Anything inside the process can read every window's text: while a PIN is typed, on the
// screen's keys and on the physical keyboard, none shows the PIN, nor any of its characters at
// its place.
void ExpectNoWindowShows(const std::wstring& typed, HWND edit) {
  for (const auto& [window, text] : ProcessWindowTexts()) {
    if (typed.size() >= 3) {
      EXPECT_EQ(text.find(typed), std::wstring::npos) << testing::PrintToString(text);
    }
    if (text.size() < 2 && window != edit) continue;
    for (size_t i = 0; i < std::min(text.size(), typed.size()); ++i)
      EXPECT_NE(text[i], typed[i]) << testing::PrintToString(text);
  }
  const std::wstring shown = wintest::ControlText(edit);
  ASSERT_EQ(shown.size(), typed.size());
  for (const wchar_t decoy : shown) EXPECT_LT(kMaskAlphabet.find(decoy), kDecoyAlphabetSize);
}

void TypeOnKeyboard(wchar_t character) {
  const SHORT key = ::VkKeyScanW(character);
  INPUT strokes[2] = {};
  for (INPUT& stroke : strokes) {
    stroke.type = INPUT_KEYBOARD;
    stroke.ki.wVk = LOBYTE(key);
  }
  strokes[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, strokes, sizeof(INPUT));
}

TEST_F(OrvaVK, NoWindowEverShowsThePin) {
  const OrvaVKForm form = PinForm();
  const std::wstring onScreen = L"7391";
  const std::wstring physical = L"2580";
  const int32_t result = ShowWhile(form, [&](HWND shown) {
    const HWND edit = wintest::FindControl(shown, L"Edit");
    ASSERT_TRUE(SelectPage(shown, L"Numbers"));
    const std::vector<HWND> keys = VisibleKeys(shown);
    ASSERT_EQ(keys.size(), 10u);
    const std::wstring order = L"1234567890";
    std::wstring typed;
    const auto typedOnce = [&](wchar_t c) {
      typed += c;
      ASSERT_TRUE(PumpUntil([&] { return wintest::ControlText(edit).size() == typed.size(); }));
      ExpectNoWindowShows(typed, edit);
    };
    for (const wchar_t c : onScreen) {
      wintest::PostClick(keys[order.find(c)]);
      typedOnce(c);
    }
    ::SetForegroundWindow(shown);
    ::SetFocus(edit);
    for (const wchar_t c : physical) {
      TypeOnKeyboard(c);
      typedOnce(c);
    }

    // Copying and cutting give nothing away, by message or by shortcut; cutting removes nothing.
    SetClipboardText(L"sentinel");
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    for (const UINT message : {WM_COPY, WM_CUT}) ::SendMessageW(edit, message, 0, 0);
    for (const wchar_t shortcut : {L'\x03', L'\x18'}) ::SendMessageW(edit, WM_CHAR, shortcut, 1);
    EXPECT_EQ(ClipboardText(), L"sentinel");
    EXPECT_EQ(wintest::ControlText(edit).size(), typed.size());
    wintest::PostKey(edit, VK_RETURN);
  });
  EXPECT_EQ(result, VK_OK);
  EXPECT_EQ(Value(form, "Pass"), onScreen + physical);
}

TEST_F(OrvaVK, PasteTakesTheFirstLineAndOnlyTheRoomLeft) {
  const struct {
    int32_t maxLength;
    const wchar_t* value;
    const wchar_t* clipboard;
    const wchar_t* expected;
  } cases[] = {
      {4, L"123", L"XYZ", L"123X"},
      {0, L"12", L"ab\r\ncd", L"12ab"},
      {4, L"1234", L"X", L"1234"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.expected)));
    const OrvaVKForm form = PinForm(c.maxLength);
    ASSERT_EQ(SetInputValue(form, "Pass", c.value), VK_OK);
    SetClipboardText(c.clipboard);
    ShowWhile(form, [&](HWND shown) {
      const HWND edit = wintest::FindControl(shown, L"Edit");
      ::SendMessageW(edit, WM_PASTE, 0, 0);
      EXPECT_EQ(wintest::ControlText(edit).size(), std::wstring(c.expected).size());
      wintest::PostKey(edit, VK_RETURN);
    });
    EXPECT_EQ(Value(form, "Pass"), c.expected);
  }
}

}  // namespace
}  // namespace orvavk
