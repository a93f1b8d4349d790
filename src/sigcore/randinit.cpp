#include "randinit.h"

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "ccm3x_loader.h"
#include "winhandles.h"

namespace sigcore {
namespace {

constexpr wchar_t kClassName[] = L"KitRandomInitDialog";
constexpr wchar_t kTitle[] = L"Crypto Com 3.x";
constexpr int kWidth = 450;
constexpr int kHeight = 220;
constexpr int kMargin = 15;
constexpr int kBoxWidth = 35;
constexpr int kBoxHeight = 30;
constexpr int kProgressHeight = 30;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 30;
constexpr int kLabelGap = 5;
constexpr int kHeadingTop = 15;
constexpr int kPromptTop = 55;
constexpr int kBoxId = 100;

constexpr int kWaiting = -2;
constexpr int kCancelled = -1;

struct Dialog {
  // Declared before the window, so that the window is destroyed while its font still exists.
  kit::UniqueGdiObject font;
  kit::UniqueWindow window;
  HWND heading = nullptr;
  HWND prompt = nullptr;
  HWND requested = nullptr;
  HWND box = nullptr;
  HWND progress = nullptr;
  HWND cancel = nullptr;
  // The windows that were enabled above the foreground window when the dialog was made; they
  // are disabled while the user is asked.
  std::vector<HWND> ownerChain;
  int answer = kWaiting;
  // Set when the user cancelled: the dialog is then destroyed.
  bool cancelled = false;
};

std::mutex dialogsLock;
std::map<DWORD, std::unique_ptr<Dialog>> dialogs;

Dialog* ThisThreadsDialog() {
  std::lock_guard guard(dialogsLock);
  const auto found = dialogs.find(::GetCurrentThreadId());
  return found == dialogs.end() ? nullptr : found->second.get();
}

void ForgetThisThreadsDialog() {
  std::unique_ptr<Dialog> dialog;
  {
    std::lock_guard guard(dialogsLock);
    const auto found = dialogs.find(::GetCurrentThreadId());
    if (found == dialogs.end()) return;
    dialog = std::move(found->second);
    dialogs.erase(found);
  }
  // Destroyed outside the lock: destruction dispatches messages to the dialog's procedure.
  dialog.reset();
  ::UnregisterClassW(kClassName, OwnModule());
}

// The window goes once the wait is over and its owners are enabled again, so that activation
// returns to them rather than to whatever window is enabled elsewhere.
void Cancel(Dialog& dialog) {
  dialog.cancelled = true;
  dialog.answer = kCancelled;
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* dialog = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        Cancel(*dialog);
        return 0;
      }
      if (LOWORD(wParam) == kBoxId && HIWORD(wParam) == EN_CHANGE && dialog->answer == kWaiting) {
        // The box takes one character; once it holds one the box is read-only again, so a
        // second keystroke cannot change the answer.
        wchar_t typed[2] = {};
        if (::GetWindowTextW(dialog->box, typed, 2) == 1) {
          char code = '?';
          ::WideCharToMultiByte(CP_ACP, 0, typed, 1, &code, 1, nullptr, nullptr);
          ::SendMessageW(dialog->box, EM_SETREADONLY, TRUE, 0);
          dialog->answer = static_cast<unsigned char>(code);
        }
        return 0;
      }
      break;
    case WM_CLOSE:
      // The system's close command counts as a cancel.
      Cancel(*dialog);
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      // The box is white, read-only or not; the labels take the dialog's colour.
      const auto dc = reinterpret_cast<HDC>(wParam);
      const bool box = reinterpret_cast<HWND>(lParam) == dialog->box;
      ::SetBkColor(dc, box ? RGB(255, 255, 255) : ::GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(box ? ::GetStockObject(WHITE_BRUSH)
                                           : ::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

kit::UniqueGdiObject DialogFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    kit::UniqueGdiObject font(::CreateFontIndirectW(&metrics.lfMessageFont));
    if (font) return font;
  }
  return kit::UniqueGdiObject(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                            DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));
}

SIZE TextSize(HWND control, const std::wstring& text, HGDIOBJ font) {
  kit::UniqueScreenDc dc(::GetDC(control));
  const HGDIOBJ previous = ::SelectObject(dc.Get(), font);
  SIZE size{};
  ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc.Get(), previous);
  return size;
}

bool RegisterDialogClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  // The dialog is small and short-lived: the screen under it is kept rather than repainted.
  windowClass.style = CS_SAVEBITS;
  windowClass.lpfnWndProc = DialogProc;
  windowClass.hInstance = OwnModule();
  windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Control(Dialog& dialog, const wchar_t* className, const wchar_t* text, DWORD style, int id) {
  const HWND control = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0,
                                         0, 0, dialog.window.Get(),
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         OwnModule(), nullptr);
  if (control == nullptr) throw std::runtime_error("the dialog's controls cannot be created");
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialog.font.Get()), FALSE);
  return control;
}

// Places the requested character's label after the prompt and the box on the prompt's line;
// the label's width follows its text.
void LayOutPromptLine(Dialog& dialog, const std::wstring& requestedText) {
  RECT client;
  ::GetClientRect(dialog.window.Get(), &client);
  const SIZE prompt = TextSize(dialog.prompt, L"Введите символ", dialog.font.Get());
  const SIZE requested = TextSize(dialog.requested, requestedText, dialog.font.Get());
  ::MoveWindow(dialog.prompt, kMargin, kPromptTop, prompt.cx, prompt.cy, FALSE);
  ::MoveWindow(dialog.requested, kMargin + prompt.cx + kLabelGap, kPromptTop, requested.cx,
               requested.cy, TRUE);
  const int boxTop =
      kPromptTop - static_cast<int>(std::lround((kBoxHeight - requested.cy) / 2.0));
  ::MoveWindow(dialog.box, (client.right - kBoxWidth) / 2, boxTop, kBoxWidth, kBoxHeight, FALSE);
  const int progressTop = boxTop + kBoxHeight + kMargin;
  ::MoveWindow(dialog.progress, kMargin, progressTop, client.right - 2 * kMargin, kProgressHeight,
               FALSE);
  ::MoveWindow(dialog.cancel, (client.right - kButtonWidth) / 2,
               progressTop + kProgressHeight + kMargin, kButtonWidth, kButtonHeight, FALSE);
}

