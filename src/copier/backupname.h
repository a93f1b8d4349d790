// Where the updater keeps the installed copy of a file while it replaces it: beside the file,
// so that a rollback is a rename within one folder.
#pragma once

#include <string>
#include <vector>

namespace copier {

// The path with the extension of its file-name part replaced by ".bak", or ".bak" appended
// when the name has none: C:\Kit\sigcore.dll -> C:\Kit\sigcore.bak. A dot in a folder name is
// no extension (C:\Kit.v2\data -> C:\Kit.v2\data.bak).
std::string BackupName(const std::string& path);

// The backup names of the destinations of one run, in their order. A destination keeps
// BackupName's name unless another destination has the same one or is named so; then it takes
// its full name followed by ".bak" (sigcore.dll and sigcore.ini -> sigcore.dll.bak and
// sigcore.ini.bak), with more ".bak" while that name is taken too. So no backup replaces
// another file's backup or an installed file. A destination listed twice has one backup.
std::vector<std::string> BackupNames(const std::vector<std::string>& destinations);

}  // namespace copier
