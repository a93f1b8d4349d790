// The binding between the engine and the crypto provider. TCrypto_DLL is what any provider
// binding has (library loaded, every entry point present); TCCom3x_DLL binds ccom.dll and
// ccomio.dll. There is one TCCom3x_DLL per distinct set of user parameters, shared by every
// engine whose parameters give the same key (see ProviderCache) and kept until sigcore
// unloads. Its methods are the only callers of the provider.
#pragma once

#include <array>
#include <cstdint>

#include "ccm3x_entry_points.h"
#include "secure_wipe.h"
#include "sigcore_api.h"
#include "user_params.h"

namespace sigcore {

class TCrypto_DLL {
 public:
  TCrypto_DLL() = default;
  virtual ~TCrypto_DLL() = default;
  TCrypto_DLL(const TCrypto_DLL&) = delete;
  TCrypto_DLL& operator=(const TCrypto_DLL&) = delete;

  bool LibraryLoaded() const noexcept { return libraryLoaded_; }
  bool AllEntryPointsPresent() const noexcept { return allEntryPointsPresent_; }

  // Overwrites every secret the binding holds without calling the provider: what is left to
  // do when the process ends and the binding is not destroyed.
  virtual void WipeSecrets() noexcept = 0;

 protected:
  bool libraryLoaded_ = false;
  bool allEntryPointsPresent_ = false;
};

class TCCom3x_DLL final : public TCrypto_DLL {
 public:
  // Binds the entry points of the process's provider libraries, loading them on first use.
  TCCom3x_DLL();

  const ccm3x::EntryPoints& Api() const noexcept { return api_; }

  // The engine's callbacks, handed over right after the binding is created (either may be
  // null). A function fills the process's slot of its kind if it is still empty, and then the
  // provider is given the kit's token PIN callback.
  void SetPasswordFunc(PasswordRequestFunc function);
  void SetKeyDirPasswordFunc(KeyDirPasswordRequestFunc function);

  // The provider's calling convention: a call succeeded when it answered `expected` (1, or the
  // byte count it was asked to move). Otherwise the result is the provider's code for the
  // failure, and its detailed text replaces the content of the user's detail error file.
  int32_t Check(int result, int expected, const TCCom3x_UserParam& params) const;
  // The provider's code for the call that just failed on this thread (a _new that returned
  // null, or a result other than the one promised), with the detail error file written.
  int32_t ProviderFailure(const TCCom3x_UserParam& params) const;

  void WipeSecrets() noexcept override;

 private:
  ccm3x::EntryPoints api_;
  // The user's own 36-byte secret key while the key session is open; zero otherwise.
  gost::Wiped<std::array<uint8_t, CCM3X_SECRET_KEY_SIZE>> ownSecretKey_;
};

}  // namespace sigcore
