#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "childprocess.h"
#include "winhandles.h"
#include "windriver.h"

namespace {

using namespace wintest;

const std::string kProbe = "\"" + HostPath(KIT_CHILD_PROBE) + "\"";

// A program that the child starts may hold the output pipe for a minute: the result comes
// when the child ends, not when the pipe closes.
TEST(RunProgram, ReturnsWhenTheChildEndsThoughItsOwnChildHoldsTheOutput) {
  const auto result = RunProgram(kProbe + " leave-behind", std::chrono::seconds(50));
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 7u);
  ASSERT_EQ(result.output.rfind("left ", 0), 0u) << result.output;

  const auto id = static_cast<DWORD>(std::stoul(result.output.substr(5)));
  kit::UniqueHandle lingering(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
  ASSERT_TRUE(lingering) << "the grandchild should still run";
  EXPECT_EQ(::WaitForSingleObject(lingering.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ::TerminateProcess(lingering.Get(), 0);
}

TEST(RunProgram, EndsAProgramThatOutlivesItsTimeLimit) {
  const auto result = RunProgram(kProbe + " linger 60", std::chrono::milliseconds(300));
  EXPECT_FALSE(result.finished);
}

TEST(RunProgram, ReportsAProgramThatCannotStart) {
  const auto result = RunProgram("\"C:\\no\\such\\program.exe\"");
  EXPECT_FALSE(result.finished);
  EXPECT_TRUE(result.output.empty());
}

}  // namespace
