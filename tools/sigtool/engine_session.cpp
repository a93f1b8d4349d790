#include "engine_session.h"

#include <charconv>
#include <cstring>
#include <fstream>

#include "console_text.h"
#include "textutil.h"

namespace sigtool {
namespace {

// The PIN of the command line, for the kit's requests on this thread and any other.
std::string commandLinePin;

int SIGCORE_CALL AnswerKeyDirPin(const char*, char* buffer, int size) {
  if (commandLinePin.empty() || size < 1) return 0;
  const size_t length = std::min(commandLinePin.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, commandLinePin.data(), length);
  buffer[length] = '\0';
  return 1;
}

int SIGCORE_CALL AnswerPin(char* buffer, int size) { return AnswerKeyDirPin("", buffer, size); }

}  // namespace

bool ReadProfile(const std::string& path, EngineOptions& options, std::string& badLine) {
  std::ifstream in(path);
  if (!in) {
    badLine = path;
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = kit::TrimBlanks(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    const size_t equals = trimmed.find('=');
    const std::string key = kit::TrimBlanks(trimmed.substr(0, equals));
    const std::string value = equals == std::string::npos ? "" : trimmed.substr(equals + 1);
    int number = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (equals != std::string::npos && error == std::errc() && end == key.data() + key.size()) {
      options.settings.push_back({number, value});
    } else if (key == "root") {
      options.root = value;
    } else if (key == "pin") {
      options.pin = value;
    } else {
      badLine = line;
      return false;
    }
  }
  return true;
}

Session::Session(const EngineOptions& options) {
  if (!library_.Loaded()) {
    Err("sigtool: не удалось загрузить sigcore.dll\n");
    return;
  }
  if (!library_.Missing().empty()) {
    Err("sigtool: sigcore.dll не экспортирует " + library_.Missing().front() + "\n");
    return;
  }
  engine_ = std::make_unique<sigcore::SigcoreEngineHandle>(library_.api);
  if (!options.root.empty()) Api().SetRootPath(Engine(), options.root.c_str());
  if (!options.pin.empty()) {
    commandLinePin = options.pin;
    Api().SetPasswordRequestFunc(Engine(), &AnswerPin);
    Api().Import(Engine(), 15, nullptr, reinterpret_cast<const void*>(&AnswerKeyDirPin), 0);
  }
  for (const ParamSetting& setting : options.settings) {
    if (Api().SetCryptoParamValue(Engine(), setting.number, setting.value.c_str()) != 0) {
      Err("sigtool: " + std::to_string(setting.number) + ": " +
          ErrorText(SIGCORE_NO_SUCH_PARAMETER) + "\n");
      engine_.reset();
      return;
    }
  }
}

std::string Session::Param(int number) const {
  std::vector<char> value(static_cast<size_t>(Api().GetMaxCryptoParamValueLength(Engine())) + 1);
  Api().GetCryptoParamValue(Engine(), number, value.data());
  return value.data();
}

std::string Session::ErrorText(int code) const {
  char text[256] = {};
  Api().GetCryptoErrorString(Engine(), code, text);
  return text;
}

int Session::Fail(const std::string& what, int code) const {
  Err("sigtool: " + what + ": " + std::to_string(code) + ": " + ErrorText(code) + "\n");
  return 1;
}

}  // namespace sigtool
