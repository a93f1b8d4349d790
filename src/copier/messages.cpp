#include "messages.h"

namespace copier {
namespace {

struct BuiltInMessage {
  const char* key;
  const char* text;
};

constexpr BuiltInMessage kBuiltIn[kMessageCount] = {
    {"SHARING_ERROR",
     "Для корректного завершения обновления необходимо завершить (закрыть) следующие "
     "приложения:\r\n"
     "\r\n"
     "%s\r\n"
     "Для этого необходимо ПОСЛЕДОВАТЕЛЬНО выполнить действия:\r\n"
     "%s. Нажать кнопку <OK> в данном сообщении.\r\n"
     "Нажмите кнопку \"Отмена\" если Вы не хотите сейчас провести обновление. В этом случае "
     "корректная работа в системе \"Банк-Клиент\" не гарантируется.\r\n"
     "\r\n"
     "Процесс обновления будет возобновлен при следующем входе в систему \"Банк-Клиент\"."},
    {"NOT_FOUND_FILE", "Не найден файл \"%s\", указанный в конфигурационном файле."},
    {"NOT_FOUND_PARAM",
     "В конфигурационном файле отсутствует значение параметра %s в секции [COPIER]."},
    {"ERROR_INSTALL",
     "Невозможно установить библиотеки необходимые для работы системы ДБО Orva-Client v3 "
     "\"Ориола\". Возможно, при обновлении вы не выгрузили Internet Explorer или "
     "Orva-Defender. Попробуйте зайти на сайт Вашего банка еще раз и повторить установку."},
    {"NOT_FOUND_REGISTERED_ACIVEX",
     "Не обнаружено установленной версии ДБО Orva-Client v3 \"Ориола\". Установка "
     "прервана.\r\n"
     "Пожалуйста, обратитесь в службу технической поддержки Вашего банка."},
    {"DEFENDER_CLIENT_NAME", "Orva-Defender (Клиентская часть)"},
    {"IEXPLORER_NAME", "Internet Explorer"},
    {"IEXPLORER_CLOSE",
     "Закрыть все окна Internet Explorer (включая систему интернет \"Банк-Клиент\").\r\n"},
    {"DEFENDER_CLIENT_CLOSE",
     "Выгрузиь Orva-Defender (в правом нижнем углу экрана необходимо кликнуть правой кнопкой "
     "мыши на серо-синей иконке с [Orva-Defender(клиентская часть)] и выбрать пункт "
     "выгрузить).\r\n"},
    {"OTHERPROCESSES_CLOSE",
     "Завершить процессы:\r\n"
     "%s\r\n"},
    {"ALL_OK", "Обновление проведено успешно.\r\n"},
    {"CHECK_FOR_RUN_DEFENDER",
     "Перед началом работы в системе \"Банк-Клиент\" убедитесь, что запущен "
     "Orva-Defender.Подсистему Orva-Defender Вы можете вручную запустить из меню "
     "Пуск->Программы->Orva-Defender].\r\n"},
    {"COPY_ERROR",
     "Для корректного завершения обновления необходимо завершить (закрыть) приложения.\r\n"
     "Для этого необходимо ПОСЛЕДОВАТЕЛЬНО выполнить действия:\r\n"
     "\r\n"
     "1. Закрыть все окна Internet Explorer (включая систему интернет банк-клиент).\r\n"
     "2. В случае использования системы защиты канала передачи данных Orva-Defender "
     "необходимо его выгрузить  (в правом нижнем углу экрана необходимо кликнуть правой "
     "кнопкой мыши на серо-синей иконке с [Orva-Defender (клиентская часть)] и выбрать пункт "
     "выгрузить).\r\n"
     "3. Нажать кнопку <OK> в  данном сообщении.\r\n"
     "\r\n"
     "Если Вы используете Orva-Defender, то перед началом работы в системе \"Банк-Клиент\" "
     "убедитесь, что он запущен.\r\n"
     "Подсистему Orva-Defender Вы можете вручную запустить из меню "
     "Пуск->Программы->Orva-Defender].\r\n"
     "\r\n"
     "Нажмите кнопку \"Отмена\" если Вы не хотите сейчас провести обновление. В этом случае "
     "корректная работа в системе \"Банк-Клиент\" не гарантируется.\r\n"
     "\r\n"
     "Процесс обновления будет возобновлен при следующем входе в систему \"Банк-Клиент\"."},
};

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  std::string out;
  size_t start = 0;
  for (size_t found; (found = text.find(from, start)) != std::string::npos;
       start = found + from.size())
    out.append(text, start, found - start).append(to);
  return out.append(text, start);
}

}  // namespace

const char* const kUsageText =
    "Использование: copier.exe -c=inifilename <Дополнительные, необязательные параметры>\r\n"
    "-c=<Имя файла> - конфигурационный файл сценария работы.\r\n"
    "Дополнительные, необязательные параметры: \r\n"
    "-l=<Имя файла> - включает логирование в указанный файл.\r\n"
    "-cw=<Имя файла> - сохраняет настройки по-умолчанию в указанный файл.\r\n";

const char* const kScenarioMissingText =
    "Не найден конфигурационный файл: \"%s\".\r\nСообщите разработчикам.";

const char* MessageKey(Message id) { return kBuiltIn[static_cast<size_t>(id)].key; }

TMessages::TMessages() {
  for (size_t i = 0; i < kMessageCount; ++i) texts_[i] = kBuiltIn[i].text;
}

std::string LineBreaksToEscapes(const std::string& text) { return ReplaceAll(text, "\r\n", "\\n"); }

std::string EscapesToLineBreaks(const std::string& text) { return ReplaceAll(text, "\\n", "\r\n"); }

std::string FormatText(const std::string& format, const std::vector<std::string>& arguments) {
  std::string out;
  auto next = arguments.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
      if (next != arguments.end()) out += *next++;
      ++i;
    } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace copier
