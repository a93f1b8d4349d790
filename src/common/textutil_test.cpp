#include "textutil.h"

#include <gtest/gtest.h>

namespace kit {
namespace {

TEST(AddPathSeparator, DriveLettersBecomeRoots) {
  EXPECT_EQ(AddPathSeparator("c"), "c:\\");
  EXPECT_EQ(AddPathSeparator("Z"), "Z:\\");
  EXPECT_EQ(AddPathSeparator("C:"), "C:\\");
  EXPECT_EQ(AddPathSeparator("C:\\keys\\"), "C:\\keys\\");
  EXPECT_EQ(AddPathSeparator("C:\\keys"), "C:\\keys\\");
  EXPECT_EQ(AddPathSeparator(""), "");
  EXPECT_EQ(AddPathSeparator("1"), "1\\") << "only letters name drives";
  EXPECT_EQ(AddPathSeparator("\xC0"), "\xC0\\") << "a Cyrillic letter is no drive";
}

TEST(SplitBySemicolon, KeepsEmptyPiecesAndAppends) {
  std::vector<std::string> pieces{"kept"};
  EXPECT_EQ(SplitBySemicolon("a;b;c", pieces), 3);
  EXPECT_EQ(pieces, (std::vector<std::string>{"kept", "a", "b", "c"}));

  pieces.clear();
  EXPECT_EQ(SplitBySemicolon("a;", pieces), 2);
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", ""}));

  pieces.clear();
  EXPECT_EQ(SplitBySemicolon(";;", pieces), 3);
  EXPECT_EQ(pieces, (std::vector<std::string>{"", "", ""}));

  EXPECT_EQ(SplitBySemicolon("", pieces), 0);
  EXPECT_EQ(pieces.size(), 3u);
}

TEST(BytesToHexText, GroupsAndLines) {
  const uint8_t bytes[] = {0x01, 0xAB, 0x7F, 0xF0, 0x00};
  EXPECT_EQ(BytesToHexText(bytes, 4, 2, 4), "01AB 7FF0 \r\n");
  EXPECT_EQ(BytesToHexText(bytes, 5, 255, 255), "01AB7FF000");
  EXPECT_EQ(BytesToHexText(bytes, 5, 1, 2), "01 AB \r\n7F F0 \r\n00 ");
  EXPECT_EQ(BytesToHexText(bytes, 3, 0, 0), "01AB7F") << "zero sizes never break";
  EXPECT_EQ(BytesToHexText(nullptr, 0, 2, 4), "");
}

TEST(StripTimestampSuffix, RemovesOnlyAFullBracketedTimestamp) {
  EXPECT_EQ(StripTimestampSuffix("Ivanov I.I. (2026-12-08 10:15:00)"), "Ivanov I.I.");
  EXPECT_EQ(StripTimestampSuffix("Ivanov (08.12.2026 10:15:00)"), "Ivanov");
  EXPECT_EQ(StripTimestampSuffix("Ivanov (08.12.2026 10:15)"), "Ivanov (08.12.2026 10:15)");
  EXPECT_EQ(StripTimestampSuffix("Ivanov 08.12.2026 10:15:00)"), "Ivanov 08.12.2026 10:15:00)");
  EXPECT_EQ(StripTimestampSuffix("(08.12.2026 10:15:00)"), "");
  EXPECT_EQ(StripTimestampSuffix(")"), ")");
  EXPECT_EQ(StripTimestampSuffix(""), "");
}

TEST(UpperAsciiAndTrimBlanks, TouchOnlyWhatTheySay) {
  EXPECT_EQ(UpperAscii("etoken0:\\1a2f \xE0\xC0"), "ETOKEN0:\\1A2F \xE0\xC0")
      << "Cyrillic letters of 1251 stay as they are";
  EXPECT_EQ(TrimBlanks(" \t\r\n etoken \x01"), "etoken");
  EXPECT_EQ(TrimBlanks("a b"), "a b");
  EXPECT_EQ(TrimBlanks(" \t "), "");
  EXPECT_EQ(TrimBlanks("\xA0x\xA0"), "\xA0x\xA0") << "only ASCII blanks and controls";
}

}  // namespace
}  // namespace kit
