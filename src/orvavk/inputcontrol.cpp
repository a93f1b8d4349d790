#include "inputcontrol.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <system_error>

namespace orvavk {
namespace {

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

// The first line of the clipboard's text: a one-line field takes no line breaks.
TSecretText ClipboardLine(HWND owner) {
  TSecretText line;
  if (!::OpenClipboard(owner)) return line;
  if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(::GlobalLock(data))) {
      const std::wstring_view all(text, ::wcsnlen(text, ::GlobalSize(data) / sizeof(wchar_t)));
      line.assign(all.data(), std::min(all.find_first_of(L"\r\n"), all.size()));
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return line;
}

void PutOnClipboard(HWND owner, const TSecretText& text) {
  if (!::OpenClipboard(owner)) return;
  ::EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* target = ::GlobalLock(memory)) {
      std::memcpy(target, text.c_str(), bytes);
      ::GlobalUnlock(memory);
      // The clipboard owns the memory once it has taken it.
      if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
    } else {
      ::GlobalFree(memory);
    }
  }
  ::CloseClipboard();
}

}  // namespace

std::string UpperAnsi(std::string_view text) {
  std::string upper(text);
  if (!upper.empty()) ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

TInputControl::TInputControl(std::string name, bool masked, std::wstring label)
    : name_(std::move(name)),
      upperName_(UpperAnsi(name_)),
      masked_(masked),
      label_(std::move(label)) {}

TInputControl::~TInputControl() {
  DestroyEdit();
  Wipe(value_);
}

bool TInputControl::HasName(std::string_view name) const { return UpperAnsi(name) == upperName_; }

void TInputControl::SetValue(std::wstring_view value) {
  Wipe(value_);
  value_.assign(value.data(), value.size());
  if (!edit_) return;
  const std::wstring decoys = masked_ ? DecoyFor(value) : std::wstring();
  ShowContent(value_.size(), masked_ ? &decoys : nullptr);
}

void TInputControl::CreateEdit(HWND parent, const RECT& bounds, HFONT font) {
  DestroyEdit();
  const DWORD style =
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | (masked_ ? ES_PASSWORD : 0);
  edit_.Reset(::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", style, bounds.left, bounds.top,
                                bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                nullptr, ModuleInstance(), nullptr));
  if (!edit_)
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                            "the edit of an input field");
  ::SendMessageW(edit_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ::SetWindowSubclass(edit_.Get(), EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
  link_ = TReflectLink(edit_.Get(), this);
  const std::wstring decoys =
      masked_ ? DecoyFor(std::wstring_view(value_.data(), value_.size())) : std::wstring();
  ShowContent(value_.size(), masked_ ? &decoys : nullptr);
}

void TInputControl::DestroyEdit() {
  if (!edit_) return;
  if (::IsWindow(edit_.Get())) ::RemoveWindowSubclass(edit_.Get(), EditProc, 0);
  link_ = TReflectLink();
  edit_.Reset();
}

void TInputControl::Apply(TEditKind kind, std::wstring_view text) {
  if (!edit_) return;
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(edit_.Get(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  std::wstring shown = masked_ ? WindowText(edit_.Get()) : std::wstring();
  const TEditRequest request{kind, start, end > start ? end - start : 0, text, maxLength_};
  const TEditResult result = ApplyEdit(value_, masked_ ? &shown : nullptr, request);
  ShowContent(result.caret, masked_ ? &shown : nullptr);
  if (kind == TEditKind::Cut && !result.removed.empty())
    PutOnClipboard(edit_.Get(), result.removed);
}

void TInputControl::ShowContent(size_t caret, const std::wstring* shown) {
  ::SetWindowTextW(edit_.Get(), shown ? shown->c_str() : value_.c_str());
  ::SendMessageW(edit_.Get(), EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

void TInputControl::Typed(wchar_t character) {
  switch (character) {
    case L'\b':
      Apply(TEditKind::Backspace);
      break;
    case L'\r':
    case 27:
      if (onFinish_) onFinish_(character == L'\r');
      break;
    case 127:
      // Ctrl+Backspace: some edit controls would put a box character of their own in the text.
      break;
    default:
      Apply(TEditKind::Insert, std::wstring_view(&character, 1));
      break;
  }
}

void TInputControl::Paste() {
  const TSecretText line = ClipboardLine(edit_.Get());
  if (!line.empty()) Apply(TEditKind::Insert, std::wstring_view(line.data(), line.size()));
}

// A masked field gives nothing away, not even to the clipboard.
void TInputControl::Cut() {
  if (!masked_) Apply(TEditKind::Cut);
}

bool TInputControl::Intercept(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR: {
      const auto character = static_cast<wchar_t>(wParam);
      // Other control characters are the edit's own shortcuts (Ctrl+C, Ctrl+V...), which come
      // back here as the messages below.
      if (character < 0x20 && character != L'\b' && character != L'\r' && character != 27)
        return false;
      Typed(character);
      return true;
    }
    case WM_KEYDOWN:
      if (wParam != VK_DELETE) return false;
      if (::GetKeyState(VK_SHIFT) < 0 && ::GetKeyState(VK_CONTROL) >= 0)
        Cut();
      else
        Apply(TEditKind::Delete);
      return true;
    case WM_PASTE:
      Paste();
      return true;
    case WM_COPY:
      return masked_;
    case WM_CUT:
      Cut();
      return true;
    case WM_CLEAR:
      Apply(TEditKind::Delete);
      return true;
    case WM_UNDO:
    case EM_UNDO:
      // The edit's undo would bring back a text that no longer matches the value.
      return true;
    case EM_REPLACESEL: {
      const auto* text = reinterpret_cast<const wchar_t*>(lParam);
      Apply(TEditKind::Insert, text ? std::wstring_view(text) : std::wstring_view());
      return true;
    }
    case WM_SETFOCUS:
      if (onFocus_) onFocus_(*this);
      return false;
    default:
      return false;
  }
}

LRESULT CALLBACK TInputControl::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR self) {
  auto& field = *reinterpret_cast<TInputControl*>(self);
  try {
    if (field.Intercept(message, wParam, lParam)) return 0;
  } catch (...) {
    // Whatever failed may have left the value half changed: the request ends unconfirmed.
    if (field.onFinish_) field.onFinish_(false);
    return 0;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

bool TInputControl::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_CTLCOLOREDIT) return false;
  const auto dc = reinterpret_cast<HDC>(wParam);
  ::SetBkColor(dc, RGB(255, 255, 255));
  ::SetTextColor(dc, RGB(0, 0, 0));
  result = reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
  return true;
}

}  // namespace orvavk
