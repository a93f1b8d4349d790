#include "service_commands.h"

#include <windows.h>

#include "ccm3x_entry_points.h"
#include "console_text.h"
#include "file_io.h"
#include "fileutil.h"
#include "libload.h"
#include "textutil.h"
#include "winhandles.h"

namespace sigtool {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr int kUsage = 2;
constexpr int kFailed = 1;

int CannotRead(const std::string& path) {
  Err("sigtool: не удалось прочитать файл " + path + "\n");
  return kFailed;
}
int CannotWrite(const std::string& path) {
  Err("sigtool: не удалось записать файл " + path + "\n");
  return kFailed;
}

int Length(const Bytes& data) { return static_cast<int>(data.size()); }

// A file named "*.sgn" holds a signed buffer (the data, its signature and the data's length);
// any other signature file holds a detached signature block.
bool IsSignedBuffer(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".sgn") == 0;
}

// A new container's generator is seeded with keystrokes; --auto-keystrokes types each digit
// the provider asks for, as a person at the keyboard would, so that demos and tests run alone.
int CCM3X_CALL TypeAsAsked(int requested, int, int, void*) { return requested; }

// Makes the container of a new key at the key-generation place, when there is none yet.
int PrepareContainer(const Session& session) {
  const HMODULE ccom = ::GetModuleHandleA("ccom.dll");
  if (ccom == nullptr) return 0;
  const ccm3x::Binding provider = ccm3x::BindEntryPoints(ccom, ::GetModuleHandleA("ccomio.dll"));
  const auto& api = provider.api;
  if (api.PSE_CTX_new == nullptr || api.PSE_CTX_generate == nullptr) return 0;
  const std::string device = session.Param(20);
  std::string place = session.Param(19);
  const bool disk = device.empty() || device == "DISK";
  if (disk) {
    kit::CreateDirectoryPath(place);
  } else {
    place = device + ":/" + place;
  }
  PSE_CTX* container = api.PSE_CTX_new();
  if (container == nullptr) return 0;
  int result = api.PSE_CTX_set_path(container, place.c_str(), -1) == 1 &&
                       api.PSE_CTX_set_rand_callback(container, &TypeAsAsked) == 1 &&
                       api.PSE_CTX_generate(container) == 1 && api.PSE_CTX_write(container) == 1
                   ? 0
                   : api.ERR_get_last_error();
  api.PSE_CTX_free(container);
  return result;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string ReportOf(const Session& session, const std::string& uid) {
  std::string report(2048, '\0');
  if (session.Api().GetReport(session.Engine(), uid.c_str(), report.data()) != 0) return {};
  return report.c_str();
}

}  // namespace

int KeyGen(const EngineOptions& options, const Args& args) {
  const bool automatic = args.size() == 1 && args[0] == "--auto-keystrokes";
  if (!args.empty() && !automatic) return kUsage;
  const Session session(options);
  if (!session.Ready()) return kFailed;
  const auto& api = session.Api();
  if (automatic) {
    // The provider is bound by the engine's first call; the container is then made here.
    int flag = 0;
    int size = sizeof flag;
    if (const int result = api.ExportObject(session.Engine(), 17, nullptr, 0, nullptr, &flag, &size);
        result != 0)
      return session.Fail("провайдер", result);
    if (const int result = PrepareContainer(session); result != 0)
      return session.Fail("ключевой контейнер " + session.Param(19), result);
  }
  if (const int result = api.GenerateNewSEK(session.Engine()); result != 0)
    return session.Fail("генерация ключа", result);
  Out("Ключевая пара создана: UID " + session.Param(9) + ", открытый ключ " + session.Param(18) +
      ", секретный ключ " + session.Param(19) + " (" + session.Param(20) + ")\n");
  return 0;
}

