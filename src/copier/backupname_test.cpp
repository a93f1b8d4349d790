#include "backupname.h"

#include <gtest/gtest.h>

namespace {

using copier::BackupName;
using copier::BackupNames;
using Names = std::vector<std::string>;

TEST(BackupName, ReplacesTheExtensionOfTheFileNameOnly) {
  const struct {
    const char* path;
    const char* backup;
  } cases[] = {
      {"C:\\Kit\\sigcore.dll", "C:\\Kit\\sigcore.bak"},
      {"C:\\Kit\\data", "C:\\Kit\\data.bak"},
      {"C:\\Kit.v2\\data", "C:\\Kit.v2\\data.bak"},
      {"C:\\Kit.v2\\ccom.dll.sig", "C:\\Kit.v2\\ccom.dll.bak"},
      {"C:data.txt", "C:data.bak"},
      {"C:\\Kit\\sigcore.bak", "C:\\Kit\\sigcore.bak"},
  };
  for (const auto& c : cases) EXPECT_EQ(BackupName(c.path), c.backup) << c.path;
}

TEST(BackupNames, NoTwoFilesOfARunShareABackupAndNoBackupIsAnInstalledFile) {
  const struct {
    Names destinations;
    Names backups;
  } cases[] = {
      {{"K\\sigcore.dll", "K\\orvavk.dll"}, {"K\\sigcore.bak", "K\\orvavk.bak"}},
      // Both files of a shared name give it up; the third keeps its usual one.
      {{"K\\sigcore.dll", "K\\SIGCORE.ini", "K\\orvavk.dll"},
       {"K\\sigcore.dll.bak", "K\\SIGCORE.ini.bak", "K\\orvavk.bak"}},
      // A usual name is kept before a longer name is given, which then grows.
      {{"K\\x.dll", "K\\x.ini", "K\\x.dll.sig"},
       {"K\\x.dll.bak.bak", "K\\x.ini.bak", "K\\x.dll.bak"}},
      // A backup never takes the place of a file of the run, its own included.
      {{"K\\x.dll", "K\\x.bak"}, {"K\\x.dll.bak", "K\\x.bak.bak"}},
      {{"K.v2\\data", "K.v2\\other"}, {"K.v2\\data.bak", "K.v2\\other.bak"}},
      // The same file listed twice is backed up once, under one name.
      {{"K\\a.dll", "K\\b.dll", "k\\A.DLL"}, {"K\\a.bak", "K\\b.bak", "K\\a.bak"}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    const Names backups = BackupNames(c.destinations);
    EXPECT_EQ(backups, c.backups) << ::testing::PrintToString(c.destinations);
  }
}

}  // namespace
