// What the tests of request forms share: a script run on the form's own thread while its modal
// loop is running, and the windows of the process read the way any code inside it could read
// them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "formwindow.h"
#include "window_testing.h"
#include "windriver.h"

namespace orvavk::test {

inline BOOL CALLBACK FindShownForm(HWND window, LPARAM found) {
  wchar_t name[64];
  if (::IsWindowVisible(window) && ::GetClassNameW(window, name, 64) &&
      ::lstrcmpW(name, kFormClassName) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// The request form this thread shows, or null.
inline HWND ShownForm() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindShownForm, reinterpret_cast<LPARAM>(&found));
  return found;
}

inline std::function<void(HWND)>& PendingScript() {
  static std::function<void(HWND)> script;
  return script;
}

inline void CALLBACK RunPendingScript(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  auto script = std::move(PendingScript());
  PendingScript() = nullptr;
  if (script) script(ShownForm());
  // What the script posted is handled first (a key's characters come after it in the queue),
  // all but a quit, which is the form's own loop's to see; then a script that stopped early (a
  // failed assertion) must not leave the form open.
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
    ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (const HWND form = ShownForm()) ::PostMessageW(form, WM_CLOSE, 0, 0);
}

// Calls `show`, which shows a form modally on this thread, and runs `script` with the form's
// window once its loop handles messages; whatever form is still open afterwards is closed.
template <class Show>
auto WhileShown(std::function<void(HWND form)> script, Show show) {
  PendingScript() = std::move(script);
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, RunPendingScript);
  auto result = show();
  ::KillTimer(nullptr, timer);
  PendingScript() = nullptr;
  return result;
}

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

inline BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM found) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process != ::GetCurrentProcessId()) return TRUE;
  auto& windows = *reinterpret_cast<std::vector<HWND>*>(found);
  windows.push_back(window);
  ::EnumChildWindows(window, CollectWindow, found);
  return TRUE;
}

// Every window of this process, top-level or child, with its text.
inline std::vector<std::pair<HWND, std::wstring>> ProcessWindowTexts() {
  std::vector<HWND> windows;
  ::EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&windows));
  std::vector<std::pair<HWND, std::wstring>> texts;
  for (HWND window : windows) texts.emplace_back(window, wintest::ControlText(window));
  return texts;
}

// The keyboard's tab window inside `form`: the system tab control or the self-drawn strip.
inline HWND TabsOf(HWND form) {
  const HWND tabs = wintest::FindControl(form, WC_TABCONTROLW);
  return tabs ? tabs : wintest::FindControl(form, L"SATabs");
}

// Clicks the tab of that name as a user would; false when there is none.
inline bool SelectPage(HWND form, const std::wstring& name) {
  const HWND tabs = TabsOf(form);
  const auto texts = TabTexts(tabs);
  const auto at = std::find(texts.begin(), texts.end(), name);
  if (at == texts.end()) return false;
  ClickTab(tabs, static_cast<int>(at - texts.begin()));
  return true;
}

inline BOOL CALLBACK CollectVisibleKey(HWND window, LPARAM found) {
  const std::wstring caption = wintest::ControlText(window);
  wchar_t name[16];
  // Keys carry one decoy character, which is never an arrow of a scroller.
  if (::IsWindowVisible(window) && ::GetClassNameW(window, name, 16) &&
      ::lstrcmpiW(name, L"Button") == 0 && caption.size() == 1 && caption != L"<" &&
      caption != L">")
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

// The keys of the page on the screen, as a user reads them: row by row, left to right.
inline std::vector<HWND> VisibleKeys(HWND form) {
  std::vector<HWND> keys;
  ::EnumChildWindows(form, CollectVisibleKey, reinterpret_cast<LPARAM>(&keys));
  const auto place = [](HWND key) {
    RECT bounds;
    ::GetWindowRect(key, &bounds);
    return std::make_pair(bounds.top, bounds.left);
  };
  std::sort(keys.begin(), keys.end(), [&](HWND a, HWND b) { return place(a) < place(b); });
  return keys;
}

// Types `digits` on the keyboard's number page as a user would: a click on each key.
inline void ClickDigits(HWND form, const std::wstring& digits) {
  ASSERT_TRUE(SelectPage(form, L"Numbers"));
  const std::vector<HWND> keys = VisibleKeys(form);
  ASSERT_EQ(keys.size(), 10u);
  for (const wchar_t digit : digits) {
    const size_t at = std::wstring(L"1234567890").find(digit);
    ASSERT_NE(at, std::wstring::npos) << "not a digit";
    wintest::PostClick(keys[at]);
    PumpMessages();
  }
}

// Saves the screen once what `form` painted has reached it: the window's own pixels and the
// screen's agree at the corners and the middle of its client area.
inline std::string ScreenshotOnceShown(HWND form, const std::string& name) {
  RECT client;
  ::GetClientRect(form, &client);
  const std::vector<POINT> points = {
      {2, 2}, {client.right - 3, client.bottom - 3}, {client.right / 2, client.bottom / 2}};
  PumpUntil([&] {
    ::RedrawWindow(form, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const HDC own = ::GetDC(form);
    bool same = true;
    for (POINT point : points) {
      POINT onScreen = point;
      ::ClientToScreen(form, &onScreen);
      same = same && ::GetPixel(own, point.x, point.y) == ScreenPixel(onScreen);
    }
    ::ReleaseDC(form, own);
    return same;
  });
  return wintest::SaveScreenshot(name);
}

inline void SetClipboardText(const std::wstring& text) {
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
  ::GlobalUnlock(memory);
  ::SetClipboardData(CF_UNICODETEXT, memory);
  ::CloseClipboard();
}

inline std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return L"<clipboard unavailable>";
  if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(::GlobalLock(data));
    ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  return text;
}

}  // namespace orvavk::test
