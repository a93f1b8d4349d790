#include "keybutton.h"

#include <commctrl.h>

namespace orvavk {
namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;

}  // namespace

TKeyButton::TKeyButton(HWND parent, const RECT& bounds, const std::wstring& caption,
                       TButtonProperties properties, const TVisualConfiguration& config,
                       HFONT font, uint32_t textColour)
    : window_(::CreateWindowExW(0, L"BUTTON", caption.c_str(),
                                WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, bounds.left, bounds.top,
                                bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                nullptr, ModuleInstance(), nullptr)),
      link_(window_.Get(), this),
      properties_(std::move(properties)),
      config_(config),
      font_(font),
      textColour_(textColour) {
  ::SendMessageW(window_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

TKeyButton::~TKeyButton() {
  if (repeatInterval_ > 0 && ::IsWindow(window_.Get()))
    ::RemoveWindowSubclass(window_.Get(), RepeatProc, 0);
}

TKeyButton* TKeyButton::FromWindow(HWND window) {
  return dynamic_cast<TKeyButton*>(ReflectTargetOf(window));
}

std::wstring TKeyButton::PaintedText() const {
  if (!properties_.realText.empty()) return properties_.realText;
  const int length = ::GetWindowTextLengthW(window_.Get());
  std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
  caption.resize(static_cast<size_t>(::GetWindowTextW(window_.Get(), caption.data(), length + 1)));
  return caption;
}

void TKeyButton::SetRealText(std::wstring text) {
  properties_.realText = std::move(text);
  ::InvalidateRect(window_.Get(), nullptr, FALSE);
}

void TKeyButton::SetCaption(const std::wstring& caption) {
  ::SetWindowTextW(window_.Get(), caption.c_str());
  ::InvalidateRect(window_.Get(), nullptr, FALSE);
}

void TKeyButton::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  ::InvalidateRect(window_.Get(), nullptr, FALSE);
}

void TKeyButton::SetRepeat(int intervalMs) {
  if (repeatInterval_ <= 0 && intervalMs > 0)
    ::SetWindowSubclass(window_.Get(), RepeatProc, 0, reinterpret_cast<DWORD_PTR>(this));
  else if (repeatInterval_ > 0 && intervalMs <= 0)
    ::RemoveWindowSubclass(window_.Get(), RepeatProc, 0);
  repeatInterval_ = intervalMs;
}

void TKeyButton::Click() {
  if (toggle_) SetChecked(!checked_);
  if (onClick_) onClick_(*this);
}

bool TKeyButton::OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_DRAWITEM) {
    Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
  }
  if (message != WM_COMMAND) return false;
  // An owner-drawn button reports the second click of a quick pair as a double click: for a
  // key that is simply the same key pressed again.
  const WORD code = HIWORD(wParam);
  if ((code == BN_CLICKED || code == BN_DOUBLECLICKED) && !releasing_) Click();
  result = 0;
  return true;
}

LRESULT CALLBACK TKeyButton::RepeatProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) {
  auto& button = *reinterpret_cast<TKeyButton*>(self);
  switch (message) {
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONDOWN: {
      // A quick second press is a press like any other: the button pushes and captures.
      const LRESULT result = ::DefSubclassProc(window, WM_LBUTTONDOWN, wParam, lParam);
      ::SetTimer(window, kRepeatTimer, kFirstRepeatMs, nullptr);
      button.Click();
      return result;
    }
    case WM_TIMER:
      if (wParam != kRepeatTimer) break;
      ::SetTimer(window, kRepeatTimer, static_cast<UINT>(button.repeatInterval_), nullptr);
      // Only while the mouse holds the button down over it.
      if (::SendMessageW(window, BM_GETSTATE, 0, 0) & BST_PUSHED) button.Click();
      return 0;
    case WM_LBUTTONUP: {
      ::KillTimer(window, kRepeatTimer);
      button.releasing_ = true;
      const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
      button.releasing_ = false;
      return result;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      ::KillTimer(window, kRepeatTimer);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

void TKeyButton::Paint(const DRAWITEMSTRUCT& item) {
  const std::wstring text = PaintedText();
  TButtonLook look;
  look.text = text;
  look.font = font_;
  look.textColour = ResolveColour(textColour_);
  look.alignment = alignment_;
  look.pressed = (item.itemState & ODS_SELECTED) != 0;
  look.down = look.pressed || checked_;
  look.focused = (item.itemState & ODS_FOCUS) != 0;
  look.innerMargin = innerMargin_;
  PaintButton(config_, item.hDC, item.rcItem, look);
}

}  // namespace orvavk
