// Files on disks and tokens (CADB_), the token PIN callback and logout, and the error state
// (ERR_, CCLIB_mem_).
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ccm3x_h.h"
#include "err_state.h"
#include "export_guard.h"
#include "object_store.h"
#include "provider_objects.h"
#include "random_generator.h"
#include "token_path.h"

using namespace ccom;

namespace {

// The slots a logout or identifier path names: "ETOKEN0:\", "ETOKEN0", or "ETOKEN:\" for every
// slot of the device.
TokenPath SlotPath(const char* text) {
  const std::string path = Required(text, "slot path");
  if (IsTokenPath(path)) return ParseTokenPath(path);
  if (const auto slot = ParseSlotName(path)) return TokenPath{slot->first, slot->second, {}};
  Fail(kParameterError, "\"" + path + "\" names no token slot");
}

bool OnEtoken(const std::string& path) {
  return IsTokenPath(path) && ParseTokenPath(path).device == "ETOKEN";
}

}  // namespace

extern "C" {

int CCM3X_CALL CADB_write_file(const char* path, const void* data, int length) {
  return Guarded("CADB_write_file", -1, [&] {
    RequireLength(length, 0, INT_MAX, "the length");
    if (length > 0) Required(data, "data");
    WriteObject(Required(path, "path"), data, static_cast<size_t>(length));
    return length;
  });
}

int CCM3X_CALL CADB_read_file(const char* path, void* buffer, int capacity) {
  return Guarded("CADB_read_file", -1, [&] {
    RequireLength(capacity, 1, INT_MAX, "the capacity");
    Required(buffer, "buffer");
    auto bytes = ReadObject(Required(path, "path"), static_cast<size_t>(capacity));
    if (bytes.empty()) Fail(kReadError, std::string(path) + ": the object is empty");
    std::memcpy(buffer, bytes.data(), bytes.size());
    gost::SecureWipe(bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
  });
}

int CCM3X_CALL CADB_file_exists(const char* path) {
  return Guarded("CADB_file_exists", 0,
                 [&] { return ObjectExists(Required(path, "path")) ? 1 : 0; });
}

int CCM3X_CALL CADB_is_dir(const char* path) {
  return Guarded("CADB_is_dir", 0, [&] { return IsFolder(Required(path, "path")) ? 1 : 0; });
}

int CCM3X_CALL CADB_access(const char* path, int mode) {
  return Guarded("CADB_access", 0, [&] {
    const std::string where = Required(path, "path");
    if (OnEtoken(where) && TakeInjectedFault(kFaultAccessMisses))
      Fail(kAccessError, where + ": the token did not answer (injected fault)");
    return Accessible(where, mode) ? 1 : 0;
  });
}

int CCM3X_CALL CADB_erase_file(const char* path) {
  return Guarded("CADB_erase_file", 0, [&] {
    EraseObject(Required(path, "path"));
    return 1;
  });
}

int CCM3X_CALL CADB_mkdir(const char* path) {
  return Guarded("CADB_mkdir", 0, [&] {
    MakeFolder(Required(path, "path"));
    return 1;
  });
}

int CCM3X_CALL CADB_rmdir(const char* path) {
  return Guarded("CADB_rmdir", 0, [&] {
    RemoveFolder(Required(path, "path"));
    return 1;
  });
}

int CCM3X_CALL ETOKEN_set_passwd_callback(CADB_TOKEN_PASSWD_CALLBACK callback) {
  TokenStore::Process().SetPinCallback(callback);
  return 1;
}

int CCM3X_CALL CADB_token_logout(const char* slotPath) {
  return Guarded("CADB_token_logout", 0, [&] {
    const TokenPath path = SlotPath(slotPath);
    if (path.slot)
      TokenStore::Process().Logout(TokenSlot{path.device, *path.slot});
    else
      TokenStore::Process().LogoutDevice(path.device);
    return 1;
  });
}

int CCM3X_CALL CADB_token_get_id(const char* slotPath, char* id, int* length) {
  return Guarded("CADB_token_get_id", 0, [&] {
    const TokenPath path = SlotPath(slotPath);
    const auto slot = TokenStore::SlotOf(path);
    if (!slot) Fail(kFileNotFound, std::string(slotPath) + ": no token there");
    const std::string serial = TokenStore::ReadConfig(*slot).serial;
    Required(length, "length");
    if (*length <= static_cast<int>(serial.size()))
      Fail(kParameterError, "the identifier needs " + std::to_string(serial.size() + 1) + " bytes");
    std::memcpy(Required(id, "buffer"), serial.c_str(), serial.size() + 1);
    *length = static_cast<int>(serial.size());
    return 1;
  });
}

void CCM3X_CALL ERR_set_last_error(int code) { SetLastCode(code); }

int CCM3X_CALL ERR_get_last_error(void) { return LastFailureCode(); }

int CCM3X_CALL ERR_print_errors_file(const char* path) {
  return Guarded("ERR_print_errors_file", 0, [&] {
    const std::string text = LastFailureText();
    WriteFileWhole(Required(path, "path"), text.data(), text.size());
    return 1;
  });
}

int CCM3X_CALL ERR_print_errors_fp(void* stream) {
  return Guarded("ERR_print_errors_fp", 0, [&] {
    const std::string text = LastFailureText() + "\n";
    if (std::fputs(text.c_str(), static_cast<FILE*>(Required(stream, "stream"))) < 0)
      Fail(kIoError, "the stream refused the text");
    return 1;
  });
}

char* CCM3X_CALL ERR_get_errors(void) {
  const std::string text = LastFailureText();
  if (text.empty()) return nullptr;
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

void CCM3X_CALL ERR_remove_state(unsigned int threadId) { ForgetThreadFailure(threadId); }

void CCM3X_CALL CCLIB_mem_free(void* block) { std::free(block); }

void CCM3X_CALL CCLIB_mem_clear_free(void* block, int length) {
  if (block != nullptr && length > 0) gost::SecureWipe(block, static_cast<size_t>(length));
  std::free(block);
}

// Loading and unloading: a provider that is closed forgets its token logins and its
// generator state.
int CCM3X_CALL CADB_init(void) { return 1; }

void CCM3X_CALL CADB_close(void) {
  TokenStore::Process().LogoutAll();
  ProcessRandom().Close();
}

int CCM3X_CALL CCOM_init(void) { return 1; }

void CCM3X_CALL CCOM_close(void) { CADB_close(); }

}  // extern "C"
