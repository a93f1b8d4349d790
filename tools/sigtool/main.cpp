// sigtool: the kit's host program for people and for end-to-end tests.
#include <charconv>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "console_text.h"
#include "engine_commands.h"
#include "fileversion.h"
#include "libload.h"
#include "mimecode.h"
#include "rwsyncs.h"

namespace {

bool ReadAll(const char* path, std::string& contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  contents.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

bool WriteAll(const char* path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

int Fail(const std::string& text, const std::string& detail = "") {
  sigtool::Err("sigtool: " + text + detail + "\n");
  return 1;
}

int Base64EncodeFile(const char* input, const char* output) {
  std::string data;
  if (!ReadAll(input, data)) return Fail("не удалось прочитать файл ", input);
  char* text = nullptr;
  int32_t length = 0;
  kit::Base64Encode(data.data(), static_cast<int32_t>(data.size()), &text, &length);
  kit::Base64Block<char> owned(text);
  if (text == nullptr) return Fail("нечего кодировать: файл пуст или слишком велик");
  if (!WriteAll(output, text, static_cast<size_t>(length)))
    return Fail("не удалось записать ", output);
  sigtool::Out(std::string(input) + ": " + std::to_string(data.size()) + " байт -> " + output +
               ": " + std::to_string(length) + " символов Base64\n");
  return 0;
}

int Base64DecodeFile(const char* input, const char* output) {
  std::string text;
  if (!ReadAll(input, text)) return Fail("не удалось прочитать файл ", input);
  uint8_t* data = nullptr;
  int32_t length = 0;
  kit::Base64Decode(text.data(), static_cast<int32_t>(text.size()), &data, &length);
  kit::Base64Block<uint8_t> owned(data);
  if (data == nullptr) return Fail("текст не является Base64 (длина должна быть кратна 4)");
  if (!WriteAll(output, data, static_cast<size_t>(length)))
    return Fail("не удалось записать ", output);
  sigtool::Out(std::string(input) + ": " + std::to_string(text.size()) + " символов Base64 -> " +
               output + ": " + std::to_string(length) + " байт\n");
  return 0;
}

// Shows what a caller gets when it releases a read lock it never took.
int LockMisuse() {
  kit::TRWCriticalSection lock;
  try {
    lock.EndRead();
  } catch (const kit::EAssertionFailed& e) {
    sigtool::Out(std::string("EndRead без BeginRead: ") + e.what() + "\n");
    return 0;
  }
  return Fail("ошибка не обнаружена");
}

int Version() {
  const std::string self = kit::ModuleDirectory(nullptr) + "sigtool.exe";
  const auto version = kit::ReadFileVersion(self);
  if (!version) return Fail("нет ресурса версии");
  sigtool::Out("sigtool " + version->ToString() + " (" +
               kit::ReadVersionString(self, "ProductName").value_or("") + ")\n");
  return 0;
}

constexpr const char* kUsage =
    "usage: sigtool [--set N=VALUE]... COMMAND [ARGUMENTS]\n"
    "\n"
    "  params                 параметры движка: номер, имя, значение, вид, описание\n"
    "  error CODE...          текст кода результата\n"
    "  provider               какие ccom.dll и ccomio.dll загружены и полны ли они\n"
    "  version                версия sigtool\n"
    "  base64-encode IN OUT   файл в Base64\n"
    "  base64-decode IN OUT   Base64 в файл\n"
    "  lock-misuse            ошибка освобождения блокировки, которая не была взята\n"
    "\n"
    "  --set N=VALUE          задать параметр движка N до выполнения команды\n"
    "  --help                 эта справка\n";

int Usage() {
  sigtool::Err(kUsage);
  return 2;
}

// "N=VALUE" of a --set option.
bool ParseSetting(const std::string& text, sigtool::ParamSetting& setting) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  const char* end = text.data() + equals;
  const auto [stop, error] = std::from_chars(text.data(), end, setting.number);
  setting.value = text.substr(equals + 1);
  return error == std::errc() && stop == end && equals > 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<sigtool::ParamSetting> settings;
  while (!args.empty() && args[0] == "--set") {
    sigtool::ParamSetting setting;
    if (args.size() < 2 || !ParseSetting(args[1], setting))
      return Fail("--set ждёт N=VALUE, например --set 3=ETOKEN");
    settings.push_back(setting);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    sigtool::Out(kUsage);
    return 0;
  }
  if (args.size() == 1 && args[0] == "params") return sigtool::ListParams(settings);
  if (args.size() >= 2 && args[0] == "error")
    return sigtool::ShowErrorTexts(settings, {args.begin() + 1, args.end()});
  if (args.size() == 1 && args[0] == "provider") return sigtool::ShowProvider(settings);
  if (args.size() == 1 && args[0] == "version") return Version();
  if (args.size() == 1 && args[0] == "lock-misuse") return LockMisuse();
  if (args.size() == 3 && args[0] == "base64-encode")
    return Base64EncodeFile(args[1].c_str(), args[2].c_str());
  if (args.size() == 3 && args[0] == "base64-decode")
    return Base64DecodeFile(args[1].c_str(), args[2].c_str());
  return Usage();
}
