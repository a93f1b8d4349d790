// One named input field of a request form: its real value, which lives here and nowhere else,
// and while the form is shown the edit control that the user types into. The edit of a masked
// field only ever holds decoys of the value's length. Every way the content can change (keys
// typed, on-screen keys, paste, cut, Delete, text put in by another program) is intercepted and
// goes through ApplyEdit, so the edit never changes its text by itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "fieldedit.h"
#include "panel.h"
#include "secrettext.h"
#include "winhandles.h"

namespace orvavk {

inline constexpr int32_t kDefaultMaxLength = 255;

class TInputControl final : public TReflectTarget {
 public:
  // The edit received the focus.
  using FocusHandler = std::function<void(TInputControl&)>;
  // Enter (true) or Escape (false) was typed in the edit.
  using FinishHandler = std::function<void(bool confirmed)>;

  TInputControl(std::string name, bool masked, std::wstring label);
  ~TInputControl();
  TInputControl(const TInputControl&) = delete;
  TInputControl& operator=(const TInputControl&) = delete;

  const std::string& Name() const { return name_; }
  // Names compare without regard to case, through the ANSI code page's upper-case table.
  bool HasName(std::string_view name) const;

  bool Masked() const { return masked_; }
  void SetMasked(bool masked) { masked_ = masked; }
  const std::wstring& Label() const { return label_; }
  void SetLabel(std::wstring label) { label_ = std::move(label); }
  // 0 or less: no limit.
  int32_t MaxLength() const { return maxLength_; }
  void SetMaxLength(int32_t maxLength) { maxLength_ = maxLength; }

  const TSecretText& Value() const { return value_; }
  // Assigned by the program, not typed: the edit, when there is one, shows it (or decoys of its
  // length) with the caret at the end.
  void SetValue(std::wstring_view value);

  // The edit exists only while the form is shown.
  void CreateEdit(HWND parent, const RECT& bounds, HFONT font);
  void DestroyEdit();
  HWND Edit() const { return edit_.Get(); }
  void OnFocus(FocusHandler handler) { onFocus_ = std::move(handler); }
  void OnFinish(FinishHandler handler) { onFinish_ = std::move(handler); }

  // One edit at the edit's caret and selection; nothing happens without an edit.
  void Apply(TEditKind kind, std::wstring_view text = {});

 private:
  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);
  // True when the message was taken care of and must not reach the edit itself.
  bool Intercept(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void Typed(wchar_t character);
  void Paste();
  void Cut();
  void ShowContent(size_t caret, const std::wstring* shown);

  std::string name_;
  std::string upperName_;
  bool masked_;
  std::wstring label_;
  int32_t maxLength_ = kDefaultMaxLength;
  TSecretText value_;
  kit::UniqueWindow edit_;
  TReflectLink link_;
  FocusHandler onFocus_;
  FinishHandler onFinish_;
};

// The 8-bit name in the ANSI code page's upper case, as names are compared.
std::string UpperAnsi(std::string_view text);

}  // namespace orvavk
