#include "label.h"

#include <algorithm>

#include "orvavkcfg.h"

namespace orvavk {

TLabel::TLabel(HWND parent, const RECT& bounds, const std::wstring& text, HFONT font,
               uint32_t colour, bool wrap)
    : window_(::CreateWindowExW(
          0, L"STATIC", text.c_str(),
          WS_CHILD | WS_VISIBLE | SS_NOPREFIX | (wrap ? SS_LEFT : SS_LEFTNOWORDWRAP), bounds.left,
          bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr,
          ModuleInstance(), nullptr)),
      link_(window_.Get(), this),
      colour_(colour),
      background_(::CreateSolidBrush(PanelColour(parent))) {
  ::SendMessageW(window_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void TLabel::SetText(const std::wstring& text) { ::SetWindowTextW(window_.Get(), text.c_str()); }

bool TLabel::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_CTLCOLORSTATIC) return false;
  const auto dc = reinterpret_cast<HDC>(wParam);
  ::SetTextColor(dc, ResolveColour(colour_));
  ::SetBkMode(dc, TRANSPARENT);
  result = reinterpret_cast<LRESULT>(background_.Get());
  return true;
}

SIZE MeasureText(HFONT font, const std::wstring& text, int wrapWidth) {
  kit::UniqueCreatedDc dc(::CreateCompatibleDC(nullptr));
  const HGDIOBJ previous = ::SelectObject(dc.Get(), font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc.Get(), &metrics);
  RECT bounds{0, 0, wrapWidth, 0};
  if (!text.empty())
    ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &bounds,
                DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  ::SelectObject(dc.Get(), previous);
  // An empty text still takes one line.
  return {bounds.right - bounds.left, std::max<LONG>(bounds.bottom - bounds.top, metrics.tmHeight)};
}

}  // namespace orvavk
