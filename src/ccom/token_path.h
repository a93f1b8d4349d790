// Object paths of the simulated tokens: a device word ("ETOKEN" or "RUTOKEN", any case), an
// optional slot digit, a colon, then the object path with "/" or "\" between components, as in
// "ETOKEN0:/1A2F/EEEE/0001", "RUTOKEN:/1A2F" (the first slot holding a token) and "ETOKEN0:\"
// (the token itself). Empty components are skipped, so "1A2F/DDDD/" names the folder DDDD.
//
// An object name is 1 to 8 ASCII letters, digits or "_", and not a name that Windows reserves
// for a device (CON, NUL, COM1...): a path can then never leave its token's folder, whatever
// the caller writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ccom {

inline constexpr int kSlotCount = 10;
inline constexpr const char* kTokenDevices[] = {"ETOKEN", "RUTOKEN"};

struct TokenPath {
  std::string device;                   // upper-case
  std::optional<int> slot;              // none: the first slot holding a token
  std::vector<std::string> components;  // empty: the token itself
};

// Whether the path is addressed to a token: a device word, digits and a colon lead it.
bool IsTokenPath(std::string_view path);
// Throws ProviderError: kParameterError for a slot other than 0 to 9, kAccessError for an
// object name that is not one.
TokenPath ParseTokenPath(std::string_view path);
bool IsObjectName(std::string_view name);

// "ETOKEN0"
std::string SlotName(const std::string& device, int slot);
// "ETOKEN0" or "rutoken3" as a device and slot; none for anything else.
std::optional<std::pair<std::string, int>> ParseSlotName(std::string_view name);
// The components joined with "/".
std::string JoinComponents(const std::vector<std::string>& components);

}  // namespace ccom
