// A scroller for a key panel wider than its page: "<" and ">" buttons at the sides move the
// panel through a viewport between them, a step per press, repeating while held.
#pragma once

#include <windows.h>

#include <memory>

#include "keybutton.h"
#include "orvavkcfg.h"
#include "panel.h"

namespace orvavk {

class TOrvaVKControlScroller {
 public:
  // Fills `page` (a page's container) with the scroller: the buttons docked left and right,
  // transparent gaps inside them and the viewport between.
  TOrvaVKControlScroller(HWND page, const TVisualConfiguration& config, HFONT buttonFont);
  // Gives the attached control back to the window it came from.
  ~TOrvaVKControlScroller();
  TOrvaVKControlScroller(const TOrvaVKControlScroller&) = delete;
  TOrvaVKControlScroller& operator=(const TOrvaVKControlScroller&) = delete;

  // Moves `control` into the viewport at its left edge (keeping its top), giving the one
  // attached before back to where it came from.
  void Attach(HWND control);

  // Each moves the control by at most the step, never further than to show its left or its
  // right edge at the viewport's.
  void ScrollLeft();
  void ScrollRight();

  HWND Viewport() const { return viewport_.Window(); }
  TKeyButton& LeftButton() const { return *left_; }
  TKeyButton& RightButton() const { return *right_; }

 private:
  void Detach();
  void MoveTo(int left);

  int step_;
  TPanel scroller_;
  std::unique_ptr<TKeyButton> left_;
  std::unique_ptr<TKeyButton> right_;
  TPanel leftGap_;
  TPanel rightGap_;
  TPanel viewport_;
  HWND control_ = nullptr;
  HWND home_ = nullptr;
};

}  // namespace orvavk
