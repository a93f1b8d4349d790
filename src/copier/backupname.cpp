#include "backupname.h"

#include <algorithm>

#include "pathtext.h"
#include "textutil.h"

namespace copier {

std::string BackupName(const std::string& path) {
  const size_t nameStart = path.size() - FileNamePart(path).size();
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) return path + ".bak";
  return path.substr(0, dot) + ".bak";
}

std::vector<std::string> BackupNames(const std::vector<std::string>& destinations) {
  const auto same = [](const std::string& a, const std::string& b) {
    return kit::EqualsIgnoreAsciiCase(a, b);
  };
  const size_t count = destinations.size();
  // Where each destination is listed first: a repeated one takes that entry's name.
  std::vector<size_t> first(count);
  for (size_t i = 0; i < count; ++i) {
    first[i] = i;
    for (size_t j = 0; j < i; ++j) {
      if (same(destinations[j], destinations[i])) {
        first[i] = j;
        break;
      }
    }
  }
  std::vector<std::string> taken(destinations);
  const auto isTaken = [&](const std::string& name) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& t) { return same(t, name); });
  };
  const auto isShared = [&](size_t i) {
    for (size_t j = 0; j < count; ++j) {
      if (first[j] == j && j != first[i] &&
          same(BackupName(destinations[j]), BackupName(destinations[i])))
        return true;
    }
    return false;
  };

  // The usual names first, so that none of them gives way to a longer name.
  std::vector<std::string> names(count);
  for (size_t i = 0; i < count; ++i) {
    if (first[i] != i || isShared(i) || isTaken(BackupName(destinations[i]))) continue;
    names[i] = BackupName(destinations[i]);
    taken.push_back(names[i]);
  }
  for (size_t i = 0; i < count; ++i) {
    if (first[i] != i || !names[i].empty()) continue;
    std::string name = destinations[i] + ".bak";
    while (isTaken(name)) name += ".bak";
    names[i] = name;
    taken.push_back(name);
  }
  for (size_t i = 0; i < count; ++i) names[i] = names[first[i]];
  return names;
}

}  // namespace copier
