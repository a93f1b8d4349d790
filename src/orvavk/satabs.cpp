#include "satabs.h"

#include <commctrl.h>

#include <algorithm>

#include "panel.h"

namespace orvavk {
namespace {

// Tabs start this far below the top edge; the selected one rises into the space by its
// overhang.
constexpr int kItemTop = 6;
constexpr int kTextPadding = 10;

class TSelectedGdi {
 public:
  TSelectedGdi(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~TSelectedGdi() { ::SelectObject(dc_, previous_); }
  TSelectedGdi(const TSelectedGdi&) = delete;
  TSelectedGdi& operator=(const TSelectedGdi&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour) {
  kit::UniqueGdiObject pen(::CreatePen(PS_SOLID, 1, colour));
  TSelectedGdi selected(dc, pen.Get());
  ::MoveToEx(dc, x1, y1, nullptr);
  ::LineTo(dc, x2, y2);
}

}  // namespace

TSelfDrawnTabs::TSelfDrawnTabs(HWND parent, const RECT& bounds, const TTabAppearance& appearance,
                               HFONT font)
    : appearance_(appearance), font_(font) {
  RegisterWindowClass(kStripClassName, WindowProc);
  window_.Reset(::CreateWindowExW(0, kStripClassName, L"", WS_CHILD | WS_VISIBLE, bounds.left,
                                  bounds.top, bounds.right - bounds.left,
                                  bounds.bottom - bounds.top, parent, nullptr, ModuleInstance(),
                                  this));
}

LRESULT CALLBACK TSelfDrawnTabs::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TSelfDrawnTabs*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (!self || message == WM_NCCREATE || message == WM_NCDESTROY)
    return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(window, message, wParam, lParam);
}

LRESULT TSelfDrawnTabs::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      RECT client;
      ::GetClientRect(window, &client);
      // Painted off screen first, so the tabs never flicker while they are redrawn.
      kit::UniqueCreatedDc buffer(::CreateCompatibleDC(dc));
      kit::UniqueGdiObject bitmap(::CreateCompatibleBitmap(dc, client.right, client.bottom));
      {
        TSelectedGdi target(buffer.Get(), bitmap.Get());
        Paint(buffer.Get());
        ::BitBlt(dc, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
      }
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_ENABLE:
      ::InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Press(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case TCM_GETITEMCOUNT:
      return Count();
    case TCM_GETCURSEL:
      return selected_;
    case TCM_GETITEMRECT: {
      if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= Count()) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = ItemRect(static_cast<int>(wParam));
      return TRUE;
    }
    case TCM_GETITEMW: {
      const int index = static_cast<int>(wParam);
      if (index < 0 || index >= Count()) return FALSE;
      auto& item = *reinterpret_cast<TCITEMW*>(lParam);
      const Item& source = Get(index);
      if ((item.mask & TCIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const size_t length =
            std::min(source.text.size(), static_cast<size_t>(item.cchTextMax - 1));
        std::copy_n(source.text.data(), length, item.pszText);
        item.pszText[length] = L'\0';
      }
      if (item.mask & TCIF_PARAM) item.lParam = source.data;
      return TRUE;
    }
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void TSelfDrawnTabs::InsertItem(int index, std::wstring text, LPARAM data) {
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, Item{std::move(text), data, {}, {}});
  if (items_.size() == 1)
    selected_ = 0;
  else if (selected_ >= index)
    ++selected_;
  Layout();
}

void TSelfDrawnTabs::DeleteItem(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (index == selected_)
    selected_ = -1;
  else if (index < selected_)
    --selected_;
  Layout();
}

void TSelfDrawnTabs::SetItemData(int index, LPARAM data) {
  if (index >= 0 && index < Count()) Get(index).data = data;
}

LPARAM TSelfDrawnTabs::ItemData(int index) const {
  return index >= 0 && index < Count() ? Get(index).data : 0;
}

void TSelfDrawnTabs::Select(int index) {
  if (index < 0 || index >= Count()) return;
  selected_ = index;
  Layout();
}

RECT TSelfDrawnTabs::ItemRect(int index) const {
  return index >= 0 && index < Count() ? Get(index).rect : RECT{};
}

const TStripColours& TSelfDrawnTabs::Colours() const {
  return ::IsWindowEnabled(window_.Get()) ? appearance_.enabled : appearance_.disabled;
}

// Places the items and their hit regions; called whenever items, selection or size change.
void TSelfDrawnTabs::Layout() {
  if (!window_) return;
  RECT client;
  ::GetClientRect(window_.Get(), &client);
  const int margin = appearance_.leftMargin;
  const int limit = client.right - margin;
  const int mode = appearance_.itemWidthMode;
  const int count = Count();

  const HDC dc = ::GetDC(window_.Get());
  const HGDIOBJ previousFont = ::SelectObject(dc, font_);
  int x = margin;
  for (int i = 0; i < count; ++i) {
    Item& item = Get(i);
    int width = mode;
    if (mode < 0) {
      width = (client.right - 2 * margin) / count;
    } else if (mode == 0) {
      SIZE text{};
      ::GetTextExtentPoint32W(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text);
      width = text.cx + kTextPadding;
    }
    item.rect = {x, kItemTop, std::max(x, std::min(x + width, limit)), client.bottom};
    x += width;

    RECT hit = item.rect;
    if (i == selected_) {
      ::InflateRect(&hit, appearance_.overhang, 0);
      hit.top -= appearance_.overhang;
    }
    const int radius = appearance_.cornerRadius;
    item.region.Reset(appearance_.roundedCorners
                          ? ::CreateRoundRectRgn(hit.left, hit.top, hit.right + 1,
                                                 hit.bottom + 2 * radius, 2 * radius, 2 * radius)
                          : ::CreateRectRgnIndirect(&hit));
  }
  ::SelectObject(dc, previousFont);
  ::ReleaseDC(window_.Get(), dc);
  ::InvalidateRect(window_.Get(), nullptr, FALSE);
}

void TSelfDrawnTabs::Paint(HDC dc) const {
  RECT client;
  ::GetClientRect(window_.Get(), &client);
  const COLORREF background = appearance_.background == kNoColour
                                  ? PanelColour(::GetParent(window_.Get()))
                                  : ResolveColour(appearance_.background);
  kit::UniqueGdiObject backgroundBrush(::CreateSolidBrush(background));
  ::FillRect(dc, &client, static_cast<HBRUSH>(backgroundBrush.Get()));

  const TStripColours& colours = Colours();
  const int radius = appearance_.roundedCorners ? appearance_.cornerRadius : 0;
  const TSelectedGdi font(dc, font_);
  ::SetBkMode(dc, TRANSPARENT);

  const auto drawTab = [&](RECT rect, bool selected, const std::wstring& text) {
    if (rect.right <= rect.left) return;
    kit::UniqueGdiObject brush(
        ::CreateSolidBrush(ResolveColour(selected ? colours.selectedFace : colours.face)));
    kit::UniqueGdiObject pen(::CreatePen(PS_SOLID, 1, ResolveColour(colours.border)));
    {
      TSelectedGdi useBrush(dc, brush.Get());
      TSelectedGdi usePen(dc, pen.Get());
      // The lower corners lie below the strip: only the upper ones show rounded.
      if (radius > 0)
        ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom + 2 * radius, 2 * radius,
                    2 * radius);
      else
        ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom + 1);
    }
    const COLORREF light = ResolveColour(colours.lightEdge);
    Line(dc, rect.left + 1 + radius / 2, rect.top + 1, rect.right - 1 - radius / 2, rect.top + 1,
         light);
    Line(dc, rect.left + 1, rect.top + 1 + radius / 2, rect.left + 1, rect.bottom, light);
    if (selected && appearance_.highlightLines) {
      const COLORREF highlight = ResolveColour(colours.highlight);
      Line(dc, rect.left + radius / 2, rect.top, rect.right - radius / 2, rect.top, highlight);
      Line(dc, rect.left + 1, rect.top + 1, rect.right - 1, rect.top + 1, highlight);
    }
    RECT textRect = rect;
    ::InflateRect(&textRect, -2, 0);
    ::SetTextColor(dc, ResolveColour(colours.text));
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  };

