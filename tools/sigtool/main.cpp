// sigtool: the kit's host program for people and for end-to-end tests.
#include <string>
#include <vector>

#include "console_text.h"
#include "engine_commands.h"
#include "file_io.h"
#include "fileversion.h"
#include "libload.h"
#include "mimecode.h"
#include "rwsyncs.h"
#include "service_commands.h"

namespace {

int Fail(const std::string& text, const std::string& detail = "") {
  sigtool::Err("sigtool: " + text + detail + "\n");
  return 1;
}

int Base64EncodeFile(const char* input, const char* output) {
  std::vector<unsigned char> data;
  if (!sigtool::ReadWholeFile(input, data)) return Fail("не удалось прочитать файл ", input);
  char* text = nullptr;
  int32_t length = 0;
  kit::Base64Encode(data.data(), static_cast<int32_t>(data.size()), &text, &length);
  kit::Base64Block<char> owned(text);
  if (text == nullptr) return Fail("нечего кодировать: файл пуст или слишком велик");
  if (!sigtool::WriteWholeFile(output, text, static_cast<size_t>(length)))
    return Fail("не удалось записать ", output);
  sigtool::Out(std::string(input) + ": " + std::to_string(data.size()) + " байт -> " + output +
               ": " + std::to_string(length) + " символов Base64\n");
  return 0;
}

int Base64DecodeFile(const char* input, const char* output) {
  std::vector<unsigned char> text;
  if (!sigtool::ReadWholeFile(input, text)) return Fail("не удалось прочитать файл ", input);
  uint8_t* data = nullptr;
  int32_t length = 0;
  kit::Base64Decode(reinterpret_cast<const char*>(text.data()), static_cast<int32_t>(text.size()), &data, &length);
  kit::Base64Block<uint8_t> owned(data);
  if (data == nullptr) return Fail("текст не является Base64 (длина должна быть кратна 4)");
  if (!sigtool::WriteWholeFile(output, data, static_cast<size_t>(length)))
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
    "usage: sigtool [--profile FILE] [--set N=VALUE]... [--root PATH] [--pin PIN] COMMAND ...\n"
    "\n"
    "  keygen [--auto-keystrokes]       новая ключевая пара по параметрам 9-22\n"
    "  sign FILE SIGNATURE              подпись в отдельный файл (SIGNATURE.sgn: файл с подписью)\n"
    "  verify FILE SIGNATURE            проверка отдельной подписи\n"
    "  verify FILE.sgn [DATA-OUT]       проверка файла с подписью, данные без подписи\n"
    "  encrypt FILE OUT [UID;UID...]    шифрование для получателей (по умолчанию параметр 6)\n"
    "  decrypt FILE OUT                 расшифрование\n"
    "  hash FILE [hex|base64|raw]       хэш ГОСТ Р 34.11-94\n"
    "  include FILE.pub                 включить открытый ключ в справочник (файл удаляется)\n"
    "  export [UID] FILE.pub            открытый ключ в файл (без UID: свой)\n"
    "  transfer export [UID] OUT        передача открытого ключа (своего или абонента)\n"
    "  transfer import FILE             включить ключ из передачи\n"
    "  transfer show FILE               кто подписал передачу и отчёт о ключе\n"
    "  report [UID]                     отчёт о ключе (без UID: о новом ключе, ждущем сертификата)\n"
    "  renew start OUT [NAME]           запрос на новый ключ, подписанный текущим ключом\n"
    "  renew certify REQUEST OUT        (банк) ответ на запрос, подписанный своим ключом\n"
    "  renew finish ANSWER              установить новый ключ из ответа банка\n"
    "  token ARGUMENTS...               ccomtoken.exe: create, list, change-pin, unlock, erase\n"
    "  doctor                           проверка установки комплекта\n"
    "  params                           параметры движка: номер, имя, значение, вид, описание\n"
    "  error CODE...                    текст кода результата\n"
    "  provider                         какие ccom.dll и ccomio.dll загружены и полны ли они\n"
    "  version                          версия sigtool\n"
    "  base64-encode IN OUT             файл в Base64\n"
    "  base64-decode IN OUT             Base64 в файл\n"
    "  lock-misuse                      ошибка освобождения блокировки, которая не была взята\n"
    "\n"
    "  --profile FILE   строки N=VALUE, root=PATH, pin=PIN; # комментарий\n"
    "  --set N=VALUE    задать параметр движка N до выполнения команды\n"
    "  --root PATH      корень для %VelmarRoot% в путях\n"
    "  --pin PIN        PIN токена (без него PIN спросит экранная клавиатура)\n"
    "  --help           эта справка\n";

int Usage() {
  sigtool::Err(kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  sigtool::EngineOptions options;
  std::string error;
  const int first = sigtool::ReadOptions(argc, argv, options, error);
  if (first < 0) return Fail(error);
  const std::vector<std::string> args(argv + first, argv + argc);
  if (args.empty() || args[0] == "--set" || args[0] == "--profile") return Usage();
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    sigtool::Out(kUsage);
    return 0;
  }
  const std::string command = args[0];
  const sigtool::Args rest(args.begin() + 1, args.end());
  const auto& settings = options.settings;
  int status = 2;
  if (command == "params" && rest.empty()) status = sigtool::ListParams(settings);
  else if (command == "error" && !rest.empty()) status = sigtool::ShowErrorTexts(settings, rest);
  else if (command == "provider" && rest.empty()) status = sigtool::ShowProvider(settings);
  else if (command == "version" && rest.empty()) status = Version();
  else if (command == "lock-misuse" && rest.empty()) status = LockMisuse();
  else if (command == "base64-encode" && rest.size() == 2)
    status = Base64EncodeFile(rest[0].c_str(), rest[1].c_str());
  else if (command == "base64-decode" && rest.size() == 2)
    status = Base64DecodeFile(rest[0].c_str(), rest[1].c_str());
  else if (command == "keygen") status = sigtool::KeyGen(options, rest);
  else if (command == "sign") status = sigtool::Sign(options, rest);
  else if (command == "verify") status = sigtool::Verify(options, rest);
  else if (command == "encrypt") status = sigtool::Encrypt(options, rest);
  else if (command == "decrypt") status = sigtool::Decrypt(options, rest);
  else if (command == "hash") status = sigtool::Hash(options, rest);
  else if (command == "include") status = sigtool::Include(options, rest);
  else if (command == "export") status = sigtool::Export(options, rest);
  else if (command == "transfer") status = sigtool::TransferCommand(options, rest);
  else if (command == "report") status = sigtool::Report(options, rest);
  else if (command == "renew") status = sigtool::Renew(options, rest);
  else if (command == "token") status = sigtool::Token(rest);
  else if (command == "doctor" && rest.empty()) status = sigtool::Doctor(options);
  return status == 2 ? Usage() : status;
}
