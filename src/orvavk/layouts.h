// The input languages installed on the machine, as the keyboard pages need them. The page
// builder reads them only through this interface, so that a test can supply layouts that the
// machine it runs on does not have.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orvavk {

class TKeyboardLayouts {
 public:
  virtual ~TKeyboardLayouts() = default;

  // The installed layouts in the system's order, at most 40.
  virtual std::vector<HKL> Installed() const = 0;
  // The layout of the thread that owns the foreground window: the language the user types in.
  virtual HKL Current() const = 0;
  // The name of the layout's language in that language ("English", "русский").
  virtual std::wstring NativeLanguageName(HKL layout) const = 0;
  // What the key types with no modifier held: one or two UTF-16 units, or empty when the key
  // types nothing (or starts a dead-key sequence).
  virtual std::wstring Translate(HKL layout, UINT virtualKey) const = 0;
};

// The layouts of the running system. Nothing here activates a layout: translations name their
// layout explicitly, so the user's input language never changes behind their back.
const TKeyboardLayouts& SystemKeyboardLayouts();

// The 16-bit key code of a character in a layout: the virtual key in the low byte and the
// shift state in the high byte; 0xFFFF when no key of the layout types it.
int32_t KeyCodeOf(wchar_t character, HKL layout);

}  // namespace orvavk
