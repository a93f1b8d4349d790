#include "orvavkform.h"

#include <stdexcept>

#include "formwindow.h"
#include "orvavkcnst.h"

namespace orvavk {
namespace {

// The owner window and its own owners, disabled for as long as this lives: the chain stops at
// the first window that is disabled already, which someone else re-enables.
class TDisabledOwners {
 public:
  explicit TDisabledOwners(HWND owner) {
    for (HWND window = owner; window && ::IsWindowEnabled(window);
         window = ::GetWindow(window, GW_OWNER)) {
      ::EnableWindow(window, FALSE);
      disabled_.push_back(window);
    }
  }
  ~TDisabledOwners() {
    for (auto window = disabled_.rbegin(); window != disabled_.rend(); ++window)
      if (::IsWindow(*window)) ::EnableWindow(*window, TRUE);
  }
  TDisabledOwners(const TDisabledOwners&) = delete;
  TDisabledOwners& operator=(const TDisabledOwners&) = delete;

 private:
  std::vector<HWND> disabled_;
};

}  // namespace

TRequestPasswordForm::TRequestPasswordForm(const TVisualConfiguration& config,
                                           const TKeyboardLayouts& layouts)
    : config_(config), layouts_(layouts) {
  Reset();
}

TRequestPasswordForm::~TRequestPasswordForm() { DestroyWindow(); }

void TRequestPasswordForm::Reset() {
  randomLayout_ = false;
  BuildKeyPages(maps_, layouts_);
  caption_.clear();
  information_ = L"Информационная метка";
  lettersTab_ = kLettersTab;
  okText_ = L"Ok";
  cancelText_ = L"Cancel";
  randomStartPage_ = true;
  specialKeys_ = {{kKeyCapsLock, L"CapsLock", 0},
                  {kKeyLanguageList, std::wstring(kLanguageListName), 150}};
}

void TRequestPasswordForm::ClearContent() {
  DestroyWindow();
  current_ = nullptr;
  inputs_.clear();
  specialKeys_.clear();
  maps_.Clear();
}

TInputControl& TRequestPasswordForm::DefineInput(std::string_view name, bool masked,
                                                 std::wstring label) {
  TInputControl* field = FindInput(name);
  if (!field) {
    inputs_.push_back(std::make_unique<TInputControl>(std::string(name), masked, L""));
    field = inputs_.back().get();
  }
  field->SetMasked(masked);
  field->SetLabel(std::move(label));
  return *field;
}

TInputControl* TRequestPasswordForm::FindInput(std::string_view name) const {
  for (const auto& field : inputs_)
    if (field->HasName(name)) return field.get();
  return nullptr;
}

void TRequestPasswordForm::SetInputValue(std::string_view name, std::wstring_view value) {
  if (TInputControl* field = FindInput(name)) field->SetValue(value);
}

void TRequestPasswordForm::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (window_) window_->SetCaption(caption_);
}

void TRequestPasswordForm::SetInformation(std::wstring information) {
  information_ = std::move(information);
  if (window_) window_->SetInformation(information_);
}

void TRequestPasswordForm::AddSpecialKey(std::wstring name, int32_t code, int32_t width) {
  specialKeys_.push_back({code, std::move(name), width});
}

HWND TRequestPasswordForm::Window() const { return window_ ? window_->Window() : nullptr; }

bool TRequestPasswordForm::Show() {
  if (showing_) throw std::logic_error("the form is already being shown");
  if (!window_) window_ = std::make_unique<TFormWindow>(*this);
  current_ = inputs_.empty() ? nullptr : inputs_.front().get();
  SetShift(false);
  SetCapsLock(false);
  window_->CentreOnPrimaryScreen();
  bool confirmed = false;
  {
    const TDisabledOwners disabled(owner_);
    showing_ = true;
    window_->Reveal();
    FocusCurrentInput();
    RunModalLoop();
    showing_ = false;
    confirmed = window_ && window_->ModalResult() == kModalOk;
  }
  DestroyWindow();
  return confirmed;
}

void TRequestPasswordForm::End(bool confirmed) {
  if (window_) window_->SetModalResult(confirmed ? kModalOk : kModalCancel);
}

void TRequestPasswordForm::DestroyWindow() {
  for (const auto& field : inputs_) field->DestroyEdit();
  window_.reset();
}

// Waits for messages and handles all that are there, until the window has a result or is gone.
void TRequestPasswordForm::RunModalLoop() {
  while (window_ && ::IsWindow(window_->Window()) && window_->ModalResult() == kModalNone) {
    ::WaitMessage();
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The host's program is ending: the request ends unconfirmed, and the host's own loop
        // still gets the message.
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

void TRequestPasswordForm::FocusCurrentInput() {
  if (current_ && current_->Edit())
    ::SetFocus(current_->Edit());
  else if (window_)
    ::SetFocus(window_->Window());
}

// A pressed key takes the focus from the field; it goes back, so that typing, Enter and Escape
// keep reaching the field. Backspace keeps it: it repeats while held, and a button that loses
// the focus lets go of the mouse.
void TRequestPasswordForm::HandleKey(TKeyButton& key) {
  const int32_t code = key.Properties().keyCode;
  if (code == kKeyLanguage || code == kKeyLanguageList) return;
  if (code != kKeyBackspace) FocusCurrentInput();
  switch (code) {
    case kKeyBackspace:
      if (current_) current_->Apply(TEditKind::Backspace);
      break;
    case kKeyClear:
      if (current_) current_->SetValue(L"");
      break;
    case kKeyShift:
      SetShift(key.Checked());
      return;
    case kKeyCapsLock:
      SetCapsLock(key.Checked());
      break;
    default:
      if (current_ && !IsControlCode(code)) {
        current_->Apply(TEditKind::Insert, key.Properties().realText);
      }
      break;
  }
  // Shift holds for one key only.
  SetShift(false);
}

void TRequestPasswordForm::SetShift(bool on) {
  shift_ = on;
  SyncToggle(kKeyShift, on);
}

void TRequestPasswordForm::SetCapsLock(bool on) {
  capsLock_ = on;
  SyncToggle(kKeyCapsLock, on);
}

void TRequestPasswordForm::SyncToggle(int32_t code, bool on) {
  TKeyboard* keyboard = window_ ? window_->Keyboard() : nullptr;
  if (!keyboard) return;
  for (TKeyButton* button : keyboard->FunctionButtons())
    if (button->Properties().keyCode == code) button->SetChecked(on);
  Recase();
}

// Letters are capitals when exactly one of Shift and CapsLock is on.
void TRequestPasswordForm::Recase() {
  const bool upper = shift_ != capsLock_;
  for (TKeyButton* key : window_->Keyboard()->CharacterButtons()) {
    std::wstring text = key->Properties().realText;
    if (text.empty()) continue;
    const auto length = static_cast<DWORD>(text.size());
    if (upper)
      ::CharUpperBuffW(text.data(), length);
    else
      ::CharLowerBuffW(text.data(), length);
    if (text != key->Properties().realText) key->SetRealText(std::move(text));
  }
}

}  // namespace orvavk
