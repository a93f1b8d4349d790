// Failures inside the server carry the COM result that its caller is finally given; no
// exception leaves a method or an entry point.
#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>

namespace axgate {

class EComError : public std::runtime_error {
 public:
  EComError(HRESULT code, const char* what) : std::runtime_error(what), code_(code) {}
  HRESULT Code() const noexcept { return code_; }

 private:
  HRESULT code_;
};

inline void ThrowIfFailed(HRESULT result, const char* what) {
  if (FAILED(result)) throw EComError(result, what);
}

// Registry and other Win32 calls report an error code rather than an HRESULT.
inline void ThrowIfError(LONG status, const char* what) {
  if (status != ERROR_SUCCESS) throw EComError(HRESULT_FROM_WIN32(status), what);
}

// Runs the body of an automation method: whatever it throws becomes the method's result.
template <class Body>
HRESULT GuardMethod(Body&& body) noexcept {
  try {
    return body();
  } catch (const EComError& e) {
    return e.Code();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace axgate
