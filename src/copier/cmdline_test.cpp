#include "cmdline.h"

#include <gtest/gtest.h>

namespace {

using copier::CommandLine;
using copier::ParseCommandLine;
using Mode = CommandLine::Mode;

TEST(CommandLine, ModesAndOptions) {
  const std::string dir = "C:\\Update\\";
  const struct {
    std::vector<std::string> arguments;
    Mode mode;
    const char* scenario;
    const char* log;
    const char* defaults;
  } cases[] = {
      {{}, Mode::Usage, "", "", ""},
      {{"-c=update.ini"}, Mode::Update, "C:\\Update\\update.ini", "", ""},
      {{"-C=update.ini"}, Mode::Update, "C:\\Update\\update.ini", "", ""},
      // Relative to the program's directory even when written as an absolute path.
      {{"-c=D:\\s.ini"}, Mode::Update, "C:\\Update\\D:\\s.ini", "", ""},
      {{"-c=a.ini", "-L=..\\log.txt", "-c=b.ini"},
       Mode::Update,
       "C:\\Update\\b.ini",
       "..\\log.txt",
       ""},
      {{"-l=one.log", "-l=two.log"}, Mode::Update, "", "two.log", ""},
      {{"/c=update.ini", "-x", "-c"}, Mode::Update, "", "", ""},
      // Writing the defaults is all such a run does.
      {{"-c=update.ini", "-CW=def.ini", "-l=log.txt"},
       Mode::Defaults,
       "",
       "",
       "C:\\Update\\def.ini"},
      {{"-cw=a.ini", "-cw=b.ini"}, Mode::Defaults, "", "", "C:\\Update\\b.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const CommandLine line = ParseCommandLine(c.arguments, dir);
    EXPECT_EQ(line.mode, c.mode);
    EXPECT_EQ(line.scenarioPath, c.scenario);
    EXPECT_EQ(line.logPath, c.log);
    EXPECT_EQ(line.defaultsPath, c.defaults);
  }
}

}  // namespace
