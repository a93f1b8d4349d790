// The self-drawn tab strip (window class "SATabs"): a row of tabs painted in the keyboard's own
// colours, for forms whose look the system tab control would spoil. It answers the system tab
// control's read messages (TCM_GETITEMCOUNT, TCM_GETCURSEL, TCM_GETITEMRECT, TCM_GETITEMW with
// text and parameter), so the same tools can read either kind of tab.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "orvavkcfg.h"
#include "winhandles.h"

namespace orvavk {

inline constexpr wchar_t kStripClassName[] = L"SATabs";

class TSelfDrawnTabs {
 public:
  // Asked before the selection moves from one item to another; false keeps it where it is.
  using ChangingHandler = std::function<bool(int from, int to)>;
  using ChangedHandler = std::function<void(int from, int to)>;

  TSelfDrawnTabs(HWND parent, const RECT& bounds, const TTabAppearance& appearance, HFONT font);
  TSelfDrawnTabs(const TSelfDrawnTabs&) = delete;
  TSelfDrawnTabs& operator=(const TSelfDrawnTabs&) = delete;

  HWND Window() const { return window_.Get(); }

  // Inserting at or before the selected item keeps that item selected; the first item
  // inserted into an empty strip becomes selected; deleting the selected item leaves none
  // selected. (The system tab control behaves the same way.)
  void InsertItem(int index, std::wstring text, LPARAM data);
  void DeleteItem(int index);
  void SetItemData(int index, LPARAM data);
  LPARAM ItemData(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  int Selected() const { return selected_; }
  // Selects without asking the handlers; out-of-range indexes are ignored.
  void Select(int index);
  // The item's own rectangle; the selected one is painted larger by the overhang.
  RECT ItemRect(int index) const;

  void OnChanging(ChangingHandler handler) { onChanging_ = std::move(handler); }
  void OnChanged(ChangedHandler handler) { onChanged_ = std::move(handler); }

 private:
  struct Item {
    std::wstring text;
    LPARAM data;
    RECT rect;
    kit::UniqueGdiObject region;  // where a press selects it
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  Item& Get(int index) { return items_[static_cast<size_t>(index)]; }
  const Item& Get(int index) const { return items_[static_cast<size_t>(index)]; }
  void Layout();
  void Paint(HDC dc) const;
  void Press(POINT point);
  const TStripColours& Colours() const;

  const TTabAppearance& appearance_;
  HFONT font_;
  std::vector<Item> items_;
  int selected_ = -1;
  ChangingHandler onChanging_;
  ChangedHandler onChanged_;
  kit::UniqueWindow window_;
};

}  // namespace orvavk
