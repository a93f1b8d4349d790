// The live objects of the provider, by the handles its callers hold.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ccm3x_h.h"
#include "cipher_context.h"
#include "gostr3411_94.h"
#include "handle_registry.h"
#include "pse_context.h"
#include "secret.h"

namespace ccom {

// ECGOST_SIGN: a signature being made or checked.
struct SignObject {
  enum class State { Empty, Signing, Verifying };
  std::mutex lock;
  State state = State::Empty;
  std::optional<gost::GostR3411_94> hash;
  SecretArray<32> privateKey;
  uint8_t publicKey[65] = {};
  void Clean() noexcept {
    state = State::Empty;
    hash.reset();
    gost::SecureWipe(privateKey->data(), 32);
  }
};

// ECGOST_DH: one side of a key agreement.
struct AgreementObject {
  std::mutex lock;
  SecretArray<32> privateKey;
  bool hasKey = false;
};

struct CipherObject {
  std::mutex lock;
  CipherContext context;
};

struct HashObject {
  std::mutex lock;
  std::optional<gost::HashParams> params;
  std::optional<gost::GostR3411_94> hash;
};

// OPAQUE_PRIV_KEY: a 36-byte secret key taken apart.
struct OpaqueKey {
  SecretArray<36> bytes;
};

HandleRegistry<PseContext>& Contexts();
// PSE handles: the open containers of contexts.
HandleRegistry<OpenContainer>& Containers();
HandleRegistry<SignObject>& Signers();
HandleRegistry<AgreementObject>& Agreements();
HandleRegistry<CipherObject>& Ciphers();
HandleRegistry<HashObject>& Hashes();
HandleRegistry<OpaqueKey>& OpaqueKeys();

// The private scalar of a secret key made by the container behind `pse`.
void UnwrapWithContainer(PSE* pse, const unsigned char* secretKey, uint8_t privateKey[32]);

// Records kNotSupported for the calling thread; returns 0, the failure of most entry points.
int Unsupported(const char* function, const std::string& why);

}  // namespace ccom
