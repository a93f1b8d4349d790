// A stand-in for orvavk.dll in sigcore's tests, exporting the five functions sigcore calls
// (or, through its .def file, fewer). It logs every call, one line each, into the file named by
// ORVAVK_DOUBLE_LOG, texts as UTF-8; Show answers as the user would: ORVAVK_DOUBLE_ANSWER is the
// value entered, or "<cancel>" for a cancel.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

#include "orvavk_api.h"

namespace {

std::string Environment(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string Utf8(const wchar_t* text) {
  if (text == nullptr) return "-";
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length > 0 ? length - 1 : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring Answer() {
  const std::string answer = Environment("ORVAVK_DOUBLE_ANSWER");
  return std::wstring(answer.begin(), answer.end());
}

void Log(const std::string& line) {
  const std::string path = Environment("ORVAVK_DOUBLE_LOG");
  if (path.empty()) return;
  if (FILE* file = std::fopen(path.c_str(), "ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

int forms = 0;

}  // namespace

extern "C" {

OrvaVKForm ORVAVK_CALL NewForm() {
  Log("NewForm");
  return 0x1000 + ++forms;
}

int32_t ORVAVK_CALL SetParamData(OrvaVKForm, int32_t id, int32_t intValue, const wchar_t* name,
                               const wchar_t* value) {
  Log("SetParamData " + std::to_string(id) + " " + std::to_string(intValue) + " " + Utf8(name) +
      " " + Utf8(value));
  return 0;
}

int32_t ORVAVK_CALL Show(OrvaVKForm) {
  Log("Show");
  return Answer() == L"<cancel>" ? 1 : 0;
}

int32_t ORVAVK_CALL GetInputValue(OrvaVKForm, const char* name, wchar_t* buffer, int32_t* length) {
  Log(std::string("GetInputValue ") + name + (buffer == nullptr ? " null" : " buffer"));
  const std::wstring value = Answer();
  *length = static_cast<int32_t>(value.size());
  if (buffer != nullptr && !value.empty()) std::wmemcpy(buffer, value.c_str(), value.size() + 1);
  return 0;
}

void ORVAVK_CALL Close(OrvaVKForm) { Log("Close"); }

}  // extern "C"
