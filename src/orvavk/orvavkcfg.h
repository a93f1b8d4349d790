// The appearance of the request forms and their keyboard: one record per library, shared by
// every form. The record is plain data in a fixed order, so a caller in the same process can
// hand over a filled copy by address and have it copied over the library's one field by field.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "winhandles.h"

namespace orvavk {

// Colours are 0x00BBGGRR values; 0x80000000 + n is system colour n (GetSysColor), and
// kNoColour draws nothing (the parent's colour shows through).
inline constexpr uint32_t kNoColour = 0x1FFFFFFF;
constexpr uint32_t SystemColour(int index) { return 0x80000000u + static_cast<uint32_t>(index); }

struct TFontDescription {
  int32_t height;  // logical units; negative: the character height
  int32_t weight;  // FW_NORMAL, FW_BOLD...
  int32_t italic;
  int32_t charset;
  uint32_t colour;  // of the text drawn in this font
  wchar_t face[LF_FACESIZE];
};

// The self-drawn tab strip's colours for one state (enabled or disabled).
struct TStripColours {
  uint32_t face;          // unselected tabs
  uint32_t selectedFace;  // the selected tab
  uint32_t lightEdge;     // the inner line along the top and left of a tab
  uint32_t border;        // tab outlines and the baseline
  uint32_t highlight;     // the selected tab's top lines, when enabled
  uint32_t text;
};

// The keyboard's tab control and, for the self-drawn back-end, its strip.
struct TTabAppearance {
  // Strip item widths: -1 the strip width less twice the left margin split equally, 0 each
  // item its text width + 10, greater than 0 that width. Non-zero gives the system tab control
  // fixed-width tabs.
  int32_t itemWidthMode = 0;
  int32_t stripHeight = 35;
  int32_t panelStyle = 2;  // bevel of the page container: 0 none, 1 lowered, 2 raised
  uint32_t background = kNoColour;
  TStripColours enabled = {0xC6DBE3, 0xF0FBFF, 0xFFFFFF, 0xC1A893, 0x2D89E6, 0};
  uint32_t frameColour = 0x9C9B92;  // the frame around the pages
  TStripColours disabled = {SystemColour(COLOR_INACTIVEBORDER), SystemColour(COLOR_BTNFACE),
                            SystemColour(COLOR_BTNFACE),        SystemColour(COLOR_BTNFACE),
                            SystemColour(COLOR_INACTIVECAPTION), SystemColour(COLOR_INACTIVECAPTION)};
  int32_t roundedCorners = 1;
  int32_t highlightLines = 0;
  int32_t framed = 1;  // a frame of borderWidth around the pages
  int32_t borderWidth = 1;
  int32_t gap = 2;       // between the frame and the pages
  int32_t overhang = 2;  // how much wider and taller the selected tab is
  int32_t leftMargin = 3;
  int32_t cornerRadius = 5;
};

struct TScrollerSizes {
  int32_t buttonWidth = 25;
  int32_t step = 10;
  int32_t sideGap = 5;
};

// Tab control back-ends (the tabStyle field).
inline constexpr int32_t kSystemTabs = 0;
inline constexpr int32_t kOwnerDrawnSystemTabs = 1;
inline constexpr int32_t kSelfDrawnTabs = 2;

struct TVisualConfiguration {
  int32_t formWidth = 400;  // 0: sized to the content
  int32_t style = 0;        // 0 a standard window; 1 borderless, self-drawn, white on blue
  uint32_t formColour = 0xFFFFFF;
  int32_t frameOption = 1;
  int32_t frameWidth = 1;
  uint32_t frameColour = 0xFF0000;
  int32_t captionPanelHeight = 30;
  uint32_t captionPanelColour = 0xC0C0C0;
  TFontDescription captionFont;
  int32_t captionTextLeft = 10;
  int32_t bodyLeft = 0;
  int32_t bodyTop = 0;
  int32_t bodyWidth = 0;  // 0: computed
  int32_t margin = 10;
  int32_t firstFieldTop = 10;
  int32_t fieldGap = 10;
  int32_t labelGap = 0;
  int32_t minimumFieldWidth = 100;
  TFontDescription labelFont;
  TFontDescription editFont;
  int32_t tabStyle = kSystemTabs;
  uint32_t tabOptions = 0;         // extra TCS_ styles of the system tab control
  int32_t keyboardPageWidth = 0;  // 0: the widest key panel + 16
  TFontDescription tabFont;
  TTabAppearance tabs;
  TScrollerSizes scroller;
  HBITMAP keyPicture = nullptr;  // stretched over a key's face instead of the face colour
  uint32_t keyFaceColour = SystemColour(COLOR_BTNFACE);
  int32_t pressedOffsetX = 1;
  int32_t pressedOffsetY = 1;
  int32_t bevelWidth = 2;
  int32_t raisedBevel = 1;
  int32_t sunkenBevel = 1;
  uint32_t bevelShadow = SystemColour(COLOR_BTNSHADOW);
  uint32_t bevelHighlight = SystemColour(COLOR_BTNHIGHLIGHT);
  uint32_t focusFrameColour = 0;
  int32_t focusFrame = 0;
  int32_t backspaceRepeatInterval = 50;  // ms between repeats of a held Backspace key
  int32_t keyInnerMargin = 0;            // > 0: inner margin of a character key's text
  int32_t keyHeight = 45;
  int32_t keyWidth = 45;
  TFontDescription keyFont;
  int32_t buttonHeight = 28;  // OK, Cancel and the special keys
  int32_t buttonWidth = 100;
  int32_t buttonGap = 10;
  int32_t specialKeyGap = 5;
  int32_t buttonColumnSpacing = 10;
  TFontDescription buttonFont;
  TFontDescription listFont;
  int32_t buttonLayoutMode = 1;  // special keys: 1 a row below the body, 2 a column, 3 a row
                                 // inside the body below the keyboard
  TFontDescription informationFont;
};

// The defaults of a style: 0, or 1 with its blue keys and white texts. Fonts come from the
// system's non-client metrics, or "MS Sans Serif" of height -11 when they cannot be read.
TVisualConfiguration DefaultVisualConfiguration(int32_t style = 0);

// The library's configuration, made with the style 0 defaults on first use.
TVisualConfiguration& LibraryConfiguration();

COLORREF ResolveColour(uint32_t colour);
kit::UniqueGdiObject CreateFontFrom(const TFontDescription& description);

// How one self-painted button looks at one moment.
struct TButtonLook {
  std::wstring_view text;
  HFONT font = nullptr;
  COLORREF textColour = 0;
  UINT alignment = DT_CENTER;  // DT_LEFT, DT_CENTER or DT_RIGHT
  bool down = false;           // pressed or checked
  bool pressed = false;        // held by the mouse: the text moves by the pressed offset
  bool focused = false;
  int innerMargin = 0;
};

// Paints a button the way every button of a form looks: bevel, face colour or picture, text.
void PaintButton(const TVisualConfiguration& config, HDC dc, RECT bounds, const TButtonLook& look);

}  // namespace orvavk
