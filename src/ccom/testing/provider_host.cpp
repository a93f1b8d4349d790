#include "provider_host.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "windriver.h"

namespace ccom_test {
namespace {

int hostCount = 0;

void Copy(const std::string& from, const std::string& to) {
  if (!::CopyFileA(from.c_str(), to.c_str(), FALSE))
    throw std::runtime_error("cannot copy " + from + " to " + to);
}

}  // namespace

PinScript& Pins() {
  static PinScript script;
  return script;
}

int CCM3X_CALL ScriptedPin(char* buffer, int size, int, const char* objectPath) {
  PinScript& script = Pins();
  const size_t call = script.asked.size();
  script.asked.push_back(objectPath != nullptr ? objectPath : "");
  if (script.answers.empty()) return 0;
  const std::string& pin = script.answers[std::min(call, script.answers.size() - 1)];
  const int length = std::min(static_cast<int>(pin.size()), size);
  std::memcpy(buffer, pin.data(), static_cast<size_t>(length));
  return length;
}

KeystrokeScript& Keystrokes() {
  static KeystrokeScript script;
  return script;
}

int CCM3X_CALL ScriptedKeystroke(int requested, int index, int, void*) {
  KeystrokeScript& script = Keystrokes();
  script.indexes.push_back(index);
  return index == script.abortAt ? script.abortAnswer : requested;
}

ProviderHost::ProviderHost(bool withCcomio) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  folder_ = std::string(temp) + "ccom-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++hostCount);
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(TokenRoot());
  const std::string built = wintest::HostPath(KIT_CCOM_DIR) + "\\";
  Copy(built + "ccom.dll", Path("ccom.dll"));
  if (withCcomio) Copy(built + "ccomio.dll", Path("ccomio.dll"));
  ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", TokenRoot().c_str());
  Pins() = {};
  Keystrokes() = {};

  ccom_ = ::LoadLibraryA(Path("ccom.dll").c_str());
  if (ccom_ == nullptr) throw std::runtime_error("ccom.dll does not load");
  if (withCcomio) {
    ccomio_ = ::LoadLibraryA(Path("ccomio.dll").c_str());
    if (ccomio_ == nullptr) throw std::runtime_error("ccomio.dll does not load");
  }
  const auto init = reinterpret_cast<int(CCM3X_CALL*)()>(
      reinterpret_cast<void (*)()>(::GetProcAddress(ccom_, "CADB_init")));
  if (init == nullptr || init() != 1) throw std::runtime_error("CADB_init failed");
  binding_ = ccm3x::BindEntryPoints(ccom_, ccomio_);
}

ProviderHost::~ProviderHost() {
  if (ccomio_ != nullptr) ::FreeLibrary(ccomio_);
  if (const auto close = reinterpret_cast<void(CCM3X_CALL*)()>(
          reinterpret_cast<void (*)()>(::GetProcAddress(ccom_, "CADB_close"))))
    close();
  ::FreeLibrary(ccom_);
  ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string ProviderHost::LastError() const {
  std::string text = std::to_string(binding_.api.ERR_get_last_error()) + ": ";
  if (char* detail = binding_.api.ERR_get_errors()) {
    text += detail;
    binding_.api.CCLIB_mem_free(detail);
  }
  return text;
}

wintest::ProgramResult ProviderHost::Token(const std::string& arguments) const {
  return wintest::RunProgram("\"" + wintest::HostPath(KIT_CCOM_DIR) +
                             "\\ccomtoken.exe\" --root \"" + TokenRoot() + "\" " + arguments);
}

int Container::Open(const std::string& place, bool generate) {
  if (api_.PSE_CTX_set_path(ctx_, place.c_str(), -1) != 1) return 0;
  if (api_.PSE_CTX_set_rand_callback(ctx_, &ScriptedKeystroke) != 1) return 0;
  return generate ? api_.PSE_CTX_generate(ctx_) : api_.PSE_CTX_read(ctx_);
}

int Container::CopyInto(Container& copy) const {
  unsigned char kek[36], masks[224], rand[36], mkey[262];
  int kekLength = sizeof kek, masksLength = sizeof masks, randLength = sizeof rand,
      mkeyLength = sizeof mkey;
  if (api_.PSE_CTX_get_kek(ctx_, kek, &kekLength) != 1 ||
      api_.PSE_CTX_get_masks(ctx_, masks, &masksLength) != 1 ||
      api_.PSE_CTX_get_rand(ctx_, rand, &randLength) != 1 ||
      api_.PSE_CTX_get_mkey(ctx_, mkey, &mkeyLength) != 1)
    return 0;
  if (api_.PSE_CTX_set_kek(copy.ctx_, kek, kekLength) != 1 ||
      api_.PSE_CTX_set_masks(copy.ctx_, masks, masksLength) != 1 ||
      api_.PSE_CTX_set_rand(copy.ctx_, rand, randLength) != 1 ||
      api_.PSE_CTX_set_mkey(copy.ctx_, mkey, mkeyLength) != 1)
    return 0;
  return api_.PSE_CTX_read(copy.ctx_);
}

}  // namespace ccom_test
