#include <gtest/gtest.h>
#include <windows.h>

#include "deliverables.h"
#include "peimage.h"

namespace {

using namespace wintest;

// This test is built by the compiler that built the images it reads.
constexpr uint16_t kTreeMachine =
    sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;

TEST(Image, EveryDeliverableIsBuiltForThisTreesMachine) {
  const auto files = HostPaths(KIT_DELIVERABLE_FILES);
  ASSERT_FALSE(files.empty());
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    const auto image = ReadPeImage(file);
    ASSERT_TRUE(image.has_value()) << "not a readable Windows image";
    EXPECT_EQ(image->machine, kTreeMachine);
  }
}

// Hosts bind the exports by name, so a decorated (Name@8) or missing name breaks them.
TEST(Image, DllsExportExactlyTheNamesOfTheirDefFiles) {
  const auto dlls = HostPaths(KIT_EXPORTING_DLLS);
  const auto defs = HostPaths(KIT_EXPORT_DEFS);
  ASSERT_EQ(dlls.size(), defs.size());
  ASSERT_FALSE(dlls.empty());
  for (size_t i = 0; i < dlls.size(); ++i) {
    SCOPED_TRACE(dlls[i]);
    const auto image = ReadPeImage(dlls[i]);
    ASSERT_TRUE(image.has_value()) << "not a readable Windows image";
    const auto expected = ReadDefExports(defs[i]);
    ASSERT_FALSE(expected.empty()) << "no names in " << defs[i];
    EXPECT_EQ(image->exports, expected);
  }
}

}  // namespace
