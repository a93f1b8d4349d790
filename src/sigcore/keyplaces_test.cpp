#include "keyplaces.h"

#include <gtest/gtest.h>

namespace sigcore {
namespace {

TEST(KeyPlaces, TokenKeyDirectoryNames) {
  const std::pair<const char*, bool> names[] = {
      {"1A2F\\", true},  {"0000\\", true},  {"FFFF\\", true}, {"1a2f\\", false},
      {"1A2F", false},   {"1A2F/", false},  {"1A2G\\", false}, {"1A2F0\\", false},
      {"A:\\", false},   {"", false},       {"\\1A2F", false}};
  for (const auto& [name, valid] : names) EXPECT_EQ(IsTokenKeyDirName(name), valid) << name;
  EXPECT_EQ(TokenKeyDir("1A2F\\"), "1A2F");
}

TEST(KeyPlaces, TokenObjectPathsAndNumbers) {
  EXPECT_EQ(TokenObjectPath("ETOKEN", 0, "1A2F/AAAA"), "ETOKEN0:/1A2F/AAAA");
  EXPECT_EQ(TokenObjectPath("rutoken", 9, "1A2F/EEEE/0010"), "rutoken9:/1A2F/EEEE/0010");
  EXPECT_EQ(TokenObjectPath("ETOKEN", -1, "1A2F"), "ETOKEN:/1A2F");
  const std::pair<int64_t, const char*> numbers[] = {
      {1, "0001"}, {10, "000A"}, {17, "0011"}, {0xFFFF, "FFFF"}, {0x10000, "10000"}};
  for (const auto& [number, text] : numbers) EXPECT_EQ(Hex4(number), text) << number;
  EXPECT_EQ(SecretKeyFileName(8), "sk000008.sec");
  EXPECT_EQ(SecretKeyFileName(1234567), "sk1234567.sec");
}

TEST(KeyPlaces, WhereTheOwnAndTheCorrespondentsKeysLive) {
  struct Case {
    const char* publicKey;
    const char* secretKeyDir;
    const char* abonentsDir;
    const char* device;
    bool ownOnToken;
    bool abonentsOnToken;
  };
  const Case cases[] = {
      {"C:\\KEYS\\self.pub", "C:\\KEYS\\", "C:\\ABONENTS\\", "DISK", false, false},
      {"ETOKEN", "1A2F\\", "ETOKEN\\", "ETOKEN", true, true},
      {"etoken", "1A2F\\", "rutoken\\", "ETOKEN", true, true},
      {"ETOKEN", "C:\\KEYS\\", "ETOKEN\\", "ETOKEN", false, false},
      {"C:\\self.pub", "1A2F\\", "ETOKEN\\", "DISK", false, false},
      {"C:\\self.pub", "1A2F\\", "C:\\AB\\", "RUTOKEN", false, false},
      {"ETOKEN\\", "1A2F\\", "ETOKEN\\ABONENTS\\", "ETOKEN", false, false},
  };
  for (const Case& c : cases) {
    TCCom3x_UserParam params;
    params.userPublicKeyPath = c.publicKey;
    params.secretKeyDir = c.secretKeyDir;
    params.abonentsDir = c.abonentsDir;
    params.keyDevice = c.device;
    EXPECT_EQ(OwnKeyOnToken(params), c.ownOnToken) << c.publicKey << " " << c.secretKeyDir;
    EXPECT_EQ(AbonentsOnToken(params), c.abonentsOnToken) << c.abonentsDir << " " << c.device;
  }
  EXPECT_TRUE(SameDevice("etoken", "ETOKEN"));
  EXPECT_FALSE(SameDevice("RUTOKEN", "ETOKEN"));
}

TEST(KeyPlaces, OnlyPlainNamesBecomeFileNames) {
  const std::pair<const char*, bool> names[] = {
      {"BANK01", true},          {"Иванов И.И", true},   {"a b", true},
      {"..\\..\\evil", false},   {"a/b", false},          {"C:x", false},
      {"..", false},             {".", false},            {"name.", false},
      {"name ", false},          {"a*b", false},          {"a?b", false},
      {"a\"b", false},           {"a<b>", false},         {"a|b", false},
      {"tab\there", false},      {"CON", false},          {"nul.txt", false},
      {"Com1", false},           {"LPT9.pub", false},     {"COM10", true},
      {"CONSOLE", true},         {"", false}};
  for (const auto& [name, plain] : names) EXPECT_EQ(IsPlainFileName(name), plain) << name;
}

}  // namespace
}  // namespace sigcore
