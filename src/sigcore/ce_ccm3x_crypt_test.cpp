// Encryption for a list of recipients and decryption by the binding over the simulating
// provider: the buffer's bytes where the layout puts them, opened by each recipient's own
// binding and by the GOST library, and every damage found.
#include <gtest/gtest.h>

#include <cstring>
#include <atomic>
#include <filesystem>
#include <thread>

#include "ce_ccm3x.h"
#include "data_pipeline.h"
#include "encrypted_buffer.h"
#include "gost_envelope.h"
#include "gostr3410_2001.h"
#include "sim_media.h"

namespace sigcore {
namespace {

namespace fs = std::filesystem;
using sigcore_test::MakeKeyPair;
using sigcore_test::SignedBlock;
using sigcore_test::SimSecretKey;
using sigcore_test::WriteFile;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kMe = 5, kA = 11, kB = 12;

uint32_t Uint32At(const Bytes& bytes, size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         uint32_t{bytes[offset + 3]} << 24;
}

class Encryption : public sigcore_test::SimulatedMedia {
 protected:
  // A correspondent with a binding of its own: its key, secret key and folders.
  struct Party {
    TCCom3x_UserParam params;
    std::unique_ptr<TCCom3x_DLL> binding;
  };

  Encryption() {
    InstallDiskKeys("ME", kMe, {kMe});
    WriteFile(params_.abonentsDir + "a.pub", SignedBlock("A", "", MakeKeyPair(kA)));
    WriteFile(params_.abonentsDir + "b.pub", SignedBlock("B", "", MakeKeyPair(kB)));
    a_ = MakeParty("A", kA);
    b_ = MakeParty("B", kB);
  }

  Party MakeParty(const std::string& uid, uint32_t seed) {
    Party party;
    party.params = params_;
    party.params.userPublicKeyPath = scenario_.Path(uid + ".pub");
    party.params.secretKeyDir = scenario_.Path("SECRET_" + uid + "\\");
    party.params.abonentsDir = scenario_.Path("ABONENTS_" + uid + "\\");
    fs::create_directories(party.params.abonentsDir);
    WriteFile(party.params.userPublicKeyPath, SignedBlock(uid, "", MakeKeyPair(seed)));
    WriteFile(party.params.secretKeyDir + "rand.opq", {});
    WriteFile(party.params.secretKeyDir + "KEYS\\sk000001.sec", SimSecretKey(seed));
    party.binding = std::make_unique<TCCom3x_DLL>();
    return party;
  }

  int32_t Encrypt(const char* method, const char* recipients, const Bytes& plaintext, Bytes& out) {
    out = plaintext;
    out.resize(plaintext.size() + 2000, 0xEE);
    int32_t length = static_cast<int32_t>(plaintext.size());
    const int32_t result = binding_->EncodeData(params_, method, recipients, out.data(), &length);
    if (result == 0) out.resize(static_cast<size_t>(length));
    return result;
  }
  // The result; `buffer` is what the call left in its bytes.
  static int32_t Decrypt(Party& party, Bytes& buffer) {
    int32_t length = static_cast<int32_t>(buffer.size());
    const int32_t result = party.binding->DecodeData(party.params, buffer.data(), &length);
    if (result == 0) buffer.resize(static_cast<size_t>(length));
    return result;
  }