std::unique_ptr<Dialog> CreateDialogWindow() {
  auto dialog = std::make_unique<Dialog>();
  const HWND foreground = ::GetForegroundWindow();
  for (HWND window = foreground; window != nullptr && ::IsWindowEnabled(window);
       window = ::GetParent(window))
    dialog->ownerChain.push_back(window);

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  if (!RegisterDialogClass()) throw std::runtime_error("the dialog's class cannot be registered");
  dialog->font = DialogFont();

  RECT around{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (foreground != nullptr) ::GetWindowRect(foreground, &around);
  const int left = around.left + (around.right - around.left - kWidth) / 2;
  const int top = around.top + (around.bottom - around.top - kHeight) / 2;
  dialog->window.Reset(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kClassName, kTitle,
                                         WS_POPUP | WS_CAPTION, left, top, kWidth, kHeight,
                                         foreground, nullptr, OwnModule(), dialog.get()));
  if (!dialog->window) throw std::runtime_error("the dialog cannot be created");

  RECT client;
  ::GetClientRect(dialog->window.Get(), &client);
  const std::wstring headingText = L"Инициализация генератора случайных чисел";
  dialog->heading = Control(*dialog, L"STATIC", headingText.c_str(), SS_CENTER, 0);
  const SIZE heading = TextSize(dialog->heading, headingText, dialog->font.Get());
  ::MoveWindow(dialog->heading, 0, kHeadingTop, client.right, heading.cy, FALSE);
  dialog->prompt = Control(*dialog, L"STATIC", L"Введите символ", SS_LEFT, 0);
  dialog->requested = Control(*dialog, L"STATIC", L"", SS_LEFT, 0);
  dialog->box = Control(*dialog, L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_CENTER | ES_READONLY,
                        kBoxId);
  ::SendMessageW(dialog->box, EM_LIMITTEXT, 1, 0);
  dialog->progress = Control(*dialog, PROGRESS_CLASSW, L"", 0, 0);
  dialog->cancel =
      Control(*dialog, L"BUTTON", L"Отмена", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);
  return dialog;
}

// Waits until the user has typed or cancelled, dispatching the thread's messages meanwhile.
void WaitForAnswer(Dialog& dialog) {
  const HWND window = dialog.window.Get();
  const auto waiting = [&] {
    return ::IsWindow(window) && !dialog.cancelled && dialog.answer == kWaiting;
  };
  while (waiting()) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The host is ending its loop: leave the request unanswered and the quit for it.
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      // The dialog's keys: Escape presses the cancel button, Enter a focused button.
      if (!::IsWindow(window) || !::IsDialogMessageW(window, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
    if (waiting())
      ::MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

int Ask(int requested, int index, int total) {
  Dialog* dialog = ThisThreadsDialog();
  if (dialog == nullptr || !::IsWindow(dialog->window.Get())) {
    ForgetThisThreadsDialog();
    auto created = CreateDialogWindow();
    dialog = created.get();
    std::lock_guard guard(dialogsLock);
    dialogs[::GetCurrentThreadId()] = std::move(created);
  }
  for (HWND owner : dialog->ownerChain) ::EnableWindow(owner, FALSE);

  ::SendMessageW(dialog->progress, PBM_SETRANGE32, 0, total);
  ::SendMessageW(dialog->progress, PBM_SETPOS, static_cast<WPARAM>(index - 1), 0);
  const char character = static_cast<char>(requested);
  wchar_t wide = L'?';
  ::MultiByteToWideChar(CP_ACP, 0, &character, 1, &wide, 1);
  const std::wstring requestedText = std::wstring(L"' ") + wide + L" ':";
  ::SetWindowTextW(dialog->box, L"");
  ::SetWindowTextW(dialog->requested, requestedText.c_str());
  LayOutPromptLine(*dialog, requestedText);
  ::SendMessageW(dialog->box, EM_SETREADONLY, FALSE, 0);
  dialog->cancelled = false;
  const HWND window = dialog->window.Get();
  ::ShowWindow(window, SW_SHOW);
  ::BringWindowToTop(window);
  ::SetFocus(dialog->box);

  dialog->answer = kWaiting;
  WaitForAnswer(*dialog);
  const int answer = dialog->answer;
  for (HWND owner : dialog->ownerChain) ::EnableWindow(owner, TRUE);

  if (!::IsWindow(window) || dialog->cancelled || (index == total && answer == requested))
    ForgetThisThreadsDialog();
  return answer;
}

}  // namespace

int CCM3X_CALL RandomInitCallback(int requested, int index, int total, void*) {
  try {
    return Ask(requested, index, total);
  } catch (...) {
    // Nothing can be asked: the provider reports an uninitialised generator.
    return kWaiting;
  }
}

void ReleaseRandomInitDialogs() noexcept {
  std::map<DWORD, std::unique_ptr<Dialog>> all;
  {
    std::lock_guard guard(dialogsLock);
    all.swap(dialogs);
  }
  all.clear();
  ::UnregisterClassW(kClassName, OwnModule());
}

}  // namespace sigcore
