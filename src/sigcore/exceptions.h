// The kit's exceptions and the guard that stops every exception at the engine's boundary.
//
// Exceptions are raised and caught inside sigcore; what leaves it is a result code. A caught
// exception becomes -2, and its class and message are kept in the engine's last-exception
// text, which GetCryptoErrorString(-2) appends to the code's own text.
#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "rwsyncs.h"
#include "sigcore_api.h"

namespace sigcore {

// The root of the kit's exceptions; each class names itself for the stored text.
class EKitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  virtual const char* ClassName() const noexcept { return "EKitError"; }
};

// The crypto provider broke its contract: a size or handle it promised did not come.
class EProviderError : public EKitError {
 public:
  using EKitError::EKitError;
  const char* ClassName() const noexcept override { return "EProviderError"; }
};

// "TCryptoCom3xEngine." + where + ": " + class name + ": " + message, for the exception being
// handled. The lock's usage errors are "EAssertionFailed", an allocation failure is
// "EOutOfMemory", and any other exception "Exception".
std::string DescribeCurrentException(std::string_view where);

// Stores the description of the exception being handled; never throws.
void StoreCurrentException(kit::TSyncExceptStr& lastException, std::string_view where) noexcept;

// Runs `body` and returns its result; any exception gives -2 and is stored under `where`.
template <class Body>
int32_t Guarded(kit::TSyncExceptStr& lastException, std::string_view where, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    StoreCurrentException(lastException, where);
    return SIGCORE_EXCEPTION;
  }
}

}  // namespace sigcore
