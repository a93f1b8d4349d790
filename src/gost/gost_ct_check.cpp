// Constant-time check of the operations on secrets, run under valgrind memcheck: the random
// input, private keys, symmetric keys, IVs and the data they protect start out "undefined", so
// memcheck reports any conditional jump or memory address that depends on them. Only public
// results (public keys, signatures, shared X, ciphertexts) are marked defined, right before
// they are compared. The operations on secrets must add no report; two controls that are
// variable time by design, run on secrets the same way, must add some, which shows the check
// sees a leak in the curve code and in the 28147 code: verification of a secret signature and
// the table-driven 28147 classes. Exits nonzero on a wrong result, a report from a
// constant-time operation, or an unseen control.
#include <valgrind/memcheck.h>

#include <cstdio>
#include <cstring>

#include "gost28147.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gostr3410_2001.h"

namespace {

using gost::CurveParams;
using gost::SBoxSet;

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

unsigned Reports() { return VALGRIND_COUNT_ERRORS; }

bool Curve(CurveParams curve) {
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
  return ok && std::memcmp(shared, peerShared, sizeof shared) == 0;
}

// Every mode of the given classes over a secret key, IV and message (2100 bytes, so that CFB
// meshes the key twice); the outputs, made public, go to `out`.
template <class Ecb, class Gamma, class Cfb, class Mac>
bool Symmetric(uint8_t (&out)[6][2112]) {
  uint8_t key[32], iv[8], message[2112];
  Fill(key, 5);
  Fill(iv, 6);
  Fill(message, 7);
  Secret(key);
  Secret(iv);
  Secret(message);
  bool ok = Ecb(SBoxSet::CryptoProA, key).Encrypt(message, out[0], sizeof message / 8) &&
            Ecb(SBoxSet::CryptoProA, key).Decrypt(message, out[1], sizeof message / 8) &&
            Gamma(SBoxSet::CryptoProA, key, iv).Apply(message, out[2], 2100) &&
            Cfb(SBoxSet::CryptoProA, key, iv, Cfb::Meshing::CryptoPro)
                .Encrypt(message, out[3], 2100) &&
            Cfb(SBoxSet::CryptoProA, key, iv, Cfb::Meshing::CryptoPro)
                .Decrypt(message, out[4], 2100);
  Mac mac(SBoxSet::CryptoProA, key, iv);
  ok = ok && mac.Update(message, 2100) && mac.Final(out[5]);
  Public(ok);
  Public(out);
  return ok;
}

}  // namespace

int main() {
  if (!RUNNING_ON_VALGRIND) {
    std::fprintf(stderr, "run under valgrind\n");
    return 1;
  }
  const unsigned start = Reports();
  const bool curves = Curve(CurveParams::CryptoProA) && Curve(CurveParams::Test);
  const unsigned afterCurves = Reports();

  static uint8_t masked[6][2112], table[6][2112];
  bool symmetric = Symmetric<gost::Gost28147Secret, gost::Gost28147GammaSecret,
                             gost::Gost28147CfbSecret, gost::Gost28147MacSecret>(masked);
  uint8_t meshKey[32], meshIv[8];
  Fill(meshKey, 8);
  Fill(meshIv, 9);
  Secret(meshKey);
  Secret(meshIv);
  symmetric = gost::CryptoProKeyMeshing(SBoxSet::CryptoProA, meshKey, meshIv) && symmetric;
  const unsigned afterSymmetric = Reports();

  // Controls.
  uint8_t random[gost::kKeyGenerationRandomSize], privateKey[gost::kPrivateKeySize];
  uint8_t publicKey[gost::kPublicKeySize], digest[gost::kDigestSize];
  uint8_t signature[gost::kSignatureSize];
  Fill(random, 10);
  Fill(digest, 11);
  const bool signed_ = gost::GenerateKeyPair(CurveParams::CryptoProA, random, privateKey,
                                             publicKey) &&
                       gost::Sign(CurveParams::CryptoProA, privateKey, digest, nullptr, 0,
                                  signature);
  Secret(signature);
  bool verified = gost::Verify(CurveParams::CryptoProA, publicKey, digest, signature);
  Public(verified);
  const unsigned afterCurveControl = Reports();
  symmetric = Symmetric<gost::Gost28147, gost::Gost28147Gamma, gost::Gost28147Cfb,
                        gost::Gost28147Mac>(table) && symmetric;
  const unsigned afterTableControl = Reports();

  const bool agree = std::memcmp(masked, table, sizeof masked) == 0;
  std::printf(
      "curves: %s, %u reports; constant-time 28147: %s, %u reports, %s the table classes\n"
      "controls: verification of a secret signature %u reports (%s), table 28147 %u reports\n",
      curves ? "ok" : "WRONG RESULT", afterCurves - start, symmetric ? "ok" : "WRONG RESULT",
      afterSymmetric - afterCurves, agree ? "agrees with" : "DIFFERS FROM",
      afterCurveControl - afterSymmetric, signed_ && verified ? "verified" : "NOT VERIFIED",
      afterTableControl - afterCurveControl);
  return curves && symmetric && agree && signed_ && verified && afterSymmetric == start &&
                 afterCurveControl > afterSymmetric && afterTableControl > afterCurveControl
             ? 0
             : 1;
}
