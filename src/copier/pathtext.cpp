#include "pathtext.h"

namespace copier {
namespace {

size_t NamePosition(const std::string& path) {
  const size_t separator = path.find_last_of("\\:");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

std::string FileNamePart(const std::string& path) { return path.substr(NamePosition(path)); }

std::string DirectoryPart(const std::string& path) { return path.substr(0, NamePosition(path)); }

}  // namespace copier