int Sign(const EngineOptions& options, const Args& args) {
  if (args.size() != 2) return kUsage;
  Bytes data;
  if (!ReadWholeFile(args[0], data)) return CannotRead(args[0]);
  const Session session(options);
  if (!session.Ready()) return kFailed;
  const auto& api = session.Api();
  if (IsSignedBuffer(args[1])) {
    const auto length = Length(data);
    data.resize(data.size() + static_cast<size_t>(api.GetMaxSignAddition(session.Engine())));
    int signedLength = length;
    if (const int result = api.AddSign(session.Engine(), data.data(), &signedLength, nullptr);
        result != 0)
      return session.Fail("подпись", result);
    data.resize(static_cast<size_t>(signedLength));
    if (!WriteWholeFile(args[1], data.data(), data.size())) return CannotWrite(args[1]);
    Out(args[0] + ": подписан, " + std::to_string(signedLength) + " байт с подписью -> " +
        args[1] + "\n");
    return 0;
  }
  Bytes signature(static_cast<size_t>(api.GetMaxSignatureLength(session.Engine())));
  int length = Length(signature);
  if (const int result = api.SignData(session.Engine(), data.data(), Length(data),
                                      signature.data(), &length, nullptr);
      result != 0)
    return session.Fail("подпись", result);
  if (!WriteWholeFile(args[1], signature.data(), static_cast<size_t>(length))) return CannotWrite(args[1]);
  Out(args[0] + ": подпись " + reinterpret_cast<const char*>(signature.data()) + ", " +
      std::to_string(length) + " байт -> " + args[1] + "\n");
  return 0;
}

int Verify(const EngineOptions& options, const Args& args) {
  // verify DATA SIGNATURE, or verify SIGNED.sgn [DATA-OUT]
  if (args.empty() || args.size() > 2) return kUsage;
  Bytes data;
  if (!ReadWholeFile(args[0], data)) return CannotRead(args[0]);
  const Session session(options);
  if (!session.Ready()) return kFailed;
  const auto& api = session.Api();
  char signer[256] = {};
  if (IsSignedBuffer(args[0])) {
    int length = Length(data);
    if (const int result = api.RemoveSign(session.Engine(), data.data(), &length, signer);
        result != 0)
      return session.Fail("проверка подписи " + args[0], result);
    if (args.size() == 2 && !WriteWholeFile(args[1], data.data(), static_cast<size_t>(length)))
      return CannotWrite(args[1]);
  } else {
    if (args.size() != 2) return kUsage;
    Bytes signature;
    if (!ReadWholeFile(args[1], signature)) return CannotRead(args[1]);
    if (const int result = api.VerifyData(session.Engine(), data.data(), Length(data),
                                          signature.data(), Length(signature), signer);
        result != 0)
      return session.Fail("проверка подписи " + args[0], result);
  }
  Out(args[0] + ": подпись верна, подписал " + signer + "\n");
  return 0;
}

int Encrypt(const EngineOptions& options, const Args& args) {
  if (args.size() != 2 && args.size() != 3) return kUsage;
  Bytes data;
  if (!ReadWholeFile(args[0], data)) return CannotRead(args[0]);
  const Session session(options);
  if (!session.Ready()) return kFailed;
  const auto& api = session.Api();
  const std::string recipients = args.size() == 3 ? args[2] : "";
  const int addition = api.GetMaxAdditionEx(session.Engine(), recipients.c_str());
  if (addition < 0) return session.Fail("список получателей", addition);
  int length = Length(data);
  data.resize(data.size() + static_cast<size_t>(addition));
  if (const int result = api.EncodeData(session.Engine(), data.data(), &length, recipients.c_str());
      result != 0)
    return session.Fail("шифрование", result);
  if (!WriteWholeFile(args[1], data.data(), static_cast<size_t>(length))) return CannotWrite(args[1]);
  Out(args[0] + ": зашифрован для " + (recipients.empty() ? session.Param(6) : recipients) +
      ", " + std::to_string(length) + " байт -> " + args[1] + "\n");
  return 0;
}

int Decrypt(const EngineOptions& options, const Args& args) {
  if (args.size() != 2) return kUsage;
  Bytes data;
  if (!ReadWholeFile(args[0], data)) return CannotRead(args[0]);
  const Session session(options);
  if (!session.Ready()) return kFailed;
  int length = Length(data);
  if (const int result = session.Api().DecodeData(session.Engine(), data.data(), &length, nullptr);
      result != 0)
    return session.Fail("расшифрование " + args[0], result);
  if (!WriteWholeFile(args[1], data.data(), static_cast<size_t>(length))) return CannotWrite(args[1]);
  Out(args[0] + ": расшифрован, " + std::to_string(length) + " байт -> " + args[1] + "\n");
  return 0;
}

