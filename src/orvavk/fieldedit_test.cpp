#include "fieldedit.h"

#include <gtest/gtest.h>

#include "orvavkcnst.h"

namespace orvavk {
namespace {

// A value with its caret marked: "12|34" has the caret after "12", "1[23]4" has "23" selected.
struct TMarked {
  std::wstring text;
  size_t caret = 0;
  size_t selection = 0;
};

TMarked Parse(std::wstring_view marked) {
  TMarked parsed;
  for (const wchar_t c : marked) {
    if (c == L'|' || c == L'[')
      parsed.caret = parsed.text.size();
    else if (c == L']')
      parsed.selection = parsed.text.size() - parsed.caret;
    else
      parsed.text += c;
  }
  return parsed;
}

struct EditCase {
  const char* what;
  const wchar_t* before;
  // The decoys shown in the value's place before the edit.
  std::wstring shown;
  TEditKind kind;
  const wchar_t* text;
  int32_t maxLength;
  const wchar_t* after;
  // Which decoys stay: a letter is the one from that place before, "#" a new decoy.
  std::wstring shownAfter;
  std::wstring removed = L"";
};

constexpr TEditKind kInsert = TEditKind::Insert;
constexpr TEditKind kBackspace = TEditKind::Backspace;
constexpr TEditKind kDelete = TEditKind::Delete;
constexpr TEditKind kCut = TEditKind::Cut;

const EditCase kCases[] = {
    {"insert at the end", L"123|", L"abc", kInsert, L"4", 255, L"1234|", L"abc#"},
    {"insert inside", L"12|4", L"abc", kInsert, L"3", 255, L"123|4", L"ab#c"},
    {"insert over a selection", L"1[xx]4", L"abcd", kInsert, L"23", 255, L"123|4", L"a##d"},
    {"paste cut to the room left", L"123|", L"abc", kInsert, L"XYZ", 4, L"123X|", L"abc#"},
    {"full field", L"1234|", L"abcd", kInsert, L"5", 4, L"1234|", L"abcd"},
    {"the selection makes room", L"1[23]4", L"abcd", kInsert, L"xyz", 4, L"1xy|4", L"a##d"},
    {"no limit", L"12|", L"ab", kInsert, L"345678", 0, L"12345678|", L"ab######"},
    {"negative limit", L"|12", L"ab", kInsert, L"0", -1, L"0|12", L"#ab"},
    {"value beyond a lowered limit", L"123456|", L"abcdef", kInsert, L"7", 4, L"123456|",
     L"abcdef"},
    {"backspace at the start", L"|12", L"ab", kBackspace, L"", 255, L"|12", L"ab"},
    {"backspace inside", L"12|34", L"abcd", kBackspace, L"", 255, L"1|34", L"acd"},
    {"backspace over a selection", L"1[23]4", L"abcd", kBackspace, L"", 255, L"1|4", L"ad"},
    {"delete at the end", L"12|", L"ab", kDelete, L"", 255, L"12|", L"ab"},
    {"delete inside", L"1|234", L"abcd", kDelete, L"", 255, L"1|34", L"acd"},
    {"delete everything selected", L"[1234]", L"abcd", kDelete, L"", 255, L"|", L""},
    {"cut", L"1[23]4", L"abcd", kCut, L"", 255, L"1|4", L"ad", L"23"},
    {"cut without a selection", L"12|34", L"abcd", kCut, L"", 255, L"12|34", L"abcd"},
    {"decoys of another length", L"1234|", L"ab", kInsert, L"5", 255, L"12345|", L"#####"},
};

TEST(FieldEdit, ChangesValueAndDecoysAlike) {
  for (const EditCase& c : kCases) {
    SCOPED_TRACE(c.what);
    const TMarked before = Parse(c.before);
    const TMarked after = Parse(c.after);
    for (const bool masked : {false, true}) {
      TSecretText value(before.text.begin(), before.text.end());
      std::wstring shown = c.shown;
      const TEditResult result =
          ApplyEdit(value, masked ? &shown : nullptr,
                    {c.kind, before.caret, before.selection, c.text, c.maxLength});
      EXPECT_EQ(std::wstring(value.begin(), value.end()), after.text);
      EXPECT_EQ(result.caret, after.caret);
      EXPECT_EQ(std::wstring(result.removed.begin(), result.removed.end()), c.removed);
      if (!masked) {
        EXPECT_EQ(shown, c.shown);
        continue;
      }
      ASSERT_EQ(shown.size(), c.shownAfter.size());
      for (size_t i = 0; i < shown.size(); ++i) {
        if (c.shownAfter[i] != L'#') {
          EXPECT_EQ(shown[i], c.shownAfter[i]) << i;
        } else {
          EXPECT_LT(kMaskAlphabet.find(shown[i]), kDecoyAlphabetSize) << i;
          EXPECT_NE(shown[i], value[i]) << i;
        }
      }
    }
  }
  // Positions beyond the value are its end.
  TSecretText value(L"12");
  const TEditResult result = ApplyEdit(value, nullptr, {kInsert, 9, 5, L"3", 255});
  EXPECT_EQ(std::wstring(value.begin(), value.end()), L"123");
  EXPECT_EQ(result.caret, 3u);
}

// Every character of the alphabet typed many times over: no decoy is "=", and none shows the
// character that stands in its place.
TEST(FieldEdit, DecoysNeverShowTheValue) {
  TLcgRandom random(7);
  TSecretText value;
  std::wstring shown;
  for (int round = 0; round < 40; ++round)
    for (const wchar_t c : kMaskAlphabet)
      ApplyEdit(value, &shown, {kInsert, value.size() / 2, 0, std::wstring_view(&c, 1), 0}, random);
  ASSERT_EQ(shown.size(), 40 * kMaskAlphabet.size());
  EXPECT_EQ(shown.find(L'='), std::wstring::npos);
  for (size_t i = 0; i < shown.size(); ++i) ASSERT_NE(shown[i], value[i]) << i;
}

}  // namespace
}  // namespace orvavk
