// Constant-time check of the secret-key operations, run under valgrind memcheck: the random
// input, the private key and everything derived from them start out "undefined", so memcheck
// reports any conditional jump or memory address that depends on them. Only the public results
// (public key, signature, shared X) are marked defined, right before they are compared.
// Exits nonzero on a wrong result; valgrind's --error-exitcode reports the leaks.
#include <valgrind/memcheck.h>

#include <cstdio>
#include <cstring>

#include "gostr3410_2001.h"

namespace {

using gost::CurveParams;

template <size_t N>
void Fill(uint8_t (&bytes)[N], uint8_t seed) {
  for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<uint8_t>(seed * 31 + i * 7);
}

template <class T>
void Secret(T& value) {
  VALGRIND_MAKE_MEM_UNDEFINED(&value, sizeof value);
}

template <class T>
void Public(T& value) {
  VALGRIND_MAKE_MEM_DEFINED(&value, sizeof value);
}

bool Check(CurveParams curve, const char* name) {
  uint8_t random[gost::kKeyGenerationRandomSize], peerRandom[gost::kKeyGenerationRandomSize];
  Fill(random, 1);
  Fill(peerRandom, 2);
  Secret(random);
  Secret(peerRandom);

  uint8_t privateKey[gost::kPrivateKeySize], publicKey[gost::kPublicKeySize];
  uint8_t peerPrivate[gost::kPrivateKeySize], peerPublic[gost::kPublicKeySize];
  bool ok = gost::GenerateKeyPair(curve, random, privateKey, publicKey) &&
            gost::GenerateKeyPair(curve, peerRandom, peerPrivate, peerPublic);
  Public(ok);
  Public(publicKey);
  Public(peerPublic);

  uint8_t derived[gost::kPublicKeySize];
  ok = ok && gost::DerivePublicKey(curve, privateKey, derived);
  Public(ok);
  Public(derived);
  ok = ok && std::memcmp(derived, publicKey, sizeof derived) == 0;

  uint8_t digest[gost::kDigestSize], nonceRandom[32], signature[gost::kSignatureSize];
  Fill(digest, 3);
  Fill(nonceRandom, 4);
  Secret(nonceRandom);
  ok = ok && gost::Sign(curve, privateKey, digest, nonceRandom, sizeof nonceRandom, signature);
  Public(ok);
  Public(signature);
  ok = ok && gost::Verify(curve, publicKey, digest, signature);

  uint8_t shared[gost::kSharedXSize], peerShared[gost::kSharedXSize];
  ok = ok && gost::ComputeSharedX(curve, privateKey, peerPublic, shared) &&
       gost::ComputeSharedX(curve, peerPrivate, publicKey, peerShared);
  Public(ok);
  Public(shared);
  Public(peerShared);
  ok = ok && std::memcmp(shared, peerShared, sizeof shared) == 0;

  std::printf("%s: %s\n", name, ok ? "ok" : "WRONG RESULT");
  return ok;
}

}  // namespace

int main() {
  const bool ok = Check(CurveParams::CryptoProA, "CryptoPro-A") & Check(CurveParams::Test, "test");
  return ok ? 0 : 1;
}
