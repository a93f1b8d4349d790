// The files that the build of this tree lists for the deliverable tests, as Windows paths.
#pragma once

#include <string>
#include <vector>

#include "textutil.h"
#include "windriver.h"

namespace wintest {

inline std::vector<std::string> HostPaths(const std::string& semicolonList) {
  std::vector<std::string> files;
  kit::SplitBySemicolon(semicolonList, files);
  for (auto& f : files) f = HostPath(f);
  return files;
}

}  // namespace wintest
