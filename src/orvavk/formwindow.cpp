#include "formwindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <system_error>

#include "decoys.h"
#include "orvavkcnst.h"

namespace orvavk {
namespace {

// The information label keeps this distance from the left edge and from what is above and
// below it.
constexpr int kInformationGap = 10;
// An edit's client edge and inner margin above and below its text.
constexpr int kEditPadding = 8;

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

void Resize(HWND window, int width, int height) {
  ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TFormWindow::TFormWindow(TRequestPasswordForm& form)
    : form_(form),
      config_(form.Configuration()),
      labelFont_(CreateFontFrom(config_.labelFont)),
      editFont_(CreateFontFrom(config_.editFont)),
      informationFont_(CreateFontFrom(config_.informationFont)),
      captionFont_(CreateFontFrom(config_.captionFont)),
      buttonFont_(CreateFontFrom(config_.buttonFont)) {
  const SIZE frame = CreateFormWindow();
  const TArea area = BuildFrame();
  body_ = TPanel(area.parent, {}, kNoColour);
  int bodyHeight = BuildFields(config_.firstFieldTop);
  if (form.KeyMaps().Count() > 0) bodyHeight = BuildKeyboard(bodyHeight);

  // With a fixed form width, everything is laid out in the client width it leaves.
  const int frameWidth = content_.Window() ? config_.frameWidth : 0;
  const int buttonColumn = 2 * config_.buttonColumnSpacing + config_.buttonWidth;
  int contentWidth =
      config_.formWidth > 0 ? std::max<int>(config_.formWidth - frame.cx - 2 * frameWidth, 0) : 0;
  const int bodyWidth = BodyWidth(contentWidth - 2 * config_.bodyLeft - buttonColumn);
  if (config_.formWidth <= 0) contentWidth = bodyWidth + 2 * config_.bodyLeft + buttonColumn;
  if (keyboard_ && config_.buttonLayoutMode == 3) {
    const RECT keys =
        PlaceSpecialKeys(body_.Window(), {config_.margin, bodyHeight}, bodyWidth - config_.margin);
    if (!::IsRectEmpty(&keys)) bodyHeight = keys.bottom + config_.fieldGap;
  }

  const RECT body{area.origin.x + config_.bodyLeft, area.origin.y + config_.bodyTop,
                  area.origin.x + config_.bodyLeft + bodyWidth,
                  area.origin.y + config_.bodyTop + bodyHeight};
  FitBody(body);
  const int lowest = PlaceButtons(area, body, contentWidth);
  const int contentHeight = PlaceInformation(area, body, lowest);

  const int clientWidth = contentWidth + 2 * frameWidth;
  const int clientHeight = contentHeight + 2 * frameWidth;
  Resize(window_.Get(), config_.formWidth > 0 ? config_.formWidth : clientWidth + frame.cx,
         clientHeight + frame.cy);
  ::MoveWindow(client_.Window(), 0, 0, clientWidth, clientHeight, TRUE);
  if (content_.Window()) {
    ::MoveWindow(content_.Window(), frameWidth, frameWidth, contentWidth, contentHeight, TRUE);
    const int captionHeight = config_.captionPanelHeight;
    ::MoveWindow(captionPanel_.Window(), 0, 0, contentWidth, captionHeight, TRUE);
    const int textHeight = MeasureText(static_cast<HFONT>(captionFont_.Get()), form.Caption()).cy;
    ::MoveWindow(captionLabel_->Window(), config_.captionTextLeft, (captionHeight - textHeight) / 2,
                 std::max(contentWidth - config_.captionTextLeft, 0), textHeight, TRUE);
  }

  if (keyboard_) {
    TOrvaVKTabControl& tabs = keyboard_->Tabs();
    const int count = tabs.TabCount();
    tabs.Select(form.RandomStartPage() && count > 1
                    ? static_cast<int>(LibraryRandom().Next(static_cast<uint32_t>(count)))
                    : 0);
  }
}

// The window itself, hidden; returns the size its frame and caption add to the client area.
SIZE TFormWindow::CreateFormWindow() {
  RegisterWindowClass(kFormClassName, WindowProc, 0, CS_NOCLOSE);
  const bool borderless = config_.style == 1;
  const HWND owner = form_.Owner();
  // An owner of this thread keeps the form above it; an owner elsewhere is only disabled.
  const bool ownedHere = owner && ::IsWindow(owner) &&
                         ::GetWindowThreadProcessId(owner, nullptr) == ::GetCurrentThreadId();
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN | (borderless ? 0 : WS_CAPTION | WS_SYSMENU);
  const DWORD exStyle = (owner ? 0 : WS_EX_TOPMOST) | (borderless ? 0 : WS_EX_DLGMODALFRAME);
  RECT frame{0, 0, 0, 0};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  window_.Reset(::CreateWindowExW(exStyle, kFormClassName, form_.Caption().c_str(), style, 0, 0,
                                  std::max<int>(config_.formWidth, Width(frame)), Height(frame),
                                  ownedHere ? owner : nullptr, nullptr, ModuleInstance(), this));
  if (!window_)
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                            "the window of a request form");
  return {Width(frame), Height(frame)};
}

int TFormWindow::BuildKeyboard(int offset) {
  keyboard_ =
      std::make_unique<TKeyboard>(body_.Window(), POINT{config_.margin, offset}, form_.KeyMaps(),
                                  config_, form_.LettersTab(), form_.Layouts());
  keyboard_->OnKey([&form = form_](TKeyButton& key) {
    // Nothing may leave a window procedure: a key that failed ends the request unconfirmed.
    try {
      form.HandleKey(key);
    } catch (...) {
      form.End(false);
    }
  });
  keyboard_->WatchLanguageChanges(window_.Get());
  for (const auto& field : form_.Inputs()) keyboard_->WatchLanguageChanges(field->Edit());
  return keyboard_->Bounds().bottom + config_.fieldGap;
}

// The configured body width; or what a fixed form width leaves (`fixedWidth`); or the width of
// the content: the keyboard, the labels and at least the minimum field width.
int TFormWindow::BodyWidth(int fixedWidth) const {
  int width = 0;
  if (config_.bodyWidth > 0) {
    width = config_.bodyWidth;
  } else if (config_.formWidth > 0) {
    width = fixedWidth;
  } else {
    int content = config_.minimumFieldWidth;
    for (const auto& field : form_.Inputs())
      content = std::max<int>(content,
                              MeasureText(static_cast<HFONT>(labelFont_.Get()), field->Label()).cx);
    if (keyboard_) content = std::max(content, keyboard_->NaturalWidth());
    width = content + 2 * config_.margin;
  }
  return std::max(width, 2 * config_.margin);
}

// The body at its place, its fields as wide as it less the margins, the keyboard fitted in.
void TFormWindow::FitBody(const RECT& body) {
  const int inner = Width(body) - 2 * config_.margin;
  for (const auto& label : fieldLabels_)
    Resize(label->Window(), inner, Height(BoundsInParent(label->Window())));
  for (const auto& field : form_.Inputs())
    Resize(field->Edit(), inner, Height(BoundsInParent(field->Edit())));
  if (keyboard_) keyboard_->Fit(inner);
  ::MoveWindow(body_.Window(), body.left, body.top, Width(body), Height(body), TRUE);
}

// OK and Cancel in a column right of the body; the special keys below the body or under the
// buttons. Returns the lowest edge of all.
int TFormWindow::PlaceButtons(const TArea& area, const RECT& body, int contentWidth) {
  const int left = body.right + config_.bodyLeft + config_.buttonColumnSpacing;
  int top = body.top + config_.buttonGap;
  const auto next = [&] {
    const RECT bounds{left, top, left + config_.buttonWidth, top + config_.buttonHeight};
    top = bounds.bottom + config_.buttonGap;
    return bounds;
  };
  ok_ = AddButton(area.parent, next(), form_.OkText(), kModalOk).Window();
  cancel_ = AddButton(area.parent, next(), form_.CancelText(), kModalCancel).Window();
  int lowest = std::max<int>(body.bottom, top - config_.buttonGap);
  const int mode = config_.buttonLayoutMode;
  if (keyboard_ && mode != 3) {
    const RECT keys = mode == 2
                          ? PlaceSpecialKeys(area.parent, {left, top}, 0)
                          : PlaceSpecialKeys(area.parent, {body.left + config_.margin, body.bottom},
                                             area.origin.x + contentWidth - config_.margin);
    if (!::IsRectEmpty(&keys)) lowest = std::max<int>(lowest, keys.bottom);
  }
  return lowest;
}

// The information label below everything else; returns the height of the content area.
int TFormWindow::PlaceInformation(const TArea& area, const RECT& body, int lowest) {
  if (form_.Information().empty()) {
    // Keys placed below the body are not cut off.
    return std::max<int>(body.bottom + config_.bodyTop, lowest + config_.specialKeyGap);
  }
  const auto font = static_cast<HFONT>(informationFont_.Get());
  const SIZE size = MeasureText(font, form_.Information(), Width(body));
  const RECT bounds{area.origin.x + kInformationGap, lowest + kInformationGap,
                    area.origin.x + kInformationGap + Width(body),
                    lowest + kInformationGap + size.cy};
  information_ = std::make_unique<TLabel>(area.parent, bounds, form_.Information(), font,
                                          config_.informationFont.colour, true);
  return bounds.bottom + kInformationGap;
}

TFormWindow::~TFormWindow() {
  // Nothing that the window is told from here on may reach the parts already gone.
  ::SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
  for (const auto& field : form_.Inputs()) field->DestroyEdit();
}

// Style 0 is a standard window on one panel. Style 1 is borderless; with its frame option the
// frame is the outer panel's colour showing around the inner one, and a caption panel on top
// repeats the caption and moves the window.
TFormWindow::TArea TFormWindow::BuildFrame() {
  const HWND window = window_.Get();
  if (config_.style != 1) {
    client_ = TPanel(window, {}, SystemColour(COLOR_BTNFACE));
    return {client_.Window(), {0, 0}};
  }
  if (!config_.frameOption) {
    client_ = TPanel(window, {}, config_.formColour);
    return {client_.Window(), {0, 0}};
  }
  client_ = TPanel(window, {}, config_.frameColour);
  content_ = TPanel(client_.Window(), {}, config_.formColour);
  captionPanel_ = TPanel(content_.Window(), {}, config_.captionPanelColour);
  ::SetWindowSubclass(captionPanel_.Window(), CaptionProc, 0, 0);
  captionLabel_ =
      std::make_unique<TLabel>(captionPanel_.Window(), RECT{}, form_.Caption(),
                               static_cast<HFONT>(captionFont_.Get()), config_.captionFont.colour);
  return {content_.Window(), {0, config_.captionPanelHeight}};
}

int TFormWindow::BuildFields(int offset) {
  const int margin = config_.margin;
  const int width = std::max(config_.minimumFieldWidth, 1);
  const auto labelFont = static_cast<HFONT>(labelFont_.Get());
  const auto editFont = static_cast<HFONT>(editFont_.Get());
  const int editHeight = MeasureText(editFont, L"").cy + kEditPadding;
  for (const auto& field : form_.Inputs()) {
    if (!field->Label().empty()) {
      const int height = MeasureText(labelFont, field->Label()).cy;
      fieldLabels_.push_back(std::make_unique<TLabel>(
          body_.Window(), RECT{margin, offset, margin + width, offset + height}, field->Label(),
          labelFont, config_.labelFont.colour));
      offset += height + config_.labelGap;
    }
    field->CreateEdit(body_.Window(), {margin, offset, margin + width, offset + editHeight},
                      editFont);
    field->OnFocus([&form = form_](TInputControl& focused) { form.current_ = &focused; });
    field->OnFinish([&form = form_](bool confirmed) { form.End(confirmed); });
    offset += editHeight + config_.fieldGap;
  }
  return offset;
}

// The special keys from `start`: in rows that break before `rightEdge`, each key its own
// width, or with `rightEdge` 0 in a column as wide as the OK and Cancel buttons. The language
// list is a drop-down list. Returns the rectangle they take.
RECT TFormWindow::PlaceSpecialKeys(HWND parent, POINT start, int rightEdge) {
  const bool column = rightEdge == 0;
  RECT used{start.x, start.y, start.x, start.y};
  POINT at = start;
  for (const TSystemKey& key : form_.SpecialKeys()) {
    const int width =
        column ? config_.buttonWidth : (key.width > 0 ? key.width : config_.buttonWidth);
    if (!column && at.x > start.x && at.x + width > rightEdge)
      at = {start.x, used.bottom + config_.specialKeyGap};
    RECT bounds{at.x, at.y, at.x + width, at.y + config_.buttonHeight};
    if (key.name == kLanguageListName) {
      const HWND list = keyboard_->AddLanguageList(parent, at, width);
      bounds.bottom = at.y + std::max<int>(Height(BoundsInParent(list)), config_.buttonHeight);
    } else {
      keyboard_->AddFunctionButton(parent, bounds, key.code, key.name);
    }
    ::UnionRect(&used, &used, &bounds);
    if (column)
      at.y = bounds.bottom + config_.specialKeyGap;
    else
      at.x = bounds.right + config_.specialKeyGap;
  }
  return used;
}

TKeyButton& TFormWindow::AddButton(HWND parent, const RECT& bounds, const std::wstring& text,
                                   int result) {
  buttons_.push_back(std::make_unique<TKeyButton>(parent, bounds, text, TButtonProperties{},
                                                  config_, static_cast<HFONT>(buttonFont_.Get()),
                                                  config_.buttonFont.colour));
  TKeyButton& button = *buttons_.back();
  button.OnClick([this, result](TKeyButton&) { SetModalResult(result); });
  ::SetWindowSubclass(button.Window(), ButtonKeyProc, 0, reinterpret_cast<DWORD_PTR>(this));
  return button;
}

// Enter presses the OK or Cancel button that has the focus; Escape cancels on either.
LRESULT CALLBACK TFormWindow::ButtonKeyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
  if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
    auto& form = *reinterpret_cast<TFormWindow*>(self);
    form.SetModalResult(wParam == VK_RETURN && window == form.ok_ ? kModalOk : kModalCancel);
    return 0;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

void TFormWindow::SetCaption(const std::wstring& caption) {
  ::SetWindowTextW(window_.Get(), caption.c_str());
  if (captionLabel_) captionLabel_->SetText(caption);
}

void TFormWindow::SetInformation(const std::wstring& text) {
  if (information_) information_->SetText(text);
}

void TFormWindow::CentreOnPrimaryScreen() {
  RECT bounds;
  ::GetWindowRect(window_.Get(), &bounds);
  const auto centred = [](int screen, int size) {
    return static_cast<int>(std::lround((screen - size) / 2.0));
  };
  ::SetWindowPos(window_.Get(), nullptr, centred(::GetSystemMetrics(SM_CXSCREEN), Width(bounds)),
                 centred(::GetSystemMetrics(SM_CYSCREEN), Height(bounds)), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormWindow::Reveal() {
  ::ShowWindow(window_.Get(), SW_SHOW);
  ::SetForegroundWindow(window_.Get());
}

LRESULT CALLBACK TFormWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    ::SetWindowLongPtrW(
        window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
  if (auto* self = reinterpret_cast<TFormWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
    return self->Handle(window, message, wParam, lParam);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TFormWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      SetModalResult(kModalCancel);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) break;
      form_.FocusCurrentInput();
      return 0;
    case WM_ERASEBKGND:
      // The client panel covers the whole client area.
      return 1;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TFormWindow::CaptionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
  if (message == WM_LBUTTONDOWN) {
    // The system moves the window as if its own caption had been pressed.
    ::ReleaseCapture();
    const DWORD at = ::GetMessagePos();
    ::SendMessageW(::GetAncestor(window, GA_ROOT), WM_NCLBUTTONDOWN, HTCAPTION,
                   MAKELPARAM(LOWORD(at), HIWORD(at)));
    return 0;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace orvavk
