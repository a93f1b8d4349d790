#include "keywrap.h"

#include <cstring>

#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "provider_error.h"
#include "secret.h"

namespace ccom {
namespace {

void Check(bool ok) {
  if (!ok) Fail(kInternalError, "GOST 28147-89 refused a key operation");
}

uint32_t Word(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutWord(uint32_t value, uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void Mac(gost::SBoxSet set, const uint8_t key[32], const uint8_t ukm[8], const uint8_t data[32],
         uint8_t mac[4]) {
  gost::Gost28147MacSecret imit(set, key, ukm);
  Check(imit.Update(data, 32) && imit.Final(mac));
}

}  // namespace

void DiversifyKey(gost::SBoxSet set, const uint8_t key[32], const uint8_t ukm[8],
                  uint8_t diversified[32]) {
  SecretArray<32> current;
  std::memcpy(current->data(), key, 32);
  for (int i = 0; i < 8; ++i) {
    // The sums select words by public UKM bits; the words themselves are only added.
    uint32_t selected = 0, others = 0;
    for (int j = 0; j < 8; ++j) {
      const uint32_t word = Word(current->data() + 4 * j);
      const uint32_t mask = 0u - ((ukm[i] >> j) & 1u);
      selected += word & mask;
      others += word & ~mask;
    }
    // The start value is made of key words: it is wiped like the key.
    SecretArray<8> start;
    PutWord(selected, start->data());
    PutWord(others, start->data() + 4);
    SecretArray<32> next;
    gost::Gost28147CfbSecret cfb(set, current->data(), start->data());
    Check(cfb.Encrypt(current->data(), next->data(), 32));
    std::memcpy(current->data(), next->data(), 32);
  }
  std::memcpy(diversified, current->data(), 32);
}

void WrapKey(gost::SBoxSet set, const uint8_t wrappingKey[32], const uint8_t ukm[8],
             const uint8_t key[32], uint8_t wrapped[kWrappedKeySize]) {
  const gost::Gost28147Secret cipher(set, wrappingKey);
  Check(cipher.Encrypt(key, wrapped, 4));
  Mac(set, wrappingKey, ukm, key, wrapped + 32);
}

bool UnwrapKey(gost::SBoxSet set, const uint8_t wrappingKey[32], const uint8_t ukm[8],
               const uint8_t wrapped[kWrappedKeySize], uint8_t key[32]) {
  const gost::Gost28147Secret cipher(set, wrappingKey);
  Check(cipher.Decrypt(wrapped, key, 4));
  uint8_t mac[4];
  Mac(set, wrappingKey, ukm, key, mac);
  if (SecretEqual(mac, wrapped + 32, 4)) return true;
  gost::SecureWipe(key, 32);
  return false;
}

}  // namespace ccom
