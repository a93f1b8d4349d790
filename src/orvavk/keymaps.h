// The keyboard pages as data: one page of letters per installed input language, a "Numbers"
// page and a "Symbols" page. Pages become windows only while a form is shown (see keyboard.h);
// the data lives as long as the form.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "layouts.h"

namespace orvavk {

struct TKeyMap {
  // The tab text; for a language, its native name ("English", "Русский").
  std::wstring name;
  // The system layout whose letters the page holds; null for "Numbers" and "Symbols".
  HKL layout = nullptr;
  // One string per row of keys; a run of equal characters becomes one wide key.
  std::vector<std::wstring> fixedRows;
};

// Maps in the order they were first created; a map's address stays valid until Clear.
class TKeysMap {
 public:
  // The map of that name, appended when there is none yet.
  TKeyMap& GetOrCreate(std::wstring_view name);
  TKeyMap* Find(std::wstring_view name);
  int Count() const { return static_cast<int>(maps_.size()); }
  std::wstring Name(int index) const;
  // Null when the index is out of range.
  TKeyMap* At(int index);
  const TKeyMap* At(int index) const;
  void Clear() { maps_.clear(); }

 private:
  std::vector<std::unique_ptr<TKeyMap>> maps_;
};

// Adds a letters page for every installed layout (two layouts of one language share a page,
// the later one wins), then "Numbers" and "Symbols".
void BuildKeyPages(TKeysMap& maps, const TKeyboardLayouts& layouts = SystemKeyboardLayouts());

// The letters a layout types on the three letter rows of a standard keyboard, unshifted, then
// a row of six spaces that becomes one wide space key. Punctuation keys at the row ends are
// kept only where the layout puts a letter on them (the Russian "ё", "х", "ъ", "ж", "э", "б",
// "ю").
std::vector<std::wstring> LetterRows(const TKeyboardLayouts& layouts, HKL layout);

}  // namespace orvavk
