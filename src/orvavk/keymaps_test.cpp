#include "keymaps.h"

#include <gtest/gtest.h>

#include <set>

#include "fake_layouts.h"
#include "orvavkcnst.h"

namespace orvavk {
namespace {

using test::TFakeLayouts;
using Rows = std::vector<std::wstring>;

const std::wstring kSpaceRow(6, L' ');

struct ExpectedMap {
  std::wstring name;
  HKL layout;
  Rows rows;
};

void ExpectMaps(const TKeysMap& maps, const std::vector<ExpectedMap>& expected) {
  ASSERT_EQ(maps.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < maps.Count(); ++i) {
    const ExpectedMap& want = expected[static_cast<size_t>(i)];
    EXPECT_EQ(maps.Name(i), want.name);
    EXPECT_EQ(maps.At(i)->layout, want.layout) << i;
    EXPECT_EQ(maps.At(i)->fixedRows, want.rows) << i;
  }
  EXPECT_EQ(maps.At(maps.Count()), nullptr);
}

TEST(KeyPages, OneLetterPagePerLanguageThenNumbersAndSymbols) {
  const Rows english = {L"qwertyuiop", L"asdfghjkl", L"zxcvbnm", kSpaceRow};
  const Rows russian = {L"ёйцукенгшщзхъ", L"фывапролджэ", L"ячсмитьбю", kSpaceRow};
  const Rows numbers = {L"12345", L"67890"};
  const Rows symbols = {L"`~!@#$%^&()", L"{}:\"|<>?[]", L"+-;'\\,./_=*\u2116"};
  struct Case {
    const char* what;
    std::vector<TFakeLayouts::Layout> installed;
    std::vector<ExpectedMap> maps;
  };
  const Case cases[] = {
      {"English and Russian",
       {TFakeLayouts::English(), TFakeLayouts::Russian()},
       {{L"English", test::kEnglish, english},
        {L"Русский", test::kRussian, russian},
        {L"Numbers", nullptr, numbers},
        {L"Symbols", nullptr, symbols}}},
      {"two Russian layouts share the page where the first appeared; the later one wins",
       {TFakeLayouts::Russian(), TFakeLayouts::English(), TFakeLayouts::RussianSecond()},
       {{L"Русский", test::kRussianSecond,
         {L"йцукенгшщзхъ", L"фывапролджэ", L"ячсмитьбю", kSpaceRow}},
        {L"English", test::kEnglish, english},
        {L"Numbers", nullptr, numbers},
        {L"Symbols", nullptr, symbols}}},
      {"no layouts", {}, {{L"Numbers", nullptr, numbers}, {L"Symbols", nullptr, symbols}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TKeysMap maps;
    BuildKeyPages(maps, TFakeLayouts(c.installed, test::kEnglish));
    ExpectMaps(maps, c.maps);
  }
}

TEST(KeyPages, SymbolsHoldThirtyThreeDistinctCharacters) {
  TKeysMap maps;
  BuildKeyPages(maps, TFakeLayouts({}, nullptr));
  std::wstring all;
  for (const auto& row : maps.Find(kSymbolsPage)->fixedRows) all += row;
  EXPECT_EQ(all.size(), 33u);
  EXPECT_EQ(std::set<wchar_t>(all.begin(), all.end()).size(), 33u);
  EXPECT_NE(all.find(L'\u2116'), std::wstring::npos);
}

// The layouts Wine or Windows really has: one page per language, letters only, and building
// the pages leaves the thread's input language alone.
TEST(KeyPages, BuiltFromTheInstalledLayouts) {
  HKL installed[40];
  const int count = ::GetKeyboardLayoutList(40, installed);
  ASSERT_GT(count, 0);
  const HKL before = ::GetKeyboardLayout(0);

  TKeysMap maps;
  BuildKeyPages(maps);
  EXPECT_EQ(::GetKeyboardLayout(0), before);

  std::set<std::wstring> languages;
  for (int i = 0; i < count; ++i) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    ::GetLocaleInfoW(MAKELCID(LOWORD(reinterpret_cast<UINT_PTR>(installed[i])), SORT_DEFAULT),
                     LOCALE_SNATIVELANGNAME, name, LOCALE_NAME_MAX_LENGTH);
    languages.insert(name);
  }
  ASSERT_EQ(maps.Count(), static_cast<int>(languages.size()) + 2);
  for (int i = 0; i + 2 < maps.Count(); ++i) {
    const TKeyMap& map = *maps.At(i);
    SCOPED_TRACE(i);
    EXPECT_NE(std::find(installed, installed + count, map.layout), installed + count);
    ASSERT_FALSE(map.name.empty());
    EXPECT_TRUE(::IsCharUpperW(map.name[0]));
    ASSERT_EQ(map.fixedRows.size(), 4u);
    EXPECT_EQ(map.fixedRows[3], kSpaceRow);
    size_t letters = 0;
    for (size_t r = 0; r < 3; ++r) {
      letters += map.fixedRows[r].size();
      for (wchar_t c : map.fixedRows[r]) EXPECT_TRUE(::IsCharAlphaW(c)) << int{c};
    }
    EXPECT_GT(letters, 0u);
  }
  EXPECT_EQ(maps.Name(maps.Count() - 2), kNumbersPage);
  EXPECT_EQ(maps.Name(maps.Count() - 1), kSymbolsPage);
}

}  // namespace
}  // namespace orvavk
