// The boundary of every exported function: exceptions become the function's failure result and
// the calling thread's last failure, prefixed with the function's name. Nothing is thrown to
// the caller.
#pragma once

#include <new>
#include <string>

#include "err_state.h"
#include "provider_error.h"

namespace ccom {

inline void RecordFailure(const char* function) noexcept {
  try {
    throw;
  } catch (const ProviderError& e) {
    SetLastFailure(e.code(), std::string(function) + ": " + e.what());
  } catch (const std::bad_alloc&) {
    SetLastFailure(kNoMemory, std::string(function) + ": out of memory");
  } catch (const std::exception& e) {
    SetLastFailure(kInternalError, std::string(function) + ": " + e.what());
  } catch (...) {
    SetLastFailure(kInternalError, std::string(function) + ": an unexpected failure");
  }
}

// `body` returns the success result; a failure gives `failure`.
template <class Result, class Body>
Result Guarded(const char* function, Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    RecordFailure(function);
    return failure;
  }
}

template <class Body>
void GuardedVoid(const char* function, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    RecordFailure(function);
  }
}

// Records a failure found before any work starts; returns 0, the failure of most calls.
inline int Refused(const char* function, int code, const std::string& text) {
  SetLastFailure(code, std::string(function) + ": " + text);
  return 0;
}

// The pointer checks every entry point makes before it touches caller memory.
template <class T>
T* Required(T* pointer, const char* what) {
  if (pointer == nullptr) Fail(kParameterError, std::string("no ") + what + " given");
  return pointer;
}

// A length from the caller: between `low` and `high` inclusive.
inline int RequireLength(int length, int low, int high, const char* what) {
  if (length < low || length > high)
    Fail(kParameterError, std::string(what) + " " + std::to_string(length) + " is out of range");
  return length;
}

}  // namespace ccom
