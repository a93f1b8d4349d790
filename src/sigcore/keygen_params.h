// TCCom3x_KeyGenParam: what a key generation is asked to make and where the new key goes,
// rebuilt from the engine's key-generation parameters at each call.
#pragma once

#include <cstdint>
#include <string>

namespace sigcore {

struct TCCom3x_KeyGenParam {
  std::string uid;            // the new key's UID
  std::string ownerText;      // written into the new public-key block
  std::string publicKeyPath;  // a file, or a token device name for the token key directory
  std::string secretKeyDir;   // ends in "\"; a token key directory name on a token
  std::string keyDevice;      // "DISK", "ETOKEN", "RUTOKEN"
  int32_t algorithm = 1;      // only 1 is made
  std::string detailErrorFile;
  int32_t deviceScanDepth = 16;
};

}  // namespace sigcore
