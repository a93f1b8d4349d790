#include "token_path.h"

#include <cctype>

#include "provider_error.h"

namespace ccom {
namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// The device word at the start of `text`, matched without regard to case; empty when none.
std::string LeadingDevice(std::string_view text) {
  for (const char* device : kTokenDevices) {
    const std::string_view word(device);
    if (text.size() >= word.size() && Upper(text.substr(0, word.size())) == word)
      return std::string(word);
  }
  return {};
}

bool IsReservedDeviceName(const std::string& upper) {
  static const char* const kReserved[] = {"CON",    "PRN",    "AUX",    "NUL",
                                          "CLOCK$", "CONIN$", "CONOUT$"};
  for (const char* name : kReserved)
    if (upper == name) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         std::isdigit(static_cast<unsigned char>(upper[3]));
}

}  // namespace

bool IsTokenPath(std::string_view path) {
  const std::string device = LeadingDevice(path);
  if (device.empty()) return false;
  size_t at = device.size();
  while (at < path.size() && std::isdigit(static_cast<unsigned char>(path[at]))) ++at;
  return at < path.size() && path[at] == ':';
}

bool IsObjectName(std::string_view name) {
  if (name.empty() || name.size() > 8) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return !IsReservedDeviceName(Upper(name));
}

TokenPath ParseTokenPath(std::string_view path) {
  if (!IsTokenPath(path))
    Fail(kParameterError, "\"" + std::string(path) + "\" is not a token path");
  TokenPath parsed;
  parsed.device = LeadingDevice(path);
  const size_t colon = path.find(':');
  const std::string_view digits = path.substr(parsed.device.size(), colon - parsed.device.size());
  if (digits.size() > 1)
    Fail(kParameterError, "\"" + std::string(path) + "\": slots are numbered 0 to 9");
  if (digits.size() == 1) parsed.slot = digits[0] - '0';
  std::string_view rest = path.substr(colon + 1);
  while (!rest.empty()) {
    const size_t end = rest.find_first_of("/\\");
    const std::string_view name = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (name.empty()) continue;
    if (!IsObjectName(name))
      Fail(kAccessError, "\"" + std::string(path) + "\": \"" + std::string(name) +
                             "\" is not a token object name (1 to 8 letters, digits or _)");
    parsed.components.emplace_back(name);
  }
  return parsed;
}

std::string SlotName(const std::string& device, int slot) { return device + std::to_string(slot); }

std::optional<std::pair<std::string, int>> ParseSlotName(std::string_view name) {
  const std::string device = LeadingDevice(name);
  if (device.empty() || name.size() != device.size() + 1 ||
      !std::isdigit(static_cast<unsigned char>(name.back())))
    return std::nullopt;
  return std::make_pair(device, name.back() - '0');
}

std::string JoinComponents(const std::vector<std::string>& components) {
  std::string joined;
  for (const auto& component : components) joined += (joined.empty() ? "" : "/") + component;
  return joined;
}

}  // namespace ccom