  Party a_, b_;
};

// Documents large enough to be sealed and opened on two threads come out the same.
TEST_F(Encryption, EachRecipientOpensItsEntryInListOrderWithEitherMethod) {
  for (const size_t size : {size_t{3000}, kPipelineThreadsFrom + 4321})
  for (const auto& [name, method] : {std::pair{"GAMMA", 1u}, {"gfb", 2u}}) {
    Bytes plaintext(size);
    for (size_t i = 0; i < plaintext.size(); ++i) plaintext[i] = static_cast<uint8_t>(i * 7);
    Bytes sealed;
    ASSERT_EQ(Encrypt(name, "A;B", plaintext, sealed), 0) << name;
    // count, method, "ME", then A's entry and B's, the trailer and the ciphertext.
    const size_t entries = 8 + 3;
    const size_t trailer = entries + 2 * (2 + 36);
    ASSERT_EQ(sealed.size(), trailer + 77 + plaintext.size()) << name;
    EXPECT_EQ(Uint32At(sealed, 0), 2u);
    EXPECT_EQ(Uint32At(sealed, 4), method);
    EXPECT_EQ(std::memcmp(sealed.data() + 8, "ME\0", 3), 0);
    EXPECT_EQ(std::memcmp(sealed.data() + entries, "A\0", 2), 0);
    EXPECT_EQ(std::memcmp(sealed.data() + entries + 38, "B\0", 2), 0);
    const uint8_t* senderValue = sealed.data() + trailer + 12;
    EXPECT_TRUE(gost::IsValidPublicKey(gost::CurveParams::CryptoProA, senderValue));
    EXPECT_NE(Bytes(sealed.end() - 100, sealed.end()), Bytes(plaintext.end() - 100, plaintext.end()));

    // The GOST library opens it for A as the provider does.
    sigcore_test::GostEnvelope oracle(MakeKeyPair(kA).privateKey, 1);
    SecretBuffer<uint8_t> opened;
    ASSERT_EQ(OpenEnvelope(oracle, "A", sealed.data(), sealed.size(), opened), 0) << name;
    EXPECT_EQ(Bytes(opened.data(), opened.data() + opened.size()), plaintext);

    for (Party* party : {&a_, &b_}) {
      Bytes buffer = sealed;
      ASSERT_EQ(Decrypt(*party, buffer), 0) << name;
      EXPECT_EQ(buffer, plaintext) << name;
    }
  }
}

TEST_F(Encryption, MalformedOrForeignBuffersAreRefusedBeforeTheSecretKeyIsOpened) {
  const Bytes plaintext = {'d', 'o', 'c'};
  Bytes forA, forB;
  ASSERT_EQ(Encrypt("GAMMA", "A", plaintext, forA), 0);
  ASSERT_EQ(Encrypt("GAMMA", "B", plaintext, forB), 0);
  struct Case {
    const char* name;
    Bytes buffer;
    int32_t result;
  };
  const Case cases[] = {
      {"UID length + 9 bytes", Bytes(forA.begin(), forA.begin() + 11), -15},
      {"no byte of ciphertext", Bytes(forA.begin(), forA.end() - 3), -15},
      {"8 bytes", Bytes(forA.begin(), forA.begin() + 8), -15},
      {"addressed to B", forB, -16},
      {"addressed to a", [&] { Bytes b = forA; b[11] = 'a'; return b; }(), -16},
      {"no recipients", [&] { Bytes b = forA; b[0] = 0; return b; }(), -16},
      {"four billion recipients", [&] { Bytes b = forA; b[3] = 0xFF; return b; }(), -15},
  };
  for (const Case& c : cases) {
    Bytes buffer = c.buffer;
    TakeLog();
    EXPECT_EQ(Decrypt(a_, buffer), c.result) << c.name;
    EXPECT_EQ(buffer, c.buffer) << c.name;
    EXPECT_FALSE(a_.binding->SessionOpen()) << c.name;
    EXPECT_EQ(Count("PSE_CTX_new"), 0) << c.name;
  }
}

TEST_F(Encryption, DamageToTheKeyEntryGives17AndToTheDataGives18) {
  for (const size_t size : {size_t{100}, 2 * kPipelineThreadsFrom})
  for (const char* method : {"GAMMA", "GFB"}) {
    const Bytes plaintext(size, 'x');
    Bytes sealed;
    ASSERT_EQ(Encrypt(method, "B;A", plaintext, sealed), 0);
    const size_t entryA = 8 + 3 + 38 + 2;  // A's MAC
    const size_t trailer = entryA + 36;
    struct Case {
      const char* name;
      size_t offset;
      int32_t result;
    };
    const Case cases[] = {
        {"entry MAC", entryA, -17},          {"encrypted key", entryA + 4 + 31, -17},
        {"start value", trailer + 3, -17},   {"data MAC", trailer + 8, -18},
        {"ciphertext", trailer + 77 + 50, -18}, {"last byte", sealed.size() - 1, -18},
        {"B's entry", entryA - 10, 0},
    };
    for (const Case& c : cases) {
      Bytes damaged = sealed;
      damaged[c.offset] ^= 0x10;
      Bytes buffer = damaged;
      EXPECT_EQ(Decrypt(a_, buffer), c.result) << method << " " << c.name;
      EXPECT_EQ(buffer, c.result == 0 ? plaintext : damaged) << method << " " << c.name;
    }
    // A sender value off the curve is refused by the provider, and nothing is decrypted.
    Bytes offCurve = sealed;
    offCurve[trailer + 12 + 64] ^= 1;
    Bytes buffer = offCurve;
    EXPECT_GT(Decrypt(a_, buffer), 0) << method;
    EXPECT_EQ(buffer, offCurve);
  }
}

TEST_F(Encryption, RecipientListsAndMethodsAreCheckedAndNothingChangesOnFailure) {
  const Bytes plaintext = {'p', 'a', 'y'};
  struct Case {
    const char* method;
    const char* recipients;
    int32_t result;
  };
  const Case cases[] = {
      {"GAMMA", "A;", -9},  {"GAMMA", ";A", -9},   {"GAMMA", "A;C", -9},  {"GAMMA", "", -14},
      {"GAMMA", nullptr, -14}, {"CFB", "A", -19}, {nullptr, "A", -19}, {"GAMMA ", "A", -19},
  };
  for (const Case& c : cases) {
    Bytes out;
    EXPECT_EQ(Encrypt(c.method, c.recipients, plaintext, out), c.result)
        << (c.method ? c.method : "null") << " " << (c.recipients ? c.recipients : "null");
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), plaintext);
  }
  int32_t length = 0;
  uint8_t byte = 1;
  EXPECT_EQ(binding_->EncodeData(params_, "GAMMA", "A", &byte, &length), -11);

