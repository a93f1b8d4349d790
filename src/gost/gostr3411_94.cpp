#include "gostr3411_94.h"

#include <cstring>
#include <optional>

#include "gost28147.h"
#include "gost28147_rounds.h"
#include "secure_wipe.h"
#include "u256.h"

namespace gost {
namespace {

using detail::Load64;
using detail::Store64;

std::optional<SBoxSet> SBoxesOf(HashParams params) {
  switch (params) {
    case HashParams::Test: return SBoxSet::Test;
    case HashParams::CryptoPro: return SBoxSet::CryptoProHash;
  }
  return std::nullopt;
}

// The mixing: H' = psi^61(H ^ psi(M ^ psi^12(S))), where psi shifts the sixteen 16-bit words
// y16..y1 down by one and puts y1 ^ y2 ^ y3 ^ y4 ^ y13 ^ y16 on top. The words are held four
// to a 64-bit word, y1 lowest in w[0].
class Psi {
 public:
  explicit Psi(const uint64_t s[4]) { std::memcpy(w_, s, sizeof w_); }
  ~Psi() { SecureWipe(w_, sizeof w_); }

  // One step.
  void Once() {
    uint64_t top = w_[0] ^ (w_[0] >> 32);
    top ^= (top >> 16) ^ w_[3] ^ (w_[3] >> 48);
    w_[0] = (w_[0] >> 16) | (w_[1] << 48);
    w_[1] = (w_[1] >> 16) | (w_[2] << 48);
    w_[2] = (w_[2] >> 16) | (w_[3] << 48);
    w_[3] = (w_[3] >> 16) | (top << 48);
  }

  // Four steps at once. The four new words t = 0..3 are c_t ^ y(t+16), with
  // c_t = y(t+1) ^ y(t+2) ^ y(t+3) ^ y(t+4) ^ y(t+13) known in advance, and y(t+16) the previous
  // new word (y16 for the first): a prefix XOR across the lanes.
  void FourTimes() {
    const uint64_t lo = w_[0], hi = w_[1];
    uint64_t t = lo ^ ((lo >> 16) | (hi << 48)) ^ ((lo >> 32) | (hi << 32)) ^
                 ((lo >> 48) | (hi << 16)) ^ w_[3] ^ (w_[3] >> 48);
    t ^= t << 16;
    t ^= t << 32;
    w_[0] = w_[1];
    w_[1] = w_[2];
    w_[2] = w_[3];
    w_[3] = t;
  }

  void Times(int n) {
    for (; n >= 4; n -= 4) FourTimes();
    for (; n > 0; --n) Once();
  }

  void Xor(const uint64_t w[4]) {
    #pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) w_[i] ^= w[i];
  }
  void Store(uint64_t w[4]) const { std::memcpy(w, w_, sizeof w_); }

 private:
  uint64_t w_[4];
};

// A(y4 || y3 || y2 || y1) = (y1 ^ y2) || y4 || y3 || y2, on 64-bit words, y1 = w[0].
void TransformA(uint64_t w[4]) {
  const uint64_t top = w[0] ^ w[1];
  w[0] = w[1];
  w[1] = w[2];
  w[2] = w[3];
  w[3] = top;
}

// P: byte k of 64-bit word i becomes byte i of 32-bit key word k. A 4x8 byte transpose: bytes
// of word pairs are interleaved, then 16-bit pieces of the results.
void TransformP(const uint64_t w[4], uint32_t key[8]) {
  constexpr uint64_t kBytes = 0x00ff00ff00ff00ff, kPairs = 0x0000ffff0000ffff;
  const uint64_t even01 = (w[0] & kBytes) | (w[1] & kBytes) << 8;
  const uint64_t odd01 = (w[0] >> 8 & kBytes) | (w[1] & ~kBytes);
  const uint64_t even23 = (w[2] & kBytes) | (w[3] & kBytes) << 8;
  const uint64_t odd23 = (w[2] >> 8 & kBytes) | (w[3] & ~kBytes);
  const uint64_t k04 = (even01 & kPairs) | (even23 & kPairs) << 16;
  const uint64_t k26 = (even01 >> 16 & kPairs) | (even23 & ~kPairs);
  const uint64_t k15 = (odd01 & kPairs) | (odd23 & kPairs) << 16;
  const uint64_t k37 = (odd01 >> 16 & kPairs) | (odd23 & ~kPairs);
  key[0] = static_cast<uint32_t>(k04), key[4] = static_cast<uint32_t>(k04 >> 32);
  key[1] = static_cast<uint32_t>(k15), key[5] = static_cast<uint32_t>(k15 >> 32);
  key[2] = static_cast<uint32_t>(k26), key[6] = static_cast<uint32_t>(k26 >> 32);
  key[3] = static_cast<uint32_t>(k37), key[7] = static_cast<uint32_t>(k37 >> 32);
}

// Out of line, so that the static constant-time check finds the masked instance by name.
template <class Round>
[[gnu::noinline]] void Step(const Round& f, uint64_t h[4], const uint64_t m[4]) {
  static constexpr uint64_t kC3[4] = {0xff00ff00ff00ff00, 0x00ff00ff00ff00ff, 0xff0000ff00ffff00,
                                      0xff00ffff000000ff};
  uint64_t u[4], v[4], w[4];
  uint32_t keys[4][8];
  std::memcpy(u, h, sizeof u);
  std::memcpy(v, m, sizeof v);
  #pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    if (j > 0) {
      TransformA(u);
      if (j == 2) {
        #pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) u[i] ^= kC3[i];
      }
      TransformA(v);
      TransformA(v);
    }
    #pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) w[i] = u[i] ^ v[i];
    TransformP(w, keys[j]);
  }