int Hash(const EngineOptions& options, const Args& args) {
  if (args.empty() || args.size() > 2) return kUsage;
  const std::string form = args.size() == 2 ? args[1] : "hex";
  const int formNumber = form == "base64" ? 1 : form == "hex" ? 2 : form == "raw" ? 0 : -1;
  if (formNumber < 0) return kUsage;
  Bytes data;
  if (!ReadWholeFile(args[0], data)) return CannotRead(args[0]);
  const Session session(options);
  if (!session.Ready()) return kFailed;
  Bytes hash(64);
  int size = Length(hash);
  if (const int result = session.Api().HashData(session.Engine(), data.data(), Length(data),
                                                formNumber, hash.data(), &size);
      result != 0)
    return session.Fail("хэш", result);
  if (formNumber == 0) {
    std::string hex;
    for (int i = 0; i < size; ++i) {
      char two[3];
      std::snprintf(two, sizeof two, "%02x", hash[static_cast<size_t>(i)]);
      hex += two;
    }
    Out(hex + "  " + args[0] + "\n");
  } else {
    Out(std::string(reinterpret_cast<const char*>(hash.data()), static_cast<size_t>(size)) + "  " +
        args[0] + "\n");
  }
  return 0;
}

int Include(const EngineOptions& options, const Args& args) {
  if (args.size() != 1) return kUsage;
  const Session session(options);
  if (!session.Ready()) return kFailed;
  std::string report(2048, '\0');
  // The report first: a file that is included goes away.
  const int reported =
      session.Api().GetPublicKeyPropertiesByFile(session.Engine(), args[0].c_str(), report.data());
  if (const int result = session.Api().IncludePublicKey(session.Engine(), args[0].c_str());
      result != 0)
    return session.Fail("открытый ключ " + args[0], result);
  // The report's first lines: the UID and the owner's name.
  const std::string head = std::string(report.c_str()).substr(0, std::string(report.c_str()).find("\r\nC="));
  Out(args[0] + ": включён в справочник открытых ключей" +
      (reported == 0 ? " (" + kit::TrimBlanks(Replace(head, "\r\n", ", ")) + ")\n" : "\n"));
  return 0;
}

int Export(const EngineOptions& options, const Args& args) {
  if (args.empty() || args.size() > 2) return kUsage;
  const Session session(options);
  if (!session.Ready()) return kFailed;
  char uid[256] = {};
  if (args.size() == 2) {
    std::snprintf(uid, sizeof uid, "%s", args[0].c_str());
  } else if (const int result = session.Api().GetCurrentUserUID(session.Engine(), uid);
             result != 0) {
    return session.Fail("собственный ключ", result);
  }
  Bytes key(1143);
  int size = Length(key);
  if (const int result =
          session.Api().ExportObject(session.Engine(), 1, uid, 0, nullptr, key.data(), &size);
      result != 0)
    return session.Fail(std::string("открытый ключ ") + uid, result);
  if (!WriteWholeFile(args.back(), key.data(), static_cast<size_t>(size))) return CannotWrite(args.back());
  Out(std::string("Открытый ключ ") + uid + ": " + std::to_string(size) + " байт -> " +
      args.back() + "\n");
  return 0;
}

int TransferCommand(const EngineOptions& options, const Args& args) {
  if (args.empty()) return kUsage;
  const Session session(options);
  if (!session.Ready()) return kFailed;
  const auto& api = session.Api();
  const SigcoreEngine engine = session.Engine();
  if (args[0] == "export" && (args.size() == 2 || args.size() == 3)) {
    std::string transfer(static_cast<size_t>(api.GetMaxPublicKeyTransferSize(engine)) + 1, '\0');
    const int result = args.size() == 2
                           ? api.ExcludeSelfPublicKeyTransfer(engine, transfer.data())
                           : api.GetPublicKeyTransfer(engine, args[1].c_str(), transfer.data());
    if (result != 0) return session.Fail("передача открытого ключа", result);
    const std::string text = transfer.c_str();
    if (!WriteWholeFile(args.back(), text.data(), text.size())) return CannotWrite(args.back());
    Out((args.size() == 2 ? std::string("Передача собственного открытого ключа")
                          : "Передача открытого ключа " + args[1]) +
        ": " + std::to_string(text.size()) + " символов Base64 -> " + args.back() + "\n");
    return 0;
  }
  if ((args[0] == "import" || args[0] == "show") && args.size() == 2) {
    Bytes text;
    if (!ReadWholeFile(args[1], text)) return CannotRead(args[1]);
    text.push_back(0);
    const char* transfer = reinterpret_cast<const char*>(text.data());
    char uid[256] = {};
    if (const int result = api.GetUIDByPublicKeyTransfer(engine, transfer, uid); result != 0)
      return session.Fail("передача " + args[1], result);
    if (args[0] == "import") {
      if (const int result = api.IncludePublicKeyTransfer(engine, transfer); result != 0)
        return session.Fail("передача " + args[1], result);
      Out(args[1] + ": открытый ключ " + uid + " включён в справочник\n");
      return 0;
    }
    std::string report(2048, '\0');
    if (const int result = api.GetPublicKeyPropertiesByTransfer(engine, transfer, report.data());
        result != 0)
      return session.Fail("передача " + args[1], result);
    Out(args[1] + ": передача от " + uid + ", подпись верна\n" + report.c_str() + "\n");
    return 0;
  }
  return kUsage;
}

