// Small text conventions shared by the engine and the provider binding: Windows path
// separators, semicolon lists, hex dumps of binary values and timestamped names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// The path with a trailing "\"; a lone drive letter becomes that drive's root ("c" -> "c:\").
// An empty path stays empty.
std::string AddPathSeparator(const std::string& path);

// Appends every piece between ";" separators, empty ones included, and returns how many were
// appended. An empty text appends nothing.
int SplitBySemicolon(const std::string& text, std::vector<std::string>& pieces);

// Two upper-case hex digits per byte; a space after every groupSize-th byte and CR LF after
// every lineSize-th byte (the space first when both fall on one byte). A size of 0 disables
// that break.
std::string BytesToHexText(const uint8_t* bytes, size_t length, size_t groupSize,
                           size_t lineSize);

// Removes a trailing bracketed 19-character timestamp and the character before it
// ("name (2024-01-31 12:00:00)" -> "name"); other texts come back unchanged.
std::string StripTimestampSuffix(const std::string& text);

// ASCII-only case-insensitive equality, as the system's file names compare.
bool EqualsIgnoreAsciiCase(const std::string& a, const std::string& b);

// The text with its ASCII letters upper-cased; other bytes (Cyrillic in 1251) stay.
std::string UpperAscii(std::string text);

// The text without leading and trailing spaces and control characters.
std::string TrimBlanks(const std::string& text);
// The same, as a view into the text: nothing is copied (for text that must not be, a PIN's).
std::string_view TrimBlanksView(std::string_view text);

}  // namespace kit
