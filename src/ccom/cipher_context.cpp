#include "cipher_context.h"

#include <cstring>
#include <string>

#include "provider_error.h"

namespace ccom {

void CipherContext::Require(bool ok) const {
  if (!ok) Fail(kInternalError, "GOST 28147-89 refused the operation");
}

void CipherContext::Init(Mode mode, bool encrypt, const uint8_t key[32], const uint8_t* iv,
                         gost::SBoxSet set) {
  const bool needsIv = mode == Mode::Gamma || mode == Mode::GammaFeedback ||
                       mode == Mode::GammaFeedbackMeshed || mode == Mode::Cbc;
  if (key == nullptr) Fail(kParameterError, "no key");
  if (needsIv && iv == nullptr) Fail(kParameterError, "this mode needs an 8-byte start value");
  if (mode == Mode::None) Fail(kUnknownMode, "no cipher mode");
  if (key != key_->data()) std::memcpy(key_->data(), key, 32);
  hasIv_ = iv != nullptr;
  if (iv != nullptr && iv != iv_->data()) std::memcpy(iv_->data(), iv, 8);
  if (iv == nullptr) std::memset(iv_->data(), 0, 8);
  mode_ = mode;
  encrypt_ = encrypt;
  set_ = set;
  std::memcpy(chain_->data(), iv_->data(), 8);
  const uint8_t* start = iv_->data();
  switch (mode) {
    case Mode::SimpleSubstitution:
    case Mode::Cbc:
      engine_.emplace<gost::Gost28147>(set, key_->data());
      break;
    case Mode::Gamma:
      engine_.emplace<gost::Gost28147Gamma>(set, key_->data(), start);
      break;
    case Mode::GammaFeedback:
      engine_.emplace<gost::Gost28147Cfb>(set, key_->data(), start);
      break;
    case Mode::GammaFeedbackMeshed:
      engine_.emplace<gost::Gost28147Cfb>(set, key_->data(), start,
                                          gost::Gost28147Cfb::Meshing::CryptoPro);
      break;
    case Mode::Mac:
      engine_.emplace<gost::Gost28147Mac>(set, key_->data(), hasIv_ ? start : nullptr);
      break;
    case Mode::None:
      break;
  }
}

void CipherContext::ChangeSet(gost::SBoxSet set) {
  if (mode_ == Mode::None) {
    set_ = set;
    return;
  }
  Init(mode_, encrypt_, key_->data(), hasIv_ ? iv_->data() : nullptr, set);
}

gost::SBoxSet CipherContext::Set() const { return set_; }

void CipherContext::Crypt(bool encrypt, const uint8_t* in, uint8_t* out, size_t size) {
  switch (mode_) {
    case Mode::None:
      Fail(kParameterError, "the cipher context has not been initialised");
    case Mode::Mac:
      Fail(kUnknownMode, "a MAC context takes its data through the MAC calls");
    case Mode::SimpleSubstitution:
    case Mode::Cbc:
      if (size % 8 != 0)
        Fail(kParameterError, "simple substitution and CBC take whole 8-byte blocks, not " +
                                  std::to_string(size) + " bytes");
      break;
    default:
      break;
  }
  if (size == 0) return;
  if (mode_ == Mode::SimpleSubstitution) {
    const auto& ecb = std::get<gost::Gost28147>(engine_);
    Require(encrypt ? ecb.Encrypt(in, out, size / 8) : ecb.Decrypt(in, out, size / 8));
  } else if (mode_ == Mode::Cbc) {
    const auto& ecb = std::get<gost::Gost28147>(engine_);
    for (size_t at = 0; at < size; at += 8) {
      uint8_t block[8];
      if (encrypt) {
        for (int i = 0; i < 8; ++i) block[i] = static_cast<uint8_t>(in[at + i] ^ (*chain_)[i]);
        Require(ecb.Encrypt(block, out + at, 1));
        std::memcpy(chain_->data(), out + at, 8);
      } else {
        std::memcpy(block, in + at, 8);
        Require(ecb.Decrypt(block, out + at, 1));
        for (int i = 0; i < 8; ++i) out[at + i] = static_cast<uint8_t>(out[at + i] ^ (*chain_)[i]);
        std::memcpy(chain_->data(), block, 8);
      }
    }
  } else if (mode_ == Mode::Gamma) {
    Require(std::get<gost::Gost28147Gamma>(engine_).Apply(in, out, size));
  } else {
    auto& cfb = std::get<gost::Gost28147Cfb>(engine_);
    Require(encrypt ? cfb.Encrypt(in, out, size) : cfb.Decrypt(in, out, size));
  }
}

void CipherContext::MacUpdate(const uint8_t* data, size_t size) {
  if (mode_ != Mode::Mac) Fail(kUnknownMode, "the context was not initialised for a MAC");
  Require(std::get<gost::Gost28147Mac>(engine_).Update(data, size));
}

void CipherContext::MacFinal(uint8_t mac[4]) {
  if (mode_ != Mode::Mac) Fail(kUnknownMode, "the context was not initialised for a MAC");
  Require(std::get<gost::Gost28147Mac>(engine_).Final(mac));
}

void CipherContext::Clean() noexcept {
  engine_.emplace<std::monostate>();
  mode_ = Mode::None;
  gost::SecureWipe(key_->data(), 32);
  gost::SecureWipe(iv_->data(), 8);
  gost::SecureWipe(chain_->data(), 8);
  hasIv_ = false;
}

}  // namespace ccom
