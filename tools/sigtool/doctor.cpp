// "sigtool doctor": what a support call starts with. One line per item, "OK" or what to do.
#include <windows.h>

#include <cstring>
#include <vector>

#include "ccm3x_entry_points.h"
#include "console_text.h"
#include "fileutil.h"
#include "fileversion.h"
#include "libload.h"
#include "service_commands.h"
#include "textutil.h"
#include "winhandles.h"

namespace sigtool {
namespace {

constexpr const char* kProgId = "axgate.XLoader";
constexpr const char* kRootMacro = "%VelmarRoot%";

class Checklist {
 public:
  void Ok(const std::string& text) { Out("OK  " + text + "\n"); }
  void Note(const std::string& text) { Out("--  " + text + "\n"); }
  void Problem(const std::string& text, const std::string& todo) {
    Out("!!  " + text + ": " + todo + "\n");
    ++problems_;
  }
  int Status() const { return problems_ == 0 ? 0 : 1; }

 private:
  int problems_ = 0;
};

std::string RegistryDefault(const std::string& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return {};
  const kit::UniqueRegKey owned(opened);
  char value[MAX_PATH] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (::RegQueryValueExA(opened, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  return value;
}

std::string Directory(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A path parameter as the engine reads it: under the root path when it starts with the macro.
std::string Expanded(std::string value, const std::string& root) {
  if (value.size() < std::strlen(kRootMacro) ||
      !kit::EqualsIgnoreAsciiCase(value.substr(0, std::strlen(kRootMacro)), kRootMacro))
    return value;
  value.erase(0, std::strlen(kRootMacro));
  if (!value.empty() && value[0] == '\\') value.erase(0, 1);
  return kit::UpperAscii(kit::AddPathSeparator(root) + value);
}

}  // namespace

int Doctor(const EngineOptions& options) {
  Checklist list;
  // Where the kit is registered: the server of the class a bank page creates.
  const std::string clsid = RegistryDefault(std::string(kProgId) + "\\Clsid");
  const std::string server =
      clsid.empty() ? std::string() : RegistryDefault("CLSID\\" + clsid + "\\InprocServer32");
  std::string folder = kit::ModuleDirectory(nullptr);
  if (server.empty()) {
    list.Problem("Компонент ActiveX не зарегистрирован (" + std::string(kProgId) + ")",
                 "выполните regsvr32 axgate.dll в папке комплекта " + folder);
  } else if (!Exists(server)) {
    list.Problem("Зарегистрированный компонент не найден: " + server,
                 "переустановите комплект или зарегистрируйте axgate.dll заново");
  } else {
    folder = Directory(server);
    list.Ok("Комплект зарегистрирован: " + server);
  }

  for (const char* file : {"sigcore.dll", "orvavk.dll", "axgate.dll", "copier.exe", "ccom.dll",
                           "ccomio.dll"}) {
    const std::string path = folder + file;
    const bool optional = std::string(file) == "ccomio.dll";
    if (!Exists(path)) {
      if (optional)
        list.Note(std::string(file) + " нет в " + folder + " (необязательна)");
      else
        list.Problem(std::string(file) + " нет в " + folder, "переустановите комплект");
      continue;
    }
    const auto version = kit::ReadFileVersion(path);
    list.Ok(std::string(file) + " " + (version ? version->ToString() : "(без версии)"));
  }

  const Session session(options);
  if (!session.Ready()) {
    list.Problem("sigcore.dll не загружается рядом с sigtool.exe", "переустановите комплект");
    return list.Status();
  }
  const auto& api = session.Api();
  int flag = 0;
  int size = sizeof flag;
  const int bound = api.ExportObject(session.Engine(), 17, nullptr, 0, nullptr, &flag, &size);
  const HMODULE ccom = ::GetModuleHandleA("ccom.dll");
  if (bound != 0 || ccom == nullptr) {
    list.Problem("Криптопровайдер: " + std::to_string(bound) + " " + session.ErrorText(bound),
                 "установите ccom.dll рядом с sigcore.dll");
    return list.Status();
  }
  const ccm3x::Binding provider = ccm3x::BindEntryPoints(ccom, ::GetModuleHandleA("ccomio.dll"));
  const char* copyright =
      provider.api.CCLIB_get_copyright != nullptr ? provider.api.CCLIB_get_copyright() : nullptr;
  list.Ok(std::string("Криптопровайдер полон: ") + kit::ModuleDirectory(ccom) + "ccom.dll" +
          (copyright != nullptr ? std::string(" (") + copyright + ")" : ""));

  // Slot scans never ask for a PIN.
  std::string slots;
  for (const char* device : {"ETOKEN", "RUTOKEN"})
    for (int slot = 0; slot < 10; ++slot) {
      const std::string name = device + std::to_string(slot);
      if (provider.api.CADB_access((name + ":\\").c_str(), CADB_ACCESS_EXISTS) != 0)
        slots += (slots.empty() ? "" : ", ") + name;
    }
  const std::string keyDevice = kit::UpperAscii(kit::TrimBlanks(session.Param(3)));
  if (!slots.empty())
    list.Ok("Токены в слотах: " + slots);
  else if (keyDevice == "ETOKEN" || keyDevice == "RUTOKEN")
    list.Problem("Ни в одном слоте нет токена " + keyDevice,
                 "вставьте токен или проверьте драйвер токена");
  else
    list.Note("Токенов нет (ключи на диске, токен не нужен)");

  const std::string abonents = Expanded(session.Param(4), options.root);
  std::string abonentsDevice = kit::UpperAscii(kit::TrimBlanks(abonents));
  if (!abonentsDevice.empty() && abonentsDevice.back() == '\\') abonentsDevice.pop_back();
  // Correspondents' keys kept on a token are counted by the token, not here.
  if (abonentsDevice != "ETOKEN" && abonentsDevice != "RUTOKEN") {
    if (!kit::IsDirectory(abonents)) {
      list.Problem("Справочник открытых ключей " + abonents + " не найден",
                   "проверьте параметр 4 (Abonents dir)");
    } else {
      std::vector<std::string> files;
      kit::FindFilesByEnding(abonents, "pub", files, true);
      list.Ok("Справочник открытых ключей " + abonents + ": ключей " +
              std::to_string(files.size()));
    }
  }

  char uid[256] = {};
  const int own = api.GetCurrentUserUID(session.Engine(), uid);
  if (own != 0)
    list.Problem("Собственный ключ: " + std::to_string(own) + " " + session.ErrorText(own),
                 "проверьте параметры 1-3 (открытый ключ, каталог секретных ключей, устройство)");
  else
    list.Ok("Собственный ключ: UID " + std::string(uid) + " (" +
            Expanded(session.Param(1), options.root) + ")");
  return list.Status();
}

}  // namespace sigtool
