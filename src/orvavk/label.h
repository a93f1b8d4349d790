// A line or block of text on a panel: field labels, the information text and the caption of a
// borderless form. It is drawn in its font's colour straight onto the panel's colour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "panel.h"
#include "winhandles.h"

namespace orvavk {

class TLabel final : public TReflectTarget {
 public:
  // `wrap`: the text breaks into lines at the label's width.
  TLabel(HWND parent, const RECT& bounds, const std::wstring& text, HFONT font, uint32_t colour,
         bool wrap = false);
  TLabel(const TLabel&) = delete;
  TLabel& operator=(const TLabel&) = delete;

  HWND Window() const { return window_.Get(); }
  void SetText(const std::wstring& text);

 private:
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  kit::UniqueWindow window_;
  TReflectLink link_;
  uint32_t colour_;
  kit::UniqueGdiObject background_;
};

// The size `text` takes in `font`: one line, or lines broken at `wrapWidth` when it is > 0.
SIZE MeasureText(HFONT font, const std::wstring& text, int wrapWidth = 0);

}  // namespace orvavk
