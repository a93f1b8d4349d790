#include "user_params.h"

#include <algorithm>
#include <charconv>

#include "engine_params.h"
#include "root_path.h"
#include "sigcore_api.h"
#include "textutil.h"

namespace sigcore {
namespace {

// The token's own objects, which a key directory must never shadow.
constexpr std::string_view kReservedTokenNames = "0000,3F00,3FFF,FFFF,A001,B001,C001,D001";
constexpr int32_t kMinimumScanDepth = 16;

}  // namespace

bool IsTokenDevice(const std::string& keyDevice) {
  const std::string device = kit::UpperAscii(keyDevice);
  return device == "ETOKEN" || device == "RUTOKEN";
}

bool IsAllowedKeyDirName(const std::string& secretKeyDir, const std::string& keyDevice) {
  if (!IsTokenDevice(keyDevice)) return true;
  std::string_view name = secretKeyDir;
  if (!name.empty() && name.back() == '\\') name.remove_suffix(1);
  return name.empty() || kReservedTokenNames.find(name) == std::string_view::npos;
}

int32_t DecimalOr(const std::string& value, int32_t fallback) {
  int32_t number = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, number);
  return value.empty() || error != std::errc() || stop != end ? fallback : number;
}

int32_t LoadUserParams(const std::vector<std::string>& values, const std::string& rootPath,
                       TCCom3x_UserParam& params) {
  const auto value = [&](Param p) -> const std::string& { return values.at(p - 1); };
  params.userPublicKeyPath = ExpandRootPath(value(kUserPublicKey), rootPath);
  params.secretKeyDir = ExpandRootDir(value(kUserSecretKey), rootPath);
  params.keyDevice = kit::UpperAscii(kit::TrimBlanks(value(kKeyDevice)));
  if (!IsAllowedKeyDirName(params.secretKeyDir, params.keyDevice)) return SIGCORE_RESERVED_KEY_DIR;
  params.abonentsDir = ExpandRootDir(value(kAbonentsDir), rootPath);
  params.keyRequestTimeout = DecimalOr(value(kKeyRequestTimeout), 60);
  params.lastOperationTimeout = DecimalOr(value(kLastOperationTimeout), 5);
  params.deviceScanDepth =
      std::max(DecimalOr(value(kDeviceScanDepth), kMinimumScanDepth), kMinimumScanDepth);
  params.detailErrorFile = ExpandRootPath(value(kDetailErrorFile), rootPath);
  return 0;
}

std::string BindingKey(const TCCom3x_UserParam& params) {
  return params.userPublicKeyPath + params.secretKeyDir + params.abonentsDir +
         std::to_string(params.deviceScanDepth);
}

}  // namespace sigcore
