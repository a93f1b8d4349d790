#include "keygen_request.h"

#include <algorithm>
#include <cstdio>

#include "engine_params.h"
#include "root_path.h"
#include "sigcore_api.h"
#include "textutil.h"
#include "user_params.h"

namespace sigcore {
namespace {

constexpr size_t kSuffixLength = 22;

struct SubjectLine {
  Param param;
  const char* key;
  size_t limit;
};

constexpr SubjectLine kSubjectLines[] = {
    {kKeyGenCommonName, "CN=", 100}, {kKeyGenCountry, "C=", 2},
    {kKeyGenState, "S=", 100},       {kKeyGenCity, "L=", 100},
    {kKeyGenCompany, "O=", 100},     {kKeyGenDepartment, "OU=", 100},
    {kKeyGenTitle, "T=", 100},       {kKeyGenEmail, "E=", 100},
};

}  // namespace

std::string KeyGenSubject(const std::vector<std::string>& values) {
  std::string subject;
  for (const SubjectLine& line : kSubjectLines) {
    const std::string value = kit::TrimBlanks(values.at(line.param - 1));
    if (value.empty()) continue;
    if (!subject.empty()) subject += "\r\n";
    subject += line.key + value.substr(0, line.limit);
  }
  return subject;
}

int32_t LoadKeyGenParams(const std::vector<std::string>& values, const std::string& rootPath,
                         TCCom3x_KeyGenParam& request) {
  const auto value = [&](Param p) -> const std::string& { return values.at(p - 1); };
  request.algorithm = 1;
  request.uid = kit::TrimBlanks(value(kKeyGenUid));
  request.keyDevice = kit::UpperAscii(kit::TrimBlanks(value(kKeyGenKeyDevice)));
  request.ownerText = KeyGenSubject(values);
  request.publicKeyPath = ExpandRootPath(value(kKeyGenPublicKeyFile), rootPath);
  request.secretKeyDir = ExpandRootDir(value(kKeyGenSecretKey), rootPath);
  if (!IsAllowedKeyDirName(request.secretKeyDir, request.keyDevice))
    return SIGCORE_RESERVED_KEY_DIR;
  constexpr int32_t kMinimumScanDepth = 16;
  request.deviceScanDepth =
      std::max(DecimalOr(value(kDeviceScanDepth), kMinimumScanDepth), kMinimumScanDepth);
  request.detailErrorFile = ExpandRootPath(value(kDetailErrorFile), rootPath);
  return SIGCORE_OK;
}

std::string RequestNameSuffix(const LocalMoment& m) {
  char text[64];
  std::snprintf(text, sizeof text, " (%02d-%02d-%04d %02d-%02d-%02d)", m.day, m.month, m.year,
                m.hour, m.minute, m.second);
  return text;
}

std::string WithoutRequestNameSuffix(const std::string& name) {
  if (name.size() < kSuffixLength || name[name.size() - (kSuffixLength - 1)] != '(' ||
      name.back() != ')')
    return name;
  return name.substr(0, name.size() - kSuffixLength);
}

}  // namespace sigcore
