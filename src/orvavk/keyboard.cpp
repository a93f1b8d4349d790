#include "keyboard.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "decoys.h"

namespace orvavk {
namespace {

// Room the keyboard leaves around its widest key panel when it sizes itself.
constexpr int kKeyboardPadding = 16;
constexpr int kLanguageListHeight = 200;

int HalfRounded(int value) { return static_cast<int>(std::lround(value / 2.0)); }

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

size_t LongestRow(const std::vector<std::wstring>& rows) {
  size_t longest = 0;
  for (const auto& row : rows) longest = std::max(longest, row.size());
  return longest;
}

}  // namespace

TKeyboard::TKeyboard(HWND parent, POINT origin, TKeysMap& maps, const TVisualConfiguration& config,
                     std::wstring lettersTab, const TKeyboardLayouts& layouts)
    : config_(config),
      maps_(maps),
      keyFont_(CreateFontFrom(config.keyFont)),
      buttonFont_(CreateFontFrom(config.buttonFont)),
      listFont_(CreateFontFrom(config.listFont)),
      tabs_(std::make_unique<TOrvaVKTabControl>(parent, config, origin,
                                                std::max(config.keyboardPageWidth, 0))) {
  int tallest = 0;
  for (int i = 0; i < maps.Count(); ++i) {
    TKeyMap& map = *maps.At(i);
    if (map.layout && !lettersTab.empty() && !tabs_->FindPage(lettersTab))
      letters_ = &tabs_->AddPage(lettersTab);
    TOrvaVKTabPage& page = tabs_->AddPage(map.name);
    page.SetKeyMap(&map);

    const int width = static_cast<int>(LongestRow(map.fixedRows)) * config.keyWidth;
    const int height = static_cast<int>(map.fixedRows.size()) * config.keyHeight;
    keyPanels_.push_back({&map, &page, TPanel(page.OwnPanel(), {0, 0, width, height}, kNoColour)});
    BuildKeys(keyPanels_.back(), map.fixedRows);
    widestPanel_ = std::max(widestPanel_, width);
    tallest = std::max(tallest, height);
  }
  tabs_->SetPageHeight(tallest);
  Fit(NaturalWidth());

  SwitchToLayout(layouts.Current());
  if (!current_) {
    const auto languages = Languages();
    if (!languages.empty()) SwitchToLayout(languages.front()->layout);
  }
}

TKeyboard::~TKeyboard() {
  for (HWND window : watched_)
    if (::IsWindow(window))
      ::RemoveWindowSubclass(window, LanguageChangeProc, reinterpret_cast<UINT_PTR>(this));
}

int TKeyboard::NaturalWidth() const {
  return config_.keyboardPageWidth > 0 ? config_.keyboardPageWidth
                                       : widestPanel_ + kKeyboardPadding;
}

void TKeyboard::Fit(int width) {
  // Earlier scrollers hand their panels back to the pages first.
  scrollers_.clear();
  if (config_.keyboardPageWidth <= 0) tabs_->SetWidth(width);
  const SIZE page = tabs_->PageSize();
  for (const TKeyPanel& keys : keyPanels_) {
    const HWND panel = keys.panel.Window();
    const RECT bounds = BoundsInParent(panel);
    const int top = HalfRounded(page.cy - Height(bounds));
    if (Width(bounds) > page.cx) {
      ::MoveWindow(panel, 0, top, Width(bounds), Height(bounds), TRUE);
      scrollers_.push_back(std::make_unique<TOrvaVKControlScroller>(
          keys.page->OwnPanel(), config_, static_cast<HFONT>(buttonFont_.Get())));
      scrollers_.back()->Attach(panel);
    } else {
      ::MoveWindow(panel, HalfRounded(page.cx - Width(bounds)), top, Width(bounds),
                   Height(bounds), TRUE);
    }
  }
}

// A run of equal characters becomes one key as many cells wide; every row is centred in the
// panel.
void TKeyboard::BuildKeys(const TKeyPanel& keys, const std::vector<std::wstring>& rows) {
  const HWND panel = keys.panel.Window();
  RECT area;
  ::GetClientRect(panel, &area);
  const HKL layout = keys.map->layout ? keys.map->layout : ::GetKeyboardLayout(0);
  const auto font = static_cast<HFONT>(keyFont_.Get());
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::wstring& row = rows[r];
    const int start = HalfRounded(area.right - static_cast<int>(row.size()) * config_.keyWidth);
    const int top = static_cast<int>(r) * config_.keyHeight;
    for (size_t p = 0; p < row.size();) {
      size_t run = 1;
      while (p + run < row.size() && row[p + run] == row[p]) ++run;
      const int left = static_cast<int>(p) * config_.keyWidth + start;
      const RECT bounds{left, top, left + static_cast<int>(run) * config_.keyWidth,
                        top + config_.keyHeight};
      const std::wstring text(1, row[p]);
      const int32_t code = KeyCodeOf(row[p], layout);
      if (IsControlCode(code)) {
        TKeyButton& button = AddButton(panel, bounds, text, {code, L""}, font, config_.keyFont.colour);
        SetUpFunctionButton(button);
      } else {
        TKeyButton& button =
            AddButton(panel, bounds, DecoyFor(text), {code, text}, font, config_.keyFont.colour);
        button.SetInnerMargin(config_.keyInnerMargin);
        characterButtons_.push_back(&button);
      }
      p += run;
    }
  }
}

