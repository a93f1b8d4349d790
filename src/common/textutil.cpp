#include "textutil.h"

namespace kit {
namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsAsciiLetter(char c) { return AsciiUpper(c) >= 'A' && AsciiUpper(c) <= 'Z'; }

}  // namespace

std::string AddPathSeparator(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  if (path.size() == 1 && IsAsciiLetter(path[0])) return path + ":\\";
  return path + "\\";
}

int SplitBySemicolon(const std::string& text, std::vector<std::string>& pieces) {
  if (text.empty()) return 0;
  int added = 0;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(';', start);
    pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    ++added;
    if (end == std::string::npos) return added;
    start = end + 1;
  }
}

std::string BytesToHexText(const uint8_t* bytes, size_t length, size_t groupSize,
                           size_t lineSize) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(length * 3 + (lineSize ? length / lineSize * 2 : 0));
  for (size_t i = 1; i <= length; ++i) {
    const uint8_t b = bytes[i - 1];
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
    if (groupSize != 0 && i % groupSize == 0) text += ' ';
    if (lineSize != 0 && i % lineSize == 0) text += "\r\n";
  }
  return text;
}

std::string StripTimestampSuffix(const std::string& text) {
  // "(" + 19 characters of date and time + ")", preceded by a separator.
  constexpr size_t kBracketed = 21;
  if (text.size() < kBracketed || text.back() != ')' || text[text.size() - kBracketed] != '(')
    return text;
  // A text that is nothing but the bracketed part has no separator to remove with it.
  return text.substr(0, text.size() > kBracketed ? text.size() - kBracketed - 1 : 0);
}

bool EqualsIgnoreAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

std::string UpperAscii(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}

std::string TrimBlanks(const std::string& text) { return std::string(TrimBlanksView(text)); }

std::string_view TrimBlanksView(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace kit
