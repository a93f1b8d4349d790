#include "logline.h"

#include <cstdio>

namespace copier {

std::string LogLine(const LocalTime& time, const std::string& text) {
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "[%02d.%02d.%04d %02d:%02d:%02d] -> ", time.day, time.month,
                time.year, time.hour, time.minute, time.second);
  return prefix + text + "\r\n";
}

}  // namespace copier
