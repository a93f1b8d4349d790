#include "cmdline.h"

#include "textutil.h"

namespace copier {
namespace {

// The rest of the argument after `option`, when it begins with it in any ASCII case.
bool TakeOption(const std::string& argument, const std::string& option, std::string& value) {
  if (argument.size() < option.size() ||
      !kit::EqualsIgnoreAsciiCase(argument.substr(0, option.size()), option))
    return false;
  value = argument.substr(option.size());
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& programDirectory) {
  CommandLine line;
  if (arguments.empty()) return line;
  line.mode = CommandLine::Mode::Update;
  std::string value;
  for (const auto& argument : arguments) {
    if (TakeOption(argument, "-cw=", value)) {
      line.mode = CommandLine::Mode::Defaults;
      line.defaultsPath = programDirectory + value;
    } else if (TakeOption(argument, "-c=", value)) {
      line.scenarioPath = programDirectory + value;
    } else if (TakeOption(argument, "-l=", value)) {
      line.logPath = value;
    }
  }
  // Writing the defaults is all such a run does: it reads no scenario and keeps no log.
  if (line.mode == CommandLine::Mode::Defaults) {
    line.scenarioPath.clear();
    line.logPath.clear();
  }
  return line;
}

}  // namespace copier
