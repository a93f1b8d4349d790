#include "user_params.h"

#include <gtest/gtest.h>

#include "engine_params.h"
#include "root_path.h"

namespace sigcore {
namespace {

const std::string kRoot = "C:\\Bank\\";

TEST(RootPath, ExpandsOnlyALeadingMacro) {
  struct Case {
    const char* value;
    const char* root;
    const char* path;
    const char* dir;
  };
  const Case cases[] = {
      {"", "C:\\Bank\\", "", ""},
      {"%velmarroot%\\keys\\a.pub", "C:\\Bank\\", "C:\\BANK\\KEYS\\A.PUB",
       "C:\\BANK\\KEYS\\A.PUB\\"},
      {"%VelmarRoot%keys", "C:\\Bank\\", "C:\\BANK\\KEYS", "C:\\BANK\\KEYS\\"},
      {"%VELMARROOT%\\\\twice", "C:\\Bank\\", "C:\\BANK\\\\TWICE", "C:\\BANK\\\\TWICE\\"},
      {"%VelmarRoot%", "C:\\Bank\\", "C:\\BANK\\", "C:\\BANK\\"},
      {"%VelmarRoot%\\keys", "", "KEYS", "KEYS\\"},
      {"D:\\keys\\a.pub", "C:\\Bank\\", "D:\\keys\\a.pub", "D:\\keys\\a.pub\\"},
      {"x%VelmarRoot%", "C:\\Bank\\", "x%VelmarRoot%", "x%VelmarRoot%\\"},
      {"%VelmarRoo", "C:\\Bank\\", "%VelmarRoo", "%VelmarRoo\\"},
      {"A:\\", "C:\\Bank\\", "A:\\", "A:\\"},
      {"f", "C:\\Bank\\", "f", "f:\\"},
      {"1A2F", "C:\\Bank\\", "1A2F", "1A2F\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandRootPath(c.value, c.root), c.path) << c.value;
    EXPECT_EQ(ExpandRootDir(c.value, c.root), c.dir) << c.value;
  }
}

TEST(UserParams, ReservedTokenDirectoryNames) {
  struct Case {
    const char* dir;
    const char* device;
    bool allowed;
  };
  const Case cases[] = {
      {"3F00\\", "ETOKEN", false},
      {"3F00\\", "etoken", false},
      {"3F00\\", "DISK", true},
      {"D001\\", "RUTOKEN", false},
      {"F0\\", "RUTOKEN", false},
      {"0\\", "ETOKEN", false},
      {"00,3\\", "ETOKEN", false},
      {"1A2F\\", "ETOKEN", true},
      {"3f00\\", "ETOKEN", true},
      // A bare drive letter has become a drive root, which is no part of the reserved names.
      {"F:\\", "RUTOKEN", true},
      {"", "ETOKEN", true},
      {"FFFF\\", "TOKEN", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsAllowedKeyDirName(c.dir, c.device), c.allowed) << c.dir << " on " << c.device;
}

class LoadUserParamsTest : public ::testing::Test {
 protected:
  LoadUserParamsTest() {
    for (int32_t n = 1; n <= kParamCount; ++n) values_.push_back(ParamDefinitionOf(n).defaultValue);
  }
  std::string& Value(Param p) { return values_[p - 1]; }
  TCCom3x_UserParam Load() {
    TCCom3x_UserParam params;
    EXPECT_EQ(LoadUserParams(values_, kRoot, params), 0);
    return params;
  }
  std::vector<std::string> values_;
};

TEST_F(LoadUserParamsTest, DefaultsAndTheirTranslation) {
  const TCCom3x_UserParam params = Load();
  EXPECT_EQ(params.userPublicKeyPath, "A:\\self.pub");
  EXPECT_EQ(params.secretKeyDir, "A:\\");
  EXPECT_EQ(params.abonentsDir, "A:\\ABONENTS\\");
  EXPECT_EQ(params.keyDevice, "DISK");
  EXPECT_EQ(params.keyRequestTimeout, 60);
  EXPECT_EQ(params.lastOperationTimeout, 5);
  EXPECT_EQ(params.detailErrorFile, "");
  EXPECT_EQ(params.deviceScanDepth, 16);
  EXPECT_EQ(BindingKey(params), "A:\\self.pubA:\\A:\\ABONENTS\\16");

  Value(kKeyDevice) = " \tetoken ";
  Value(kUserSecretKey) = "%VelmarRoot%\\1a2f";
  Value(kDetailErrorFile) = "%VelmarRoot%\\err.txt";
  const TCCom3x_UserParam expanded = Load();
  EXPECT_EQ(expanded.keyDevice, "ETOKEN");
  EXPECT_EQ(expanded.secretKeyDir, "C:\\BANK\\1A2F\\");
  EXPECT_EQ(expanded.detailErrorFile, "C:\\BANK\\ERR.TXT");
}

TEST_F(LoadUserParamsTest, NumbersFallBackToTheirDefaults) {
  struct Case {
    const char* text;
    int32_t request;
    int32_t lastOperation;
    int32_t depth;
  };
  const Case cases[] = {
      {"40", 40, 40, 40},        {"8", 8, 8, 16},
      {"abc", 60, 5, 16},        {"", 60, 5, 16},
      {"0", 0, 0, 16},           {"-5", -5, -5, 16},
      {" 40", 60, 5, 16},        {"40x", 60, 5, 16},
      {"2147483648", 60, 5, 16}, {"2147483647", 2147483647, 2147483647, 2147483647},
  };
  for (const Case& c : cases) {
    Value(kKeyRequestTimeout) = c.text;
    Value(kLastOperationTimeout) = c.text;
    Value(kDeviceScanDepth) = c.text;
    const TCCom3x_UserParam params = Load();
    EXPECT_EQ(params.keyRequestTimeout, c.request) << c.text;
    EXPECT_EQ(params.lastOperationTimeout, c.lastOperation) << c.text;
    EXPECT_EQ(params.deviceScanDepth, c.depth) << c.text;
  }
}

TEST_F(LoadUserParamsTest, ReservedKeyDirectoryOnATokenIsRefused) {
  Value(kUserSecretKey) = "3F00";
  Value(kKeyDevice) = "etoken";
  TCCom3x_UserParam params;
  EXPECT_EQ(LoadUserParams(values_, kRoot, params), -39);
  Value(kKeyDevice) = "DISK";
  EXPECT_EQ(LoadUserParams(values_, kRoot, params), 0);
  EXPECT_EQ(params.secretKeyDir, "3F00\\");
}

}  // namespace
}  // namespace sigcore
