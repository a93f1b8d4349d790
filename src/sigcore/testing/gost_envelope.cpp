#include "gost_envelope.h"

#include <cstring>
#include <stdexcept>

#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"

namespace sigcore_test {
namespace {

constexpr auto kCurve = gost::CurveParams::CryptoProA;
constexpr auto kSBoxes = gost::SBoxSet::CryptoProA;
// Any code the provider could give for a failed call.
constexpr int32_t kFailed = 1;

}  // namespace

bool DeriveKek(const uint8_t* privateKey, const uint8_t* peerValue, uint8_t* kek) {
  uint8_t material[64] = {};
  return gost::ComputeSharedX(kCurve, privateKey, peerValue, material) &&
         gost::HashSecret(gost::HashParams::CryptoPro, material, sizeof material, kek);
}

GostEnvelope::GostEnvelope(const std::array<uint8_t, 32>& privateKey, uint32_t seed)
    : privateKey_(privateKey), counter_(seed) {
  uint8_t random[gost::kKeyGenerationRandomSize];
  RandomBytes(random, sizeof random);
  if (!gost::GenerateKeyPair(kCurve, random, ephemeralKey_.data(), ephemeralValue_.data()))
    throw std::runtime_error("no ephemeral pair");
}

void GostEnvelope::AddRecipient(const std::string& uid,
                                const std::array<uint8_t, 65>& publicKey) {
  recipients_[uid] = publicKey;
}

int32_t GostEnvelope::RandomBytes(uint8_t* out, size_t size) {
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>((++counter_) * 2654435761u >> 13);
  return 0;
}

int32_t GostEnvelope::Crypt(int32_t method, bool encrypt, const uint8_t* key,
                            const uint8_t* start, const uint8_t* in, uint8_t* out, size_t size) {
  if (method == sigcore::kMethodGamma)
    return gost::Gost28147Gamma(kSBoxes, key, start).Apply(in, out, size) ? 0 : kFailed;
  if (method != sigcore::kMethodGammaFeedback) return kFailed;
  gost::Gost28147Cfb cfb(kSBoxes, key, start);
  return (encrypt ? cfb.Encrypt(in, out, size) : cfb.Decrypt(in, out, size)) ? 0 : kFailed;
}

int32_t GostEnvelope::Mac(const uint8_t* key, const uint8_t* data, size_t size, uint8_t* mac) {
  gost::Gost28147Mac imitation(kSBoxes, key);
  return imitation.Update(data, size) && imitation.Final(mac) ? 0 : kFailed;
}

int32_t GostEnvelope::RecipientKey(const std::string& uid, uint8_t* key) {
  const auto found = recipients_.find(uid);
  if (found == recipients_.end()) return -9;
  return DeriveKek(ephemeralKey_.data(), found->second.data(), key) ? 0 : kFailed;
}

int32_t GostEnvelope::SenderPublicValue(uint8_t* value) {
  std::memcpy(value, ephemeralValue_.data(), ephemeralValue_.size());
  return 0;
}

int32_t GostEnvelope::SenderKey(const uint8_t* senderValue, uint8_t* key) {
  ++senderKeyCalls_;
  return DeriveKek(privateKey_.data(), senderValue, key) ? 0 : kFailed;
}

}  // namespace sigcore_test
