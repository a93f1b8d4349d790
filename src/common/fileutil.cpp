#include "fileutil.h"

#include <windows.h>

#include <charconv>
#include <limits>

#include "textutil.h"
#include "winhandles.h"

namespace kit {
namespace {

// The DOS volume-label attribute; directory listings of some file systems still carry it.
constexpr DWORD kVolumeLabel = 0x8;

UniqueFile OpenForReading(const std::string& path) {
  return UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The size of an open file, when it fits the 32-bit lengths the callers work with.
bool SmallFileSize(HANDLE file, int32_t& size) {
  LARGE_INTEGER large;
  if (!::GetFileSizeEx(file, &large) || large.QuadPart > std::numeric_limits<int32_t>::max())
    return false;
  size = static_cast<int32_t>(large.QuadPart);
  return true;
}

bool ReadExactly(HANDLE file, void* buffer, int32_t size) {
  DWORD read = 0;
  return size == 0 ||
         (::ReadFile(file, buffer, static_cast<DWORD>(size), &read, nullptr) &&
          read == static_cast<DWORD>(size));
}

bool WriteExactly(HANDLE file, const void* buffer, int32_t size) {
  DWORD written = 0;
  return size == 0 ||
         (::WriteFile(file, buffer, static_cast<DWORD>(size), &written, nullptr) &&
          written == static_cast<DWORD>(size));
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  return !directory.empty() && directory.back() == '\\' ? directory + name
                                                        : directory + "\\" + name;
}

// Calls `visit` for every entry of `pattern`'s listing except "." names and volume labels.
template <class Visit>
void ForEachEntry(const std::string& pattern, Visit visit) {
  WIN32_FIND_DATAA entry;
  UniqueFind find(::FindFirstFileA(pattern.c_str(), &entry));
  if (!find) return;
  do {
    if (entry.cFileName[0] == '.' || (entry.dwFileAttributes & kVolumeLabel)) continue;
    visit(entry);
  } while (::FindNextFileA(find.Get(), &entry));
}

}  // namespace

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFileByMemory(const std::string& source, const std::string& destination) {
  std::vector<char> contents;
  {
    UniqueFile in = OpenForReading(source);
    int32_t size = 0;
    if (!in || !SmallFileSize(in.Get(), size)) return false;
    contents.resize(static_cast<size_t>(size));
    if (!ReadExactly(in.Get(), contents.data(), size)) return false;
  }
  UniqueFile out(::CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  return out && WriteExactly(out.Get(), contents.data(), static_cast<int32_t>(contents.size()));
}

bool ReadFileToBuffer(const std::string& path, void* buffer, int32_t& size) {
  UniqueFile in = OpenForReading(path);
  int32_t fileSize = 0;
  if (!in || !SmallFileSize(in.Get(), fileSize) || size < fileSize) return false;
  if (fileSize > 0 && buffer == nullptr) return false;
  if (!ReadExactly(in.Get(), buffer, fileSize)) return false;
  size = fileSize;
  return true;
}

bool WriteBufferToFile(const std::string& path, const void* buffer, int32_t length) {
  if (length < 0 || (length > 0 && buffer == nullptr)) return false;
  if (Exists(path) && !::DeleteFileA(path.c_str())) return false;
  bool written;
  {
    UniqueFile out(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    written = WriteExactly(out.Get(), buffer, length);
  }
  if (!written) ::DeleteFileA(path.c_str());
  return written;
}

int32_t NextFileNumber(const std::string& directory, const std::string& mask) {
  const size_t star = mask.find('*');
  if (star == std::string::npos || !IsDirectory(directory)) return 0;

  int32_t largest = 0;
  ForEachEntry(JoinPath(directory, mask), [&](const WIN32_FIND_DATAA& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    const std::string name = entry.cFileName;
    const size_t dot = name.find('.');
    if (dot == std::string::npos || dot <= star) return;
    int32_t number = 0;
    const char* first = name.data() + star;
    const char* last = name.data() + dot;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc{} || end != last || number < 0) return;
    if (number > largest) largest = number;
  });
  // A largest number that cannot be followed is a failure like any other.
  return largest == std::numeric_limits<int32_t>::max() ? 0 : largest + 1;
}

void FindFilesByEnding(const std::string& directory, const std::string& ending,
                       std::vector<std::string>& files, bool recurse) {
  if (!IsDirectory(directory)) return;
  ForEachEntry(JoinPath(directory, "*"), [&](const WIN32_FIND_DATAA& entry) {
    const std::string path = JoinPath(directory, entry.cFileName);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (recurse) FindFilesByEnding(path, ending, files, recurse);
      return;
    }
    const std::string name = entry.cFileName;
    if (name.size() >= ending.size() &&
        EqualsIgnoreAsciiCase(name.substr(name.size() - ending.size()), ending))
      files.push_back(path);
  });
}

bool CreateDirectoryPath(const std::string& path) {
  if (path.empty()) return false;
  std::string target = path;
  if (target.back() == '\\') target.pop_back();
  if (target.size() < 3 || IsDirectory(target)) return true;

  const size_t cut = target.find_last_of("\\:");
  if (cut == std::string::npos) return false;
  if (!CreateDirectoryPath(target.substr(0, cut + 1))) return false;
  // Another process may create it between the check above and this call.
  return ::CreateDirectoryA(target.c_str(), nullptr) || IsDirectory(target);
}

}  // namespace kit
