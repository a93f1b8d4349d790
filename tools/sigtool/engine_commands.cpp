#include "engine_commands.h"

#include <windows.h>

#include <charconv>
#include <memory>

#include "ccm3x_entry_points.h"
#include "console_text.h"
#include "libload.h"
#include "engine_session.h"

namespace sigtool {
namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(module, path, MAX_PATH);
  return path;
}

}  // namespace

int ListParams(const std::vector<ParamSetting>& settings) {
  const Session session(settings);
  if (!session.Ready()) return 1;
  const auto& api = session.Api();
  const int count = api.GetCryptoParamNumber(session.Engine());
  for (int n = 1; n <= count; ++n) {
    char name[256] = {};
    std::vector<char> value(
        static_cast<size_t>(api.GetMaxCryptoParamValueLength(session.Engine())));
    api.GetCryptoParamName(session.Engine(), n, name);
    api.GetCryptoParamValue(session.Engine(), n, value.data());
    int kind = 0;
    int size = 0;
    std::string descriptor;
    if (api.GetParamInfo(session.Engine(), n, &kind, nullptr, &size) == 0 && size > 0) {
      descriptor.resize(static_cast<size_t>(size));
      api.GetParamInfo(session.Engine(), n, &kind, descriptor.data(), &size);
      descriptor.resize(descriptor.find('\0'));
    }
    Out(Padded(std::to_string(n), 3) + Padded(name, 29) + "= " +
        Padded(std::string("\"") + value.data() + "\"", 22) + " вид " + std::to_string(kind) +
        ": " + Replace(descriptor, "\r\n", " | ") + "\n");
  }
  return 0;
}

int ShowErrorTexts(const std::vector<ParamSetting>& settings,
                   const std::vector<std::string>& codes) {
  const Session session(settings);
  if (!session.Ready()) return 1;
  int status = 0;
  for (const std::string& text : codes) {
    int code = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (error != std::errc() || end != text.data() + text.size()) {
      Err("sigtool: код ошибки должен быть целым числом: " + text + "\n");
      status = 1;
      continue;
    }
    Out(std::to_string(code) + ": " + session.ErrorText(code) + "\n");
  }
  return status;
}

int ShowProvider(const std::vector<ParamSetting>& settings) {
  const Session session(settings);
  if (!session.Ready()) return 1;
  // The flag of a usable configuration runs the engine's whole frame: it binds the provider.
  int flag = 0;
  int size = sizeof flag;
  const int result =
      session.Api().ExportObject(session.Engine(), 17, nullptr, 0, nullptr, &flag, &size);

  Out("sigcore.dll: " + ModulePath(session.Module()) + "\n");
  const HMODULE ccom = ::GetModuleHandleA("ccom.dll");
  const HMODULE ccomio = ::GetModuleHandleA("ccomio.dll");
  Out("ccom.dll:    " + (ccom != nullptr ? ModulePath(ccom) : std::string("не загружена")) + "\n");
  if (ccom != nullptr) {
    const ccm3x::Binding binding = ccm3x::BindEntryPoints(ccom, ccomio);
    std::string io = "не найдена";
    if (ccomio != nullptr)
      io = ModulePath(ccomio) + (binding.ioFromCcomio ? " (функции ввода-вывода берутся из неё)"
                                                      : " (неполная, не используется)");
    Out("ccomio.dll:  " + io + "\n");
    if (binding.missing.empty()) {
      Out("Точки входа: все на месте\n");
    } else {
      std::string missing;
      for (const std::string& name : binding.missing)
        missing += (missing.empty() ? "" : ", ") + name;
      Out("Точки входа: отсутствуют " + missing + "\n");
    }
    if (binding.api.CCLIB_get_copyright != nullptr) {
      const char* copyright = binding.api.CCLIB_get_copyright();
      Out(std::string("Провайдер:   ") + (copyright != nullptr ? copyright : "") + "\n");
    }
  }
  if (result != 0) {
    Err("sigtool: " + std::to_string(result) + ": " + session.ErrorText(result) + "\n");
    return 1;
  }
  return 0;
}

}  // namespace sigtool
