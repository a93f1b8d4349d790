// Keyboard layouts for tests, whatever the machine has installed: each is given by what its
// three letter rows type, key by key from the key left of "1" to the slash key.
#pragma once

#include <string>
#include <vector>

#include "layouts.h"

namespace orvavk::test {

inline const HKL kEnglish = reinterpret_cast<HKL>(UINT_PTR{0x04090409});
inline const HKL kRussian = reinterpret_cast<HKL>(UINT_PTR{0x04190419});
// A second Russian layout whose key left of "1" types no letter.
inline const HKL kRussianSecond = reinterpret_cast<HKL>(UINT_PTR{0xF0080419});

class TFakeLayouts final : public TKeyboardLayouts {
 public:
  struct Layout {
    HKL layout;
    std::wstring name;
    // The unshifted characters of the three rows; '\0' for a key that types nothing.
    std::wstring top, middle, bottom;
  };

  static Layout English() {
    return {kEnglish, L"ENGLISH", L"`qwertyuiop[]", L"asdfghjkl;'", L"zxcvbnm,./"};
  }
  static Layout Russian() {
    return {kRussian, L"русский", L"ёйцукенгшщзхъ", L"фывапролджэ", L"ячсмитьбю."};
  }
  static Layout RussianSecond() {
    return {kRussianSecond, L"русский", L"|йцукенгшщзхъ", L"фывапролджэ", L"ячсмитьбю."};
  }

  TFakeLayouts(std::vector<Layout> layouts, HKL current)
      : layouts_(std::move(layouts)), current_(current) {}

  std::vector<HKL> Installed() const override {
    std::vector<HKL> installed;
    for (const Layout& layout : layouts_) installed.push_back(layout.layout);
    return installed;
  }
  HKL Current() const override { return current_; }
  std::wstring NativeLanguageName(HKL layout) const override {
    const Layout* found = Find(layout);
    return found ? found->name : std::wstring();
  }
  std::wstring Translate(HKL layout, UINT virtualKey) const override {
    static const std::vector<std::vector<UINT>> rows = {
        {0xC0, 'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 0xDB, 0xDD},
        {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 0xBA, 0xDE},
        {'Z', 'X', 'C', 'V', 'B', 'N', 'M', 0xBC, 0xBE, 0xBF}};
    const Layout* found = Find(layout);
    if (!found) return {};
    const std::wstring* typed[] = {&found->top, &found->middle, &found->bottom};
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t k = 0; k < rows[r].size() && k < typed[r]->size(); ++k)
        if (rows[r][k] == virtualKey) return std::wstring(1, (*typed[r])[k]);
    return {};
  }

 private:
  const Layout* Find(HKL layout) const {
    for (const Layout& candidate : layouts_)
      if (candidate.layout == layout) return &candidate;
    return nullptr;
  }

  std::vector<Layout> layouts_;
  HKL current_;
};

}  // namespace orvavk::test
