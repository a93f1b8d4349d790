#include "orvavkcfg.h"

#include <algorithm>
#include <cwchar>

namespace orvavk {
namespace {

constexpr uint32_t kWindowText = SystemColour(COLOR_WINDOWTEXT);
constexpr uint32_t kWhite = 0xFFFFFF;

TFontDescription FontFace(int32_t height, const wchar_t* face) {
  TFontDescription description{height, FW_NORMAL, 0, DEFAULT_CHARSET, kWindowText, {}};
  std::wcsncpy(description.face, face, LF_FACESIZE - 1);
  return description;
}

TFontDescription FromLogFont(const LOGFONTW& font) {
  TFontDescription description = FontFace(font.lfHeight, font.lfFaceName);
  description.weight = font.lfWeight;
  description.italic = font.lfItalic;
  description.charset = font.lfCharSet;
  return description;
}

TFontDescription WithHeight(TFontDescription description, int32_t height) {
  description.height = height;
  return description;
}

TFontDescription WithColour(TFontDescription description, uint32_t colour) {
  description.colour = colour;
  return description;
}

// The fonts the system uses for window captions and message boxes.
struct SystemFonts {
  TFontDescription caption;
  TFontDescription message;
};

SystemFonts ReadSystemFonts() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return {FromLogFont(metrics.lfCaptionFont), FromLogFont(metrics.lfMessageFont)};
  const TFontDescription fallback = FontFace(-11, L"MS Sans Serif");
  return {fallback, fallback};
}

void FillRectColour(HDC dc, const RECT& rect, COLORREF colour) {
  kit::UniqueGdiObject brush(::CreateSolidBrush(colour));
  ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
}

// A bevel of `width` lines: `topLeft` along the top and left edges, `bottomRight` along the
// others; the rectangle shrinks to what is inside it.
void DrawBevel(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width) {
  for (int i = 0; i < width && rect.right - rect.left > 1 && rect.bottom - rect.top > 1; ++i) {
    FillRectColour(dc, {rect.left, rect.top, rect.right - 1, rect.top + 1}, topLeft);
    FillRectColour(dc, {rect.left, rect.top, rect.left + 1, rect.bottom - 1}, topLeft);
    FillRectColour(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
    FillRectColour(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
    ::InflateRect(&rect, -1, -1);
  }
}

void StretchPicture(HDC dc, const RECT& rect, HBITMAP picture) {
  BITMAP info{};
  if (!::GetObjectW(picture, sizeof info, &info)) return;
  kit::UniqueCreatedDc source(::CreateCompatibleDC(dc));
  const HGDIOBJ previous = ::SelectObject(source.Get(), picture);
  ::SetStretchBltMode(dc, HALFTONE);
  ::StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               source.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  ::SelectObject(source.Get(), previous);
}

}  // namespace

TVisualConfiguration DefaultVisualConfiguration(int32_t style) {
  const SystemFonts system = ReadSystemFonts();
  // The font a control gets when nobody chooses one.
  const TFontDescription plain = FontFace(-11, L"MS Sans Serif");
  const uint32_t onForm = style == 1 ? kWhite : kWindowText;

  TVisualConfiguration config;
  config.style = style;
  config.captionFont = plain;
  config.labelFont = WithHeight(system.message, -14);
  config.editFont = FontFace(plain.height, L"Tahoma");
  config.tabFont = WithColour(system.message, onForm);
  config.keyFont = WithColour(FontFace(-30, L"Tahoma"), onForm);
  config.buttonFont = WithColour(system.caption, onForm);
  config.listFont = system.caption;
  config.informationFont = WithHeight(system.message, -14);
  if (style == 1) {
    config.tabOptions = 0x4000;
    config.keyFaceColour = 0xFF0000;
    config.pressedOffsetX = -1;
    config.pressedOffsetY = -1;
  }
  return config;
}

TVisualConfiguration& LibraryConfiguration() {
  static TVisualConfiguration config = DefaultVisualConfiguration();
  return config;
}

COLORREF ResolveColour(uint32_t colour) {
  if (colour & 0x80000000u) return ::GetSysColor(static_cast<int>(colour & 0xFF));
  return colour & 0xFFFFFF;
}

kit::UniqueGdiObject CreateFontFrom(const TFontDescription& description) {
  LOGFONTW font{};
  font.lfHeight = description.height;
  font.lfWeight = description.weight;
  font.lfItalic = static_cast<BYTE>(description.italic != 0);
  font.lfCharSet = static_cast<BYTE>(description.charset);
  font.lfQuality = DEFAULT_QUALITY;
  std::wcsncpy(font.lfFaceName, description.face, LF_FACESIZE - 1);
  return kit::UniqueGdiObject(::CreateFontIndirectW(&font));
}

void PaintButton(const TVisualConfiguration& config, HDC dc, RECT bounds,
                 const TButtonLook& look) {
  RECT face = bounds;
  const COLORREF shadow = ResolveColour(config.bevelShadow);
  const COLORREF highlight = ResolveColour(config.bevelHighlight);
  if (look.down) {
    if (config.sunkenBevel) DrawBevel(dc, face, shadow, highlight, config.bevelWidth);
  } else if (config.raisedBevel) {
    DrawBevel(dc, face, highlight, shadow, config.bevelWidth);
  }

  if (config.keyPicture)
    StretchPicture(dc, face, config.keyPicture);
  else
    FillRectColour(dc, face, ResolveColour(config.keyFaceColour));
  if (look.focused && config.focusFrame) {
    kit::UniqueGdiObject brush(::CreateSolidBrush(ResolveColour(config.focusFrameColour)));
    ::FrameRect(dc, &face, static_cast<HBRUSH>(brush.Get()));
  }

  RECT text = face;
  if (look.innerMargin > 0) ::InflateRect(&text, -look.innerMargin, -look.innerMargin);
  if (look.pressed) ::OffsetRect(&text, config.pressedOffsetX, config.pressedOffsetY);
  const HGDIOBJ previousFont = look.font ? ::SelectObject(dc, look.font) : nullptr;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, look.textColour);
  ::DrawTextW(dc, look.text.data(), static_cast<int>(look.text.size()), &text,
              look.alignment | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (previousFont) ::SelectObject(dc, previousFont);
}

}  // namespace orvavk
