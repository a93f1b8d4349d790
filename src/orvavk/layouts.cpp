#include "layouts.h"

#include <array>

namespace orvavk {
namespace {

constexpr int kMaxLayouts = 40;

class TSystemKeyboardLayouts final : public TKeyboardLayouts {
 public:
  std::vector<HKL> Installed() const override {
    std::array<HKL, kMaxLayouts> layouts{};
    const int count = ::GetKeyboardLayoutList(kMaxLayouts, layouts.data());
    return {layouts.begin(), layouts.begin() + (count > 0 ? count : 0)};
  }

  HKL Current() const override {
    const HWND foreground = ::GetForegroundWindow();
    const DWORD thread = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    return ::GetKeyboardLayout(thread);
  }

  std::wstring NativeLanguageName(HKL layout) const override {
    const LANGID language = LOWORD(reinterpret_cast<UINT_PTR>(layout));
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const int length = ::GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SNATIVELANGNAME,
                                        name, LOCALE_NAME_MAX_LENGTH);
    return length > 1 ? std::wstring(name, static_cast<size_t>(length - 1)) : std::wstring();
  }

  std::wstring Translate(HKL layout, UINT virtualKey) const override {
    const BYTE noModifiers[256] = {};
    const UINT scanCode = ::MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout);
    wchar_t out[8] = {};
    // Flag 4: leave the keyboard state of the thread as it was (where the system knows it).
    const int result = ::ToUnicodeEx(virtualKey, scanCode, noModifiers, out, 8, 4, layout);
    if (result < 0) {
      // A dead key is now pending in the thread's keyboard state; a second translation of the
      // same key clears it, so that the user's next keystroke is not combined with it.
      ::ToUnicodeEx(virtualKey, scanCode, noModifiers, out, 8, 4, layout);
      return {};
    }
    if (result == 1 || result == 2) return std::wstring(out, static_cast<size_t>(result));
    return {};
  }
};

}  // namespace

const TKeyboardLayouts& SystemKeyboardLayouts() {
  static const TSystemKeyboardLayouts layouts;
  return layouts;
}

int32_t KeyCodeOf(wchar_t character, HKL layout) {
  return static_cast<uint16_t>(::VkKeyScanExW(character, layout));
}

}  // namespace orvavk
