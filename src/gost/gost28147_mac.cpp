#include "gost28147_mac.h"

#include <cstring>

#include "gost28147_rounds.h"
#include "secure_wipe.h"

namespace gost {

Gost28147Mac::Gost28147Mac(SBoxSet set, const uint8_t key[32], const uint8_t iv[8])
    : ks_(set, key),
      n1_(iv ? detail::Load32(iv) : 0),
      n2_(iv ? detail::Load32(iv + 4) : 0),
      buffered_(0),
      blocks_(0) {}

Gost28147Mac::~Gost28147Mac() {
  SecureWipe(&n1_, sizeof n1_);
  SecureWipe(&n2_, sizeof n2_);
  SecureWipe(buffer_, sizeof buffer_);
}

void Gost28147Mac::Block(const uint8_t* block) {
  uint32_t a[1] = {n1_ ^ detail::Load32(block)}, b[1] = {n2_ ^ detail::Load32(block + 4)};
  detail::Rounds<1, detail::TableRound>{detail::TableRound{*ks_.table}, ks_.k, 0}.Mac(a, b);
  n1_ = a[0];
  n2_ = b[0];
  ++blocks_;
}

void Gost28147Mac::Update(const uint8_t* data, size_t size) {
  if (buffered_ > 0) {
    const size_t take = size < 8 - buffered_ ? size : 8 - buffered_;
    std::memcpy(buffer_ + buffered_, data, take);
    buffered_ += take;
    data += take;
    size -= take;
    if (buffered_ < 8) return;
    Block(buffer_);
    buffered_ = 0;
  }
  for (; size >= 8; size -= 8, data += 8) Block(data);
  std::memcpy(buffer_, data, size);
  buffered_ = size;
}

void Gost28147Mac::Final(uint8_t mac[kMacSize]) {
  if (buffered_ > 0) {
    std::memset(buffer_ + buffered_, 0, 8 - buffered_);
    Block(buffer_);
  }
  // A one-block message is followed by a zero block, so that every MAC covers 16 rounds twice.
  if (blocks_ == 1) {
    std::memset(buffer_, 0, sizeof buffer_);
    Block(buffer_);
  }
  detail::Store32(mac, n1_);
}

}  // namespace gost
