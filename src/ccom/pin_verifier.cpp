#include "pin_verifier.h"

#include <cstring>

#include "gostr3411_94.h"
#include "provider_error.h"
#include "secret.h"

namespace ccom {
namespace {

constexpr size_t kBlock = 32;

void Check(bool ok) {
  if (!ok) Fail(kInternalError, "GOST R 34.11-94 refused the PIN digest");
}

// HMAC with the key already brought to one block.
class Hmac {
 public:
  Hmac(const uint8_t* key, size_t size) {
    if (size > kBlock) {
      Check(gost::HashSecret(gost::HashParams::CryptoPro, key, size, key_->data()));
    } else {
      std::memcpy(key_->data(), key, size);
    }
  }

  void Mac(const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize, uint8_t out[32]) const {
    SecretArray<kBlock> pad;
    SecretArray<32> inner;
    for (size_t i = 0; i < kBlock; ++i) (*pad)[i] = static_cast<uint8_t>((*key_)[i] ^ 0x36);
    gost::GostR3411_94Secret hash(gost::HashParams::CryptoPro);
    Check(hash.Update(pad->data(), kBlock) && hash.Update(a, aSize) && hash.Update(b, bSize) &&
          hash.Final(inner->data()));
    for (size_t i = 0; i < kBlock; ++i) (*pad)[i] = static_cast<uint8_t>((*key_)[i] ^ 0x5c);
    Check(hash.Update(pad->data(), kBlock) && hash.Update(inner->data(), 32) && hash.Final(out));
  }

 private:
  SecretArray<kBlock> key_;
};

}  // namespace

void Pbkdf2GostR3411(const uint8_t* password, size_t passwordSize, const uint8_t* salt,
                     size_t saltSize, uint32_t iterations, uint8_t* out, size_t outSize) {
  if (iterations == 0) Fail(kParameterError, "PBKDF2 needs at least one iteration");
  const Hmac prf(password, passwordSize);
  for (uint32_t blockIndex = 1; outSize > 0; ++blockIndex) {
    const uint8_t index[4] = {
        static_cast<uint8_t>(blockIndex >> 24), static_cast<uint8_t>(blockIndex >> 16),
        static_cast<uint8_t>(blockIndex >> 8), static_cast<uint8_t>(blockIndex)};
    SecretArray<32> u, t;
    prf.Mac(salt, saltSize, index, sizeof index, u->data());
    *t = *u;
    for (uint32_t i = 1; i < iterations; ++i) {
      prf.Mac(u->data(), 32, nullptr, 0, u->data());
      for (size_t k = 0; k < 32; ++k) (*t)[k] ^= (*u)[k];
    }
    const size_t take = outSize < 32 ? outSize : 32;
    std::memcpy(out, t->data(), take);
    out += take;
    outSize -= take;
  }
}

PinVerifier MakePinVerifier(const uint8_t* pin, size_t pinSize,
                            const std::array<uint8_t, kPinSaltSize>& salt, uint32_t iterations) {
  PinVerifier verifier;
  verifier.salt = salt;
  verifier.iterations = iterations;
  Pbkdf2GostR3411(pin, pinSize, salt.data(), salt.size(), iterations, verifier.digest.data(),
                  verifier.digest.size());
  return verifier;
}

bool PinMatches(const PinVerifier& verifier, const uint8_t* pin, size_t pinSize) {
  SecretArray<32> digest;
  Pbkdf2GostR3411(pin, pinSize, verifier.salt.data(), verifier.salt.size(), verifier.iterations,
                  digest->data(), digest->size());
  return SecretEqual(digest->data(), verifier.digest.data(), 32);
}

}  // namespace ccom
