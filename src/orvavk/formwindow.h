// The window of a request form while it is shown, with everything in it: the frame and caption
// panel of a borderless form, the body with the input fields and the keyboard, OK and Cancel,
// the special keys and the information label. It is built from the form's data at every Show
// and destroyed after it; the form keeps the data.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "keyboard.h"
#include "label.h"
#include "orvavkform.h"
#include "panel.h"
#include "winhandles.h"

namespace orvavk {

inline constexpr wchar_t kFormClassName[] = L"OrvaVKRequestForm";

class TFormWindow {
 public:
  // Builds the window, hidden, sized around its content. Throws when a window cannot be made.
  explicit TFormWindow(TRequestPasswordForm& form);
  ~TFormWindow();
  TFormWindow(const TFormWindow&) = delete;
  TFormWindow& operator=(const TFormWindow&) = delete;

  HWND Window() const { return window_.Get(); }
  // Null when the form has no key maps.
  TKeyboard* Keyboard() const { return keyboard_.get(); }

  int ModalResult() const { return modalResult_; }
  // The first result stands: Enter followed by a close of the window still confirms.
  void SetModalResult(int result) {
    if (modalResult_ == kModalNone) modalResult_ = result;
  }

  void SetCaption(const std::wstring& caption);
  // Only a label that was built (the text was not empty) changes.
  void SetInformation(const std::wstring& text);

  void CentreOnPrimaryScreen();
  void Reveal();

 private:
  struct TArea {
    HWND parent;  // the panel the body and buttons stand on
    POINT origin;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ButtonKeyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR self);
  static LRESULT CALLBACK CaptionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  SIZE CreateFormWindow();
  TArea BuildFrame();
  int BuildFields(int offset);
  int BuildKeyboard(int offset);
  int BodyWidth(int fixedWidth) const;
  void FitBody(const RECT& body);
  int PlaceButtons(const TArea& area, const RECT& body, int contentWidth);
  int PlaceInformation(const TArea& area, const RECT& body, int lowest);
  RECT PlaceSpecialKeys(HWND parent, POINT start, int rightEdge);
  TKeyButton& AddButton(HWND parent, const RECT& bounds, const std::wstring& text, int result);

  TRequestPasswordForm& form_;
  const TVisualConfiguration& config_;
  kit::UniqueWindow window_;
  kit::UniqueGdiObject labelFont_;
  kit::UniqueGdiObject editFont_;
  kit::UniqueGdiObject informationFont_;
  kit::UniqueGdiObject captionFont_;
  kit::UniqueGdiObject buttonFont_;
  TPanel client_;
  TPanel content_;
  TPanel captionPanel_;
  std::unique_ptr<TLabel> captionLabel_;
  TPanel body_;
  std::vector<std::unique_ptr<TLabel>> fieldLabels_;
  // Destroyed before the window it is built in.
  std::unique_ptr<TKeyboard> keyboard_;
  std::vector<std::unique_ptr<TKeyButton>> buttons_;
  std::unique_ptr<TLabel> information_;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  int modalResult_ = kModalNone;
};

}  // namespace orvavk
