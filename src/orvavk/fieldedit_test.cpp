#include "fieldedit.h"

#include <gtest/gtest.h>

#include "orvavkcnst.h"

namespace orvavk {
namespace {

struct EditCase {
  const char* what;
  std::wstring value;
  // The decoys shown in the value's place before the edit.
  std::wstring shown;
  TEditRequest request;
  std::wstring expected;
  size_t caret;
  // Which decoys stay: a letter is the one from that place before, "#" a new decoy.
  std::wstring expectedShown;
  std::wstring removed = L"";
};

const EditCase kCases[] = {
    {"insert at the end", L"123", L"abc", {TEditKind::Insert, 3, 0, L"4", 255}, L"1234", 4, L"abc#"},
    {"insert inside", L"124", L"abc", {TEditKind::Insert, 2, 0, L"3", 255}, L"1234", 3, L"ab#c"},
    {"insert over a selection", L"1xx4", L"abcd", {TEditKind::Insert, 1, 2, L"23", 255}, L"1234", 3,
     L"a##d"},
    {"paste cut to the room left", L"123", L"abc", {TEditKind::Insert, 3, 0, L"XYZ", 4}, L"123X", 4,
     L"abc#"},
    {"full field", L"1234", L"abcd", {TEditKind::Insert, 4, 0, L"5", 4}, L"1234", 4, L"abcd"},
    {"the selection makes room", L"1234", L"abcd", {TEditKind::Insert, 1, 2, L"xyz", 4}, L"1xy4", 3,
     L"a##d"},
    {"no limit", L"12", L"ab", {TEditKind::Insert, 2, 0, L"345678", 0}, L"12345678", 8, L"ab######"},
    {"negative limit", L"12", L"ab", {TEditKind::Insert, 0, 0, L"0", -1}, L"012", 1, L"#ab"},
    {"value beyond a lowered limit", L"123456", L"abcdef", {TEditKind::Insert, 6, 0, L"7", 4},
     L"123456", 6, L"abcdef"},
    {"backspace at the start", L"12", L"ab", {TEditKind::Backspace, 0, 0, L"", 255}, L"12", 0, L"ab"},
    {"backspace inside", L"1234", L"abcd", {TEditKind::Backspace, 2, 0, L"", 255}, L"134", 1, L"acd"},
    {"backspace over a selection", L"1234", L"abcd", {TEditKind::Backspace, 1, 2, L"", 255}, L"14", 1,
     L"ad"},
    {"delete at the end", L"12", L"ab", {TEditKind::Delete, 2, 0, L"", 255}, L"12", 2, L"ab"},
    {"delete inside", L"1234", L"abcd", {TEditKind::Delete, 1, 0, L"", 255}, L"134", 1, L"acd"},
    {"delete everything selected", L"1234", L"abcd", {TEditKind::Delete, 0, 4, L"", 255}, L"", 0, L""},
    {"cut", L"1234", L"abcd", {TEditKind::Cut, 1, 2, L"", 255}, L"14", 1, L"ad", L"23"},
    {"cut without a selection", L"1234", L"abcd", {TEditKind::Cut, 2, 0, L"", 255}, L"1234", 2, L"abcd"},
    {"positions beyond the value", L"12", L"ab", {TEditKind::Insert, 9, 5, L"3", 255}, L"123", 3,
     L"ab#"},
    {"decoys of another length", L"1234", L"ab", {TEditKind::Insert, 4, 0, L"5", 255}, L"12345", 5,
     L"#####"},
};

TEST(FieldEdit, ChangesValueAndDecoysAlike) {
  for (const EditCase& c : kCases) {
    SCOPED_TRACE(c.what);
    for (const bool masked : {false, true}) {
      TSecretText value(c.value.begin(), c.value.end());
      std::wstring shown = c.shown;
      const TEditResult result = ApplyEdit(value, masked ? &shown : nullptr, c.request);
      EXPECT_EQ(std::wstring(value.begin(), value.end()), c.expected);
      EXPECT_EQ(result.caret, c.caret);
      EXPECT_EQ(std::wstring(result.removed.begin(), result.removed.end()), c.removed);
      if (!masked) {
        EXPECT_EQ(shown, c.shown);
        continue;
      }
      ASSERT_EQ(shown.size(), c.expectedShown.size());
      for (size_t i = 0; i < shown.size(); ++i) {
        if (c.expectedShown[i] != L'#') {
          EXPECT_EQ(shown[i], c.expectedShown[i]) << i;
        } else {
          EXPECT_LT(kMaskAlphabet.find(shown[i]), kDecoyAlphabetSize) << i;
          EXPECT_NE(shown[i], value[i]) << i;
        }
      }
    }
  }
}

// Every character of the alphabet typed many times over: no decoy is "=", and none shows the
// character that stands in its place.
TEST(FieldEdit, DecoysNeverShowTheValue) {
  TLcgRandom random(7);
  TSecretText value;
  std::wstring shown;
  for (int round = 0; round < 40; ++round)
    for (const wchar_t c : kMaskAlphabet)
      ApplyEdit(value, &shown, {TEditKind::Insert, value.size() / 2, 0, std::wstring_view(&c, 1), 0},
                random);
  ASSERT_EQ(shown.size(), 40 * kMaskAlphabet.size());
  EXPECT_EQ(shown.find(L'='), std::wstring::npos);
  for (size_t i = 0; i < shown.size(); ++i) ASSERT_NE(shown[i], value[i]) << i;
}

}  // namespace
}  // namespace orvavk
