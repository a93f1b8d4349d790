#include "fileutil.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "libload.h"
#include "textutil.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the Windows temp directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    char base[MAX_PATH];
    ::GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + "kit-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(counter_++);
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

void Put(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(FileUtil, IsDirectory) {
  TempDir dir;
  Put(dir / "file", "x");
  EXPECT_TRUE(IsDirectory(dir.path()));
  EXPECT_TRUE(IsDirectory(dir.path() + "\\"));
  EXPECT_FALSE(IsDirectory(dir / "file"));
  EXPECT_FALSE(IsDirectory(dir / "missing"));
}

TEST(FileUtil, CopyFileByMemory) {
  TempDir dir;
  const std::string binary("\0\x01\xFF key \r\n\0", 10);
  Put(dir / "src", binary);
  Put(dir / "dst", "an older and much longer destination");
  EXPECT_TRUE(CopyFileByMemory(dir / "src", dir / "dst"));
  EXPECT_EQ(Get(dir / "dst"), binary);

  Put(dir / "empty", "");
  EXPECT_TRUE(CopyFileByMemory(dir / "empty", dir / "dst"));
  EXPECT_EQ(Get(dir / "dst"), "");

  Put(dir / "kept", "kept");
  EXPECT_FALSE(CopyFileByMemory(dir / "missing", dir / "kept"));
  EXPECT_EQ(Get(dir / "kept"), "kept") << "a failed read must not touch the destination";
  EXPECT_FALSE(CopyFileByMemory(dir / "src", dir / "no\\such\\folder\\dst"));
}

TEST(FileUtil, ReadFileToBuffer) {
  TempDir dir;
  Put(dir / "f", "0123456789");
  char buffer[16] = {};

  int32_t size = 9;
  EXPECT_FALSE(ReadFileToBuffer(dir / "f", buffer, size)) << "one byte too small";
  EXPECT_EQ(size, 9);
  EXPECT_EQ(buffer[0], 0) << "nothing is read into a buffer that is too small";

  size = 10;
  ASSERT_TRUE(ReadFileToBuffer(dir / "f", buffer, size));
  EXPECT_EQ(std::string(buffer, 10), "0123456789");

  size = sizeof buffer;
  ASSERT_TRUE(ReadFileToBuffer(dir / "f", buffer, size));
  EXPECT_EQ(size, 10) << "the size becomes the file's";

  size = sizeof buffer;
  EXPECT_FALSE(ReadFileToBuffer(dir / "missing", buffer, size));
  EXPECT_FALSE(ReadFileToBuffer(dir.path(), buffer, size)) << "a directory is no file";
}

TEST(FileUtil, WriteBufferToFile) {
  TempDir dir;
  Put(dir / "f", "a longer previous content");
  EXPECT_TRUE(WriteBufferToFile(dir / "f", "new", 3));
  EXPECT_EQ(Get(dir / "f"), "new");
  EXPECT_TRUE(WriteBufferToFile(dir / "empty", "", 0));
  EXPECT_TRUE(fs::exists(dir / "empty"));
  EXPECT_FALSE(WriteBufferToFile(dir / "missing\\f", "x", 1));
  EXPECT_FALSE(WriteBufferToFile(dir / "neg", "x", -1));
  EXPECT_FALSE(fs::exists(dir / "neg"));
}

TEST(FileUtil, NextFileNumber) {
  TempDir dir;
  EXPECT_EQ(NextFileNumber(dir.path(), "key*.dat"), 1) << "empty folder";
  Put(dir / "key3.dat", "");
  Put(dir / "key17.dat", "");
  Put(dir / "keyx.dat", "");   // not a number
  Put(dir / "key.dat", "");    // nothing at the "*"
  Put(dir / "other9.dat", "");  // does not match
  fs::create_directory(dir / "key50.dat");
  EXPECT_EQ(NextFileNumber(dir.path(), "key*.dat"), 18);
  EXPECT_EQ(NextFileNumber(dir.path() + "\\", "key*.dat"), 18);

  Put(dir / "KEY20.DAT", "");
  EXPECT_EQ(NextFileNumber(dir.path(), "key*.dat"), 21) << "the system's match ignores case";

  Put(dir / "key99", "");
  EXPECT_EQ(NextFileNumber(dir.path(), "key*"), 21) << "a name without a dot has no number";

  EXPECT_EQ(NextFileNumber(dir.path(), "key1.dat"), 0) << "a mask without a star";
  EXPECT_EQ(NextFileNumber(dir / "missing", "key*.dat"), 0);
}

TEST(FileUtil, FindFilesByEnding) {
  TempDir dir;
  Put(dir / "a.pse", "");
  Put(dir / "b.PSE", "");
  Put(dir / "cpse", "");  // no dot is needed before the ending
  Put(dir / "d.pub", "");
  fs::create_directory(dir / "sub");
  Put(dir / "sub\\e.pse", "");

  std::vector<std::string> files;
  FindFilesByEnding(dir.path(), "pse", files, false);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{dir / "a.pse", dir / "b.PSE", dir / "cpse"}));

  files.clear();
  FindFilesByEnding(dir.path(), "PSE", files, true);
  EXPECT_EQ(files.size(), 4u);
  EXPECT_NE(std::find(files.begin(), files.end(), dir / "sub\\e.pse"), files.end());

  files = {"kept"};
  FindFilesByEnding(dir / "missing", "pse", files, true);
  EXPECT_EQ(files, std::vector<std::string>{"kept"});
}

