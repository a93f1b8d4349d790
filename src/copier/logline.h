// One entry of the updater's log: "[dd.MM.yyyy HH:mm:ss] -> " + text + CR LF, in local time.
#pragma once

#include <string>

namespace copier {

struct LocalTime {
  int year, month, day, hour, minute, second;
};

std::string LogLine(const LocalTime& time, const std::string& text);

}  // namespace copier
