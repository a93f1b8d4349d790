#include "orvavktab.h"

#include <commctrl.h>

namespace orvavk {
namespace {

// A tall probe rectangle for asking the system tab control how much its tabs and border take.
constexpr int kProbeHeight = 1000;

int BackendOf(int32_t tabStyle) {
  return tabStyle == kOwnerDrawnSystemTabs || tabStyle == kSelfDrawnTabs ? tabStyle : kSystemTabs;
}

}  // namespace

TOrvaVKTabPage::TOrvaVKTabPage(Key, TOrvaVKTabControl& owner, std::wstring name, TPanel container)
    : owner_(owner),
      name_(std::move(name)),
      container_(std::move(container)),
      panel_(container_.Window()) {}

int TOrvaVKTabPage::VisibleIndex() const {
  int index = 0;
  for (const auto& page : owner_.pages_) {
    if (page.get() == this) break;
    if (page->visible_) ++index;
  }
  return index;
}

void TOrvaVKTabPage::SetVisible(bool visible) {
  if (visible == visible_) return;
  const int index = VisibleIndex();
  visible_ = visible;
  if (visible)
    owner_.InsertTab(index, name_, panel_);
  else
    owner_.DeleteTab(index);
  owner_.ShowSelectedPanel();
}

void TOrvaVKTabPage::SwapPanel(HWND panel) {
  if (panel == panel_ || !visible_) return;
  owner_.SetTabPanel(VisibleIndex(), panel);
  panel_ = panel;
  owner_.ShowSelectedPanel();
}

TOrvaVKTabControl::TOrvaVKTabControl(HWND parent, const TVisualConfiguration& config,
                                     POINT origin, int width)
    : config_(config),
      backend_(BackendOf(config.tabStyle)),
      pageColour_(config.style != 0 ? config.formColour : SystemColour(COLOR_BTNFACE)),
      font_(CreateFontFrom(config.tabFont)),
      origin_(origin),
      width_(width) {
  const auto font = static_cast<HFONT>(font_.Get());
  if (backend_ == kSelfDrawnTabs) {
    const TTabAppearance& tabs = config.tabs;
    outer_ = TPanel(parent, {origin.x, origin.y, origin.x + width, origin.y + tabs.stripHeight},
                    kNoColour);
    strip_ = std::make_unique<TSelfDrawnTabs>(outer_.Window(), RECT{0, 0, width, tabs.stripHeight},
                                              tabs, font);
    strip_->OnChanging([this](int from, int to) { return !onChanging_ || onChanging_(from, to); });
    strip_->OnChanged([this](int, int) { ShowSelectedPanel(); });
    frame_ = TPanel(outer_.Window(), {}, tabs.framed ? tabs.frameColour : pageColour_);
    pageContainer_ = TPanel(frame_.Window(), {}, pageColour_, tabs.panelStyle);
  } else {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                  (config.tabOptions & 0xFFFF);
    if (backend_ == kOwnerDrawnSystemTabs) style |= TCS_OWNERDRAWFIXED;
    if (config.tabs.itemWidthMode != 0) style |= TCS_FIXEDWIDTH;
    tabs_.Reset(::CreateWindowExW(0, WC_TABCONTROLW, L"", style, origin.x, origin.y, width,
                                  kProbeHeight, parent, nullptr, ModuleInstance(), nullptr));
    ::SendMessageW(tabs_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    link_ = TReflectLink(tabs_.Get(), this);
  }
  Layout();
}

TOrvaVKTabControl::~TOrvaVKTabControl() = default;

TOrvaVKTabPage& TOrvaVKTabControl::AddPage(std::wstring name) {
  const HWND parent = backend_ == kSelfDrawnTabs ? pageContainer_.Window() : tabs_.Get();
  TPanel container(parent, PageRect(), pageColour_, kBevelNone, WS_CHILD);
  pages_.push_back(std::make_unique<TOrvaVKTabPage>(TOrvaVKTabPage::Key(), *this, std::move(name),
                                                    std::move(container)));
  TOrvaVKTabPage& page = *pages_.back();
  InsertTab(page.VisibleIndex(), page.Name(), page.Panel());
  Layout();
  ShowSelectedPanel();
  return page;
}

TOrvaVKTabPage* TOrvaVKTabControl::Page(int index) const {
  return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)].get() : nullptr;
}

