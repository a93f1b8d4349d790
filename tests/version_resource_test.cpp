#include <gtest/gtest.h>

#include <sstream>

#include "deliverables.h"
#include "fileversion.h"

namespace {

kit::FileVersion Expected() {
  kit::FileVersion v;
  char dot;
  std::istringstream(KIT_VERSION) >> v.major >> dot >> v.minor >> dot >> v.release >> dot >> v.build;
  return v;
}

TEST(VersionResource, EveryDeliverableCarriesTheProjectVersion) {
  const auto files = wintest::HostPaths(KIT_DELIVERABLE_FILES);
  ASSERT_FALSE(files.empty());
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    const auto version = kit::ReadFileVersion(file);
    ASSERT_TRUE(version.has_value()) << "no version resource";
    EXPECT_EQ(version->ToString(), Expected().ToString());
    EXPECT_EQ(kit::ReadVersionString(file, "FileVersion"), KIT_VERSION);
    EXPECT_EQ(kit::ReadVersionString(file, "CompanyName"), KIT_COMPANY);
    const std::string name = file.substr(file.find_last_of('\\') + 1);
    EXPECT_EQ(kit::ReadVersionString(file, "OriginalFilename"), name);
    EXPECT_FALSE(kit::ReadVersionString(file, "FileDescription").value_or("").empty());
  }
}

TEST(VersionResource, VersionsCompareFieldByField) {
  EXPECT_LT((kit::FileVersion{3, 0, 1, 7}), (kit::FileVersion{3, 0, 2, 0}));
  EXPECT_LT((kit::FileVersion{2, 9, 9, 9}), (kit::FileVersion{3, 0, 0, 0}));
  EXPECT_EQ((kit::FileVersion{1, 2, 3, 4}).ToString(), "1.2.3.4");
}

TEST(VersionResource, FilesWithoutAResourceHaveNoVersion) {
  EXPECT_FALSE(kit::ReadFileVersion("C:\\no\\such\\file.dll").has_value());
  EXPECT_FALSE(kit::ReadVersionString("C:\\no\\such\\file.dll", "CompanyName").has_value());
}

}  // namespace
