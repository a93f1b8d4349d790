#include "gost28147_modes.h"

#include "gost28147_chain.h"
#include "gost28147_rounds.h"
#include "secure_wipe.h"

namespace gost {

using detail::EncryptBlock;
using detail::Load32;
using detail::Store32;

namespace {

constexpr unsigned kBlocksPerMesh = 1024 / 8;

// The counter step: N3 + C2 modulo 2^32, N4 + C1 modulo 2^32 - 1 (a carry out wraps to 1).
// The carry comes from bit operations, not a comparison: the counter is secret.
inline void Advance(uint32_t& n3, uint32_t& n4) {
  constexpr uint32_t kC2 = 0x01010101, kC1 = 0x01010104;
  n3 += kC2;
  const uint32_t sum = n4 + kC1;
  n4 = sum + (((n4 & kC1) | ((n4 ^ kC1) & ~sum)) >> 31);
}

inline void XorBlock(const uint8_t* in, uint8_t* out, uint32_t g1, uint32_t g2) {
  Store32(out, Load32(in) ^ g1);
  Store32(out + 4, Load32(in + 4) ^ g2);
}

// CFB one block after another, each gamma the encryption of the block before: a chain of
// rounds. (f1, f2) is the feedback block.
template <bool kEncrypt, bool kAssembly>
void ChainedCfb(detail::KeySchedule& ks, bool meshing, unsigned& blocks_since_mesh, uint32_t& f1,
                uint32_t& f2, const uint8_t* in, uint8_t* out, size_t blocks) {
  // Locals, which the stores to out cannot alias, keep the chain in registers.
  uint32_t n1 = f1, n2 = f2;
  unsigned since_mesh = blocks_since_mesh;
  for (; blocks > 0; --blocks, in += 8, out += 8) {
    uint32_t a = n1, b = n2;
    if (meshing) {
      if (since_mesh == kBlocksPerMesh) {
        detail::MeshKey(ks, a, b);
        since_mesh = 0;
      }
      ++since_mesh;
    }
    detail::EncryptChain<kAssembly>(ks, a, b);
    const uint32_t c1 = Load32(in), c2 = Load32(in + 4);
    Store32(out, c1 ^ b);
    Store32(out + 4, c2 ^ a);
    n1 = kEncrypt ? c1 ^ b : c1;
    n2 = kEncrypt ? c2 ^ a : c2;
  }
  f1 = n1;
  f2 = n2;
  blocks_since_mesh = since_mesh;
}

}  // namespace

bool CryptoProKeyMeshing(SBoxSet set, uint8_t key[32], uint8_t iv[8]) noexcept {
  detail::KeySchedule ks(set, key, detail::SBoxEvaluation::Masks);
  if (!ks.Valid()) {
    detail::ZeroOutput(key, 32);
    detail::ZeroOutput(iv, 8);
    return false;
  }
  uint32_t n1 = Load32(iv), n2 = Load32(iv + 4);
  detail::MeshKey(ks, n1, n2);
  for (int i = 0; i < 8; ++i) Store32(key + 4 * i, ks.k[i]);
  Store32(iv, n1);
  Store32(iv + 4, n2);
  return true;
}

Gost28147Gamma::Gost28147Gamma(SBoxSet set, const uint8_t key[32], const uint8_t iv[8],
                               detail::SBoxEvaluation evaluation) noexcept
    : ks_(set, key, evaluation), n3_(0), n4_(0), gamma_{}, used_(8) {
  if (!ks_.Valid()) return;
  uint32_t n1 = Load32(iv), n2 = Load32(iv + 4);
  EncryptBlock(ks_, n1, n2);
  n3_ = n1;
  n4_ = n2;
}

Gost28147Gamma::~Gost28147Gamma() {
  SecureWipe(gamma_, sizeof gamma_);
  SecureWipe(&n3_, sizeof n3_);
  SecureWipe(&n4_, sizeof n4_);
}

void Gost28147Gamma::NextGamma() {
  Advance(n3_, n4_);
  uint32_t n1 = n3_, n2 = n4_;
  EncryptBlock(ks_, n1, n2);
  Store32(gamma_, n1);
  Store32(gamma_ + 4, n2);
  used_ = 0;
}

bool Gost28147Gamma::Apply(const uint8_t* in, uint8_t* out, size_t size) noexcept {
  if (!ks_.Valid()) {
    detail::ZeroOutput(out, size);
    return false;
  }
  for (; size > 0 && used_ < 8; --size) *out++ = *in++ ^ gamma_[used_++];

  // Counter blocks are independent: the table rounds encrypt four at a time.
  for (; !ks_.masked && size >= 32; size -= 32, in += 32, out += 32) {
    const detail::TableRound f{*ks_.table};
    uint32_t a[4], b[4];
    for (int j = 0; j < 4; ++j) {
      Advance(n3_, n4_);
      a[j] = n3_;
      b[j] = n4_;
    }
    detail::EncryptWords<4>(f, ks_.k, 0, a, b);
    for (int j = 0; j < 4; ++j) XorBlock(in + 8 * j, out + 8 * j, b[j], a[j]);
  }
  for (; size >= 8; size -= 8, in += 8, out += 8) {
    Advance(n3_, n4_);
    uint32_t n1 = n3_, n2 = n4_;
    EncryptBlock(ks_, n1, n2);
    XorBlock(in, out, n1, n2);
  }
  if (size > 0) {
    NextGamma();
    for (; size > 0; --size) *out++ = *in++ ^ gamma_[used_++];
  }
  return true;
}

Gost28147Cfb::Gost28147Cfb(SBoxSet set, const uint8_t key[32], const uint8_t iv[8],
                           Meshing meshing, detail::SBoxEvaluation evaluation) noexcept
    : ks_(set, key, evaluation),
      meshing_(meshing == Meshing::CryptoPro),
      blocks_since_mesh_(0),
      gamma_{},
      used_(8) {
  for (int i = 0; i < 8; ++i) feedback_[i] = iv[i];
}

Gost28147Cfb::~Gost28147Cfb() {
  SecureWipe(feedback_, sizeof feedback_);
  SecureWipe(gamma_, sizeof gamma_);
}

bool Gost28147Cfb::Encrypt(const uint8_t* in, uint8_t* out, size_t size) noexcept {
  return Process<true>(in, out, size);
}

bool Gost28147Cfb::Decrypt(const uint8_t* in, uint8_t* out, size_t size) noexcept {
  return Process<false>(in, out, size);
}

// The gamma for the block after (n1, n2), meshing first when 1024 bytes have gone by.
void Gost28147Cfb::EncryptFeedback(uint32_t& n1, uint32_t& n2) {
  if (meshing_) {
    if (blocks_since_mesh_ == kBlocksPerMesh) {
      detail::MeshKey(ks_, n1, n2);
      blocks_since_mesh_ = 0;
    }
    ++blocks_since_mesh_;
  }
  EncryptBlock(ks_, n1, n2);
}

template <bool kEncrypt>
bool Gost28147Cfb::Process(const uint8_t* in, uint8_t* out, size_t size) {
  if (!ks_.Valid()) {
    detail::ZeroOutput(out, size);
    return false;
  }
  auto partial = [&] {
    for (; size > 0 && used_ < 8; --size) {
      const uint8_t x = *in++;
      const uint8_t y = x ^ gamma_[used_];
      feedback_[used_++] = kEncrypt ? y : x;
      *out++ = y;
    }
  };
  partial();
  if (size >= 8) {
    const size_t blocks = WholeBlocks<kEncrypt>(in, out, size / 8);
    in += 8 * blocks;
    out += 8 * blocks;
    size -= 8 * blocks;
  }
  if (size > 0) {
    uint32_t n1 = Load32(feedback_), n2 = Load32(feedback_ + 4);
    EncryptFeedback(n1, n2);
    Store32(gamma_, n1);
    Store32(gamma_ + 4, n2);
    used_ = 0;
    partial();
  }
  return true;
}

// Whole blocks with the gamma block fully used: the feedback stays in registers.
template <bool kEncrypt>
size_t Gost28147Cfb::WholeBlocks(const uint8_t* in, uint8_t* out, size_t blocks) {
  uint32_t f1 = Load32(feedback_), f2 = Load32(feedback_ + 4);
  if (ks_.masked) {
    for (size_t i = 0; i < blocks; ++i, in += 8, out += 8) {
      uint32_t g1 = f1, g2 = f2;
      EncryptFeedback(g1, g2);
      const uint32_t c1 = Load32(in), c2 = Load32(in + 4);
      Store32(out, c1 ^ g1);
      Store32(out + 4, c2 ^ g2);
      f1 = kEncrypt ? c1 ^ g1 : c1;
      f2 = kEncrypt ? c2 ^ g2 : c2;
    }
    Store32(feedback_, f1);
    Store32(feedback_ + 4, f2);
    return blocks;
  }
  size_t done = 0;
  if (!kEncrypt) {
    // The gammas come from ciphertext already at hand: decrypt four blocks at a time.
    const detail::TableRound f{*ks_.table};
    while (blocks - done >= 4 && (!meshing_ || blocks_since_mesh_ + 4 <= kBlocksPerMesh)) {
      uint32_t a[4] = {f1}, b[4] = {f2};
      for (int j = 1; j < 4; ++j) detail::LoadBlock(in + 8 * j - 8, a[j], b[j]);
      f1 = Load32(in + 24);
      f2 = Load32(in + 28);
      detail::EncryptWords<4>(f, ks_.k, 0, a, b);
      for (int j = 0; j < 4; ++j) XorBlock(in + 8 * j, out + 8 * j, b[j], a[j]);
      if (meshing_) blocks_since_mesh_ += 4;
      in += 32;
      out += 32;
      done += 4;
    }
  }
  if (detail::HasChainAssembly()) {
    ChainedCfb<kEncrypt, true>(ks_, meshing_, blocks_since_mesh_, f1, f2, in, out, blocks - done);
  } else {
    ChainedCfb<kEncrypt, false>(ks_, meshing_, blocks_since_mesh_, f1, f2, in, out, blocks - done);
  }
  Store32(feedback_, f1);
  Store32(feedback_ + 4, f2);
  return blocks;
}

}  // namespace gost
