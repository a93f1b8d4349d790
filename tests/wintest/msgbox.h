// Reading and answering a message box of another program the way a person sees it: its
// caption, text, icon and buttons.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace wintest {

enum class BoxIcon { None, Information, Warning, Error, Question, Unknown };

struct MessageBoxView {
  std::wstring caption;
  std::wstring text;
  BoxIcon icon = BoxIcon::None;
  std::vector<int>
      buttons;  // control ids of the visible buttons in ascending order: IDOK, IDCANCEL...
};

// What the message box shows. The icon is told by its pixels, drawn against the system's
// own icons, so the box must be on the screen; it is waited for until it has been painted.
MessageBoxView ReadMessageBox(HWND box,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Clicks the button with that control id (IDOK, IDCANCEL...); false when the box has none.
bool PressButton(HWND box, int id);

const char* BoxIconName(BoxIcon icon);

}  // namespace wintest
