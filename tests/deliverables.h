// The files that the build of this tree lists for the deliverable tests, as Windows paths.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "windriver.h"

namespace wintest {

// The build joins the files with "|": a ";" would split the compile definition itself.
inline std::vector<std::string> HostPaths(const std::string& list) {
  std::vector<std::string> files;
  if (list.empty()) return files;
  for (size_t start = 0; start <= list.size();) {
    const size_t end = std::min(list.find('|', start), list.size());
    files.push_back(HostPath(list.substr(start, end - start)));
    start = end + 1;
  }
  return files;
}

}  // namespace wintest
