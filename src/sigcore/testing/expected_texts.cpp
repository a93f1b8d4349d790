#include "expected_texts.h"

#include <windows.h>

#include <fstream>
#include <stdexcept>

#include "windriver.h"

namespace sigcore_test {

const std::map<int, std::string>& ExpectedErrorTexts() {
  static const std::map<int, std::string> texts = [] {
    std::map<int, std::string> read;
    std::ifstream in(wintest::HostPath(KIT_ERROR_TEXTS), std::ios::binary);
    if (!in) throw std::runtime_error("no error text data");
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line[0] == '#') continue;
      const size_t tab = line.find('\t');
      read[std::stoi(line.substr(0, tab))] = line.substr(tab + 1);
    }
    return read;
  }();
  return texts;
}

std::string ToCp1251(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int wideLength = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                               static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        wideLength);
  const int length = ::WideCharToMultiByte(1251, 0, wide.data(), wideLength, nullptr, 0, nullptr,
                                           nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(1251, 0, wide.data(), wideLength, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace sigcore_test
