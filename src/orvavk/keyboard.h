// The on-screen keyboard of a shown form: the tab control with one page per key map, the keys
// of every page, scrollers for pages too narrow for their keys, and the letters page "abc"
// that shows the letters of the current language. The keyboard lives only while the form's
// window does; the key maps it is built from live with the form.
//
// Switching languages here only changes which letters "abc" shows: the system's input
// language is never touched. A keyboard is destroyed before the window it was built in.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "keybutton.h"
#include "keymaps.h"
#include "layouts.h"
#include "orvavkcfg.h"
#include "orvavkcnst.h"
#include "orvavkscrl.h"
#include "orvavktab.h"
#include "panel.h"

namespace orvavk {

class TKeyboard final : public TReflectTarget {
 public:
  // Every key press except the language keys, which the keyboard handles itself.
  using KeyHandler = std::function<void(TKeyButton&)>;

  // Builds the keyboard at `origin` inside `parent` and shows in "abc" the letters of the
  // language the user types in (the first language when that one has no page). An empty
  // `lettersTab` gives every language its own tab instead.
  TKeyboard(HWND parent, POINT origin, TKeysMap& maps, const TVisualConfiguration& config,
            std::wstring lettersTab = std::wstring(kLettersTab),
            const TKeyboardLayouts& layouts = SystemKeyboardLayouts());
  ~TKeyboard();
  TKeyboard(const TKeyboard&) = delete;
  TKeyboard& operator=(const TKeyboard&) = delete;

  TOrvaVKTabControl& Tabs() const { return *tabs_; }
  RECT Bounds() const { return tabs_->Bounds(); }

  // The width the keyboard asks for: the configured keyboard page width, or the widest key
  // panel + 16.
  int NaturalWidth() const;
  // Gives the tab control `width` (unless a keyboard page width is configured), then centres
  // every key panel in its page, or wraps it in a scroller when it is wider than the page.
  void Fit(int width);
  const std::vector<std::unique_ptr<TOrvaVKControlScroller>>& Scrollers() const {
    return scrollers_;
  }

  // Keys whose code is a control code, and the function buttons added below.
  const std::vector<TKeyButton*>& FunctionButtons() const { return functionButtons_; }
  // Keys that enter characters.
  const std::vector<TKeyButton*>& CharacterButtons() const { return characterButtons_; }
  void OnKey(KeyHandler handler) { onKey_ = std::move(handler); }

  // A self-painted button outside the pages (Shift, CapsLock, Backspace, Clear, the language
  // button...) in the button font. Shift and CapsLock toggle, Backspace repeats while held; a
  // language button (code 300) is captioned with the next language and switches to it.
  TKeyButton& AddFunctionButton(HWND parent, const RECT& bounds, int32_t code,
                                const std::wstring& caption);
  // A drop-down list of the languages; choosing one switches "abc" to it.
  HWND AddLanguageList(HWND parent, POINT origin, int width);
  // The system's notice that the user changed the input language, arriving at `window`,
  // switches "abc" to that language from now on.
  void WatchLanguageChanges(HWND window);

  // "abc" shows the letters of the page whose layout is `layout`; with no such page it keeps
  // what it shows. The selected tab stays selected.
  void SwitchToLayout(HKL layout);
  void SwitchToLanguage(std::wstring_view name);
  // The language whose letters "abc" shows; null before any was found.
  const TKeyMap* CurrentLanguage() const { return current_; }

 private:
  struct TKeyPanel {
    TKeyMap* map;
    TOrvaVKTabPage* page;
    TPanel panel;
  };
  struct TLanguageList {
    kit::UniqueWindow window;
    TReflectLink link;
  };

  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  static LRESULT CALLBACK LanguageChangeProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  void BuildKeys(const TKeyPanel& keys, const std::vector<std::wstring>& rows);
  TKeyButton& AddButton(HWND parent, const RECT& bounds, const std::wstring& caption,
                        TButtonProperties properties, HFONT font, uint32_t textColour);
  void SetUpFunctionButton(TKeyButton& button);
  void HandleKey(TKeyButton& button);
  void UpdateLanguageControls();
  std::vector<const TKeyMap*> Languages() const;

  const TVisualConfiguration& config_;
  TKeysMap& maps_;
  kit::UniqueGdiObject keyFont_;
  kit::UniqueGdiObject buttonFont_;
  kit::UniqueGdiObject listFont_;
  std::unique_ptr<TOrvaVKTabControl> tabs_;
  TOrvaVKTabPage* letters_ = nullptr;
  const TKeyMap* current_ = nullptr;
  int widestPanel_ = 0;
  std::vector<TKeyPanel> keyPanels_;
  std::vector<std::unique_ptr<TOrvaVKControlScroller>> scrollers_;
  std::vector<std::unique_ptr<TKeyButton>> buttons_;
  std::vector<TKeyButton*> functionButtons_;
  std::vector<TKeyButton*> characterButtons_;
  std::vector<TLanguageList> languageLists_;
  std::vector<HWND> watched_;
  KeyHandler onKey_;
};

}  // namespace orvavk
