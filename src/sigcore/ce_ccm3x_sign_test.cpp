// Signing, verification and hashing by the binding over the simulating provider, checked
// against the GOST library and the repository's known answers.
#include <gtest/gtest.h>

#include <cstring>

#include "ce_ccm3x.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "mimecode.h"
#include "sim_media.h"
#include "test_vectors.h"

namespace sigcore {
namespace {

using sigcore_test::MakeKeyPair;
using sigcore_test::SignedBlock;
using sigcore_test::WriteFile;
using Bytes = std::vector<uint8_t>;

// The digest of UID, NUL and data: what a signature block's value signs.
Bytes SignedDigest(const std::string& uid, const Bytes& data) {
  Bytes message(uid.begin(), uid.end());
  message.push_back(0);
  message.insert(message.end(), data.begin(), data.end());
  Bytes digest(32);
  EXPECT_TRUE(gost::Hash(gost::HashParams::CryptoPro, message.data(), message.size(), digest.data()));
  return digest;
}

class Signing : public sigcore_test::SimulatedMedia {
 protected:
  Signing() { InstallDiskKeys("ME", 5, {4, 5}); }

  int32_t Sign(const Bytes& data, Bytes& block) {
    block.assign(319, 0xEE);
    int32_t length = 0;
    const int32_t result =
        binding_->SignData(params_, data.data(), static_cast<int32_t>(data.size()), block.data(), &length);
    block.resize(result == 0 ? static_cast<size_t>(length) : 0);
    return result;
  }
  // The result, and the UID buffer as the call left it.
  int32_t Verify(const Bytes& data, const Bytes& block, std::string& uid) {
    char out[255];
    std::memset(out, 'x', sizeof out);
    out[254] = 0;
    const int32_t result = binding_->VerifyData(params_, data.data(), static_cast<int32_t>(data.size()),
                                                block.data(), static_cast<int32_t>(block.size()), out);
    uid = out;
    return result;
  }
};

TEST_F(Signing, SignedBlockCarriesTheOwnUidAndVerifiesHereAndWithTheGostLibrary) {
  const Bytes data = {'p', 'a', 'y', ' ', '1', '0', '0', 0, 0xFF};
  Bytes block;
  ASSERT_EQ(Sign(data, block), 0);
  ASSERT_EQ(block.size(), 2 + 65u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()), 3), std::string("ME\0", 3));
  EXPECT_TRUE(gost::Verify(gost::CurveParams::CryptoProA, MakeKeyPair(5).publicKey.data(),
                           SignedDigest("ME", data).data(), block.data() + 3));
  // The UID is signed too: the value does not hold for the data alone.
  Bytes digest(32);
  ASSERT_TRUE(gost::Hash(gost::HashParams::CryptoPro, data.data(), data.size(), digest.data()));
  EXPECT_FALSE(gost::Verify(gost::CurveParams::CryptoProA, MakeKeyPair(5).publicKey.data(),
                            digest.data(), block.data() + 3));

  std::string uid;
  EXPECT_EQ(Verify(data, block, uid), 0);
  EXPECT_EQ(uid, "ME");
  Bytes changed = data;
  changed[4] ^= 1;
  EXPECT_EQ(Verify(changed, block, uid), 7);
  EXPECT_EQ(uid, std::string(254, 'x'));

  // Empty data signs and verifies as well.
  ASSERT_EQ(Sign({}, block), 0);
  const uint8_t nothing = 0;
  char out[255] = {};
  EXPECT_EQ(binding_->VerifyData(params_, &nothing, 0, block.data(), 67, out), 0);
}

TEST_F(Signing, CorrespondentSignaturesMadeElsewhereVerifyWithTheirCachedKeys) {
  const auto bank = MakeKeyPair(21);
  WriteFile(params_.abonentsDir + "bank.pub", SignedBlock("BANK", "CN=BANK", bank));
  const Bytes data = {'o', 'k'};
  Bytes block = {'B', 'A', 'N', 'K', 0};
  block.resize(5 + 64);
  const uint8_t seed[] = {9};
  ASSERT_TRUE(gost::Sign(gost::CurveParams::CryptoProA, bank.privateKey.data(),
                         SignedDigest("BANK", data).data(), seed, sizeof seed, block.data() + 5));
  std::string uid;
  EXPECT_EQ(Verify(data, block, uid), 0);
  EXPECT_EQ(uid, "BANK");

  // A UID bound to another signer's value, an unknown signer, a damaged key.
  Bytes other = block;
  std::memcpy(other.data(), "ME\0", 3);
  other.erase(other.begin() + 3, other.begin() + 5);
  EXPECT_EQ(Verify(data, other, uid), 7);
  Bytes unknown = block;
  unknown[0] = 'P';
  EXPECT_EQ(Verify(data, unknown, uid), -9);
  Bytes damagedKey = SignedBlock("BANK", "CN=BANK", bank);
  damagedKey[20] ^= 1;
  WriteFile(params_.abonentsDir + "bank.pub", damagedKey);
  binding_->ClearKeySessionAndCache();
  EXPECT_EQ(Verify(data, block, uid), -13);
  EXPECT_EQ(uid, std::string(254, 'x'));
}

