// sigtool: the kit's host program for people and for end-to-end tests.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fileversion.h"
#include "libload.h"
#include "mimecode.h"
#include "rwsyncs.h"

namespace {

bool ReadAll(const char* path, std::string& contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  contents.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

bool WriteAll(const char* path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

int Fail(const char* text, const char* detail = "") {
  std::fprintf(stderr, "sigtool: %s%s\n", text, detail);
  return 1;
}

int Base64EncodeFile(const char* input, const char* output) {
  std::string data;
  if (!ReadAll(input, data)) return Fail("не удалось прочитать файл ", input);
  char* text = nullptr;
  int32_t length = 0;
  kit::Base64Encode(data.data(), static_cast<int32_t>(data.size()), &text, &length);
  kit::Base64Block<char> owned(text);
  if (text == nullptr) return Fail("нечего кодировать: файл пуст или слишком велик");
  if (!WriteAll(output, text, static_cast<size_t>(length))) return Fail("не удалось записать ", output);
  std::printf("%s: %zu байт -> %s: %d символов Base64\n", input, data.size(), output, length);
  return 0;
}

int Base64DecodeFile(const char* input, const char* output) {
  std::string text;
  if (!ReadAll(input, text)) return Fail("не удалось прочитать файл ", input);
  uint8_t* data = nullptr;
  int32_t length = 0;
  kit::Base64Decode(text.data(), static_cast<int32_t>(text.size()), &data, &length);
  kit::Base64Block<uint8_t> owned(data);
  if (data == nullptr) return Fail("текст не является Base64 (длина должна быть кратна 4)");
  if (!WriteAll(output, data, static_cast<size_t>(length))) return Fail("не удалось записать ", output);
  std::printf("%s: %zu символов Base64 -> %s: %d байт\n", input, text.size(), output, length);
  return 0;
}

// Shows what a caller gets when it releases a read lock it never took.
int LockMisuse() {
  kit::TRWCriticalSection lock;
  try {
    lock.EndRead();
  } catch (const kit::EAssertionFailed& e) {
    std::printf("EndRead без BeginRead: %s\n", e.what());
    return 0;
  }
  return Fail("ошибка не обнаружена");
}

int Version() {
  const std::string self = kit::ModuleDirectory(nullptr) + "sigtool.exe";
  const auto version = kit::ReadFileVersion(self);
  if (!version) return Fail("нет ресурса версии");
  std::printf("sigtool %s (%s)\n", version->ToString().c_str(),
              kit::ReadVersionString(self, "ProductName").value_or("").c_str());
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: sigtool version\n"
               "       sigtool base64-encode INPUT OUTPUT\n"
               "       sigtool base64-decode INPUT OUTPUT\n"
               "       sigtool lock-misuse\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "version") return Version();
  if (args.size() == 1 && args[0] == "lock-misuse") return LockMisuse();
  if (args.size() == 3 && args[0] == "base64-encode") return Base64EncodeFile(argv[2], argv[3]);
  if (args.size() == 3 && args[0] == "base64-decode") return Base64DecodeFile(argv[2], argv[3]);
  return Usage();
}
