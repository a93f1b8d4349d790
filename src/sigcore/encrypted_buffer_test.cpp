// The encrypted buffer with the GOST library as its cryptography: sealed and opened between
// two parties, kept within the growth hosts allow for, and hostile buffers refused before the
// recipient's secret key is used.
#include "encrypted_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gost_envelope.h"
#include "key_blocks.h"

namespace sigcore {
namespace {

using sigcore_test::GostEnvelope;
using sigcore_test::MakeKeyPair;
using Bytes = std::vector<uint8_t>;

Bytes Opened(const SecretBuffer<uint8_t>& plaintext) {
  return Bytes(plaintext.data(), plaintext.data() + plaintext.size());
}

TEST(EncryptedBuffer, SealsForEveryRecipientWithinTheGrowthHostsAllowFor) {
  const std::string longUid(254, 'U');
  const std::vector<std::string> recipients = {longUid + "", std::string(253, 'V') + "W", "X"};
  GostEnvelope sender(MakeKeyPair(1).privateKey, 7);
  for (size_t i = 0; i < recipients.size(); ++i)
    sender.AddRecipient(recipients[i], MakeKeyPair(static_cast<uint32_t>(10 + i)).publicKey);
  const Bytes plaintext = {'o', 'r', 'd', 'e', 'r'};
  for (const int32_t method : {kMethodGamma, kMethodGammaFeedback}) {
    Bytes sealed;
    ASSERT_EQ(SealEnvelope(sender, method, longUid, recipients, plaintext.data(), plaintext.size(), sealed), 0);
    EXPECT_EQ(sealed.size(), plaintext.size() + 8 + 255 + 2 * 291 + (1 + 37) + 77);
    EXPECT_LE(static_cast<int64_t>(sealed.size()),
              static_cast<int64_t>(plaintext.size()) + MaxEncryptionGrowth(3));
    for (size_t i = 0; i < recipients.size(); ++i) {
      GostEnvelope recipient(MakeKeyPair(static_cast<uint32_t>(10 + i)).privateKey, 99);
      SecretBuffer<uint8_t> opened;
      ASSERT_EQ(OpenEnvelope(recipient, recipients[i], sealed.data(), sealed.size(), opened), 0);
      EXPECT_EQ(Opened(opened), plaintext);
    }
    // A party that is not a recipient cannot pose as one: its key does not open the entry.
    GostEnvelope stranger(MakeKeyPair(50).privateKey, 99);
    SecretBuffer<uint8_t> opened;
    EXPECT_EQ(OpenEnvelope(stranger, "X", sealed.data(), sealed.size(), opened), -17);
    EXPECT_EQ(opened.size(), 0u);
  }
  // An unknown recipient ends sealing with its lookup's code.
  Bytes sealed;
  EXPECT_EQ(SealEnvelope(sender, kMethodGamma, "ME", {"X", ""}, plaintext.data(), plaintext.size(), sealed), -9);
  EXPECT_TRUE(sealed.empty());
}

TEST(EncryptedBuffer, HostileLayoutsAreRefusedBeforeTheSecretKeyIsUsed) {
  GostEnvelope sender(MakeKeyPair(1).privateKey, 7);
  sender.AddRecipient("R", MakeKeyPair(2).publicKey);
  sender.AddRecipient("S", MakeKeyPair(3).publicKey);
  const Bytes plaintext(40, 'p');
  Bytes sealed;
  ASSERT_EQ(SealEnvelope(sender, kMethodGamma, "ME", {"S", "R"}, plaintext.data(), plaintext.size(), sealed), 0);
  const auto edited = [&](size_t offset, std::initializer_list<uint8_t> bytes) {
    Bytes b = sealed;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
    return b;
  };
  const auto cut = [&](size_t size) { return Bytes(sealed.begin(), sealed.begin() + static_cast<std::ptrdiff_t>(size)); };
  Bytes longSender(8, 0);
  longSender[0] = 1;
  longSender[4] = 1;
  longSender.resize(8 + 255 + 38 + 77 + 1, 'L');
  struct Case {
    const char* name;
    Bytes buffer;
    int32_t result;
  };
  const Case cases[] = {
      {"empty", {}, -15},
      {"header only", cut(8), -15},
      {"sender UID and nothing after", cut(11), -15},
      {"sender UID without its NUL", cut(10), -15},
      {"empty sender UID", edited(8, {0}), -15},
      {"sender UID of 255 characters", longSender, -15},
      {"method 0", edited(4, {0}), -15},
      {"method 3", edited(4, {3}), -15},
      {"method 2^32 - 1", edited(4, {0xFF, 0xFF, 0xFF, 0xFF}), -15},
      {"count beyond the buffer", edited(0, {0xFF, 0xFF, 0xFF, 0x7F}), -15},
      {"one entry more than there are", edited(0, {3}), -15},
      {"entry cut inside its UID", cut(11 + 38 + 1), -15},
      {"entry cut inside its key", cut(11 + 38 + 20), -15},
      {"no byte of ciphertext", cut(sealed.size() - plaintext.size()), -15},
      {"trailer one byte short", cut(11 + 2 * 38 + 77), -15},
      {"no entries", edited(0, {0}), -16},
      {"only the first entry counted", edited(0, {1}), -16},
      {"recipient UID in another case", edited(11 + 38, {'r'}), -16},
  };
  for (const Case& c : cases) {
    GostEnvelope recipient(MakeKeyPair(2).privateKey, 5);
    SecretBuffer<uint8_t> opened;
    EXPECT_EQ(OpenEnvelope(recipient, "R", c.buffer.data(), c.buffer.size(), opened), c.result) << c.name;
    EXPECT_EQ(recipient.SenderKeyCalls(), 0) << c.name;
    EXPECT_EQ(opened.size(), 0u) << c.name;
  }
  // The last entry of the UID is the one opened.
  GostEnvelope recipient(MakeKeyPair(2).privateKey, 5);
  SecretBuffer<uint8_t> opened;
  const Bytes renamed = edited(11, {'R'});
  EXPECT_EQ(OpenEnvelope(recipient, "R", renamed.data(), renamed.size(), opened), 0);
  EXPECT_EQ(Opened(opened), plaintext);
}

// In the caller's buffer: the plaintext becomes the encrypted buffer and back, and every
// failure leaves the buffer as it was: a buffer one byte short of the growth, a recipient
// without a key, damaged data (the decrypted text is encrypted back, never left behind).
TEST(EncryptedBuffer, InPlaceTheBufferChangesOnlyOnSuccess) {
  GostEnvelope sender(MakeKeyPair(1).privateKey, 7);
  sender.AddRecipient("R", MakeKeyPair(2).publicKey);
  for (const int32_t method : {kMethodGamma, kMethodGammaFeedback}) {
    Bytes plaintext(5000);
    for (size_t i = 0; i < plaintext.size(); ++i) plaintext[i] = static_cast<uint8_t>(i * 13);
    const size_t growth = EnvelopeGrowth("ME", {"R"});
    EXPECT_EQ(growth, 8 + 3 + 38 + 77u);
    Bytes buffer = plaintext;
    buffer.resize(plaintext.size() + growth, 0xEE);
    size_t sealedSize = 1;
    EXPECT_EQ(SealEnvelopeInPlace(sender, method, "ME", {"R"}, buffer.data(), plaintext.size(),
                                  buffer.size() - 1, sealedSize),
              -3);
    EXPECT_EQ(SealEnvelopeInPlace(sender, method, "ME", {"R", "X"}, buffer.data(),
                                  plaintext.size(), buffer.size() + 100, sealedSize),
              -9);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5000), plaintext);
    EXPECT_EQ(sealedSize, 0u);
    ASSERT_EQ(SealEnvelopeInPlace(sender, method, "ME", {"R"}, buffer.data(), plaintext.size(),
                                  buffer.size(), sealedSize),
              0);
    ASSERT_EQ(sealedSize, buffer.size());