TEST_F(Signing, MalformedBlocksAndArgumentsAreRefusedBeforeAnyKeyIsLookedUp) {
  const Bytes data = {1, 2, 3};
  Bytes good;
  ASSERT_EQ(Sign(data, good), 0);
  const auto withUid = [](const std::string& uid, size_t valueSize) {
    Bytes block(uid.begin(), uid.end());
    block.push_back(0);
    block.resize(block.size() + valueSize, 7);
    return block;
  };
  Bytes noNul(good.begin(), good.begin() + 2);
  const std::pair<const char*, Bytes> blocks[] = {
      {"one byte short", Bytes(good.begin(), good.end() - 1)},
      {"one byte long", [&] { Bytes b = good; b.push_back(0); return b; }()},
      {"empty UID", withUid("", 64)},
      {"UID of 255 characters", withUid(std::string(255, 'U'), 64)},
      {"no NUL", noNul},
      {"empty", {}},
  };
  binding_->ClearKeySessionAndCache();
  TakeLog();
  std::string uid;
  for (const auto& [name, block] : blocks) EXPECT_EQ(Verify(data, block, uid), -12) << name;
  char out[255];
  EXPECT_EQ(binding_->VerifyData(params_, data.data(), 3, nullptr, 67, out), -12);
  EXPECT_EQ(binding_->VerifyData(params_, nullptr, 3, good.data(), 67, out), -11);
  EXPECT_EQ(binding_->VerifyData(params_, data.data(), -1, good.data(), 67, out), -11);
  EXPECT_EQ(binding_->VerifyData(params_, data.data(), 3, good.data(), 67, nullptr), -11);
  // A UID of 254 characters is well-formed: its signer is looked up, and not found.
  EXPECT_EQ(Verify(data, withUid(std::string(254, 'U'), 64), uid), -9);
  EXPECT_EQ(Count("PSE_CTX_new"), 0);

  int32_t length = 0;
  Bytes out319(319);
  EXPECT_EQ(binding_->SignData(params_, nullptr, 3, out319.data(), &length), -11);
  EXPECT_EQ(binding_->SignData(params_, data.data(), -1, out319.data(), &length), -11);
  EXPECT_EQ(binding_->SignData(params_, data.data(), 3, nullptr, &length), -11);
}

TEST_F(Signing, HashFormsMatchTheKnownAnswers) {
  int checked = 0;
  for (const gost::TestVector& v : gost::ReadTestVectors("gostr3411-94.txt")) {
    if (v.Text("Params") != "CryptoPro") continue;
    const Bytes message = v.Bytes("Message");
    const Bytes expected = v.Bytes("Digest");
    const auto hash = [&](int32_t form, int32_t capacity, int32_t& size) {
      Bytes out(static_cast<size_t>(capacity), 0xEE);
      size = capacity;
      const int32_t result = binding_->HashData(params_, message.data(), static_cast<int32_t>(message.size()),
                                                form, out.data(), &size);
      EXPECT_EQ(result, 0) << v.Where();
      out.resize(static_cast<size_t>(size));
      return out;
    };
    int32_t size = 0;
    EXPECT_EQ(hash(0, 32, size), expected) << v.Where();
    EXPECT_EQ(hash(7, 40, size), expected) << v.Where();
    const Bytes hex = hash(2, 64, size);
    EXPECT_EQ(std::string(hex.begin(), hex.end()), gost::ToHex(expected.data(), expected.size()))
        << v.Where();
    const Bytes text = hash(1, 100, size);
    EXPECT_EQ(size, 44) << v.Where();
    uint8_t* decoded = nullptr;
    int32_t decodedLength = 0;
    kit::Base64Decode(reinterpret_cast<const char*>(text.data()), size, &decoded, &decodedLength);
    const kit::Base64Block<uint8_t> owned(decoded);
    EXPECT_EQ(Bytes(decoded, decoded + decodedLength), expected) << v.Where();
    ++checked;
  }
  EXPECT_GE(checked, 5);

  // Size queries and buffers too small: the needed size comes back.
  const uint8_t data[] = {'a'};
  struct Case {
    int32_t form;
    bool buffer;
    int32_t capacity;
    int32_t result;
    int32_t size;
  };
  const Case cases[] = {{2, false, 0, 0, 64}, {2, true, 10, -3, 64}, {2, true, 63, -3, 64},
                        {1, false, 0, 0, 44}, {1, true, 43, -3, 44}, {0, true, 31, -3, 32},
                        {5, false, 99, 0, 32}};
  for (const Case& c : cases) {
    Bytes out(100, 0xEE);
    int32_t size = c.capacity;
    EXPECT_EQ(binding_->HashData(params_, data, 1, c.form, c.buffer ? out.data() : nullptr, &size), c.result)
        << c.form << " " << c.capacity;
    EXPECT_EQ(size, c.size) << c.form << " " << c.capacity;
    EXPECT_EQ(out, Bytes(100, 0xEE));
  }
  int32_t size = 64;
  Bytes out(64);
  EXPECT_EQ(binding_->HashData(params_, nullptr, 1, 2, out.data(), &size), -11);
  EXPECT_EQ(binding_->HashData(params_, data, -1, 2, out.data(), &size), -11);
  EXPECT_EQ(binding_->HashData(params_, data, 1, 2, out.data(), nullptr), -11);
}

}  // namespace
}  // namespace sigcore
