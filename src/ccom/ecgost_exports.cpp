// GOST R 34.10-2001 on the CryptoPro-A curve: key pairs in containers, signatures and key
// agreement. Private scalars exist unwrapped only inside these calls (and in a signature or
// agreement object until it is finished or freed), in memory that is wiped.
#include <climits>
#include <cstring>

#include "ccm3x_h.h"
#include "export_guard.h"
#include "gostr3410_2001.h"
#include "params.h"
#include "provider_objects.h"
#include "random_generator.h"

using namespace ccom;

namespace {

void RequireCapacity(const int* length, int needed, const char* what) {
  Required(length, what);
  if (*length < needed)
    Fail(kParameterError, std::string(what) + " holds " + std::to_string(*length) + " bytes, " +
                              std::to_string(needed) + " are needed");
}

void RequirePoint(const unsigned char* point, const char* what) {
  Required(point, what);
  if (!gost::IsValidPublicKey(kCurve, point))
    Fail(kPublicKeyUnreadable, std::string(what) + " is not a point of the curve");
}

void SignDigest(const uint8_t privateKey[32], const uint8_t digest[32], unsigned char* signature) {
  SecretArray<32> random;
  ProcessRandom().Generate(random->data(), random->size());
  if (!gost::Sign(kCurve, privateKey, digest, random->data(), random->size(), signature))
    Fail(kSigningFailed, "the private key is out of range");
}

void VerifyDigest(const uint8_t publicKey[65], const uint8_t digest[32],
                  const unsigned char* signature, int signatureLength) {
  Required(signature, "signature");
  if (signatureLength != 64)
    Fail(kSignatureNotConfirmed, "a signature is 64 bytes, not " + std::to_string(signatureLength));
  if (!gost::Verify(kCurve, publicKey, digest, signature))
    Fail(kSignatureNotConfirmed, "the signature does not match the data and the public key");
}

std::shared_ptr<SignObject> Signer(ECGOST_SIGN* sig, SignObject::State state) {
  auto object = Signers().Find(sig);
  if (state != SignObject::State::Empty && object->state != state)
    Fail(kParameterError, state == SignObject::State::Signing
                              ? "the object was not initialised for signing"
                              : "the object was not initialised for verification");
  return object;
}

}  // namespace

