#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "childprocess.h"
#include "windriver.h"

namespace {

namespace fs = std::filesystem;

const std::string kSigtool = wintest::HostPath(KIT_SIGTOOL);

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SigtoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sigtool-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string In(const std::string& name) { return (dir_ / name).string(); }
  wintest::ProgramResult Run(const std::string& args) {
    return wintest::RunProgram("\"" + kSigtool + "\" " + args);
  }
  fs::path dir_;
};

TEST_F(SigtoolTest, Base64RoundTripOfAFile) {
  std::string data;
  for (int i = 0; i < 5000; ++i) data += static_cast<char>(i * 37);
  std::ofstream(In("data.bin"), std::ios::binary) << data;

  auto encoded = Run("base64-encode \"" + In("data.bin") + "\" \"" + In("data.b64") + "\"");
  ASSERT_TRUE(encoded.finished);
  EXPECT_EQ(encoded.exitCode, 0u) << encoded.output;
  const std::string text = Read(dir_ / "data.b64");
  EXPECT_EQ(text.size(), 4 * ((data.size() + 2) / 3));

  auto decoded = Run("base64-decode \"" + In("data.b64") + "\" \"" + In("back.bin") + "\"");
  EXPECT_EQ(decoded.exitCode, 0u) << decoded.output;
  EXPECT_EQ(Read(dir_ / "back.bin"), data);
}

TEST_F(SigtoolTest, RefusesTextThatIsNotBase64) {
  std::ofstream(In("bad.b64"), std::ios::binary) << "Zm9";
  auto result = Run("base64-decode \"" + In("bad.b64") + "\" \"" + In("out.bin") + "\"");
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.output.find("Base64"), std::string::npos) << result.output;
  EXPECT_FALSE(fs::exists(dir_ / "out.bin"));
}

TEST_F(SigtoolTest, ReportsLockMisuseAndItsVersion) {
  auto misuse = Run("lock-misuse");
  EXPECT_EQ(misuse.exitCode, 0u);
  EXPECT_NE(misuse.output.find("RWSyncs"), std::string::npos) << misuse.output;

  auto version = Run("version");
  EXPECT_EQ(version.exitCode, 0u);
  EXPECT_NE(version.output.find(KIT_VERSION_TEXT), std::string::npos) << version.output;

  EXPECT_EQ(Run("no-such-command").exitCode, 2u);
}

}  // namespace
