// The updater's command line: what it is asked to do, and with which files.
#pragma once

#include <string>
#include <vector>

namespace copier {

struct CommandLine {
  enum class Mode {
    Usage,     // no argument at all: tell how to call the program
    Defaults,  // "-cw=": write a scenario file of the built-in settings and texts
    Update,    // run the scenario of "-c="
  };
  Mode mode = Mode::Usage;
  // The last "-c=" value after the program's directory; empty without "-c=".
  std::string scenarioPath;
  // The last "-l=" value as written; empty without "-l=".
  std::string logPath;
  // The last "-cw=" value after the program's directory.
  std::string defaultsPath;
};

// Options are recognised by their first characters without regard to ASCII case; other
// arguments are ignored. `programDirectory` ends with "\".
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& programDirectory);

}  // namespace copier
