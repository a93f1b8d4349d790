// The public-key block: how a key owner's public key is stored in a ".pub" file or a token
// object and carried inside a transfer. It is self-signed: the signature over everything
// before it was made with the owner's matching secret key.
//
// Layout (integers 32-bit little-endian):
//   total length | T | text: CR LF, UID, CR LF, owner text, CR LF (T bytes) |
//   algorithm (1) | L | public key (L bytes, 65) | S | signature (S bytes, 64)
// The block comes from outside (files, tokens, transfers), so parsing trusts no field.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sigcore {

inline constexpr int32_t kMaxPublicKeyBlockSize = 1143;
inline constexpr int32_t kBlockPublicKeySize = 65;
inline constexpr int32_t kBlockSignatureSize = 64;
inline constexpr size_t kMaxBlockUidLength = 254;
inline constexpr size_t kMaxOwnerTextLength = 734;
inline constexpr int32_t kBlockAlgorithm = 1;

// One parsed block, as the binding caches it.
struct TCCom3x_CashNode {
  // The file it was read from or written to, or the token object path without device and
  // slot; empty for a key held only in memory.
  std::string storagePath;
  std::string uid;
  std::string ownerText;
  int32_t algorithm = kBlockAlgorithm;
  int32_t publicKeyLength = 0;
  std::array<uint8_t, kBlockPublicKeySize> publicKey{};
  int32_t signatureLength = 0;
  std::array<uint8_t, kBlockSignatureSize> signature{};
  // Set once the self-signature has been checked and found good.
  bool verified = false;
  bool fromToken = false;
};

// 0, or -9 when the buffer is not exactly one well-formed block. The node is replaced whole:
// not verified, and with no storage path or token flag, which are the caller's to set.
int32_t ParsePublicKeyBlock(const uint8_t* data, int32_t length, TCCom3x_CashNode& node);

// Writes the signed part of the block (everything before S) and returns 0 with `size` set to
// its length; the total field already counts a 64-byte signature. -2 for a null buffer, -3
// when `size` (the capacity) cannot hold the whole block, -11 for a node whose lengths no
// block can carry.
int32_t SerializePublicKeyBlock(const TCCom3x_CashNode& node, uint8_t* buffer, int32_t& size);

// SerializePublicKeyBlock followed by S and the signature: `size` becomes the full length.
int32_t AppendBlockSignature(const TCCom3x_CashNode& node, uint8_t* buffer, int32_t& size);

// The key report text: UID, owner text, the integrity result ("0", or "-13" when the
// self-signature does not hold), the algorithm, and the key and signature in hexadecimal.
std::string FormatKeyReport(const TCCom3x_CashNode& node, bool intact);

}  // namespace sigcore
