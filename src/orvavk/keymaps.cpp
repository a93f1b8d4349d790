#include "keymaps.h"

#include <array>

#include "orvavkcnst.h"

namespace orvavk {
namespace {

// The three letter rows of a standard keyboard by virtual key, 0 ending a row: the key left
// of "1" opens the top row, the bracket, semicolon, quote, comma, full-stop and slash keys
// close the rows.
constexpr std::array<UINT, 36> kLetterKeys = {
    0xC0, 'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 0xDB, 0xDD, 0,
    'A',  'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 0xBA, 0xDE, 0,
    'Z',  'X', 'C', 'V', 'B', 'N', 'M', 0xBC, 0xBE, 0xBF};

bool IsLetter(wchar_t c) {
  wchar_t upper = c;
  wchar_t lower = c;
  ::CharUpperBuffW(&upper, 1);
  ::CharLowerBuffW(&lower, 1);
  return upper != lower;
}

// "русский" -> "Русский", "ENGLISH" -> "English".
std::wstring PageName(std::wstring name) {
  if (name.empty()) return name;
  ::CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
  ::CharUpperBuffW(name.data(), 1);
  return name;
}

}  // namespace

TKeyMap& TKeysMap::GetOrCreate(std::wstring_view name) {
  if (TKeyMap* map = Find(name)) return *map;
  maps_.push_back(std::make_unique<TKeyMap>());
  maps_.back()->name = name;
  return *maps_.back();
}

TKeyMap* TKeysMap::Find(std::wstring_view name) {
  for (auto& map : maps_)
    if (map->name == name) return map.get();
  return nullptr;
}

std::wstring TKeysMap::Name(int index) const {
  const TKeyMap* map = At(index);
  return map ? map->name : std::wstring();
}

TKeyMap* TKeysMap::At(int index) {
  return index >= 0 && index < Count() ? maps_[static_cast<size_t>(index)].get() : nullptr;
}

const TKeyMap* TKeysMap::At(int index) const {
  return index >= 0 && index < Count() ? maps_[static_cast<size_t>(index)].get() : nullptr;
}

std::vector<std::wstring> LetterRows(const TKeyboardLayouts& layouts, HKL layout) {
  std::vector<std::wstring> rows(1);
  for (UINT key : kLetterKeys) {
    if (key == 0) {
      rows.emplace_back();
      continue;
    }
    const std::wstring typed = layouts.Translate(layout, key);
    if (!typed.empty() && IsLetter(typed[0])) rows.back() += typed[0];
  }
  rows.emplace_back(6, L' ');
  return rows;
}

void BuildKeyPages(TKeysMap& maps, const TKeyboardLayouts& layouts) {
  for (HKL layout : layouts.Installed()) {
    TKeyMap& map = maps.GetOrCreate(PageName(layouts.NativeLanguageName(layout)));
    map.layout = layout;
    map.fixedRows = LetterRows(layouts, layout);
  }
  maps.GetOrCreate(kNumbersPage).fixedRows = {L"12345", L"67890"};
  maps.GetOrCreate(kSymbolsPage).fixedRows = {L"`~!@#$%^&()", L"{}:\"|<>?[]",
                                              L"+-;'\\,./_=*\u2116"};
}

}  // namespace orvavk
