// Names and codes that the request forms and the on-screen keyboard share.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvavk {

// Decoy characters are drawn from the first 64 characters; the final "=" never appears.
inline constexpr std::wstring_view kMaskAlphabet =
    L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
inline constexpr uint32_t kDecoyAlphabetSize = 64;

// Key codes of the buttons that do something other than enter a character.
inline constexpr int32_t kKeyBackspace = 8;
inline constexpr int32_t kKeyClear = 12;
inline constexpr int32_t kKeyShift = 16;
inline constexpr int32_t kKeyCapsLock = 20;
inline constexpr int32_t kKeyLanguage = 300;
inline constexpr int32_t kKeyLanguageList = 301;

inline constexpr std::wstring_view kLettersTab = L"abc";
inline constexpr std::wstring_view kNumbersPage = L"Numbers";
inline constexpr std::wstring_view kSymbolsPage = L"Symbols";
inline constexpr std::wstring_view kLanguageListName = L"LANGUAGE_COMBO";

// A key code names a control key (navigation, modifiers, function keys...) and never enters a
// character when it lies in one of these ranges; space (32) and every other value, including
// the 16-bit codes that carry a shift state in the high byte, are character codes.
constexpr bool IsControlCode(int32_t code) {
  return (code >= 1 && code <= 31) || (code >= 33 && code <= 47) ||
         (code >= 91 && code <= 145) || (code >= 160 && code <= 165) || code == 229 ||
         (code >= 246 && code <= 254);
}

}  // namespace orvavk
