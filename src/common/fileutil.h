// File and directory helpers for key files, public-key directories and provider libraries.
// Paths are Windows paths in the system code page. Every failure is a result: none of these
// functions shows a message, writes an error text or throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kit {

bool IsDirectory(const std::string& path);

// Reads the whole source into memory, then creates or truncates the destination and writes
// it. The destination is not touched when the source cannot be read.
bool CopyFileByMemory(const std::string& source, const std::string& destination);

// On entry `size` is the buffer's capacity; when the whole file fits it is read and `size`
// becomes the file's size. A file larger than the buffer is refused and `size` kept.
bool ReadFileToBuffer(const std::string& path, void* buffer, int32_t& size);

// Replaces the file with the buffer's contents. A write that fails leaves no partial file.
bool WriteBufferToFile(const std::string& path, const void* buffer, int32_t length);

// Numbered files: with the mask "key*.dat", the digits standing where "*" stands, up to the
// first "." of the name, are a file's number. Returns the largest number plus 1, 1 when no
// file carries one, and 0 when the mask has no "*" or the directory does not exist.
int32_t NextFileNumber(const std::string& directory, const std::string& mask);

// Appends directory + "\" + name of every file whose name ends with `ending` (compared
// without regard to ASCII case), searching subdirectories when asked.
void FindFilesByEnding(const std::string& directory, const std::string& ending,
                       std::vector<std::string>& files, bool recurse);

// Creates the directory and any missing parents; true when it exists at the end.
bool CreateDirectoryPath(const std::string& path);

}  // namespace kit
