// One GOST 28147-89 context of the GOSTE_ and CP_GOSTE_ entry points: a key, a parameter set
// and a mode, with the chaining state between calls. Data of these contexts are documents
// under a session key, so they run through the table classes (gost28147.h says why).
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>

#include "gost28147.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "secret.h"

namespace ccom {

class CipherContext {
 public:
  enum class Mode {
    None,
    SimpleSubstitution,   // ECB: whole 8-byte blocks
    Gamma,                // the standard's counter mode
    GammaFeedback,        // CFB
    GammaFeedbackMeshed,  // CFB with CryptoPro key meshing every 1024 bytes
    Mac,                  // the 4-byte imitation insert
    Cbc,                  // cipher block chaining: whole 8-byte blocks
  };

  // `iv` is 8 bytes; it may be null for SimpleSubstitution (unused) and Mac (zero).
  void Init(Mode mode, bool encrypt, const uint8_t key[32], const uint8_t* iv, gost::SBoxSet set);
  // The same key, start value and mode with another S-box set, from the start.
  void ChangeSet(gost::SBoxSet set);
  gost::SBoxSet Set() const;
  Mode CurrentMode() const noexcept { return mode_; }

  // Encrypts or decrypts as initialised; `in` and `out` may be the same buffer.
  void Process(const uint8_t* in, uint8_t* out, size_t size) { Crypt(encrypt_, in, out, size); }
  // The same in the direction given, for the calls that name it.
  void Crypt(bool encrypt, const uint8_t* in, uint8_t* out, size_t size);
  void MacUpdate(const uint8_t* data, size_t size);
  // Writes the MAC; the context starts a new message with the same key.
  void MacFinal(uint8_t mac[4]);
  // Forgets key and state: the context must be initialised again.
  void Clean() noexcept;

 private:
  void Require(bool ok) const;

  Mode mode_ = Mode::None;
  bool encrypt_ = true;
  gost::SBoxSet set_ = gost::SBoxSet::CryptoProA;
  SecretArray<32> key_;
  SecretArray<8> iv_;
  bool hasIv_ = false;
  SecretArray<8> chain_;  // the previous ciphertext block in CBC
  std::variant<std::monostate, gost::Gost28147, gost::Gost28147Gamma, gost::Gost28147Cfb,
               gost::Gost28147Mac>
      engine_;
};

}  // namespace ccom
