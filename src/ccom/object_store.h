// The files behind the CADB_ calls: a disk path is used as written; a token path is mapped
// onto its slot folder, and every call that reads or changes a token's objects first logs in
// (token_store.h). Existence and access checks never ask for a PIN, so scanning slots is
// silent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "token_store.h"

namespace ccom {

// Where a path lives.
struct ObjectPlace {
  std::string path;               // as the caller wrote it
  std::string file;               // the file or folder on disk
  std::optional<TokenSlot> slot;  // set for a token path
  bool tokenItself = false;       // the path names the token, not one of its objects
};

// Throws for a malformed token path and kFileNotFound when no slot holds the token named.
ObjectPlace Locate(const std::string& path);

// The object's bytes; throws kFileNotFound, or kReadError when it is larger than `capacity`.
std::vector<uint8_t> ReadObject(const std::string& path, size_t capacity);
// Creates or replaces the object; on a token, missing folders on its path are created.
void WriteObject(const std::string& path, const void* data, size_t size);
struct ObjectWrite {
  std::string path;
  const void* data;
  size_t size;
};
// Several objects replaced together: all are written in full before any replaces its old
// contents, so a failed write changes none of them.
void WriteObjects(const std::vector<ObjectWrite>& writes);
bool ObjectExists(const std::string& path);  // a file, not a folder
bool IsFolder(const std::string& path);
// CADB_ACCESS_ modes: the object exists, and for writing it is not read-only.
bool Accessible(const std::string& path, int mode);
void EraseObject(const std::string& path);
void MakeFolder(const std::string& path);
void RemoveFolder(const std::string& path);

// Writes a file whole or not at all: into "<file>.new" first, which then replaces the file, so
// a failed write leaves the old contents in place.
void WriteFileWhole(const std::string& file, const void* data, size_t size);

// Deletes a folder's whole content, and the folder itself when asked.
void DeleteTree(const std::string& folder, bool removeFolder);

}  // namespace ccom
