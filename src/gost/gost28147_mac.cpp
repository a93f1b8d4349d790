#include "gost28147_mac.h"

#include <cstring>

#include "gost28147_chain.h"
#include "gost28147_rounds.h"
#include "secure_wipe.h"

namespace gost {

Gost28147Mac::Gost28147Mac(SBoxSet set, const uint8_t key[32], const uint8_t iv[8],
                           detail::SBoxEvaluation evaluation) noexcept
    : ks_(set, key, evaluation),
      iv1_(iv ? detail::Load32(iv) : 0),
      iv2_(iv ? detail::Load32(iv + 4) : 0),
      n1_(iv1_),
      n2_(iv2_),
      buffer_{},
      buffered_(0),
      blocks_(0) {}

Gost28147Mac::~Gost28147Mac() {
  SecureWipe(&iv1_, sizeof iv1_);
  SecureWipe(&iv2_, sizeof iv2_);
  SecureWipe(&n1_, sizeof n1_);
  SecureWipe(&n2_, sizeof n2_);
  SecureWipe(buffer_, sizeof buffer_);
}

namespace {

// The blocks form one chain of rounds.
template <bool kAssembly>
void Chain(const detail::KeySchedule& ks, uint32_t& n1, uint32_t& n2, const uint8_t* data,
           size_t blocks) {
  uint32_t a = n1, b = n2;
  for (; blocks > 0; --blocks, data += 8) {
    a ^= detail::Load32(data);
    b ^= detail::Load32(data + 4);
    detail::MacChain<kAssembly>(ks, a, b);
  }
  n1 = a;
  n2 = b;
}

}  // namespace

void Gost28147Mac::Blocks(const uint8_t* data, size_t blocks) {
  if (ks_.masked) {
    for (size_t i = 0; i < blocks; ++i, data += 8) {
      n1_ ^= detail::Load32(data);
      n2_ ^= detail::Load32(data + 4);
      detail::MacRoundsMasked(ks_, n1_, n2_);
    }
  } else if (detail::HasChainAssembly()) {
    Chain<true>(ks_, n1_, n2_, data, blocks);
  } else {
    Chain<false>(ks_, n1_, n2_, data, blocks);
  }
  blocks_ += blocks;
}

bool Gost28147Mac::Update(const uint8_t* data, size_t size) noexcept {
  if (!ks_.Valid()) return false;
  if (size == 0) return true;  // data may then be null, which memcpy does not allow
  if (buffered_ > 0) {
    const size_t take = size < 8 - buffered_ ? size : 8 - buffered_;
    std::memcpy(buffer_ + buffered_, data, take);
    buffered_ += take;
    data += take;
    size -= take;
    if (buffered_ < 8) return true;
    Blocks(buffer_, 1);
    buffered_ = 0;
  }
  Blocks(data, size / 8);
  data += size - size % 8;
  size %= 8;
  std::memcpy(buffer_, data, size);
  buffered_ = size;
  return true;
}

bool Gost28147Mac::Final(uint8_t mac[kMacSize]) noexcept {
  if (!ks_.Valid()) {
    detail::ZeroOutput(mac, kMacSize);
    return false;
  }
  if (buffered_ > 0) {
    std::memset(buffer_ + buffered_, 0, 8 - buffered_);
    Blocks(buffer_, 1);
  }
  // A one-block message is followed by a zero block, so that every MAC covers 16 rounds twice.
  if (blocks_ == 1) {
    std::memset(buffer_, 0, sizeof buffer_);
    Blocks(buffer_, 1);
  }
  detail::Store32(mac, n1_);
  n1_ = iv1_;
  n2_ = iv2_;
  buffered_ = 0;
  blocks_ = 0;
  SecureWipe(buffer_, sizeof buffer_);
  return true;
}

}  // namespace gost
