// Running a program of the build the way a person or another program would.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace wintest {

struct ProgramResult {
  DWORD exitCode = ~0u;
  std::string output;  // standard output and standard error, in the order written
  bool finished = false;
};

// Runs the command line, collecting its output; a program still running after the timeout
// is terminated and reported as not finished.
ProgramResult RunProgram(const std::string& commandLine,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace wintest