TOrvaVKTabPage* TOrvaVKTabControl::FindPage(std::wstring_view name) const {
  for (const auto& page : pages_)
    if (page->Name() == name) return page.get();
  return nullptr;
}

int TOrvaVKTabControl::TabCount() const {
  if (strip_) return strip_->Count();
  return static_cast<int>(::SendMessageW(tabs_.Get(), TCM_GETITEMCOUNT, 0, 0));
}

int TOrvaVKTabControl::SelectedIndex() const {
  if (strip_) return strip_->Selected();
  return static_cast<int>(::SendMessageW(tabs_.Get(), TCM_GETCURSEL, 0, 0));
}

void TOrvaVKTabControl::Select(int index) {
  if (index < 0 || index >= TabCount()) return;
  if (strip_)
    strip_->Select(index);
  else
    ::SendMessageW(tabs_.Get(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowSelectedPanel();
}

void TOrvaVKTabControl::InsertTab(int index, const std::wstring& name, HWND panel) {
  if (strip_) {
    strip_->InsertItem(index, name, reinterpret_cast<LPARAM>(panel));
    return;
  }
  const bool first = TabCount() == 0;
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = const_cast<wchar_t*>(name.c_str());
  item.lParam = reinterpret_cast<LPARAM>(panel);
  ::SendMessageW(tabs_.Get(), TCM_INSERTITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
  // Not every version of the control selects the first tab by itself.
  if (first) ::SendMessageW(tabs_.Get(), TCM_SETCURSEL, 0, 0);
}

void TOrvaVKTabControl::DeleteTab(int index) {
  if (strip_)
    strip_->DeleteItem(index);
  else
    ::SendMessageW(tabs_.Get(), TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void TOrvaVKTabControl::SetTabPanel(int index, HWND panel) {
  if (strip_) {
    strip_->SetItemData(index, reinterpret_cast<LPARAM>(panel));
    return;
  }
  TCITEMW item{};
  item.mask = TCIF_PARAM;
  item.lParam = reinterpret_cast<LPARAM>(panel);
  ::SendMessageW(tabs_.Get(), TCM_SETITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

HWND TOrvaVKTabControl::TabPanel(int index) const {
  if (strip_) return reinterpret_cast<HWND>(strip_->ItemData(index));
  TCITEMW item{};
  item.mask = TCIF_PARAM;
  if (!::SendMessageW(tabs_.Get(), TCM_GETITEMW, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&item)))
    return nullptr;
  return reinterpret_cast<HWND>(item.lParam);
}

// Exactly the selected tab's panel is visible; with no tab selected, none is.
void TOrvaVKTabControl::ShowSelectedPanel() {
  const int selected = SelectedIndex();
  const HWND shown = selected >= 0 ? TabPanel(selected) : nullptr;
  for (const auto& page : pages_) {
    const HWND panel = page->OwnPanel();
    ::ShowWindow(panel, panel == shown ? SW_SHOWNA : SW_HIDE);
  }
}

void TOrvaVKTabControl::SetPosition(POINT origin) {
  origin_ = origin;
  Layout();
}

void TOrvaVKTabControl::SetWidth(int width) {
  width_ = width;
  Layout();
}

void TOrvaVKTabControl::SetPageHeight(int height) {
  pageHeight_ = height;
  Layout();
}

SIZE TOrvaVKTabControl::PageSize() const {
  const RECT page = PageRect();
  return {page.right - page.left, page.bottom - page.top};
}

RECT TOrvaVKTabControl::Bounds() const { return BoundsInParent(Window()); }

HWND TOrvaVKTabControl::Window() const { return strip_ ? outer_.Window() : tabs_.Get(); }

HWND TOrvaVKTabControl::TabWindow() const { return strip_ ? strip_->Window() : tabs_.Get(); }

// Where the pages lie inside their parent: the system tab control's display area, or the page
// container less the gap.
RECT TOrvaVKTabControl::PageRect() const {
  if (strip_) {
    const TTabAppearance& tabs = config_.tabs;
    const int border = tabs.framed ? tabs.borderWidth : 0;
    const int width = width_ - 2 * border - 2 * tabs.gap;
    return {tabs.gap, tabs.gap, tabs.gap + width, tabs.gap + pageHeight_};
  }
  RECT client;
  ::GetClientRect(tabs_.Get(), &client);
  ::SendMessageW(tabs_.Get(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&client));
  return client;
}

void TOrvaVKTabControl::Layout() {
  if (strip_) {
    const TTabAppearance& tabs = config_.tabs;
    const int border = tabs.framed ? tabs.borderWidth : 0;
    const int frameHeight = pageHeight_ + 2 * tabs.gap + border;
    ::MoveWindow(outer_.Window(), origin_.x, origin_.y, width_, tabs.stripHeight + frameHeight,
                 TRUE);
    ::MoveWindow(strip_->Window(), 0, 0, width_, tabs.stripHeight, TRUE);
    ::MoveWindow(frame_.Window(), 0, tabs.stripHeight, width_, frameHeight, TRUE);
    ::MoveWindow(pageContainer_.Window(), border, 0, width_ - 2 * border, frameHeight - border,
                 TRUE);
  } else {
    RECT probe{0, 0, width_, kProbeHeight};
    ::SendMessageW(tabs_.Get(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&probe));
    const int height = pageHeight_ + probe.top + (kProbeHeight - probe.bottom);
    ::MoveWindow(tabs_.Get(), origin_.x, origin_.y, width_, height, TRUE);
  }
  const RECT page = PageRect();
  for (const auto& own : pages_)
    ::MoveWindow(own->OwnPanel(), page.left, page.top, page.right - page.left,
                 page.bottom - page.top, TRUE);
}

bool TOrvaVKTabControl::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message == WM_DRAWITEM) {
    PaintTab(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
  }
  if (message != WM_NOTIFY) return false;
  switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case TCN_SELCHANGING:
      // The control does not say yet where the selection goes: the handler is asked once it
      // has moved, and a refusal moves it back before any panel changes.
      changingFrom_ = SelectedIndex();
      result = FALSE;
      return true;
    case TCN_SELCHANGE: {
      const int to = SelectedIndex();
      if (onChanging_ && !onChanging_(changingFrom_, to))
        ::SendMessageW(tabs_.Get(), TCM_SETCURSEL, static_cast<WPARAM>(changingFrom_), 0);
      ShowSelectedPanel();
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

// The owner-drawn system tabs: the name centred in the tab font on the tab colour.
void TOrvaVKTabControl::PaintTab(const DRAWITEMSTRUCT& item) const {
  wchar_t name[256] = {};
  TCITEMW tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = name;
  tab.cchTextMax = 256;
  ::SendMessageW(tabs_.Get(), TCM_GETITEMW, item.itemID, reinterpret_cast<LPARAM>(&tab));

  kit::UniqueGdiObject brush(::CreateSolidBrush(ResolveColour(pageColour_)));
  ::FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(brush.Get()));
  const HGDIOBJ previous = ::SelectObject(item.hDC, font_.Get());
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ResolveColour(config_.tabFont.colour));
  RECT text = item.rcItem;
  ::DrawTextW(item.hDC, name, -1, &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  ::SelectObject(item.hDC, previous);
}

}  // namespace orvavk
