#include "engine_params.h"

#include <array>

#include "sigcore_api.h"

namespace sigcore {
namespace {

constexpr std::array<ParamDefinition, kParamCount> kDefinitions = {{
    {"User PKey/Certificate", "A:\\self.pub"},
    {"User Secret key", "A:\\"},
    {"Key Device", "DISK"},
    {"Abonents dir", "A:\\ABONENTS"},
    {"Encrypt Method", "GAMMA"},
    {"Encrypt for UID", "NewUser"},
    {"Key request time out", "60"},
    {"Last operation key time out", "5"},
    {"Key gen - UID", "NewUserUID"},
    {"Key gen - Common name", "NewUser"},
    {"Key gen - Country/Region", "RU"},
    {"Key gen - State", "Moscow region"},
    {"Key gen - City", "Moscow"},
    {"Key gen - Company", "NewUser Company"},
    {"Key gen - Department", "NewUser Department"},
    {"Key gen - Title", "NewUser Title"},
    {"Key gen - e-mail", "NewUser e-mail"},
    {"Key gen - PKey filename", "A:\\new.pub"},
    {"Key gen - SKey", "A:\\"},
    {"Key gen - Key device", "DISK"},
    {"Detail error file", ""},
    {"Device scan depth", ""},
}};

constexpr const char* kDevices = "DISK\r\nETOKEN\r\nRUTOKEN";
constexpr const char* kTimeoutRange = "0..2147483640";

// A secret-key directory holds container files on a disk; on a token it is a 4-character
// key directory name. The device is compared exactly as the host wrote it.
ParamInfo SecretKeyDirInfo(const std::string& device) {
  if (device == "DISK") return {SIGCORE_KIND_DIRECTORY, "*.*"};
  return {SIGCORE_KIND_TEXT, "4"};
}

}  // namespace

const ParamDefinition& ParamDefinitionOf(int32_t number) { return kDefinitions.at(number - 1); }

std::optional<ParamInfo> DescribeParam(int32_t number, const std::vector<std::string>& values) {
  const auto value = [&](Param p) -> const std::string& { return values.at(p - 1); };
  switch (number) {
    case kUserPublicKey:
    case kKeyGenPublicKeyFile:
      return ParamInfo{SIGCORE_KIND_FILE, "*.pub"};
    case kUserSecretKey:
      return SecretKeyDirInfo(value(kKeyDevice));
    case kKeyGenSecretKey:
      return SecretKeyDirInfo(value(kKeyGenKeyDevice));
    case kKeyDevice:
    case kKeyGenKeyDevice:
      return ParamInfo{SIGCORE_KIND_CHOICE, kDevices};
    case kAbonentsDir:
      return ParamInfo{SIGCORE_KIND_DIRECTORY, "*.pub"};
    case kEncryptMethod:
      return ParamInfo{SIGCORE_KIND_CHOICE, "GAMMA\r\nGFB"};
    case kEncryptForUid:
      return ParamInfo{SIGCORE_KIND_RECIPIENTS, "255"};
    case kKeyRequestTimeout:
    case kLastOperationTimeout:
      return ParamInfo{SIGCORE_KIND_INTEGER, kTimeoutRange};
    case kKeyGenUid:
      return ParamInfo{SIGCORE_KIND_TEXT, "254"};
    case kKeyGenCountry:
      return ParamInfo{SIGCORE_KIND_TEXT, "2"};
    case kKeyGenCommonName:
    case kKeyGenState:
    case kKeyGenCity:
    case kKeyGenCompany:
    case kKeyGenDepartment:
    case kKeyGenTitle:
    case kKeyGenEmail:
      return ParamInfo{SIGCORE_KIND_TEXT, "100"};
    case kDetailErrorFile:
      return ParamInfo{SIGCORE_KIND_FILE, "*.*"};
    case kDeviceScanDepth:
      return ParamInfo{SIGCORE_KIND_INTEGER, "16..2147483640"};
    default:
      return std::nullopt;
  }
}

}  // namespace sigcore
