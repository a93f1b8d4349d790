// Failures inside the provider are exceptions carrying the provider's result code and a text for
// the detail log; every exported function turns them into its failure result and the calling
// thread's last error (err_state.h).
#pragma once

#include <stdexcept>
#include <string>

namespace ccom {

// The provider's result codes (1 to 90), in the meanings the kit's result texts give them.
enum Code : int {
  kParameterError = 1,
  kIoError = 2,
  kRandNotInitialised = 4,
  kContainerUnreadable = 5,
  kRandInitFailed = 6,
  kSignatureNotConfirmed = 7,
  kPrivateKeyUnreadable = 8,
  kUnknownMode = 10,
  kNoMemory = 11,
  kInternalError = 12,
  kUnknownParameters = 13,
  kKeyGenerationFailed = 14,
  kSigningFailed = 16,
  kPublicKeyUnreadable = 17,
  kKeysDoNotMatch = 19,
  kAborted = 22,
  kReadError = 23,
  kWriteError = 24,
  kFileNotFound = 25,
  kFileExists = 26,
  kAccessError = 28,
  kNotSupported = 30,
  kAuthenticationFailed = 85,
  kAuthenticationRequired = 86,
};

class ProviderError : public std::runtime_error {
 public:
  ProviderError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int code() const noexcept { return code_; }

 private:
  int code_;
};

[[noreturn]] inline void Fail(int code, const std::string& text) {
  throw ProviderError(code, text);
}

}  // namespace ccom
