// A self-painted button: the keys of the on-screen keyboard, the scroller's arrows and every
// other button of a form. A key's window caption is a decoy; it paints its real text itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "orvavkcfg.h"
#include "panel.h"
#include "winhandles.h"

namespace orvavk {

struct TButtonProperties {
  // A key built from a character: the character's 16-bit key code (virtual key in the low
  // byte, shift state in the high byte); a special key: its code (orvavkcnst.h).
  int32_t keyCode = 0;
  // What the key enters and paints; empty for a button that paints its caption.
  std::wstring realText;
};

class TKeyButton final : public TReflectTarget {
 public:
  using ClickHandler = std::function<void(TKeyButton&)>;

  TKeyButton(HWND parent, const RECT& bounds, const std::wstring& caption,
             TButtonProperties properties, const TVisualConfiguration& config, HFONT font,
             uint32_t textColour);
  ~TKeyButton();
  TKeyButton(const TKeyButton&) = delete;
  TKeyButton& operator=(const TKeyButton&) = delete;

  // The object behind a button window, or null for any other window.
  static TKeyButton* FromWindow(HWND window);

  HWND Window() const { return window_.Get(); }
  const TButtonProperties& Properties() const { return properties_; }
  // What the button paints: the real text, or the caption when it has none.
  std::wstring PaintedText() const;

  void SetRealText(std::wstring text);
  void SetCaption(const std::wstring& caption);

  // A toggle button flips its checked state at every click and looks pressed while checked.
  void SetToggle(bool toggle) { toggle_ = toggle; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  // A repeating button acts when pressed, again 400 ms later and then every `intervalMs`
  // while it is held; releasing it does not act once more.
  void SetRepeat(int intervalMs);

  void SetAlignment(UINT alignment) { alignment_ = alignment; }
  void SetInnerMargin(int margin) { innerMargin_ = margin; }
  void OnClick(ClickHandler handler) { onClick_ = std::move(handler); }

 private:
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  static LRESULT CALLBACK RepeatProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
  void Click();
  void Paint(const DRAWITEMSTRUCT& item);

  kit::UniqueWindow window_;
  TReflectLink link_;
  TButtonProperties properties_;
  const TVisualConfiguration& config_;
  HFONT font_;
  uint32_t textColour_;
  UINT alignment_ = DT_CENTER;
  int innerMargin_ = 0;
  bool toggle_ = false;
  bool checked_ = false;
  int repeatInterval_ = 0;
  bool releasing_ = false;
  ClickHandler onClick_;
};

}  // namespace orvavk
