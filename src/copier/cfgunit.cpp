#include "cfgunit.h"

#include "logline.h"

namespace copier {
namespace {

constexpr char kCopierSection[] = "COPIER";
constexpr char kMessagesSection[] = "Messages";

// The profile functions cut longer values to this buffer.
constexpr DWORD kValueSize = 2048;

std::string ReadProfileString(const char* section, const std::string& key,
                              const std::string& fallback, const std::string& path) {
  char value[kValueSize];
  const DWORD length = ::GetPrivateProfileStringA(section, key.c_str(), fallback.c_str(), value,
                                                  kValueSize, path.c_str());
  return std::string(value, length);
}

}  // namespace

bool ShowMessage(BoxKind kind, const std::string& text) {
  struct Look {
    const char* caption;
    UINT style;
  };
  static constexpr Look kLooks[] = {
      {"Warning", MB_OK | MB_ICONWARNING},         {"Error", MB_OK | MB_ICONERROR},
      {"Information", MB_OK | MB_ICONINFORMATION}, {"Внимание!", MB_OKCANCEL | MB_ICONWARNING},
      {"Внимание", MB_OKCANCEL | MB_ICONQUESTION},
  };
  const Look& look = kLooks[static_cast<size_t>(kind)];
  return ::MessageBoxA(nullptr, text.c_str(), look.caption, look.style) == IDOK;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string SystemErrorText(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length != 0 ? std::string(buffer, length) : "Error " + std::to_string(error);
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

const char* BoolText(bool value) { return value ? "TRUE" : "FALSE"; }

TConfigurator::TConfigurator() {
  char directory[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
  systemDirectory = std::string(directory, length < MAX_PATH ? length : 0) + "\\";
}

void TConfigurator::OpenLog(const std::string& path) {
  ::DeleteFileA(path.c_str());
  // Others may read the log while the update runs, to see how far it got.
  log.Reset(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void TConfigurator::Log(const std::string& text) {
  if (!log) return;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const std::string line =
      LogLine({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, text);
  DWORD written = 0;
  ::WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool TConfigurator::ReadScenario() {
  if (!FileExists(scenarioPath)) {
    ShowMessage(BoxKind::Error, FormatText(kScenarioMissingText, {scenarioPath}));
    scenarioPath.clear();
    return false;
  }
  removeBackup =
      ::GetPrivateProfileIntA(kCopierSection, "RemoveBackup", 1, scenarioPath.c_str()) == 1;
  files.clear();
  for (int number = 1;; ++number) {
    std::string file =
        ReadProfileString(kCopierSection, "FILE" + std::to_string(number), "", scenarioPath);
    if (file.empty()) break;
    files.push_back(std::move(file));
  }
  clsid = ReadProfileString(kCopierSection, "CLSID", "", scenarioPath);
  axclsid = ReadProfileString(kCopierSection, "AXCLSID", "", scenarioPath);
  if (axclsid.empty()) {
    ShowMessage(BoxKind::Error, FormatText(Text(Message::NotFoundParam), {"AXCLSID"}));
    return false;
  }
  for (size_t i = 0; i < kMessageCount; ++i) {
    const auto id = static_cast<Message>(i);
    const std::string value = ReadProfileString(kMessagesSection, MessageKey(id),
                                                LineBreaksToEscapes(Text(id)), scenarioPath);
    messages.SetText(id, EscapesToLineBreaks(value));
  }
  return true;
}

void TConfigurator::WriteDefaults(const std::string& path) const {
  const auto write = [&](const char* section, const char* key, const std::string& value) {
    ::WritePrivateProfileStringA(section, key, value.c_str(), path.c_str());
  };
  write(kCopierSection, "RemoveBackup", removeBackup ? "1" : "0");
  write(kCopierSection, "CLSID", clsid);
  write(kCopierSection, "AXCLSID", axclsid);
  for (size_t i = 0; i < kMessageCount; ++i) {
    const auto id = static_cast<Message>(i);
    write(kMessagesSection, MessageKey(id), LineBreaksToEscapes(Text(id)));
  }
}

}  // namespace copier
