// What the window tests of the keyboard share: a host window on the test thread, a way to let
// it process what the test posted, and readers for tabs and keys as a user would see them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "keybutton.h"
#include "panel.h"
#include "windriver.h"

namespace orvavk::test {

// Processes every message waiting for this thread's windows.
inline void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// Pumps until `done` holds or five seconds pass; false on time-out.
template <class Predicate>
bool PumpUntil(Predicate done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (PumpMessages(); !done(); PumpMessages()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Saves the screen once `window` and everything in it is painted, for a person to look at.
inline std::string Screenshot(HWND window, const std::string& name) {
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
  return wintest::SaveScreenshot(name);
}

inline COLORREF ScreenPixel(POINT at) {
  kit::UniqueScreenDc screen(::GetDC(nullptr));
  return ::GetPixel(screen.Get(), at.x, at.y);
}

// A visible top-level panel for the controls under test. Its window reaches the X display a
// little after it is shown: only from then on does painting land on the screen.
inline TPanel MakeHost(const wchar_t* caption, int width = 760, int height = 420) {
  TPanel host(nullptr, {40, 40, 40 + width, 40 + height}, SystemColour(COLOR_BTNFACE), kBevelNone,
              WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ::SetWindowTextW(host.Window(), caption);
  POINT centre{width / 2, height / 2};
  ::ClientToScreen(host.Window(), &centre);
  PumpUntil([&] {
    ::RedrawWindow(host.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return ScreenPixel(centre) == ::GetSysColor(COLOR_BTNFACE);
  });
  return host;
}

// Holds the left mouse button down on `button`, the pointer over it as a user's would be,
// until `done` holds, starting with `begin`. Another program taking the focus takes the press
// away from the button (it lets go of the mouse when it loses the focus); such a hold starts
// over. False when no hold got there in five tries.
template <class Begin, class Done>
bool HoldUntil(HWND button, Begin begin, Done done) {
  RECT bounds;
  ::GetWindowRect(button, &bounds);
  const LPARAM centre =
      MAKELPARAM((bounds.right - bounds.left) / 2, (bounds.bottom - bounds.top) / 2);
  for (int attempt = 0; attempt < 5; ++attempt) {
    begin();
    ::SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PumpMessages();
    PumpUntil([&] { return done() || ::GetCapture() != button; });
    const bool reached = done();
    ::PostMessageW(button, WM_LBUTTONUP, 0, centre);
    PumpMessages();
    if (reached) return true;
  }
  return false;
}

// The tab texts a tab window shows, read the way any program reads a system tab control.
inline std::vector<std::wstring> TabTexts(HWND tabs) {
  std::vector<std::wstring> texts;
  const auto count = ::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    ::SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    texts.emplace_back(text);
  }
  return texts;
}

inline RECT TabRect(HWND tabs, int index) {
  RECT rect{};
  ::SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return rect;
}

inline void ClickTab(HWND tabs, int index) {
  const RECT rect = TabRect(tabs, index);
  wintest::PostClick(tabs, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  PumpMessages();
}

inline BOOL CALLBACK CollectKey(HWND child, LPARAM found) {
  if (TKeyButton* key = TKeyButton::FromWindow(child))
    reinterpret_cast<std::vector<TKeyButton*>*>(found)->push_back(key);
  return TRUE;
}

inline std::vector<TKeyButton*> KeysBelow(HWND window) {
  std::vector<TKeyButton*> keys;
  ::EnumChildWindows(window, CollectKey, reinterpret_cast<LPARAM>(&keys));
  return keys;
}

// The rows of keys below `window` as they are painted, top to bottom and left to right.
inline std::vector<std::wstring> PaintedRows(HWND window) {
  std::map<LONG, std::map<LONG, std::wstring>> byPosition;
  for (TKeyButton* key : KeysBelow(window)) {
    RECT bounds;
    ::GetWindowRect(key->Window(), &bounds);
    byPosition[bounds.top][bounds.left] = key->PaintedText();
  }
  std::vector<std::wstring> rows;
  for (const auto& [top, row] : byPosition) {
    rows.emplace_back();
    for (const auto& [left, text] : row) rows.back() += text;
  }
  return rows;
}

}  // namespace orvavk::test
