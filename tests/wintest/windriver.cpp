#include "windriver.h"

#include <thread>
#include <vector>

#include "winhandles.h"

namespace wintest {
namespace {

struct Search {
  const std::wstring* className;
  const std::wstring* text;
  HWND found = nullptr;
};

std::wstring ClassOf(HWND window) {
  wchar_t name[256];
  const int n = ::GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<size_t>(n > 0 ? n : 0));
}

bool Matches(HWND window, const Search& search, bool exactText) {
  if (!search.className->empty() && _wcsicmp(ClassOf(window).c_str(), search.className->c_str()) != 0)
    return false;
  if (search.text->empty()) return true;
  const std::wstring text = ControlText(window);
  return exactText ? text == *search.text : text.find(*search.text) != std::wstring::npos;
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  if (::IsWindowVisible(window) && Matches(window, search, true)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindChild(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  if (Matches(window, search, false)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

// Polling is how a test meets windows that another thread or process creates.
template <class Predicate>
bool PollUntil(std::chrono::milliseconds timeout, Predicate done) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::string ScreenshotFolder() {
  const std::string folder = HostPath(KIT_SCREENSHOT_DIR);
  ::CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

}  // namespace

HWND WaitForWindow(const std::wstring& className, const std::wstring& caption,
                   std::chrono::milliseconds timeout) {
  Search search{&className, &caption};
  PollUntil(timeout, [&] {
    ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

bool WaitForWindowGone(HWND window, std::chrono::milliseconds timeout) {
  return PollUntil(timeout, [&] { return !::IsWindow(window) || !::IsWindowVisible(window); });
}

HWND FindControl(HWND parent, const std::wstring& className, const std::wstring& text) {
  Search search{&className, &text};
  ::EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring ControlText(HWND control) {
  // WM_GETTEXT reaches controls of other threads, where GetWindowText would not.
  const auto length = ::SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const auto copied = ::SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

void PostText(HWND window, const std::wstring& text) {
  for (wchar_t c : text) ::PostMessageW(window, WM_CHAR, c, 1);
}

void PostKey(HWND window, UINT virtualKey) {
  const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  ::PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16));
  ::PostMessageW(window, WM_KEYUP, virtualKey,
                 1 | (static_cast<LPARAM>(scan) << 16) | (LPARAM{3} << 30));
}

void PostClick(HWND window) {
  RECT client;
  ::GetClientRect(window, &client);
  PostClick(window, POINT{(client.right - client.left) / 2, (client.bottom - client.top) / 2});
}

void PostClick(HWND window, POINT point) {
  const LPARAM at = MAKELPARAM(point.x, point.y);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

std::string SaveScreenshot(const std::string& name) {
  kit::UniqueScreenDc screen(::GetDC(nullptr));
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  kit::UniqueCreatedDc memory(::CreateCompatibleDC(screen.Get()));
  kit::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
  const auto bits = static_cast<HBITMAP>(bitmap.Get());
  const HGDIOBJ previous = ::SelectObject(memory.Get(), bits);
  ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY);
  ::SelectObject(memory.Get(), previous);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
  ::GetDIBits(memory.Get(), bits, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());

  const std::string path = ScreenshotFolder() + "\\" + name + ".bmp";
  kit::UniqueFile out(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written;
  if (!out || !::WriteFile(out.Get(), &file, sizeof file, &written, nullptr) ||
      !::WriteFile(out.Get(), &info, sizeof info, &written, nullptr) ||
      !::WriteFile(out.Get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr))
    return {};
  return path;
}

std::string HostPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace wintest
