// The engine's 22 numbered parameters: names, defaults, kinds and descriptors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sigcore {

// Parameter numbers as the host uses them (1-based).
enum Param : int32_t {
  kUserPublicKey = 1,
  kUserSecretKey = 2,
  kKeyDevice = 3,
  kAbonentsDir = 4,
  kEncryptMethod = 5,
  kEncryptForUid = 6,
  kKeyRequestTimeout = 7,
  kLastOperationTimeout = 8,
  kKeyGenUid = 9,
  kKeyGenCommonName = 10,
  kKeyGenCountry = 11,
  kKeyGenState = 12,
  kKeyGenCity = 13,
  kKeyGenCompany = 14,
  kKeyGenDepartment = 15,
  kKeyGenTitle = 16,
  kKeyGenEmail = 17,
  kKeyGenPublicKeyFile = 18,
  kKeyGenSecretKey = 19,
  kKeyGenKeyDevice = 20,
  kDetailErrorFile = 21,
  kDeviceScanDepth = 22,
};
inline constexpr int32_t kParamCount = 22;

struct ParamDefinition {
  const char* name;
  const char* defaultValue;
};

// The definition of parameter 1..kParamCount.
const ParamDefinition& ParamDefinitionOf(int32_t number);

struct ParamInfo {
  int32_t kind;
  std::string descriptor;
};

// Kind and descriptor of parameter `number` (1-based) under the current `values` (the secret
// key directories are a file mask on a disk and a 4-character name on a token); nothing for a
// number outside 1..kParamCount.
std::optional<ParamInfo> DescribeParam(int32_t number, const std::vector<std::string>& values);

}  // namespace sigcore
