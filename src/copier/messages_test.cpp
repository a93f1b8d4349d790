#include "messages.h"

#include <gtest/gtest.h>

#include "logline.h"

namespace {

using namespace copier;

TEST(Messages, LineBreaksAreWrittenAsBackslashN) {
  const struct {
    const char* text;
    const char* escaped;
  } cases[] = {
      {"one\r\ntwo\r\n", "one\\ntwo\\n"},
      {"lone\nLF and lone\rCR", "lone\nLF and lone\rCR"},
      {"\r\n\r\n", "\\n\\n"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LineBreaksToEscapes(c.text), c.escaped);
    EXPECT_EQ(EscapesToLineBreaks(c.escaped), c.text);
  }
  // Every "\n" read from a scenario is a line break, even inside what looks like a path.
  EXPECT_EQ(EscapesToLineBreaks("C:\\new\\\\n"), "C:\r\new\\\r\n");
}

TEST(Messages, EveryBuiltInTextSurvivesTheScenarioFile) {
  const TMessages messages;
  for (size_t i = 0; i < kMessageCount; ++i) {
    const std::string& text = messages.Text(static_cast<Message>(i));
    const std::string escaped = LineBreaksToEscapes(text);
    EXPECT_EQ(escaped.find_first_of("\r\n"), std::string::npos)
        << MessageKey(static_cast<Message>(i));
    EXPECT_EQ(EscapesToLineBreaks(escaped), text);
    // The profile functions read at most 2,047 characters.
    EXPECT_LT(escaped.size(), 2048u);
  }
  EXPECT_STREQ(MessageKey(Message::SharingError), "SHARING_ERROR");
  EXPECT_STREQ(MessageKey(Message::NotFoundRegisteredActiveX), "NOT_FOUND_REGISTERED_ACIVEX");
  EXPECT_STREQ(MessageKey(Message::CopyError), "COPY_ERROR");
}

TEST(Messages, FormattingTakesOnlyTheArgumentsGiven) {
  const struct {
    const char* format;
    std::vector<std::string> arguments;
    const char* result;
  } cases[] = {
      {"Close:\r\n%s\r\nSteps:\r\n%s", {"A\r\n", "1"}, "Close:\r\nA\r\n\r\nSteps:\r\n1"},
      {"100%% of %s", {"files"}, "100% of files"},
      {"%d %x %n %p %", {"unused"}, "%d %x %n %p %"},
      {"%s and %s", {"one"}, "one and "},
      {"no arguments", {"extra"}, "no arguments"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatText(c.format, c.arguments), c.result) << c.format;
}

TEST(LogLine, PrefixOfAKnownMoment) {
  const std::string line = LogLine({2009, 3, 3, 9, 5, 7}, "Start GetDestDir");
  EXPECT_EQ(line.substr(0, 25), "[03.03.2009 09:05:07] -> ");
  EXPECT_EQ(line, "[03.03.2009 09:05:07] -> Start GetDestDir\r\n");
  EXPECT_EQ(LogLine({2024, 12, 31, 23, 59, 58}, ""), "[31.12.2024 23:59:58] -> \r\n");
}

}  // namespace
