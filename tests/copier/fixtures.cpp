#include "fixtures.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "windriver.h"

namespace copiertest {
namespace {

namespace fs = std::filesystem;

uint64_t FromFileTime(const FILETIME& time) {
  return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t value) {
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

int64_t BaseTime() {
  const SYSTEMTIME base{2009, 3, 0, 1, 10, 0, 0, 0};
  FILETIME time;
  ::SystemTimeToFileTime(&base, &time);
  return static_cast<int64_t>(FromFileTime(time));
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

std::string CopierProgram() { return wintest::HostPath(KIT_COPIER_EXE); }
std::string HolderProgram() { return wintest::HostPath(KIT_HOLDER_EXE); }
std::string TestServerDll() { return wintest::HostPath(KIT_TEST_SERVER_DLL); }

TempFolder::TempFolder(const std::string& prefix) {
  static int count = 0;
  path_ = (fs::temp_directory_path() /
           (prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++count)))
              .string();
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

CurrentFolder::CurrentFolder(const std::string& path) {
  char previous[MAX_PATH];
  previous_.assign(previous, ::GetCurrentDirectoryA(MAX_PATH, previous));
  ::SetCurrentDirectoryA(path.c_str());
}

CurrentFolder::~CurrentFolder() { ::SetCurrentDirectoryA(previous_.c_str()); }

void WriteDll(const std::string& path, const kit::FileVersion& version, const std::string& tag) {
  std::string image = ReadAll(TestServerDll());
  // The resource's VS_FIXEDFILEINFO follows its UTF-16 key "VS_VERSION_INFO" and begins with
  // its signature, then the structure version, then the file version as two words: major and
  // minor, release and build.
  static const char kKey[] = "V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0";
  static const char kSignature[] = "\xBD\x04\xEF\xFE";
  const size_t key = image.find(std::string(kKey, sizeof kKey - 1));
  const size_t at = key == std::string::npos ? key : image.find(std::string(kSignature, 4), key);
  if (at == std::string::npos || at - key > 64)
    throw std::runtime_error("the test server has no version resource");
  const uint32_t words[2] = {static_cast<uint32_t>(version.major) << 16 | version.minor,
                             static_cast<uint32_t>(version.release) << 16 | version.build};
  std::memcpy(&image[at + 8], words, sizeof words);
  WriteBytes(path, image + tag);
}

void WriteText(const std::string& path, const std::string& text) { WriteBytes(path, text); }

void PutDll(const std::string& path, const kit::FileVersion& version, int seconds) {
  WriteDll(path, version, path);
  SetWriteTime(path, seconds);
}

void PutText(const std::string& path, const std::string& text, int seconds) {
  WriteText(path, text);
  SetWriteTime(path, seconds);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetWriteTime(const std::string& path, int seconds) {
  kit::UniqueFile file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  const FILETIME time =
      ToFileTime(static_cast<uint64_t>(BaseTime() + int64_t{seconds} * 10'000'000));
  if (!file || !::SetFileTime(file.Get(), nullptr, nullptr, &time))
    throw std::runtime_error("cannot set the time of " + path);
}

uint64_t WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
             ? FromFileTime(data.ftLastWriteTime)
             : 0;
}

std::vector<FileState> FolderState(const std::string& folder) {
  std::vector<FileState> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string path = entry.path().string();
    files.push_back({entry.path().filename().string(), ReadAll(path), WriteTime(path)});
  }
  std::sort(files.begin(), files.end(),
            [](const FileState& a, const FileState& b) { return a.name < b.name; });
  return files;
}

Holders::Holders(std::string traceFile) : trace_(std::move(traceFile)) {
  ::SetEnvironmentVariableA("KIT_HOLDER_TRACE", trace_.c_str());
}

Holders::~Holders() {
  for (DWORD id : Started()) End(id);
}

DWORD Holders::Start(const std::string& program, const std::vector<std::string>& arguments) {
  if (!Exists(program)) ::CopyFileA(HolderProgram().c_str(), program.c_str(), TRUE);
  std::string line = "\"" + program + "\"";
  for (const auto& argument : arguments) line += " \"" + argument + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return 0;
  kit::UniqueHandle process(info.hProcess), thread(info.hThread);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    const auto started = Started();
    if (std::find(started.begin(), started.end(), info.dwProcessId) != started.end())
      return info.dwProcessId;
    if (::WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0) return 0;
  }
  ::TerminateProcess(process.Get(), 1);
  return 0;
}

std::vector<DWORD> Holders::Started() const {
  std::vector<DWORD> ids;
  std::istringstream lines(ReadAll(trace_));
  for (DWORD id; lines >> id;) ids.push_back(id);
  return ids;
}

bool IsRunning(DWORD processId) {
  kit::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  return process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

void End(DWORD processId) {
  kit::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  if (process && ::TerminateProcess(process.Get(), 1)) ::WaitForSingleObject(process.Get(), 10000);
}

ClassRegistration::ClassRegistration(const std::string& serverPath) : classId_(NewClassId()) {
  const std::string key = "CLSID\\" + classId_ + "\\InprocServer32";
  ::RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, serverPath.c_str(),
                    static_cast<DWORD>(serverPath.size() + 1));
}

ClassRegistration::~ClassRegistration() {
  ::RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + classId_).c_str());
}

std::string NewClassId() {
  GUID id;
  ::CoCreateGuid(&id);
  wchar_t text[40];
  const int length = ::StringFromGUID2(id, text, 40);
  return std::string(text, text + (length > 0 ? length - 1 : 0));
}

}  // namespace copiertest
