#include "orvavkscrl.h"

#include <algorithm>

namespace orvavk {
namespace {

constexpr int kRepeatMs = 50;

}  // namespace

TOrvaVKControlScroller::TOrvaVKControlScroller(HWND page, const TVisualConfiguration& config,
                                               HFONT buttonFont)
    : step_(std::max(1, config.scroller.step)) {
  RECT area;
  ::GetClientRect(page, &area);
  const int button = config.scroller.buttonWidth;
  const int gap = std::max(0, config.scroller.sideGap);
  scroller_ = TPanel(page, area, kNoColour, config.tabs.panelStyle);
  const HWND parent = scroller_.Window();
  const uint32_t textColour = config.buttonFont.colour;

  left_ = std::make_unique<TKeyButton>(parent, RECT{0, 0, button, area.bottom}, L"<",
                                       TButtonProperties{}, config, buttonFont, textColour);
  right_ = std::make_unique<TKeyButton>(parent, RECT{area.right - button, 0, area.right, area.bottom},
                                        L">", TButtonProperties{}, config, buttonFont, textColour);
  left_->SetRepeat(kRepeatMs);
  right_->SetRepeat(kRepeatMs);
  left_->OnClick([this](TKeyButton&) { ScrollLeft(); });
  right_->OnClick([this](TKeyButton&) { ScrollRight(); });
  if (gap > 0) {
    leftGap_ = TPanel(parent, {button, 0, button + gap, area.bottom}, kNoColour);
    rightGap_ = TPanel(parent, {area.right - button - gap, 0, area.right - button, area.bottom},
                       kNoColour);
  }
  viewport_ = TPanel(parent, {button + gap, 0, area.right - button - gap, area.bottom}, kNoColour,
                     config.tabs.panelStyle);
}

TOrvaVKControlScroller::~TOrvaVKControlScroller() { Detach(); }

void TOrvaVKControlScroller::Detach() {
  if (control_ && ::IsWindow(control_) && ::IsWindow(home_)) {
    const RECT bounds = BoundsInParent(control_);
    ::SetParent(control_, home_);
    ::SetWindowPos(control_, nullptr, 0, bounds.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  control_ = nullptr;
  home_ = nullptr;
}

void TOrvaVKControlScroller::Attach(HWND control) {
  Detach();
  const RECT bounds = BoundsInParent(control);
  home_ = ::GetParent(control);
  control_ = control;
  ::SetParent(control, viewport_.Window());
  ::SetWindowPos(control, nullptr, 0, bounds.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void TOrvaVKControlScroller::MoveTo(int left) {
  const RECT bounds = BoundsInParent(control_);
  ::SetWindowPos(control_, nullptr, left, bounds.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void TOrvaVKControlScroller::ScrollLeft() {
  if (!control_) return;
  const RECT bounds = BoundsInParent(control_);
  const int left = bounds.left;
  if (left >= 0) return;
  MoveTo(left + std::min(step_, -left));
}

void TOrvaVKControlScroller::ScrollRight() {
  if (!control_) return;
  const RECT bounds = BoundsInParent(control_);
  RECT viewport;
  ::GetClientRect(viewport_.Window(), &viewport);
  const int overflow = bounds.right - viewport.right;
  if (overflow <= 0) return;
  MoveTo(bounds.left - std::min(step_, overflow));
}

}  // namespace orvavk
