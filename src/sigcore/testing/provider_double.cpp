// A stand-in for the crypto provider in the engine's tests, built as several ccom.dll and
// ccomio.dll variants that differ only in what their .def files export. It records what the
// kit does with it in the log file named by CCOM_DOUBLE_LOG, one line per event, prefixed by
// the library's file name; CCOM_DOUBLE_FAIL=<code> makes GOSTH_check fail with that code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ccm3x_h.h"

namespace {

HMODULE self = nullptr;
int lastError = 0;
std::string lastErrorText;
CADB_TOKEN_PASSWD_CALLBACK tokenPasswd = nullptr;

std::string Environment(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string LibraryName() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(self, path, sizeof path);
  const char* name = std::strrchr(path, '\\');
  return name != nullptr ? name + 1 : path;
}

void Log(const std::string& event) {
  const std::string path = Environment("CCOM_DOUBLE_LOG");
  if (path.empty()) return;
  if (FILE* file = std::fopen(path.c_str(), "ab")) {
    std::fprintf(file, "%s %s\n", LibraryName().c_str(), event.c_str());
    std::fclose(file);
  }
}

void Fail(int code, const std::string& text) {
  lastError = code;
  lastErrorText = text;
}

int SetTokenPasswd(const char* setter, CADB_TOKEN_PASSWD_CALLBACK callback) {
  Log(setter);
  tokenPasswd = callback;
  return 1;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  if (reason == DLL_PROCESS_DETACH) Log(reserved != nullptr ? "detach at exit" : "detach");
  return TRUE;
}

int CCM3X_CALL CADB_init(void) {
  Log("CADB_init");
  return 1;
}

void CCM3X_CALL CADB_close(void) { Log("CADB_close"); }

int CCM3X_CALL GOSTH_check(void) {
  const int code = std::atoi(Environment("CCOM_DOUBLE_FAIL").c_str());
  if (code == 0) return 1;
  Fail(code, "GOSTH_check: the known answer of " + LibraryName() + " did not match");
  return 0;
}

int CCM3X_CALL ERR_get_last_error(void) { return lastError; }

void CCM3X_CALL ERR_set_last_error(int code) { lastError = code; }

char* CCM3X_CALL ERR_get_errors(void) {
  Log("ERR_get_errors");
  if (lastErrorText.empty()) return nullptr;
  char* text = static_cast<char*>(std::malloc(lastErrorText.size() + 1));
  if (text != nullptr) std::memcpy(text, lastErrorText.c_str(), lastErrorText.size() + 1);
  return text;
}

void CCM3X_CALL CCLIB_mem_free(void* block) {
  Log("CCLIB_mem_free");
  std::free(block);
}

const char* CCM3X_CALL CCLIB_get_copyright(void) { return "Provider double for the kit's tests"; }

int CCM3X_CALL ETOKEN_set_passwd_callback(CADB_TOKEN_PASSWD_CALLBACK callback) {
  return SetTokenPasswd("ETOKEN_set_passwd_callback", callback);
}

int CCM3X_CALL CADB_set_token_passwd_callback(CADB_TOKEN_PASSWD_CALLBACK callback) {
  return SetTokenPasswd("CADB_set_token_passwd_callback", callback);
}

// What the provider does when a token object needs a PIN: asks the registered callback.
int CCM3X_CALL DoubleRequestPin(const char* objectPath, char* pin, int size) {
  if (tokenPasswd == nullptr) return -1;
  return tokenPasswd(pin, size, 0, objectPath);
}

// Every other name: the kit's tests never call it, and a call is logged as a fault.
int DoubleUnused(void) {
  Log("unexpected call");
  Fail(30, "not provided by the double");
  return 0;
}

}  // extern "C"
