// The files that the build of this tree lists for the deliverable tests, as Windows paths.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "windriver.h"

namespace wintest {

// The build joins the paths with "|", which no Windows path can hold; a ";" would split the
// compile definition that carries them.
inline std::vector<std::string> HostPaths(const std::string& barList) {
  std::vector<std::string> files;
  std::istringstream pieces(barList);
  for (std::string file; std::getline(pieces, file, '|');) files.push_back(HostPath(file));
  return files;
}

}  // namespace wintest
