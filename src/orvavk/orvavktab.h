// The tab control that holds the keyboard pages, over one of two back-ends: the system tab
// control (its tabs drawn by the system or by us) or the self-drawn strip (satabs.h). Pages
// can be hidden and shown again without being destroyed, and the panel a page shows can be
// swapped for another: the letters page "abc" shows the letters of one language page after
// another while the language pages themselves stay hidden.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "orvavkcfg.h"
#include "panel.h"
#include "satabs.h"
#include "winhandles.h"

namespace orvavk {

struct TKeyMap;
class TOrvaVKTabControl;

class TOrvaVKTabPage {
 public:
  // Only the tab control makes pages.
  class Key {
    friend class TOrvaVKTabControl;
    Key() = default;
  };
  TOrvaVKTabPage(Key, TOrvaVKTabControl& owner, std::wstring name, TPanel container);
  TOrvaVKTabPage(const TOrvaVKTabPage&) = delete;
  TOrvaVKTabPage& operator=(const TOrvaVKTabPage&) = delete;

  const std::wstring& Name() const { return name_; }
  bool Visible() const { return visible_; }
  // The number of visible pages before this one: where its tab is, or would be.
  int VisibleIndex() const;
  // Hiding removes the tab and showing puts it back at its place; the page and its panels
  // live on either way.
  void SetVisible(bool visible);

  // The page's own container, made with it; the keys of a keyboard page live on it.
  HWND OwnPanel() const { return container_.Window(); }
  // What the tab shows: the own container, or the panel swapped in.
  HWND Panel() const { return panel_; }
  // Nothing happens when `panel` is already shown or the page is hidden.
  void SwapPanel(HWND panel);

  TKeyMap* KeyMap() const { return keyMap_; }
  void SetKeyMap(TKeyMap* map) { keyMap_ = map; }

 private:
  TOrvaVKTabControl& owner_;
  std::wstring name_;
  bool visible_ = true;
  TPanel container_;
  HWND panel_;
  TKeyMap* keyMap_ = nullptr;
};

class TOrvaVKTabControl final : public TReflectTarget {
 public:
  // Asked before the user's choice of another tab shows its page; false keeps the selection.
  using ChangingHandler = std::function<bool(int from, int to)>;

  // The back-end follows the configuration's tab style (an unknown style gets the system tab
  // control). `width` is the whole control's.
  TOrvaVKTabControl(HWND parent, const TVisualConfiguration& config, POINT origin, int width);
  ~TOrvaVKTabControl();
  TOrvaVKTabControl(const TOrvaVKTabControl&) = delete;
  TOrvaVKTabControl& operator=(const TOrvaVKTabControl&) = delete;

  // A new visible page whose tab is appended; the first tab becomes selected.
  TOrvaVKTabPage& AddPage(std::wstring name);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // All pages, hidden ones included, in the order they were added; null when out of range.
  TOrvaVKTabPage* Page(int index) const;
  TOrvaVKTabPage* FindPage(std::wstring_view name) const;

  int TabCount() const;
  // The selected tab's index, -1 when none is.
  int SelectedIndex() const;
  // Selects a tab and shows its panel; an index that names no tab changes nothing.
  void Select(int index);

  void SetPosition(POINT origin);
  void SetWidth(int width);
  void SetPageHeight(int height);
  // The client size of every page.
  SIZE PageSize() const;
  // The whole control, in its parent's client coordinates.
  RECT Bounds() const;
  HWND Window() const;
  // The system tab control or the strip: the window that shows the tabs.
  HWND TabWindow() const;

  void OnChanging(ChangingHandler handler) { onChanging_ = std::move(handler); }

 private:
  friend class TOrvaVKTabPage;

  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void InsertTab(int index, const std::wstring& name, HWND panel);
  void DeleteTab(int index);
  void SetTabPanel(int index, HWND panel);
  HWND TabPanel(int index) const;
  void ShowSelectedPanel();
  RECT PageRect() const;
  void Layout();
  void PaintTab(const DRAWITEMSTRUCT& item) const;

  const TVisualConfiguration& config_;
  int backend_;
  uint32_t pageColour_;
  kit::UniqueGdiObject font_;
  POINT origin_;
  int width_;
  int pageHeight_ = 0;
  int changingFrom_ = -1;
  // The system back-end.
  kit::UniqueWindow tabs_;
  TReflectLink link_;
  // The self-drawn back-end: the strip above a frame around the page container.
  TPanel outer_;
  std::unique_ptr<TSelfDrawnTabs> strip_;
  TPanel frame_;
  TPanel pageContainer_;
  std::vector<std::unique_ptr<TOrvaVKTabPage>> pages_;
  ChangingHandler onChanging_;
};

}  // namespace orvavk