extern "C" {

int CCM3X_CALL ECGOST_generate_key(PSE* pse, int paramNid, unsigned char* secretKey,
                                   int* secretKeyLength, unsigned char* publicKey,
                                   int* publicKeyLength) {
  return Guarded("ECGOST_generate_key", 0, [&] {
    RequireCurveNid(paramNid);
    const auto open = Containers().Find(pse);
    RequireCapacity(secretKeyLength, 36, "the secret key buffer");
    RequireCapacity(publicKeyLength, 65, "the public key buffer");
    Required(secretKey, "secret key buffer");
    Required(publicKey, "public key buffer");
    SecretArray<64> random;
    SecretArray<32> privateKey;
    uint8_t made[65];
    for (int attempt = 0;; ++attempt) {
      ProcessRandom().Generate(random->data(), random->size());
      if (gost::GenerateKeyPair(kCurve, random->data(), privateKey->data(), made)) break;
      if (attempt == 3) Fail(kKeyGenerationFailed, "no key pair from the generator's output");
    }
    {
      std::lock_guard guard(open->lock);
      open->container->WrapPrivateKey(privateKey->data(), secretKey);
    }
    std::memcpy(publicKey, made, 65);
    *secretKeyLength = 36;
    *publicKeyLength = 65;
    return 1;
  });
}

int CCM3X_CALL ECGOST_generate_public_key(PSE* pse, int paramNid, const unsigned char* secretKey,
                                          unsigned char* publicKey, int* publicKeyLength,
                                          int flags) {
  return Guarded("ECGOST_generate_public_key", 0, [&] {
    RequireCurveNid(paramNid);
    if (flags != 0) Fail(kParameterError, "flags must be 0");
    RequireCapacity(publicKeyLength, 65, "the public key buffer");
    Required(publicKey, "public key buffer");
    SecretArray<32> privateKey;
    UnwrapWithContainer(pse, secretKey, privateKey->data());
    if (!gost::DerivePublicKey(kCurve, privateKey->data(), publicKey))
      Fail(kPrivateKeyUnreadable, "the secret key holds no valid private key");
    *publicKeyLength = 65;
    return 1;
  });
}

ECGOST_SIGN* CCM3X_CALL ECGOST_SIGN_new(void) {
  return Guarded("ECGOST_SIGN_new", static_cast<ECGOST_SIGN*>(nullptr),
                 [] { return static_cast<ECGOST_SIGN*>(Signers().Make()); });
}

void CCM3X_CALL ECGOST_SIGN_free(ECGOST_SIGN* sig) { Signers().Remove(sig); }

int CCM3X_CALL ECGOST_SIGN_clean(ECGOST_SIGN* sig) {
  return Guarded("ECGOST_SIGN_clean", 0, [&] {
    const auto object = Signer(sig, SignObject::State::Empty);
    std::lock_guard guard(object->lock);
    object->Clean();
    return 1;
  });
}

int CCM3X_CALL ECGOST_sign_init(ECGOST_SIGN* sig, PSE* pse, const unsigned char* hashSbox,
                                int flags, int hashNid, const unsigned char* secretKey,
                                int paramNid) {
  return Guarded("ECGOST_sign_init", 0, [&] {
    RequireCurveNid(paramNid);
    if (flags != 0) Fail(kParameterError, "flags must be 0");
    const gost::HashParams params = HashParamsOf(hashSbox, hashNid);
    const auto object = Signer(sig, SignObject::State::Empty);
    std::lock_guard guard(object->lock);
    object->Clean();
    UnwrapWithContainer(pse, secretKey, object->privateKey->data());
    object->hash.emplace(params);
    object->state = SignObject::State::Signing;
    return 1;
  });
}

int CCM3X_CALL ECGOST_verify_init(ECGOST_SIGN* sig, int paramNid, const unsigned char* hashSbox,
                                  int hashNid, const unsigned char* publicKey) {
  return Guarded("ECGOST_verify_init", 0, [&] {
    RequireCurveNid(paramNid);
    const gost::HashParams params = HashParamsOf(hashSbox, hashNid);
    RequirePoint(publicKey, "the public key");
    const auto object = Signer(sig, SignObject::State::Empty);
    std::lock_guard guard(object->lock);
    object->Clean();
    std::memcpy(object->publicKey, publicKey, 65);
    object->hash.emplace(params);
    object->state = SignObject::State::Verifying;
    return 1;
  });
}

int CCM3X_CALL ECGOST_update(ECGOST_SIGN* sig, const void* data, int length) {
  return Guarded("ECGOST_update", -1, [&] {
    RequireLength(length, 0, INT_MAX, "the data length");
    if (length > 0) Required(data, "data");
    const auto object = Signer(sig, SignObject::State::Empty);
    std::lock_guard guard(object->lock);
    if (object->state == SignObject::State::Empty)
      Fail(kParameterError, "the object was not initialised for signing or verification");
    if (!object->hash->Update(static_cast<const uint8_t*>(data), static_cast<size_t>(length)))
      Fail(kInternalError, "hashing failed");
    return length;
  });
}

int CCM3X_CALL ECGOST_sign_final(ECGOST_SIGN* sig, unsigned char* signature, int* signatureLength) {
  return Guarded("ECGOST_sign_final", 0, [&] {
    const auto object = Signer(sig, SignObject::State::Signing);
    RequireCapacity(signatureLength, 64, "the signature buffer");
    Required(signature, "signature buffer");
    std::lock_guard guard(object->lock);
    uint8_t digest[32];
    if (!object->hash->Final(digest)) Fail(kInternalError, "hashing failed");
    SignDigest(object->privateKey->data(), digest, signature);
    object->Clean();
    *signatureLength = 64;
    return 1;
  });
}

int CCM3X_CALL ECGOST_verify_final(ECGOST_SIGN* sig, const unsigned char* signature,
                                   int signatureLength) {
  return Guarded("ECGOST_verify_final", 0, [&] {
    const auto object = Signer(sig, SignObject::State::Verifying);
    std::lock_guard guard(object->lock);
    uint8_t digest[32];
    if (!object->hash->Final(digest)) Fail(kInternalError, "hashing failed");
    object->state = SignObject::State::Empty;
    VerifyDigest(object->publicKey, digest, signature, signatureLength);
    return 1;
  });
}

int CCM3X_CALL ECGOST_sign_digest(PSE* pse, int paramNid, const unsigned char* secretKey,
                                  const unsigned char* digest, unsigned char* signature,
                                  int* signatureLength) {
  return Guarded("ECGOST_sign_digest", 0, [&] {
    RequireCurveNid(paramNid);
    Required(digest, "digest");
    RequireCapacity(signatureLength, 64, "the signature buffer");
    Required(signature, "signature buffer");
    SecretArray<32> privateKey;
    UnwrapWithContainer(pse, secretKey, privateKey->data());
    SignDigest(privateKey->data(), digest, signature);
    *signatureLength = 64;
    return 1;
  });
}

int CCM3X_CALL ECGOST_verify_digest(int paramNid, const unsigned char* publicKey,
                                    const unsigned char* digest, const unsigned char* signature,
                                    int signatureLength) {
  return Guarded("ECGOST_verify_digest", 0, [&] {
    RequireCurveNid(paramNid);
    RequirePoint(publicKey, "the public key");
    VerifyDigest(publicKey, Required(digest, "digest"), signature, signatureLength);
    return 1;
  });
}

ECGOST_DH* CCM3X_CALL ECGOST_DH_new(int paramNid) {
  return Guarded("ECGOST_DH_new", static_cast<ECGOST_DH*>(nullptr), [&] {
    RequireCurveNid(paramNid);
    return static_cast<ECGOST_DH*>(Agreements().Make());
  });
}

void CCM3X_CALL ECGOST_DH_free(ECGOST_DH* dh) { Agreements().Remove(dh); }

int CCM3X_CALL ECGOST_DH_generate_key(ECGOST_DH* dh, PSE* pse, const unsigned char* secretKey,
                                      unsigned char* publicValue, int* publicValueLength) {
  return Guarded("ECGOST_DH_generate_key", 0, [&] {
    const auto object = Agreements().Find(dh);
    RequireCapacity(publicValueLength, 65, "the public value buffer");
    Required(publicValue, "public value buffer");
    std::lock_guard guard(object->lock);
    object->hasKey = false;
    if (secretKey != nullptr) {
      UnwrapWithContainer(pse, secretKey, object->privateKey->data());
      if (!gost::DerivePublicKey(kCurve, object->privateKey->data(), publicValue))
        Fail(kPrivateKeyUnreadable, "the secret key holds no valid private key");
    } else {
      SecretArray<64> random;
      ProcessRandom().Generate(random->data(), random->size());
      if (!gost::GenerateKeyPair(kCurve, random->data(), object->privateKey->data(), publicValue))
        Fail(kKeyGenerationFailed, "no ephemeral key pair from the generator's output");
    }
    object->hasKey = true;
    *publicValueLength = 65;
    return 1;
  });
}

int CCM3X_CALL ECGOST_DH_compute_key(ECGOST_DH* dh, const unsigned char* peerPublicValue,
                                     int peerLength, unsigned char* sharedKey,
                                     int* sharedKeyLength) {
  return Guarded("ECGOST_DH_compute_key", 0, [&] {
    const auto object = Agreements().Find(dh);
    if (peerLength != 65)
      Fail(kPublicKeyUnreadable, "a public value is 65 bytes, not " + std::to_string(peerLength));
    RequirePoint(peerPublicValue, "the peer's public value");
    RequireCapacity(sharedKeyLength, 32, "the shared key buffer");
    Required(sharedKey, "shared key buffer");
    std::lock_guard guard(object->lock);
    if (!object->hasKey) Fail(kParameterError, "the object has no key pair yet");
    if (!gost::ComputeSharedX(kCurve, object->privateKey->data(), peerPublicValue, sharedKey))
      Fail(kPublicKeyUnreadable, "the peer's public value was refused");
    *sharedKeyLength = 32;
    return 1;
  });
}

}  // extern "C"
