#include "token_config.h"

#include <cctype>
#include <map>
#include <sstream>

#include "provider_error.h"
#include "textutil.h"

namespace ccom {
namespace {

[[noreturn]] void Damaged(const std::string& why) {
  Fail(kAccessError, std::string("the token's ") + kTokenConfigName + " is damaged: " + why);
}

template <size_t N>
void FromHex(const std::string& hex, std::array<uint8_t, N>& out, const char* name) {
  if (hex.size() != 2 * N) Damaged(std::string(name) + " has the wrong length");
  for (size_t i = 0; i < N; ++i) {
    unsigned value = 0;
    for (size_t k = 0; k < 2; ++k) {
      const char c = hex[2 * i + k];
      if (!std::isxdigit(static_cast<unsigned char>(c))) Damaged(std::string(name) + " is not hex");
      value = value * 16 +
              static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                        ? c - '0'
                                        : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
    }
    out[i] = static_cast<uint8_t>(value);
  }
}

int Number(const std::string& text, const char* name, int low, int high) {
  if (text.empty() || text.size() > 9) Damaged(std::string(name) + " is not a number");
  int value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)))
      Damaged(std::string(name) + " is not a number");
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) Damaged(std::string(name) + " is out of range");
  return value;
}

}  // namespace

std::string FormatTokenConfig(const TokenConfig& config) {
  std::ostringstream text;
  text << "serial=" << config.serial << "\r\n"
       << "max-tries=" << config.maxTries << "\r\n"
       << "tries-left=" << config.triesLeft << "\r\n"
       << "pin-salt=" << kit::BytesToHexText(config.pin.salt.data(), config.pin.salt.size(), 0, 0)
       << "\r\n"
       << "pin-iterations=" << config.pin.iterations << "\r\n"
       << "pin-digest="
       << kit::BytesToHexText(config.pin.digest.data(), config.pin.digest.size(), 0, 0) << "\r\n";
  return text.str();
}

TokenConfig ParseTokenConfig(const std::string& text) {
  std::map<std::string, std::string> values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) Damaged("a line without \"=\"");
    if (!values.emplace(line.substr(0, equals), line.substr(equals + 1)).second)
      Damaged("\"" + line.substr(0, equals) + "\" appears twice");
  }
  const auto value = [&](const char* name) -> const std::string& {
    const auto found = values.find(name);
    if (found == values.end()) Damaged(std::string("no ") + name);
    return found->second;
  };
  TokenConfig config;
  config.serial = value("serial");
  if (config.serial.size() != 8) Damaged("the serial number is not 8 hex digits");
  for (char c : config.serial)
    if (!std::isxdigit(static_cast<unsigned char>(c))) Damaged("the serial number is not hex");
  config.maxTries = Number(value("max-tries"), "max-tries", 1, 99);
  config.triesLeft = Number(value("tries-left"), "tries-left", 0, config.maxTries);
  FromHex(value("pin-salt"), config.pin.salt, "pin-salt");
  config.pin.iterations =
      static_cast<uint32_t>(Number(value("pin-iterations"), "pin-iterations", 1, 10000000));
  FromHex(value("pin-digest"), config.pin.digest, "pin-digest");
  if (values.size() != 6) Damaged("it holds names this provider does not know");
  return config;
}

}  // namespace ccom
