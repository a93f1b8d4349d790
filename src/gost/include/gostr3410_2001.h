// GOST R 34.10-2001 signatures and key agreement on the CryptoPro-A curve (our parameter
// identifier 11) and on the standard's test curve.
//
// Encodings:
//  - private key: 32 bytes, the scalar d in [1, q-1], big-endian;
//  - public key (and a key-agreement public value): 65 bytes, 0x04, X, Y, each 32 bytes
//    big-endian;
//  - digest: 32 bytes read as a little-endian integer e;
//  - signature: 64 bytes, s then r, each 32 bytes big-endian;
//  - key-agreement result: the X coordinate of d*Q, 32 bytes big-endian.
//
// Secret-key operations (key generation, public key derivation, signing, key agreement) run in
// time independent of the secrets. The library has no random source: callers pass random
// bytes in. Functions return false on invalid input, including a CurveParams value that names
// no curve, and never throw or allocate.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gost {

enum class CurveParams { Test, CryptoProA };

inline constexpr size_t kPrivateKeySize = 32;
inline constexpr size_t kPublicKeySize = 65;
inline constexpr size_t kDigestSize = 32;
inline constexpr size_t kSignatureSize = 64;
inline constexpr size_t kSharedXSize = 32;
inline constexpr size_t kKeyGenerationRandomSize = 64;

// d = (random read as a 512-bit big-endian integer) mod q, so the bias is below 2^-250.
// Fails (with probability about 2^-256) if d = 0: call again with fresh bytes.
[[nodiscard]] bool GenerateKeyPair(CurveParams curve,
                                   const uint8_t random[kKeyGenerationRandomSize],
                                   uint8_t privateKey[kPrivateKeySize],
                                   uint8_t publicKey[kPublicKeySize]) noexcept;

// Q = d*G. Fails if the private key is not in [1, q-1].
[[nodiscard]] bool DerivePublicKey(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                                   uint8_t publicKey[kPublicKeySize]) noexcept;

// Whether the encoding is a point on the curve (coordinates below p, not infinity).
[[nodiscard]] bool IsValidPublicKey(CurveParams curve,
                                    const uint8_t publicKey[kPublicKeySize]) noexcept;

// Hedged signature: the nonce is derived from the private key, the digest and the caller's
// random bytes, so it stays secret and unpredictable even if the random bytes are weak or
// repeated (any size is accepted, including none):
//   k = (H(0, c, d, digest, random) * 2^256 + H(1, c, d, digest, random)) mod q,
// H = GOST R 34.11-94 with the CryptoPro parameters over the bytes listed (the half index, the
// attempt counter c = 0, 1, ... and d as single byte, single byte, 32 bytes big-endian), each
// output read big-endian. Fails only if the private key is not in [1, q-1].
[[nodiscard]] bool Sign(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                        const uint8_t digest[kDigestSize], const uint8_t* random,
                        size_t randomSize, uint8_t signature[kSignatureSize]) noexcept;

// Signature with a caller-chosen nonce k in [1, q-1], big-endian: for known-answer tests only,
// since a repeated or guessable nonce reveals the private key. Fails if r or s comes out zero.
[[nodiscard]] bool SignWithNonce(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                                 const uint8_t digest[kDigestSize],
                                 const uint8_t nonce[kPrivateKeySize],
                                 uint8_t signature[kSignatureSize]) noexcept;

[[nodiscard]] bool Verify(CurveParams curve, const uint8_t publicKey[kPublicKeySize],
                          const uint8_t digest[kDigestSize],
                          const uint8_t signature[kSignatureSize]) noexcept;

// X coordinate of d*Q for our private key d and the peer's public key Q (validated first).
[[nodiscard]] bool ComputeSharedX(CurveParams curve, const uint8_t privateKey[kPrivateKeySize],
                                  const uint8_t peerPublicKey[kPublicKeySize],
                                  uint8_t sharedX[kSharedXSize]) noexcept;

}  // namespace gost
