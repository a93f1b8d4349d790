#include "object_store.h"

#include <windows.h>

#include "fileutil.h"
#include "provider_error.h"
#include "winhandles.h"

namespace ccom {
namespace {

DWORD Attributes(const std::string& file) { return ::GetFileAttributesA(file.c_str()); }

bool IsFile(const std::string& file) {
  const DWORD attributes = Attributes(file);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Without(std::string file) {
  while (file.size() > 3 && (file.back() == '\\' || file.back() == '/')) file.pop_back();
  return file;
}

// The place of a call that reads or changes an object: on a token, after the login.
ObjectPlace LocateLoggedIn(const std::string& path) {
  ObjectPlace place = Locate(path);
  if (place.slot) TokenStore::Process().Login(*place.slot, place.path);
  return place;
}

// The file an object is written to; on a token, the folders on its path are made.
std::string FileToWrite(const std::string& path) {
  const ObjectPlace place = LocateLoggedIn(path);
  if (place.tokenItself) Fail(kAccessError, path + ": names the token, not an object");
  if (place.slot) {
    const std::string parent = place.file.substr(0, place.file.rfind('\\'));
    if (!kit::CreateDirectoryPath(parent)) Fail(kWriteError, path + ": its folder cannot be made");
  }
  return place.file;
}

// Writes the bytes whole into "<file>.new", which nothing reads; a failure leaves no such file.
std::string Stage(const std::string& file, const void* data, size_t size) {
  const std::string fresh = file + ".new";
  kit::UniqueFile out(::CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out)
    Fail(kWriteError,
         file + ": cannot be written (system error " + std::to_string(::GetLastError()) + ")");
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t at = 0; at < size;) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(size - at < 0x100000 ? size - at : 0x100000);
    if (!::WriteFile(out.Get(), bytes + at, chunk, &written, nullptr) || written == 0) {
      out.Reset();
      ::DeleteFileA(fresh.c_str());
      Fail(kWriteError, file + ": the write failed");
    }
    at += written;
  }
  return fresh;
}

bool Move(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Every file is staged before any is replaced, and each replaced file is kept aside as
// "<file>.old" until all are in place: a failure while replacing the third part of a key
// container puts the first two back, so the parts on disk always belong together.
void ReplaceFiles(const std::vector<std::string>& files, const std::vector<ObjectWrite>& writes) {
  std::vector<std::string> staged;
  std::vector<bool> keptAside(files.size(), false);
  size_t committed = 0;
  try {
    for (size_t i = 0; i < writes.size(); ++i)
      staged.push_back(Stage(files[i], writes[i].data, writes[i].size));
    for (; committed < staged.size(); ++committed) {
      const std::string& file = files[committed];
      if (staged.size() > 1 && IsFile(file)) {
        if (!Move(file, file + ".old"))
          Fail(kWriteError, file + ": cannot be set aside (system error " +
                                std::to_string(::GetLastError()) + ")");
        keptAside[committed] = true;
      }
      if (!Move(staged[committed], file)) {
        const DWORD error = ::GetLastError();
        if (keptAside[committed]) Move(file + ".old", file);
        keptAside[committed] = false;
        Fail(kWriteError,
             file + ": cannot be replaced (system error " + std::to_string(error) + ")");
      }
    }
  } catch (...) {
    for (size_t i = committed; i < staged.size(); ++i) ::DeleteFileA(staged[i].c_str());
    for (size_t i = 0; i < committed; ++i) {
      if (keptAside[i])
        Move(files[i] + ".old", files[i]);
      else
        ::DeleteFileA(files[i].c_str());
    }
    throw;
  }
  for (size_t i = 0; i < files.size(); ++i)
    if (keptAside[i]) ::DeleteFileA((files[i] + ".old").c_str());
}

}  // namespace

ObjectPlace Locate(const std::string& path) {
  ObjectPlace place;
  place.path = path;
  if (path.empty()) Fail(kParameterError, "an empty path");
  if (!IsTokenPath(path)) {
    place.file = path;
    return place;
  }
  const TokenPath parsed = ParseTokenPath(path);
  place.slot = TokenStore::SlotOf(parsed);
  if (!place.slot)
    Fail(kFileNotFound,
         path + ": no " + parsed.device + " token" +
             (parsed.slot ? " in slot " + std::to_string(*parsed.slot) : " in any slot"));
  place.file = place.slot->Folder();
  for (const auto& component : parsed.components) place.file += "\\" + component;
  place.tokenItself = parsed.components.empty();
  return place;
}

std::vector<uint8_t> ReadObject(const std::string& path, size_t capacity) {
  const ObjectPlace place = LocateLoggedIn(path);
  kit::UniqueFile file(::CreateFileA(place.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      Fail(kFileNotFound, path + ": not found");
    Fail(kReadError, path + ": cannot be opened (system error " + std::to_string(error) + ")");
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) Fail(kReadError, path + ": its size cannot be read");
  if (static_cast<unsigned long long>(size.QuadPart) > capacity)
    Fail(kReadError, path + ": " + std::to_string(size.QuadPart) + " bytes, more than the " +
                         std::to_string(capacity) + " asked for");
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    Fail(kReadError, path + ": read failed");
  return bytes;
}

void WriteObject(const std::string& path, const void* data, size_t size) {
  WriteObjects({{path, data, size}});
}

void WriteObjects(const std::vector<ObjectWrite>& writes) {
  std::vector<std::string> files;
  for (const ObjectWrite& write : writes) files.push_back(FileToWrite(write.path));
  ReplaceFiles(files, writes);
}

void WriteFileWhole(const std::string& file, const void* data, size_t size) {
  ReplaceFiles({file}, {{file, data, size}});
}

bool ObjectExists(const std::string& path) { return IsFile(Locate(path).file); }

bool IsFolder(const std::string& path) { return kit::IsDirectory(Without(Locate(path).file)); }

bool Accessible(const std::string& path, int mode) {
  if (mode != CADB_ACCESS_EXISTS && mode != CADB_ACCESS_WRITE && mode != CADB_ACCESS_READ &&
      mode != CADB_ACCESS_READ_WRITE)
    Fail(kParameterError, "access mode " + std::to_string(mode) + " is not known");
  const DWORD attributes = Attributes(Without(Locate(path).file));
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
  return !(mode & CADB_ACCESS_WRITE) || folder || !(attributes & FILE_ATTRIBUTE_READONLY);
}

void EraseObject(const std::string& path) {
  const ObjectPlace place = LocateLoggedIn(path);
  if (!IsFile(place.file)) Fail(kFileNotFound, path + ": no such file");
  if (!::DeleteFileA(place.file.c_str()))
    Fail(kAccessError,
         path + ": cannot be erased (system error " + std::to_string(::GetLastError()) + ")");
}

void MakeFolder(const std::string& path) {
  const ObjectPlace place = LocateLoggedIn(path);
  const std::string folder = Without(place.file);
  if (kit::IsDirectory(folder)) Fail(kFileExists, path + ": exists");
  const bool made = place.slot ? kit::CreateDirectoryPath(folder)
                               : ::CreateDirectoryA(folder.c_str(), nullptr) != FALSE;
  if (!made) Fail(kWriteError, path + ": cannot be made");
}

void RemoveFolder(const std::string& path) {
  const ObjectPlace place = LocateLoggedIn(path);
  if (place.tokenItself) Fail(kAccessError, path + ": names the token itself");
  const std::string folder = Without(place.file);
  if (!kit::IsDirectory(folder)) Fail(kFileNotFound, path + ": no such folder");
  if (!::RemoveDirectoryA(folder.c_str()))
    Fail(kAccessError, path + ": cannot be removed (not empty?)");
}

void DeleteTree(const std::string& folder, bool removeFolder) {
  WIN32_FIND_DATAA found{};
  kit::UniqueFind find(::FindFirstFileA((folder + "\\*").c_str(), &found));
  if (find) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(child, true);
      } else {
        ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!::DeleteFileA(child.c_str())) Fail(kAccessError, child + ": cannot be deleted");
      }
    } while (::FindNextFileA(find.Get(), &found));
  }
  if (removeFolder && !::RemoveDirectoryA(folder.c_str()))
    Fail(kAccessError, folder + ": cannot be removed");
}

}  // namespace ccom