TEST(FileUtil, CreateDirectoryPath) {
  TempDir dir;
  EXPECT_TRUE(CreateDirectoryPath(dir / "a\\b\\c"));
  EXPECT_TRUE(IsDirectory(dir / "a\\b\\c"));
  EXPECT_TRUE(CreateDirectoryPath(dir / "a\\b\\c\\"));
  EXPECT_TRUE(CreateDirectoryPath(dir / "x\\y\\"));
  EXPECT_TRUE(IsDirectory(dir / "x\\y"));

  Put(dir / "file", "");
  EXPECT_FALSE(CreateDirectoryPath(dir / "file\\sub")) << "a file stands in the way";
  EXPECT_FALSE(CreateDirectoryPath(""));
  EXPECT_FALSE(CreateDirectoryPath("relative")) << "no parent to create it in";
  EXPECT_TRUE(CreateDirectoryPath("C:"));
  EXPECT_TRUE(CreateDirectoryPath("C:\\"));
}

TEST(LibLoad, LoadsFromTheProgramsFolderOrAsWritten) {
  // The probe library is built next to this test program.
  UniqueModule local = LoadLibrarySearched("libload_probe.dll");
  ASSERT_TRUE(local);
  EXPECT_EQ(ModuleDirectory(local.Get()), ModuleDirectory(nullptr));
  const auto answer = ProcAddress<int(__stdcall*)()>(local.Get(), "ProbeAnswer");
  ASSERT_NE(answer, nullptr) << "the export carries its undecorated name";
  EXPECT_EQ(answer(), 42);

  TempDir dir;
  const std::string copy = dir / "probe_copy.dll";
  ASSERT_TRUE(CopyFileByMemory(ModuleDirectory(nullptr) + "libload_probe.dll", copy));
  {
    UniqueModule written = LoadLibrarySearched(copy);
    ASSERT_TRUE(written);
    EXPECT_EQ(ModuleDirectory(written.Get()), AddPathSeparator(dir.path()));
  }

  EXPECT_TRUE(LoadLibrarySearched("kernel32.dll")) << "system search order";
  EXPECT_FALSE(LoadLibrarySearched("no_such_library_anywhere.dll"));
  EXPECT_FALSE(LoadLibrarySearched(""));
}

}  // namespace
}  // namespace kit
