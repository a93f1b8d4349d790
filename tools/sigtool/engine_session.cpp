#include "engine_session.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "console_text.h"
#include "textutil.h"
#include "winhandles.h"

namespace sigtool {
namespace {

// A profile is a few lines of settings.
constexpr LONGLONG kMaxProfileSize = 1 << 20;

// The PIN of the command line, for the kit's requests on this thread and any other.
sigcore::SecretBuffer<char> commandLinePin;

void KeepPin(sigcore::SecretBuffer<char>& pin, std::string_view text) {
  pin.Assign(text.empty() ? 0 : text.size() + 1);
  if (!text.empty()) std::memcpy(pin.data(), text.data(), text.size());
}

int SIGCORE_CALL AnswerKeyDirPin(const char*, char* buffer, int size) {
  if (commandLinePin.size() == 0 || size < 1) return 0;
  const size_t length =
      std::min(std::strlen(commandLinePin.data()), static_cast<size_t>(size - 1));
  std::memcpy(buffer, commandLinePin.data(), length);
  buffer[length] = '\0';
  return 1;
}

int SIGCORE_CALL AnswerPin(char* buffer, int size) { return AnswerKeyDirPin("", buffer, size); }

// A whole file in memory that is wiped when released.
bool ReadSecretFile(const std::string& path, sigcore::SecretBuffer<char>& text) {
  const kit::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxProfileSize) return false;
  text.Assign(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return size.QuadPart == 0 ||
         (::ReadFile(file.Get(), text.data(), static_cast<DWORD>(size.QuadPart), &read, nullptr) &&
          read == size.QuadPart);
}

// "N=VALUE" of a --set option or a profile line.
bool ParseSetting(std::string_view key, std::string_view value, ParamSetting& setting) {
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), setting.number);
  if (key.empty() || error != std::errc() || end != key.data() + key.size()) return false;
  setting.value = std::string(value);
  return true;
}

}  // namespace

bool ReadProfile(const std::string& path, EngineOptions& options, std::string& badLine) {
  sigcore::SecretBuffer<char> text;
  if (!ReadSecretFile(path, text)) {
    badLine = path;
    return false;
  }
  std::string_view rest(text.data(), text.size());
  while (!rest.empty()) {
    const size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = kit::TrimBlanksView(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    const size_t equals = trimmed.find('=');
    const std::string_view key = kit::TrimBlanksView(trimmed.substr(0, equals));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : trimmed.substr(equals + 1);
    ParamSetting setting;
    if (equals != std::string_view::npos && ParseSetting(key, value, setting)) {
      options.settings.push_back(std::move(setting));
    } else if (key == "root") {
      options.root = std::string(value);
    } else if (key == "pin") {
      KeepPin(options.pin, value);
    } else {
      badLine = std::string(line);
      return false;
    }
  }
  return true;
}

int ReadOptions(int argc, char** argv, EngineOptions& options, std::string& error) {
  int next = 1;
  for (; next + 1 < argc; next += 2) {
    const std::string_view option = argv[next];
    char* const value = argv[next + 1];
    if (option == "--set") {
      const std::string_view text = value;
      const size_t equals = text.find('=');
      ParamSetting setting;
      if (equals == std::string_view::npos ||
          !ParseSetting(text.substr(0, equals), text.substr(equals + 1), setting)) {
        error = "--set ждёт N=VALUE, например --set 3=ETOKEN";
        return -1;
      }
      options.settings.push_back(std::move(setting));
    } else if (option == "--profile") {
      std::string bad;
      if (!ReadProfile(value, options, bad)) {
        error = std::string("профиль ") + value + ": непонятная строка: " + bad;
        return -1;
      }
    } else if (option == "--root") {
      options.root = value;
    } else if (option == "--pin") {
      KeepPin(options.pin, value);
      gost::SecureWipe(value, std::strlen(value));
    } else {
      break;
    }
  }
  return next;
}

Session::Session(const std::vector<ParamSetting>& settings, const std::string& root,
                 const char* pin) {
  if (!library_.Loaded()) {
    Err("sigtool: не удалось загрузить sigcore.dll\n");
    return;
  }
  if (!library_.Missing().empty()) {
    Err("sigtool: sigcore.dll не экспортирует " + library_.Missing().front() + "\n");
    return;
  }
  engine_ = std::make_unique<sigcore::SigcoreEngineHandle>(library_.api);
  if (!root.empty()) Api().SetRootPath(Engine(), root.c_str());
  if (pin != nullptr && pin[0] != '\0') {
    KeepPin(commandLinePin, pin);
    Api().SetPasswordRequestFunc(Engine(), &AnswerPin);
    Api().Import(Engine(), 15, nullptr, reinterpret_cast<const void*>(&AnswerKeyDirPin), 0);
  }
  for (const ParamSetting& setting : settings) {
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
