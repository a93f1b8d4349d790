// The key-generation request read from the parameters, and the names of renewal requests.
#include "keygen_request.h"

#include <gtest/gtest.h>

#include "engine_params.h"

namespace sigcore {
namespace {

std::vector<std::string> Defaults() {
  std::vector<std::string> values;
  for (int32_t n = 1; n <= kParamCount; ++n) values.emplace_back(ParamDefinitionOf(n).defaultValue);
  return values;
}

TEST(KeyGenSubject, LinesOfTheParametersThatAreNotBlank) {
  const struct {
    const char* name;
    std::vector<std::pair<Param, std::string>> changes;
    std::string subject;
  } cases[] = {
      {"defaults", {},
       "CN=NewUser\r\nC=RU\r\nS=Moscow region\r\nL=Moscow\r\nO=NewUser Company\r\n"
       "OU=NewUser Department\r\nT=NewUser Title\r\nE=NewUser e-mail"},
      {"no title", {{kKeyGenTitle, "  "}},
       "CN=NewUser\r\nC=RU\r\nS=Moscow region\r\nL=Moscow\r\nO=NewUser Company\r\n"
       "OU=NewUser Department\r\nE=NewUser e-mail"},
      {"three-letter country, trimmed values",
       {{kKeyGenCountry, " RUS"}, {kKeyGenCommonName, "\tIvanov "}, {kKeyGenEmail, ""}},
       "CN=Ivanov\r\nC=RU\r\nS=Moscow region\r\nL=Moscow\r\nO=NewUser Company\r\n"
       "OU=NewUser Department\r\nT=NewUser Title"},
      {"only the last", {{kKeyGenCommonName, ""}, {kKeyGenCountry, ""}, {kKeyGenState, ""},
                         {kKeyGenCity, ""}, {kKeyGenCompany, ""}, {kKeyGenDepartment, ""},
                         {kKeyGenTitle, ""}}, "E=NewUser e-mail"},
      {"long values cut at 100", {{kKeyGenCity, std::string(150, 'c')}},
       "CN=NewUser\r\nC=RU\r\nS=Moscow region\r\nL=" + std::string(100, 'c') +
           "\r\nO=NewUser Company\r\nOU=NewUser Department\r\nT=NewUser Title\r\nE=NewUser e-mail"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> values = Defaults();
    for (const auto& [param, value] : c.changes) values[param - 1] = value;
    EXPECT_EQ(KeyGenSubject(values), c.subject) << c.name;
  }
  std::vector<std::string> empty(kParamCount);
  EXPECT_EQ(KeyGenSubject(empty), "");
}

TEST(KeyGenParams, PathsDeviceAndReservedTokenDirectories) {
  std::vector<std::string> values = Defaults();
  values[kKeyGenUid - 1] = "  Client7 ";
  values[kKeyGenPublicKeyFile - 1] = "%VelmarRoot%\\keys\\new.pub";
  values[kKeyGenSecretKey - 1] = "%velmarroot%\\keys";
  values[kKeyGenKeyDevice - 1] = " disk";
  values[kDeviceScanDepth - 1] = "40";
  TCCom3x_KeyGenParam request;
  ASSERT_EQ(LoadKeyGenParams(values, "C:\\Bank\\", request), 0);
  EXPECT_EQ(request.uid, "Client7");
  EXPECT_EQ(request.publicKeyPath, "C:\\BANK\\KEYS\\NEW.PUB");
  EXPECT_EQ(request.secretKeyDir, "C:\\BANK\\KEYS\\");
  EXPECT_EQ(request.keyDevice, "DISK");
  EXPECT_EQ(request.algorithm, 1);
  EXPECT_EQ(request.deviceScanDepth, 40);
  EXPECT_EQ(request.ownerText, KeyGenSubject(values));

  values[kKeyGenKeyDevice - 1] = "etoken";
  values[kKeyGenSecretKey - 1] = "3F00";
  EXPECT_EQ(LoadKeyGenParams(values, "", request), -39);
  values[kKeyGenSecretKey - 1] = "1A2F";
  EXPECT_EQ(LoadKeyGenParams(values, "", request), 0);
  EXPECT_EQ(request.secretKeyDir, "1A2F\\");
}

TEST(RequestName, SuffixOfTheMomentAndItsRemoval) {
  EXPECT_EQ(RequestNameSuffix({2020, 2, 1, 10, 11, 12}), " (01-02-2020 10-11-12)");
  EXPECT_EQ(RequestNameSuffix({2026, 12, 31, 0, 0, 5}).size(), 22u);
  const struct {
    std::string name;
    std::string stripped;
  } cases[] = {
      {"Client7 (01-02-2020 10-11-12)", "Client7"},
      {"Client7", "Client7"},
      {"Client7 (01-02-2020 10-11-12", "Client7 (01-02-2020 10-11-12"},
      {"Client7 01-02-2020 10-11-12)", "Client7 01-02-2020 10-11-12)"},
      // Exactly a suffix: nothing is left of the name.
      {" (01-02-2020 10-11-12)", ""},
      // Too short to carry one.
      {"(1-02-2020 10-11-12)", "(1-02-2020 10-11-12)"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithoutRequestNameSuffix(c.name), c.stripped) << c.name;
}

}  // namespace
}  // namespace sigcore
