#include "err_state.h"

#include <windows.h>

#include <mutex>
#include <unordered_map>

namespace ccom {
namespace {

struct Failure {
  int code = 0;
  std::string text;
};

// Not thread_local: the library may be unloaded while its callers' threads live on.
std::mutex lock;
std::unordered_map<DWORD, Failure>& Failures() {
  static std::unordered_map<DWORD, Failure> failures;
  return failures;
}

}  // namespace

void SetLastFailure(int code, const std::string& text) {
  std::lock_guard guard(lock);
  Failures()[::GetCurrentThreadId()] = {code, text};
}

void SetLastCode(int code) { SetLastFailure(code, {}); }

int LastFailureCode() {
  std::lock_guard guard(lock);
  const auto found = Failures().find(::GetCurrentThreadId());
  return found != Failures().end() ? found->second.code : 0;
}

std::string LastFailureText() {
  std::lock_guard guard(lock);
  const auto found = Failures().find(::GetCurrentThreadId());
  return found != Failures().end() ? found->second.text : std::string();
}

void ForgetThreadFailure(uint32_t threadId) {
  std::lock_guard guard(lock);
  Failures().erase(threadId != 0 ? threadId : ::GetCurrentThreadId());
}

}  // namespace ccom
