#include "msgbox.h"

#include <algorithm>
#include <thread>

#include "windriver.h"
#include "winhandles.h"

namespace wintest {
namespace {

struct Children {
  HWND icon = nullptr;
  HWND text = nullptr;
  std::vector<int> buttons;
};

BOOL CALLBACK Collect(HWND child, LPARAM param) {
  auto& children = *reinterpret_cast<Children*>(param);
  wchar_t name[32];
  if (::GetClassNameW(child, name, 32) == 0 || !::IsWindowVisible(child)) return TRUE;
  if (_wcsicmp(name, L"Button") == 0) {
    children.buttons.push_back(::GetDlgCtrlID(child));
  } else if (_wcsicmp(name, L"Static") == 0) {
    const auto style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON)
      children.icon = child;
    else if (children.text == nullptr && !ControlText(child).empty())
      children.text = child;
  }
  return TRUE;
}

using Pixels = std::vector<DWORD>;

// Paints into a bitmap of the given size and reads back its pixels.
template <class Paint>
Pixels PaintedPixels(int width, int height, Paint paint) {
  kit::UniqueScreenDc screen(::GetDC(nullptr));
  kit::UniqueCreatedDc memory(::CreateCompatibleDC(screen.Get()));
  kit::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
  const HGDIOBJ previous = ::SelectObject(memory.Get(), bitmap.Get());
  paint(memory.Get(), screen.Get());
  ::SelectObject(memory.Get(), previous);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = -height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  ::GetDIBits(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, static_cast<UINT>(height),
              pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  return pixels;
}

// The icon as the static control paints it: the background first, then the icon stretched
// over the control.
Pixels Render(HICON icon, int width, int height, DWORD background) {
  return PaintedPixels(width, height, [&](HDC memory, HDC) {
    // A 32-bit DIB pixel is 0x00RRGGBB.
    kit::UniqueGdiObject brush(::CreateSolidBrush(
        RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF)));
    RECT all{0, 0, width, height};
    ::FillRect(memory, &all, static_cast<HBRUSH>(brush.Get()));
    ::DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  });
}

BoxIcon IconOnScreen(HWND iconControl) {
  RECT client;
  ::GetClientRect(iconControl, &client);
  POINT origin{0, 0};
  ::ClientToScreen(iconControl, &origin);
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return BoxIcon::Unknown;
  const Pixels shown = PaintedPixels(width, height, [&](HDC memory, HDC screen) {
    ::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  });

  const struct {
    BoxIcon kind;
    LPCSTR id;
  } kIcons[] = {{BoxIcon::Information, IDI_INFORMATION},
                {BoxIcon::Warning, IDI_WARNING},
                {BoxIcon::Error, IDI_ERROR},
                {BoxIcon::Question, IDI_QUESTION}};
  for (const auto& icon : kIcons) {
    // The corner of every system icon is transparent, so it shows the background.
    if (Render(::LoadIconA(nullptr, icon.id), width, height, shown.front()) == shown)
      return icon.kind;
  }
  return BoxIcon::Unknown;
}

}  // namespace

MessageBoxView ReadMessageBox(HWND box, std::chrono::milliseconds timeout) {
  MessageBoxView view;
  view.caption = ControlText(box);
  Children children;
  ::EnumChildWindows(box, Collect, reinterpret_cast<LPARAM>(&children));
  if (children.text != nullptr) view.text = ControlText(children.text);
  std::sort(children.buttons.begin(), children.buttons.end());
  view.buttons = children.buttons;
  if (children.icon == nullptr) return view;

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    view.icon = IconOnScreen(children.icon);
    if (view.icon != BoxIcon::Unknown) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (std::chrono::steady_clock::now() < deadline);
  return view;
}

bool PressButton(HWND box, int id) {
  HWND button = ::GetDlgItem(box, id);
  if (button == nullptr) return false;
  PostClick(button);
  return true;
}

const char* BoxIconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None:
      return "none";
    case BoxIcon::Information:
      return "information";
    case BoxIcon::Warning:
      return "warning";
    case BoxIcon::Error:
      return "error";
    case BoxIcon::Question:
      return "question";
    case BoxIcon::Unknown:
      break;
  }
  return "unknown";
}

}  // namespace wintest
