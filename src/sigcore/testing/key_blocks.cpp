#include "key_blocks.h"

#include <algorithm>
#include <stdexcept>

#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "pkblock.h"

namespace sigcore_test {

KeyPair MakeKeyPair(uint32_t seed) {
  std::array<uint8_t, gost::kKeyGenerationRandomSize> random{};
  for (size_t i = 0; i < random.size(); ++i)
    random[i] = static_cast<uint8_t>((seed >> (8 * (i % 4))) * 131 + i * 29 + 7);
  KeyPair key;
  if (!gost::GenerateKeyPair(gost::CurveParams::CryptoProA, random.data(), key.privateKey.data(),
                             key.publicKey.data()))
    throw std::runtime_error("no key pair for this seed");
  return key;
}

std::vector<uint8_t> SignedBlock(const std::string& uid, const std::string& owner,
                                 const KeyPair& key) {
  sigcore::TCCom3x_CashNode node;
  node.uid = uid;
  node.ownerText = owner;
  node.publicKeyLength = sigcore::kBlockPublicKeySize;
  std::copy(key.publicKey.begin(), key.publicKey.end(), node.publicKey.begin());
  std::vector<uint8_t> block(sigcore::kMaxPublicKeyBlockSize);
  int32_t size = static_cast<int32_t>(block.size());
  if (sigcore::SerializePublicKeyBlock(node, block.data(), size) != 0)
    throw std::runtime_error("block too large: " + uid);

  uint8_t digest[32];
  if (!gost::Hash(gost::HashParams::CryptoPro, block.data(), static_cast<size_t>(size), digest))
    throw std::runtime_error("cannot hash");
  const uint8_t nonceSeed[] = {1, 2, 3};
  node.signatureLength = sigcore::kBlockSignatureSize;
  if (!gost::Sign(gost::CurveParams::CryptoProA, key.privateKey.data(), digest, nonceSeed,
                  sizeof nonceSeed, node.signature.data()))
    throw std::runtime_error("cannot sign");
  size = static_cast<int32_t>(block.size());
  if (sigcore::AppendBlockSignature(node, block.data(), size) != 0)
    throw std::runtime_error("cannot append the signature");
  block.resize(static_cast<size_t>(size));
  return block;
}

}  // namespace sigcore_test
