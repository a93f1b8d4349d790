// Panels, the plain containers the keyboard is built from, and the way a control's
// notifications reach the object that owns it.
//
// Windows sends a control's notifications (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*)
// to its parent, but the code that knows what to do with them belongs to the control: a key
// paints itself, a tab control switches its own pages. A panel hands each notification to the
// object registered for the control that sent it; what no object takes goes on to the panel's
// parent, so that a form can hear about the controls nested anywhere below it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "winhandles.h"

namespace orvavk {

class TReflectTarget {
 public:
  // True when the object handled the notification; `result` is then what the parent returns.
  virtual bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

 protected:
  ~TReflectTarget() = default;
};

// Registers `target` for the notifications of `control` for as long as the link lives.
class TReflectLink {
 public:
  TReflectLink() = default;
  TReflectLink(HWND control, TReflectTarget* target);
  ~TReflectLink();
  TReflectLink(TReflectLink&& other) noexcept;
  TReflectLink& operator=(TReflectLink&& other) noexcept;

 private:
  HWND control_ = nullptr;
};

// The object registered for a control, or null.
TReflectTarget* ReflectTargetOf(HWND control);

// For the window procedure of a host that is not a panel: hands a child's notification to its
// object. False when the message is not a notification or no object took it.
bool ReflectNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// The module this code lives in, the owner of the window classes it registers.
HINSTANCE ModuleInstance();

// Registers one of this library's window classes on first use; `classStyle` is added to
// CS_DBLCLKS.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, int extraBytes = 0,
                         UINT classStyle = 0);

// A library that registered window classes must remove them before it is unloaded: a class
// outlives the code of its window procedure otherwise.
void UnregisterWindowClasses();

// The class name of panels, registered on first use.
const wchar_t* PanelClassName();

// Panel bevels.
inline constexpr int32_t kBevelNone = 0;
inline constexpr int32_t kBevelLowered = 1;
inline constexpr int32_t kBevelRaised = 2;

// A panel window owned by this object. With kNoColour (orvavkcfg.h) it takes the colour of
// the nearest panel above it.
class TPanel {
 public:
  TPanel() = default;
  TPanel(HWND parent, const RECT& bounds, uint32_t colour, int32_t bevel = kBevelNone,
         DWORD style = WS_CHILD | WS_VISIBLE);

  HWND Window() const { return window_.Get(); }

 private:
  kit::UniqueWindow window_;
};

// The colour a panel paints (resolved through its parents); the button face colour for a
// window that is not a panel.
COLORREF PanelColour(HWND window);

// The window's bounds in its parent's client coordinates.
RECT BoundsInParent(HWND window);

}  // namespace orvavk