  // The same recipient twice gets two entries; the last is the one opened.
  Bytes twice;
  ASSERT_EQ(Encrypt("GAMMA", "A;A", plaintext, twice), 0);
  EXPECT_EQ(Uint32At(twice, 0), 2u);
  EXPECT_EQ(Decrypt(a_, twice), 0);
  EXPECT_EQ(twice, plaintext);
}

TEST_F(Encryption, AgreedKeysAreComputedOncePerRecipient) {
  const Bytes plaintext = {'p'};
  Bytes out;
  TakeLog();
  ASSERT_EQ(Encrypt("GAMMA", "A;B", plaintext, out), 0);
  EXPECT_EQ(Count("ECGOST_DH_compute_key"), 2);
  TakeLog();
  ASSERT_EQ(Encrypt("GFB", "B;A", plaintext, out), 0);
  EXPECT_EQ(Count("ECGOST_DH_compute_key"), 0);
  Bytes buffer = out;
  ASSERT_EQ(Decrypt(b_, buffer), 0);
  EXPECT_EQ(buffer, plaintext);
}

TEST_F(Encryption, OneBindingServesSeveralThreadsAtOnce) {
  // Encrypting agrees keys and draws random bytes while others sign with the session's key;
  // the recipient's binding decrypts on its own threads.
  std::atomic<int> failures = 0;
  const auto work = [&](int seed) {
    for (int round = 0; round < 8; ++round) {
      const Bytes plaintext(64 + seed * 8 + round, static_cast<uint8_t>(seed));
      Bytes sealed = plaintext;
      sealed.resize(plaintext.size() + 1000);
      int32_t length = static_cast<int32_t>(plaintext.size());
      if (binding_->EncodeData(params_, round % 2 ? "GFB" : "GAMMA", "B;A", sealed.data(), &length) != 0) {
        ++failures;
        continue;
      }
      sealed.resize(static_cast<size_t>(length));
      if (Decrypt(a_, sealed) != 0 || sealed != plaintext) ++failures;
      Bytes block(319);
      int32_t blockLength = 0;
      char uid[255];
      if (binding_->SignData(params_, plaintext.data(), static_cast<int32_t>(plaintext.size()),
                             block.data(), &blockLength) != 0 ||
          binding_->VerifyData(params_, plaintext.data(), static_cast<int32_t>(plaintext.size()),
                               block.data(), blockLength, uid) != 0 ||
          std::string(uid) != "ME")
        ++failures;
    }
  };
  std::vector<std::thread> threads;
  for (int seed = 0; seed < 4; ++seed) threads.emplace_back(work, seed);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(Count("ECGOST_DH_compute_key"), 2 + 32);  // A and B agreed once; 32 decryptions
}

}  // namespace
}  // namespace sigcore