  // The four 64-bit words of H, each encrypted under its own key.
  uint32_t a[4], b[4];
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) a[i] = static_cast<uint32_t>(h[i]), b[i] = static_cast<uint32_t>(h[i] >> 32);
  detail::EncryptWords<4>(f, &keys[0][0], 8, a, b);
  uint64_t s[4];
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) s[i] = uint64_t{b[i]} | uint64_t{a[i]} << 32;

  Psi psi(s);
  psi.Times(12);
  psi.Xor(m);
  psi.Once();
  psi.Xor(h);
  psi.Times(61);
  psi.Store(h);

  SecureWipe(u, sizeof u);
  SecureWipe(v, sizeof v);
  SecureWipe(w, sizeof w);
  SecureWipe(keys, sizeof keys);
  SecureWipe(a, sizeof a);
  SecureWipe(b, sizeof b);
  SecureWipe(s, sizeof s);
}

// Sum modulo 2^256, carries computed without branches.
void Add256(uint64_t sum[4], const uint64_t m[4]) {
  uint64_t carry = 0;
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) sum[i] = AddCarry(sum[i], m[i], &carry);
}

template <class Round>
[[gnu::noinline]] void Block(const Round& f, uint64_t h[4], uint64_t sum[4], const uint8_t* data) {
  uint64_t m[4];
  for (int i = 0; i < 4; ++i) m[i] = Load64(data + 8 * i);
  Step(f, h, m);
  Add256(sum, m);
  SecureWipe(m, sizeof m);
}

// The last partial block, zero-padded, then the length in bits and the sum.
template <class Round>
void Finish(const Round& f, uint64_t h[4], uint64_t sum[4], const uint8_t* tail,
            size_t tail_size, uint64_t bytes, uint8_t digest[32]) {
  if (tail_size > 0) {
    uint8_t padded[32] = {};
    std::memcpy(padded, tail, tail_size);
    Block(f, h, sum, padded);
    SecureWipe(padded, sizeof padded);
  }
  const uint64_t length[4] = {bytes << 3, bytes >> 61, 0, 0};
  Step(f, h, length);
  Step(f, h, sum);
  for (int i = 0; i < 4; ++i) Store64(digest + 8 * i, h[i]);
}

}  // namespace

GostR3411_94::GostR3411_94(HashParams params, bool masked) noexcept
    : table_(nullptr), mux_(nullptr), masked_(masked) {
  if (const std::optional<SBoxSet> set = SBoxesOf(params)) {
    table_ = detail::RoundTableOf(*set);
    mux_ = detail::SBoxMuxOf(*set);
  }
  Reset();
}

GostR3411_94::~GostR3411_94() {
  SecureWipe(h_, sizeof h_);
  SecureWipe(sum_, sizeof sum_);
  SecureWipe(buffer_, sizeof buffer_);
}

void GostR3411_94::Reset() noexcept {
  std::memset(h_, 0, sizeof h_);
  std::memset(sum_, 0, sizeof sum_);
  bytes_ = 0;
  buffered_ = 0;
}

bool GostR3411_94::Update(const uint8_t* data, size_t size) noexcept {
  if (table_ == nullptr) return false;
  if (size == 0) return true;  // data may then be null, which memcpy does not allow
  const auto update = [&](const auto& f) {
    bytes_ += size;
    if (buffered_ > 0) {
      const size_t take = size < kBlockSize - buffered_ ? size : kBlockSize - buffered_;
      std::memcpy(buffer_ + buffered_, data, take);
      buffered_ += take;
      data += take;
      size -= take;
      if (buffered_ < kBlockSize) return;
      Block(f, h_, sum_, buffer_);
      buffered_ = 0;
    }
    for (; size >= kBlockSize; size -= kBlockSize, data += kBlockSize) Block(f, h_, sum_, data);
    std::memcpy(buffer_, data, size);
    buffered_ = size;
  };
  if (masked_) {
    update(detail::MaskedRound{*mux_});
  } else {
    update(detail::TableRound{*table_});
  }
  return true;
}

bool GostR3411_94::Final(uint8_t digest[kDigestSize]) noexcept {
  if (table_ == nullptr) {
    detail::ZeroOutput(digest, kDigestSize);
    return false;
  }
  if (masked_) {
    Finish(detail::MaskedRound{*mux_}, h_, sum_, buffer_, buffered_, bytes_, digest);
  } else {
    Finish(detail::TableRound{*table_}, h_, sum_, buffer_, buffered_, bytes_, digest);
  }
  SecureWipe(buffer_, sizeof buffer_);
  Reset();
  return true;
}

namespace {

template <class Hasher>
bool OneShot(HashParams params, const uint8_t* data, size_t size, uint8_t digest[32]) noexcept {
  Hasher hash(params);
  if (hash.Update(data, size) && hash.Final(digest)) return true;
  detail::ZeroOutput(digest, 32);
  return false;
}

}  // namespace

bool Hash(HashParams params, const uint8_t* data, size_t size, uint8_t digest[32]) noexcept {
  return OneShot<GostR3411_94>(params, data, size, digest);
}

bool HashSecret(HashParams params, const uint8_t* data, size_t size,
                uint8_t digest[32]) noexcept {
  return OneShot<GostR3411_94Secret>(params, data, size, digest);
}

}  // namespace gost
