// GOST 28147-89 MAC (the imitation insert): each 8-byte block is added to the state and the
// state goes through the first 16 rounds of encryption; the last partial block is padded with
// zeros. The MAC is the first four bytes of the final state, written as in gost28147.h, which
// also says when to take Gost28147MacSecret instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gost28147.h"

namespace gost {

class Gost28147Mac {
 public:
  static constexpr size_t kMacSize = 4;

  // The state starts from `iv` when given, from zero otherwise.
  Gost28147Mac(SBoxSet set, const uint8_t key[32], const uint8_t iv[8] = nullptr) noexcept
      : Gost28147Mac(set, key, iv, detail::SBoxEvaluation::Tables) {}
  ~Gost28147Mac();
  Gost28147Mac(const Gost28147Mac&) = delete;
  Gost28147Mac& operator=(const Gost28147Mac&) = delete;

  [[nodiscard]] bool Update(const uint8_t* data, size_t size) noexcept;
  // Writes the MAC and starts over with an empty message.
  [[nodiscard]] bool Final(uint8_t mac[kMacSize]) noexcept;

 protected:
  Gost28147Mac(SBoxSet set, const uint8_t key[32], const uint8_t iv[8],
               detail::SBoxEvaluation evaluation) noexcept;

 private:
  void Blocks(const uint8_t* data, size_t blocks);

  detail::KeySchedule ks_;
  uint32_t iv1_, iv2_;
  uint32_t n1_, n2_;
  uint8_t buffer_[8];
  size_t buffered_;
  uint64_t blocks_;
};

// The MAC through the constant-time rounds, for key material.
class Gost28147MacSecret : public Gost28147Mac {
 public:
  Gost28147MacSecret(SBoxSet set, const uint8_t key[32], const uint8_t iv[8] = nullptr) noexcept
      : Gost28147Mac(set, key, iv, detail::SBoxEvaluation::Masks) {}
};

}  // namespace gost