    // The copying form opens it as well, and so does the buffer itself.
    GostEnvelope recipient(MakeKeyPair(2).privateKey, 99);
    SecretBuffer<uint8_t> opened;
    ASSERT_EQ(OpenEnvelope(recipient, "R", buffer.data(), buffer.size(), opened), 0);
    EXPECT_EQ(Opened(opened), plaintext);
    for (const size_t damagedAt : {growth, growth + 2500, buffer.size() - 1}) {
      Bytes damaged = buffer;
      damaged[damagedAt] ^= 0x80;
      Bytes inPlace = damaged;
      size_t length = 1;
      EXPECT_EQ(OpenEnvelopeInPlace(recipient, "R", inPlace.data(), inPlace.size(), length), -18);
      EXPECT_EQ(inPlace, damaged) << damagedAt;
      EXPECT_EQ(length, 0u);
    }
    size_t length = 0;
    ASSERT_EQ(OpenEnvelopeInPlace(recipient, "R", buffer.data(), buffer.size(), length), 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length)),
              plaintext);
  }
}

TEST(EncryptedBuffer, MethodNamesAndRecipientLists) {
  const std::pair<const char*, int32_t> methods[] = {
      {"GAMMA", 1}, {"gamma", 1}, {"GfB", 2}, {"GFB ", 0}, {"", 0}, {"CFB", 0}, {"GAMMAGFB", 0}};
  for (const auto& [name, method] : methods) EXPECT_EQ(CipherMethodByName(name), method) << name;
  const std::pair<const char*, std::vector<std::string>> lists[] = {
      {"A", {"A"}},           {"A;B", {"A", "B"}},     {"A;", {"A", ""}},
      {";", {"", ""}},        {"", {""}},              {"A;;B", {"A", "", "B"}},
      {" A ; B", {" A ", " B"}},
  };
  for (const auto& [list, pieces] : lists) EXPECT_EQ(SplitRecipientList(list), pieces) << list;
  EXPECT_EQ(MaxEncryptionGrowth(3), 1224);
  EXPECT_EQ(MaxEncryptionGrowth(2), 933);
  EXPECT_EQ(MaxEncryptionGrowth(100), 29451);
}

}  // namespace
}  // namespace sigcore
