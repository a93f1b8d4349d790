#include "panel.h"

#include <mutex>
#include <utility>
#include <vector>

#include "libload.h"
#include "orvavkcfg.h"

namespace orvavk {
namespace {

constexpr wchar_t kReflectProperty[] = L"OrvaVK.Reflect";
constexpr wchar_t kPanelClass[] = L"OrvaVKPanel";
constexpr int kColourOffset = 0;
constexpr int kBevelOffset = sizeof(LONG_PTR);

std::mutex classesLock;
std::vector<const wchar_t*> registeredClasses;

// The control a notification comes from, or null for messages that are not notifications.
HWND NotifyingControl(UINT message, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
      return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
    }
    default:
      return nullptr;
  }
}

bool BubblesUp(UINT message) {
  return message == WM_COMMAND || message == WM_NOTIFY || message == WM_DRAWITEM;
}

bool IsPanel(HWND window) {
  wchar_t name[32];
  return ::GetClassNameW(window, name, 32) > 0 && ::lstrcmpW(name, kPanelClass) == 0;
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ReflectNotification(message, wParam, lParam, result)) return result;
  const HWND parent = ::GetParent(window);
  if (parent && (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD) && BubblesUp(message))
    return ::SendMessageW(parent, message, wParam, lParam);

  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(window, &client);
      kit::UniqueGdiObject brush(::CreateSolidBrush(PanelColour(window)));
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(brush.Get()));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      const LONG_PTR bevel = ::GetWindowLongPtrW(window, kBevelOffset);
      if (bevel != kBevelNone) {
        RECT client;
        ::GetClientRect(window, &client);
        ::DrawEdge(dc, &client, bevel == kBevelRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
                   BF_RECT);
      }
      ::EndPaint(window, &paint);
      return 0;
    }
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, int extraBytes,
                         UINT classStyle) {
  std::lock_guard lock(classesLock);
  for (const wchar_t* registered : registeredClasses)
    if (registered == name) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS | classStyle;
  windowClass.lpfnWndProc = procedure;
  windowClass.cbWndExtra = extraBytes;
  windowClass.hInstance = ModuleInstance();
  windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = name;
  if (::RegisterClassExW(&windowClass)) registeredClasses.push_back(name);
}

void UnregisterWindowClasses() {
  std::lock_guard lock(classesLock);
  for (const wchar_t* name : registeredClasses) ::UnregisterClassW(name, ModuleInstance());
  registeredClasses.clear();
}

HINSTANCE ModuleInstance() {
  return kit::ModuleContaining(reinterpret_cast<const void*>(&ModuleInstance));
}

TReflectLink::TReflectLink(HWND control, TReflectTarget* target) : control_(control) {
  ::SetPropW(control, kReflectProperty, target);
}

TReflectLink::~TReflectLink() {
  if (control_ && ::IsWindow(control_)) ::RemovePropW(control_, kReflectProperty);
}

TReflectLink::TReflectLink(TReflectLink&& other) noexcept
    : control_(std::exchange(other.control_, nullptr)) {}

TReflectLink& TReflectLink::operator=(TReflectLink&& other) noexcept {
  if (this != &other) {
    if (control_ && ::IsWindow(control_)) ::RemovePropW(control_, kReflectProperty);
    control_ = std::exchange(other.control_, nullptr);
  }
  return *this;
}

TReflectTarget* ReflectTargetOf(HWND control) {
  return static_cast<TReflectTarget*>(::GetPropW(control, kReflectProperty));
}

bool ReflectNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const HWND control = NotifyingControl(message, lParam);
  TReflectTarget* target = control ? ReflectTargetOf(control) : nullptr;
  return target && target->OnReflected(message, wParam, lParam, result);
}

const wchar_t* PanelClassName() {
  RegisterWindowClass(kPanelClass, PanelProc, 2 * sizeof(LONG_PTR));
  return kPanelClass;
}

TPanel::TPanel(HWND parent, const RECT& bounds, uint32_t colour, int32_t bevel, DWORD style) {
  window_.Reset(::CreateWindowExW(0, PanelClassName(), L"", style | WS_CLIPCHILDREN, bounds.left,
                                  bounds.top, bounds.right - bounds.left,
                                  bounds.bottom - bounds.top, parent, nullptr, ModuleInstance(),
                                  nullptr));
  if (!window_) return;
  ::SetWindowLongPtrW(window_.Get(), kColourOffset, static_cast<LONG_PTR>(colour));
  ::SetWindowLongPtrW(window_.Get(), kBevelOffset, bevel);
}

COLORREF PanelColour(HWND window) {
  for (; window && IsPanel(window); window = ::GetParent(window)) {
    const auto colour = static_cast<uint32_t>(::GetWindowLongPtrW(window, kColourOffset));
    if (colour != kNoColour) return ResolveColour(colour);
  }
  return ::GetSysColor(COLOR_BTNFACE);
}

RECT BoundsInParent(HWND window) {
  RECT bounds;
  ::GetWindowRect(window, &bounds);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

}  // namespace orvavk
