// The request form: named input fields (in practice one masked PIN or password field), an
// information text, OK and Cancel, and the on-screen keyboard. Its data outlives its window:
// the window exists only while Show runs, and the values are read after it.
//
// The form is driven on one thread, the one that calls Show; Show runs a modal message loop on
// it, so that thread's other windows keep working apart from the disabled owner chain.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "inputcontrol.h"
#include "keybutton.h"
#include "keymaps.h"
#include "layouts.h"
#include "orvavkcfg.h"

namespace orvavk {

class TFormWindow;

// A button of the form besides the keys of the pages (CapsLock, Shift, Backspace, Clear, the
// language button), or the language list when its name is kLanguageListName.
struct TSystemKey {
  int32_t code = 0;
  std::wstring name;  // the button's caption
  int32_t width = 0;  // 0: the configured button width
};

inline constexpr int kModalNone = 0;
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;

class TRequestPasswordForm {
 public:
  // The form reads `config` every time it builds its window; `layouts` are the input languages
  // its letter pages come from.
  explicit TRequestPasswordForm(const TVisualConfiguration& config = LibraryConfiguration(),
                                const TKeyboardLayouts& layouts = SystemKeyboardLayouts());
  ~TRequestPasswordForm();
  TRequestPasswordForm(const TRequestPasswordForm&) = delete;
  TRequestPasswordForm& operator=(const TRequestPasswordForm&) = delete;

  // The defaults: pages for the installed languages, "Numbers" and "Symbols", the default texts,
  // a random start page, no random placement, and the CapsLock key and the language list. The
  // owner window, the input fields and the Shift and CapsLock states stay as they are.
  void Reset();
  // Destroys the window and drops the key maps, the input fields and the special keys.
  void ClearContent();

  // The field of that name, created and appended when there is none; an existing field keeps
  // its value and maximum length.
  TInputControl& DefineInput(std::string_view name, bool masked, std::wstring label);
  TInputControl* FindInput(std::string_view name) const;
  // Nothing happens when there is no such field.
  void SetInputValue(std::string_view name, std::wstring_view value);
  const std::vector<std::unique_ptr<TInputControl>>& Inputs() const { return inputs_; }

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  const std::wstring& Information() const { return information_; }
  void SetInformation(std::wstring information);
  const std::wstring& OkText() const { return okText_; }
  void SetOkText(std::wstring text) { okText_ = std::move(text); }
  const std::wstring& CancelText() const { return cancelText_; }
  void SetCancelText(std::wstring text) { cancelText_ = std::move(text); }
  const std::wstring& LettersTab() const { return lettersTab_; }

  void AddSpecialKey(std::wstring name, int32_t code, int32_t width);
  const std::vector<TSystemKey>& SpecialKeys() const { return specialKeys_; }

  // Disabled with its own owners while the form is shown; null makes the form topmost.
  HWND Owner() const { return owner_; }
  void SetOwner(HWND owner) { owner_ = owner; }
  bool RandomStartPage() const { return randomStartPage_; }
  void SetRandomStartPage(bool random) { randomStartPage_ = random; }
  // Kept and reported only: the pages are always built from their fixed rows.
  bool RandomLayout() const { return randomLayout_; }
  void SetRandomLayout(bool random) { randomLayout_ = random; }

  TKeysMap& KeyMaps() { return maps_; }
  const TVisualConfiguration& Configuration() const { return config_; }
  const TKeyboardLayouts& Layouts() const { return layouts_; }

  // Shows the form until the user confirms (true) or cancels (false: Cancel, Escape, the window
  // closed, or the window destroyed from outside). Throws when the window cannot be built or
  // the form is already being shown.
  bool Show();
  bool Showing() const { return showing_; }
  // Ends the modal loop of a shown form.
  void End(bool confirmed);
  // Frees the window and its controls; the data stays. A form being shown ends unconfirmed.
  void DestroyWindow();

  // While shown: the window, the field that last had the focus, the Shift and CapsLock states.
  HWND Window() const;
  TInputControl* CurrentInput() const { return current_; }
  bool Shift() const { return shift_; }
  bool CapsLock() const { return capsLock_; }

 private:
  friend class TFormWindow;

  void HandleKey(TKeyButton& key);
  void SetShift(bool on);
  void SetCapsLock(bool on);
  void SyncToggle(int32_t code, bool on);
  void Recase();
  void FocusCurrentInput();
  void RunModalLoop();

  const TVisualConfiguration& config_;
  const TKeyboardLayouts& layouts_;
  std::wstring caption_;
  std::wstring information_;
  bool shift_ = false;
  bool capsLock_ = false;
  std::vector<std::unique_ptr<TInputControl>> inputs_;
  TInputControl* current_ = nullptr;
  std::wstring okText_;
  std::wstring cancelText_;
  std::vector<TSystemKey> specialKeys_;
  TKeysMap maps_;
  std::wstring lettersTab_;
  HWND owner_ = nullptr;
  bool randomStartPage_ = true;
  bool randomLayout_ = false;
  bool showing_ = false;
  std::unique_ptr<TFormWindow> window_;
};

}  // namespace orvavk
