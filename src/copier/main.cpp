// copier.exe installs a new set of the kit's files over an installed kit, as its scenario
// file says. It has no window of its own: it speaks to the user through message boxes and
// optionally keeps a log. Whatever happens, it ends with exit code 0; the outcome is what the
// user was told and what the log says.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cfgunit.h"
#include "cmdline.h"
#include "copier.h"
#include "libload.h"
#include "prssrch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    const std::vector<std::string> arguments(__argv + 1, __argv + __argc);
    const copier::CommandLine line =
        copier::ParseCommandLine(arguments, kit::ModuleDirectory(nullptr));
    copier::TConfigurator config;
    copier::TProcessSearcher searcher;
    switch (line.mode) {
      case copier::CommandLine::Mode::Usage:
        copier::ShowMessage(copier::BoxKind::Usage, copier::kUsageText);
        break;
      case copier::CommandLine::Mode::Defaults:
        config.WriteDefaults(line.defaultsPath);
        break;
      case copier::CommandLine::Mode::Update:
        if (!line.logPath.empty()) config.OpenLog(line.logPath);
        config.scenarioPath = line.scenarioPath;
        if (config.ReadScenario()) copier::TCopier(config, searcher).RunUpdate();
        break;
    }
  } catch (...) {
    // Nothing is left to tell: every step reports its own outcome as it goes.
  }
  return 0;
}