int Report(const EngineOptions& options, const Args& args) {
  if (args.size() > 1) return kUsage;
  const Session session(options);
  if (!session.Ready()) return kFailed;
  std::string report(2048, '\0');
  const std::string uid = args.empty() ? "" : args[0];
  if (const int result = session.Api().GetReport(session.Engine(), uid.c_str(), report.data());
      result != 0)
    return session.Fail(uid.empty() ? "ключ, ожидающий сертификации" : "ключ " + uid, result);
  Out(std::string(report.c_str()) + "\n");
  return 0;
}

int Renew(const EngineOptions& options, const Args& args) {
  if (args.size() < 2) return kUsage;
  const Session session(options);
  if (!session.Ready()) return kFailed;
  const auto& api = session.Api();
  const SigcoreEngine engine = session.Engine();
  if (args[0] == "start" && (args.size() == 2 || args.size() == 3)) {
    std::string transfer(static_cast<size_t>(api.GetMaxPublicKeyTransferSize(engine)) + 1, '\0');
    // State 11: the key-generation subject, and a failure reported as one.
    int state = 11;
    const std::string name = args.size() == 3 ? args[2] : "";
    if (const int result = api.RemoteGenerateStartEx(engine, name.c_str(), transfer.data(), &state);
        result != 0)
      return session.Fail("запрос на новый ключ", result);
    const std::string text = transfer.c_str();
    if (!WriteWholeFile(args[1], text.data(), text.size())) return CannotWrite(args[1]);
    Out("Запрос на новый ключ -> " + args[1] + "\n" + ReportOf(session, "") + "\n");
    return 0;
  }
  if (args[0] == "certify" && args.size() == 3) {
    Bytes request;
    if (!ReadWholeFile(args[1], request)) return CannotRead(args[1]);
    request.push_back(0);
    Bytes keyData(1143);
    int size = Length(keyData);
    if (const int result =
            api.ExportObject(engine, 6, request.data(), 0, nullptr, keyData.data(), &size);
        result != 0)
      return session.Fail("запрос " + args[1], result);
    std::string answer(static_cast<size_t>(api.GetMaxPublicKeyTransferSize(engine)) + 1, '\0');
    int answerSize = static_cast<int>(answer.size());
    if (const int result = api.ExportObject(engine, 16, keyData.data(), size, nullptr,
                                            answer.data(), &answerSize);
        result != 0)
      return session.Fail("сертификат", result);
    if (!WriteWholeFile(args[2], answer.data(), static_cast<size_t>(answerSize)))
      return CannotWrite(args[2]);
    Out("Новый ключ из " + args[1] + " заверен подписью " + session.Param(9) + " -> " + args[2] +
        "\n");
    return 0;
  }
  if (args[0] == "finish" && args.size() == 2) {
    Bytes answer;
    if (!ReadWholeFile(args[1], answer)) return CannotRead(args[1]);
    answer.push_back(0);
    int state = 0;
    if (const int result = api.RemoteGenerateFinishEx(
            engine, reinterpret_cast<const char*>(answer.data()), &state);
        result != 0)
      return session.Fail("установка нового ключа", result);
    char uid[256] = {};
    api.GetCurrentUserUID(engine, uid);
    Out("Новый ключ установлен: UID " + std::string(uid) + "\n");
    return 0;
  }
  return kUsage;
}

int Token(const Args& args) {
  std::string command = "\"" + kit::ModuleDirectory(nullptr) + "ccomtoken.exe\"";
  for (const std::string& arg : args) command += " \"" + arg + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    Err("sigtool: не удалось запустить ccomtoken.exe рядом с sigtool.exe\n");
    return kFailed;
  }
  const kit::UniqueHandle thread(process.hThread);
  const kit::UniqueHandle child(process.hProcess);
  ::WaitForSingleObject(child.Get(), INFINITE);
  DWORD exitCode = kFailed;
  ::GetExitCodeProcess(child.Get(), &exitCode);
  return static_cast<int>(exitCode);
}

}  // namespace sigtool
