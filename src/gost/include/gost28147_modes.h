// GOST 28147-89 stream modes: gamma (the standard's counter mode) and gamma with feedback
// (64-bit CFB), with optional CryptoPro key meshing in CFB. Byte conventions, the choice
// between table rounds and the constant-time ...Secret classes, and the refusal of unknown
// S-box sets as in gost28147.h; the IV is one block. Both accept any sizes per call: the
// unused part of a gamma block carries over to the next call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gost28147.h"

namespace gost {

// CryptoPro key meshing (RFC 4357, 2.3.2): the key becomes the decryption of a fixed constant
// under the current key, then the IV is encrypted under the new key. Runs the constant-time
// rounds. An unknown set leaves key and IV zero and gives false.
[[nodiscard]] bool CryptoProKeyMeshing(SBoxSet set, uint8_t key[32], uint8_t iv[8]) noexcept;

// Gamma: the IV is encrypted once into the counter (N3, N4); before each block N3 gains
// 0x01010101 modulo 2^32 and N4 gains 0x01010104 modulo 2^32 - 1, and the counter's encryption
// is the gamma. Encryption and decryption are the same operation.
class Gost28147Gamma {
 public:
  Gost28147Gamma(SBoxSet set, const uint8_t key[32], const uint8_t iv[8]) noexcept
      : Gost28147Gamma(set, key, iv, detail::SBoxEvaluation::Tables) {}
  ~Gost28147Gamma();
  Gost28147Gamma(const Gost28147Gamma&) = delete;
  Gost28147Gamma& operator=(const Gost28147Gamma&) = delete;

  // `in` and `out` may be the same buffer.
  [[nodiscard]] bool Apply(const uint8_t* in, uint8_t* out, size_t size) noexcept;

 protected:
  Gost28147Gamma(SBoxSet set, const uint8_t key[32], const uint8_t iv[8],
                 detail::SBoxEvaluation evaluation) noexcept;

 private:
  void NextGamma();

  detail::KeySchedule ks_;
  uint32_t n3_, n4_;
  uint8_t gamma_[8];
  size_t used_;  // bytes of gamma_ already applied
};

// Gamma with feedback: each block's gamma is the encryption of the previous ciphertext block
// (of the IV for the first). With CryptoPro meshing, after every 1024 bytes the key is meshed
// and the feedback block re-encrypted under the new key, as the CryptoPro-A set prescribes.
class Gost28147Cfb {
 public:
  enum class Meshing { None, CryptoPro };

  Gost28147Cfb(SBoxSet set, const uint8_t key[32], const uint8_t iv[8],
               Meshing meshing = Meshing::None) noexcept
      : Gost28147Cfb(set, key, iv, meshing, detail::SBoxEvaluation::Tables) {}
  ~Gost28147Cfb();
  Gost28147Cfb(const Gost28147Cfb&) = delete;
  Gost28147Cfb& operator=(const Gost28147Cfb&) = delete;

  // `in` and `out` may be the same buffer.
  [[nodiscard]] bool Encrypt(const uint8_t* in, uint8_t* out, size_t size) noexcept;
  [[nodiscard]] bool Decrypt(const uint8_t* in, uint8_t* out, size_t size) noexcept;

 protected:
  Gost28147Cfb(SBoxSet set, const uint8_t key[32], const uint8_t iv[8], Meshing meshing,
               detail::SBoxEvaluation evaluation) noexcept;

 private:
  template <bool kEncrypt>
  bool Process(const uint8_t* in, uint8_t* out, size_t size);
  template <bool kEncrypt>
  size_t WholeBlocks(const uint8_t* in, uint8_t* out, size_t blocks);
  void EncryptFeedback(uint32_t& n1, uint32_t& n2);

  detail::KeySchedule ks_;
  bool meshing_;
  unsigned blocks_since_mesh_;
  uint8_t feedback_[8];  // ciphertext of the current block so far, or the IV
  uint8_t gamma_[8];
  size_t used_;  // bytes of gamma_ already applied
};

// Gamma through the constant-time rounds, for key material.
class Gost28147GammaSecret : public Gost28147Gamma {
 public:
  Gost28147GammaSecret(SBoxSet set, const uint8_t key[32], const uint8_t iv[8]) noexcept
      : Gost28147Gamma(set, key, iv, detail::SBoxEvaluation::Masks) {}
};

// Gamma with feedback through the constant-time rounds, for key material.
class Gost28147CfbSecret : public Gost28147Cfb {
 public:
  Gost28147CfbSecret(SBoxSet set, const uint8_t key[32], const uint8_t iv[8],
                     Meshing meshing = Meshing::None) noexcept
      : Gost28147Cfb(set, key, iv, meshing, detail::SBoxEvaluation::Masks) {}
};

}  // namespace gost