  for (int i = 0; i < Count(); ++i)
    if (i != selected_) drawTab(Get(i).rect, false, Get(i).text);

  const COLORREF border = ResolveColour(colours.border);
  const int baseline = client.bottom - 1;
  if (selected_ < 0) {
    Line(dc, 0, baseline, client.right, baseline, border);
    return;
  }
  const Item& selected = Get(selected_);
  RECT raised = selected.rect;
  ::InflateRect(&raised, appearance_.overhang, 0);
  raised.top -= appearance_.overhang;
  // The baseline runs up to the selected tab on both sides; the tab opens into its page.
  Line(dc, 0, baseline, raised.left, baseline, border);
  Line(dc, raised.right, baseline, client.right, baseline, border);
  drawTab(raised, true, selected.text);
}

void TSelfDrawnTabs::Press(POINT point) {
  const auto hits = [&](int i) {
    return ::PtInRegion(static_cast<HRGN>(Get(i).region.Get()), point.x, point.y) != FALSE;
  };
  int hit = selected_ >= 0 && hits(selected_) ? selected_ : -1;
  for (int i = 0; hit < 0 && i < Count(); ++i)
    if (hits(i)) hit = i;
  if (hit < 0 || hit == selected_) return;
  if (onChanging_ && !onChanging_(selected_, hit)) return;
  const int from = selected_;
  selected_ = hit;
  Layout();
  if (onChanged_) onChanged_(from, hit);
}

}  // namespace orvavk