TKeyButton& TKeyboard::AddButton(HWND parent, const RECT& bounds, const std::wstring& caption,
                                 TButtonProperties properties, HFONT font, uint32_t textColour) {
  buttons_.push_back(std::make_unique<TKeyButton>(parent, bounds, caption, std::move(properties),
                                                  config_, font, textColour));
  TKeyButton& button = *buttons_.back();
  button.OnClick([this](TKeyButton& pressed) { HandleKey(pressed); });
  return button;
}

void TKeyboard::SetUpFunctionButton(TKeyButton& button) {
  const int32_t code = button.Properties().keyCode;
  button.SetToggle(code == kKeyShift || code == kKeyCapsLock);
  if (code == kKeyBackspace) button.SetRepeat(config_.backspaceRepeatInterval);
  functionButtons_.push_back(&button);
}

TKeyButton& TKeyboard::AddFunctionButton(HWND parent, const RECT& bounds, int32_t code,
                                         const std::wstring& caption) {
  TKeyButton& button = AddButton(parent, bounds, caption, {code, L""},
                                 static_cast<HFONT>(buttonFont_.Get()), config_.buttonFont.colour);
  SetUpFunctionButton(button);
  if (code == kKeyLanguage) UpdateLanguageControls();
  return button;
}

HWND TKeyboard::AddLanguageList(HWND parent, POINT origin, int width) {
  const HWND list = ::CreateWindowExW(
      0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
      origin.x, origin.y, width, kLanguageListHeight, parent, nullptr, ModuleInstance(), nullptr);
  ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.Get()), FALSE);
  for (const TKeyMap* language : Languages())
    ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(language->name.c_str()));
  languageLists_.push_back({kit::UniqueWindow(list), TReflectLink(list, this)});
  UpdateLanguageControls();
  return list;
}

void TKeyboard::WatchLanguageChanges(HWND window) {
  if (::SetWindowSubclass(window, LanguageChangeProc, reinterpret_cast<UINT_PTR>(this),
                          reinterpret_cast<DWORD_PTR>(this)))
    watched_.push_back(window);
}

LRESULT CALLBACK TKeyboard::LanguageChangeProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  if (message == WM_INPUTLANGCHANGE)
    reinterpret_cast<TKeyboard*>(self)->SwitchToLayout(reinterpret_cast<HKL>(lParam));
  return ::DefSubclassProc(window, message, wParam, lParam);
}

bool TKeyboard::OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return false;
  const auto list = reinterpret_cast<HWND>(lParam);
  const auto index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  const auto length = ::SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (index >= 0 && length >= 0) {
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(name.data()));
    name.resize(static_cast<size_t>(length));
    SwitchToLanguage(name);
  }
  result = 0;
  return true;
}

void TKeyboard::HandleKey(TKeyButton& button) {
  if (button.Properties().keyCode == kKeyLanguage) {
    SwitchToLanguage(button.PaintedText());
    return;
  }
  if (onKey_) onKey_(button);
}

std::vector<const TKeyMap*> TKeyboard::Languages() const {
  std::vector<const TKeyMap*> languages;
  for (int i = 0; i < maps_.Count(); ++i)
    if (maps_.At(i)->layout) languages.push_back(maps_.At(i));
  return languages;
}

void TKeyboard::SwitchToLanguage(std::wstring_view name) {
  if (const TKeyMap* map = maps_.Find(name); map && map->layout) SwitchToLayout(map->layout);
}

void TKeyboard::SwitchToLayout(HKL layout) {
  if (maps_.Count() == 1 || !letters_) return;
  const int selected = std::max(tabs_->SelectedIndex(), 0);
  for (const TKeyPanel& keys : keyPanels_)
    if (keys.map->layout) keys.page->SetVisible(false);
  const auto match = std::find_if(keyPanels_.begin(), keyPanels_.end(),
                                  [&](const TKeyPanel& keys) { return keys.map->layout == layout; });
  if (match != keyPanels_.end()) {
    letters_->SwapPanel(match->page->OwnPanel());
    current_ = match->map;
  }
  tabs_->Select(selected);
  if (match != keyPanels_.end()) UpdateLanguageControls();
}

// Language buttons offer the next language after the current one, cyclically; language lists
// show the current one (setting a list's selection does not notify it).
void TKeyboard::UpdateLanguageControls() {
  if (!current_) return;
  const auto languages = Languages();
  const auto at = std::find(languages.begin(), languages.end(), current_);
  if (at == languages.end()) return;
  const TKeyMap* next = std::next(at) == languages.end() ? languages.front() : *std::next(at);
  for (TKeyButton* button : functionButtons_) {
    if (button->Properties().keyCode != kKeyLanguage) continue;
    button->SetCaption(next->name);
    button->SetRealText(next->name);
  }
  const auto index = at - languages.begin();
  for (const TLanguageList& list : languageLists_)
    ::SendMessageW(list.window.Get(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace orvavk
