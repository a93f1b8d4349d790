// Where keys live: key devices, token key directories, the object paths of a token key
// directory and the file names of the disk layout.
//
// On a token, key directory XXXX holds the container (XXXX), the own public key (XXXX/AAAA),
// the pending new key (XXXX/DDDD/0001), the secret keys (XXXX/DDDD/0002 up to depth + 1) and
// the correspondents' keys (XXXX/EEEE/0001 up to depth). On disk, the secret-key directory D
// holds the container, D\KEYS\sk000001.sec... and D\KEYS\newpkey.dat; the correspondents' keys
// are the "pub" files anywhere under the abonents directory.
#pragma once

#include <cstdint>
#include <string>

#include "user_params.h"

namespace sigcore {

inline constexpr const char* kOwnKeyObject = "AAAA";
inline constexpr const char* kSecretKeysFolder = "DDDD/";
inline constexpr const char* kAbonentsFolder = "EEEE/";
inline constexpr int32_t kKeyRequestNumber = 1;
inline constexpr int32_t kFirstSecretKeyNumber = 2;
inline constexpr const char* kDiskKeysFolder = "KEYS\\";
inline constexpr const char* kKeyRequestFile = "newpkey.dat";

// Exactly four characters 0-9 or A-F (upper case) and a backslash, such as "1A2F\".
bool IsTokenKeyDirName(const std::string& secretKeyDir);
// The four characters of a token key directory name.
std::string TokenKeyDir(const std::string& secretKeyDir);

// Four upper-case hexadecimal digits (more when the number needs them).
std::string Hex4(int64_t number);

// device + slot + ":/" + object, such as "ETOKEN0:/1A2F/AAAA"; without the slot when it is
// negative ("ETOKEN:/1A2F").
std::string TokenObjectPath(const std::string& device, int32_t slot, const std::string& object);

std::string WithoutTrailingBackslash(const std::string& path);

// Device names compare without regard to case.
bool SameDevice(const std::string& a, const std::string& b);

// The own public key is read from the token key directory when the user public-key path names
// a token device; its device must then be the key device.
bool OwnKeyOnToken(const TCCom3x_UserParam& params);
// The correspondents' keys live on the token when the abonents directory names a token device,
// the key device is one and the secret-key directory is a token key directory name.
bool AbonentsOnToken(const TCCom3x_UserParam& params);
std::string AbonentsDevice(const TCCom3x_UserParam& params);

// "sk" + the number in six decimal digits + ".sec".
std::string SecretKeyFileName(int32_t number);

// Whether a name can stand as a file name inside a folder and mean only that: no path
// separators, wildcards or control characters, no "." or "..", no trailing dot or space, no
// device name. A UID that is not one never becomes part of a path.
bool IsPlainFileName(const std::string& name);

}  // namespace sigcore
