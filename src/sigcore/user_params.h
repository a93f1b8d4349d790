// TCCom3x_UserParam: what every provider-backed operation works with, rebuilt from the
// engine's parameters at each call so that a change takes effect at the next one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sigcore {

struct TCCom3x_UserParam {
  std::string userPublicKeyPath;  // root-expanded
  std::string secretKeyDir;       // root-expanded, ends in "\"
  std::string abonentsDir;        // root-expanded, ends in "\"
  std::string keyDevice;          // trimmed, upper-cased: "DISK", "ETOKEN", "RUTOKEN"
  int32_t keyRequestTimeout = 60;     // seconds
  int32_t lastOperationTimeout = 5;   // seconds
  std::string detailErrorFile;    // root-expanded; empty: none
  int32_t deviceScanDepth = 16;   // at least 16
};

// Builds the record from the parameter values (kParamCount of them) and the root path.
// Returns 0, or -39 when a token key directory name is one the token reserves.
int32_t LoadUserParams(const std::vector<std::string>& values, const std::string& rootPath,
                       TCCom3x_UserParam& params);

// Whether the key device names a token ("ETOKEN", "RUTOKEN", any letter case); anything else
// means files in a disk folder.
bool IsTokenDevice(const std::string& keyDevice);

// On a token the key directory, without its trailing "\", must not be
// any part of the reserved object names; every name is allowed on other devices.
bool IsAllowedKeyDirName(const std::string& secretKeyDir, const std::string& keyDevice);

// The value as a decimal 32-bit integer, or `fallback` when it is not one.
int32_t DecimalOr(const std::string& value, int32_t fallback);

// What tells bindings apart: the three paths and the scan depth (time-outs and the key device
// do not matter).
std::string BindingKey(const TCCom3x_UserParam& params);

}  // namespace sigcore
