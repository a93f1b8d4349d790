// The binding's key session over the simulating provider: finding the own secret key, the two
// time-outs on a clock the test moves, the token PIN chain and logout, the own key's
// self-signature, key agreement, and the session and cache used from several threads.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "ce_ccm3x.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "keyplaces.h"
#include "orvavklib.h"
#include "password_slots.h"
#include "sim_media.h"
#include "windriver.h"

namespace sigcore {
namespace {

namespace fs = std::filesystem;
using sigcore_test::MakeKeyPair;
using sigcore_test::ReadFile;
using sigcore_test::SignedBlock;
using sigcore_test::SimSecretKey;
using sigcore_test::WriteFile;

class KeySession : public sigcore_test::SimulatedMedia {
 protected:
  // The secret key an operation got, or its result code.
  int32_t Open(std::vector<uint8_t>* key = nullptr) {
    OperationKey operation;
    const int32_t result = binding_->OpenKeySession(params_, operation);
    if (result == 0 && key != nullptr)
      key->assign(operation.SecretKeyBytes(), operation.SecretKeyBytes() + 36);
    return result;
  }
  int ContainerReads() const { return Count("PSE_CTX_read " + params_.secretKeyDir); }
};

TEST_F(KeySession, FindsTheOneSecretKeyOfTheOwnPublicKey) {
  InstallDiskKeys("ME", 5, {3, 4, 5, 6});
  WriteFile(params_.secretKeyDir + "KEYS\\long.sec", std::vector<uint8_t>(40, 1));
  WriteFile(params_.secretKeyDir + "KEYS\\short.sec", std::vector<uint8_t>(10, 1));
  std::vector<uint8_t> key;
  ASSERT_EQ(Open(&key), 0);
  EXPECT_EQ(key, SimSecretKey(5));
  EXPECT_TRUE(binding_->SessionOpen());
  EXPECT_EQ(binding_->TokenName(), "");

  // None of them: -10, and nothing stays open.
  Reload();
  fs::remove(params_.secretKeyDir + "KEYS\\sk000003.sec");
  EXPECT_EQ(Open(), -10);
  EXPECT_FALSE(binding_->SessionOpen());

  // A missing key directory is found before the provider is asked for anything.
  Reload();
  fs::remove_all(params_.secretKeyDir);
  TakeLog();
  EXPECT_EQ(Open(), -29);
  EXPECT_EQ(Count("PSE_CTX_new"), 0);
  // Without the own key's file there is nothing to look for: -9.
  fs::remove(params_.userPublicKeyPath);
  binding_->ClearKeySessionAndCache();
  EXPECT_EQ(Open(), -9);
}

TEST_F(KeySession, IsReusedWithinBothTimeOutsAndOpenedAgainAfter) {
  InstallDiskKeys("ME", 1, {1});
  constexpr double kSecond = 1.0 / 86400;
  double now = 0.5;
  binding_->SetClock([&] { return now; });
  struct Step {
    double at;  // seconds after the first operation
    int32_t keyRequest;
    int32_t lastOperation;
    bool opens;
  };
  const Step steps[] = {
      {0, 60, 5, true},    {4, 60, 5, false},  {8, 60, 5, false},  {14, 60, 5, true},
      {18, 60, 5, false},  {22, 60, 5, false}, {26, 60, 5, false}, {30, 60, 5, false},
      {34, 60, 5, false},  {38, 60, 5, false}, {42, 60, 5, false}, {46, 60, 5, false},
      {50, 60, 5, false},  {54, 60, 5, false}, {58, 60, 5, false}, {62, 60, 5, false},
      {66, 60, 5, false},  {70, 60, 5, false}, {73, 60, 5, false},
      {75, 60, 5, true},   // more than a minute since the session was opened at 14
      // A longer time-out counts only from the operation that brought it in.
      {79, 60, 600, false}, {83, 60, 600, false}, {99, 60, 600, false}, {120, 60, 5, true},
      // A time-out of 0 opens the key for every operation.
      {121, 0, 5, true},   {122, 60, 0, true},   {123, 60, 0, true},
  };
  for (const Step& step : steps) {
    now = 0.5 + step.at * kSecond;
    params_.keyRequestTimeout = step.keyRequest;
    params_.lastOperationTimeout = step.lastOperation;
    TakeLog();
    std::vector<uint8_t> key;
    ASSERT_EQ(Open(&key), 0) << step.at;
    EXPECT_EQ(key, SimSecretKey(1)) << step.at;
    EXPECT_EQ(ContainerReads(), step.opens ? 1 : 0) << step.at;
  }

  // Midnight: the time of day starts again, and the session with it.
  params_.keyRequestTimeout = 60;
  params_.lastOperationTimeout = 5;
  now = 1 - 2 * kSecond;
  ASSERT_EQ(Open(), 0);
  TakeLog();
  now = 1 * kSecond;
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(ContainerReads(), 1);
}

TEST_F(KeySession, ReadsAReplacedOwnKeyOnceWhenNoSecretKeyMatches) {
  InstallDiskKeys("ME", 1, {2});
  TCCom3x_CashNode own;
  ASSERT_EQ(binding_->GetOwnNode(params_, own), 0);
  EXPECT_EQ(own.publicKey, MakeKeyPair(1).publicKey);
  // The own key is renewed on disk after the cache was loaded.
  WriteFile(params_.userPublicKeyPath, SignedBlock("ME", "", MakeKeyPair(2)));
  TakeLog();
  std::vector<uint8_t> key;
  ASSERT_EQ(Open(&key), 0);
  EXPECT_EQ(key, SimSecretKey(2));
  EXPECT_EQ(ContainerReads(), 2) << "tried, reloaded, tried again";

  // Loaded within the same call, the key is not read again.
  WriteFile(params_.userPublicKeyPath, SignedBlock("ME", "", MakeKeyPair(3)));
  Reload();
  TakeLog();
  EXPECT_EQ(Open(), -10);
  EXPECT_EQ(ContainerReads(), 1);
}

TEST_F(KeySession, RandomBytesSeedTheGeneratorThroughTheSessionFirst) {
  InstallDiskKeys("ME", 1, {1});
  uint8_t bytes[16] = {};
  TakeLog();
  ASSERT_EQ(binding_->GetRandomBytes(params_, bytes, sizeof bytes), 0);
  const auto log = TakeLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.back(), "RAND_bytes 16");
  EXPECT_NE(std::find(log.begin(), log.end(), "PSE_CTX_read " + params_.secretKeyDir), log.end());
  // Seeded: no session is needed any more.
  binding_->CloseKeySession();
  TakeLog();
  ASSERT_EQ(binding_->GetRandomBytes(params_, bytes, sizeof bytes), 0);
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"RAND_bytes 16"});
  EXPECT_EQ(binding_->GetRandomBytes(params_, nullptr, 4), -11);
}

int keyDirCalls = 0;
std::string keyDirAsked;
int plainCalls = 0;
const char* keyDirAnswer = "1234";

int SIGCORE_CALL KeyDirPin(const char* keyDir, char* buffer, int size) {
  ++keyDirCalls;
  keyDirAsked = keyDir;
  if (keyDirAnswer == nullptr) return 0;
  return snprintf(buffer, static_cast<size_t>(size), "%s", keyDirAnswer) > 0;
}
int SIGCORE_CALL PlainPin(char* buffer, int size) {
  ++plainCalls;
  return snprintf(buffer, static_cast<size_t>(size), "%s", "1234") > 0;
}

class TokenSession : public KeySession {
 protected:
  TokenSession() {
    // The own key on disk, the container and secret keys on a token with a PIN.
    params_.keyDevice = "ETOKEN";
    params_.secretKeyDir = "1A2F\\";
    params_.deviceScanDepth = 16;
    TokenSlot("ETOKEN", 1, "1234");
    fs::create_directories(TokenFile("ETOKEN1:/1A2F"));
    WriteFile(TokenFile("ETOKEN1:/1A2F/DDDD/0002"), SimSecretKey(8));
    WriteFile(TokenFile("ETOKEN1:/1A2F/DDDD/0003"), SimSecretKey(9));
    WriteFile(params_.userPublicKeyPath, SignedBlock("ME", "", MakeKeyPair(9)));
    keyDirCalls = plainCalls = 0;
    keyDirAsked.clear();
    keyDirAnswer = "1234";
  }
  int PinPrompts() const { return Count("PIN "); }
};

TEST_F(TokenSession, PinComesFromTheKeyDirectoryFunctionTheKeyboardOrThePlainOne) {
  ::SetEnvironmentVariableA("ORVAVK_DOUBLE_ANSWER", "1234");
  const std::string keyboard = scenario_.Path("KEYBOARD");
  fs::create_directories(keyboard);
  ASSERT_TRUE(::CopyFileA((wintest::HostPath(KIT_PROVIDER_DOUBLES) + "\\orvavk_complete.dll").c_str(),
                          (keyboard + "\\ORVAVK.DLL").c_str(), FALSE));
  struct Case {
    const char* name;
    const char* keyDirAnswer;  // nullptr: a refusal; "": no key-directory function
    bool keyboard;
    bool plain;
    int32_t result;
    int keyDirCalls;
    int plainCalls;
  };
  const Case cases[] = {
      {"key-directory function", "1234", true, true, 0, 1, 0},
      {"key-directory function, wrong PIN", "0000", true, true, 28, 1, 0},
      {"key-directory function refuses", nullptr, true, true, 22, 1, 0},
      {"keyboard", "", true, true, 0, 0, 0},
      {"keyboard without any host function", "", true, false, 0, 0, 0},
      {"plain function", "", false, true, 0, 0, 1},
      {"nothing can ask", "", false, false, -30, 0, 0},
  };
  for (const Case& c : cases) {
    ::SetDllDirectoryA(scenario_.Folder().c_str());
    Reload();
    keyDirCalls = plainCalls = 0;
    keyDirAnswer = c.keyDirAnswer;
    ::SetDllDirectoryA(c.keyboard ? keyboard.c_str() : scenario_.Folder().c_str());
    if (c.keyDirAnswer == nullptr || *c.keyDirAnswer != '\0') binding_->SetKeyDirPasswordFunc(&KeyDirPin);
    if (c.plain) binding_->SetPasswordFunc(&PlainPin);
    TakeLog();
    std::vector<uint8_t> key;
    EXPECT_EQ(Open(&key), c.result) << c.name;
    EXPECT_EQ(keyDirCalls, c.keyDirCalls) << c.name;
    EXPECT_EQ(plainCalls, c.plainCalls) << c.name;
    if (c.keyDirCalls > 0) {
      EXPECT_EQ(keyDirAsked, "1A2F") << c.name;
    }
    if (c.result == 0) {
      EXPECT_EQ(key, SimSecretKey(9)) << c.name;
      EXPECT_EQ(binding_->TokenName(), "ETOKEN1") << c.name;
      EXPECT_EQ(PinPrompts(), 1) << c.name;
    }
    if (c.result == -30) {
      EXPECT_EQ(Count("PSE_CTX_new"), 0) << c.name;
    }
  }
  ::SetEnvironmentVariableA("ORVAVK_DOUBLE_ANSWER", nullptr);
}

TEST_F(TokenSession, LogoutMakesTheNextOpeningAskAgain) {
  binding_->SetKeyDirPasswordFunc(&KeyDirPin);
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(PinPrompts(), 1);
  // The token stays logged in after the session closes.
  binding_->ClearKeySessionAndCache();
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(PinPrompts(), 1);
  TakeLog();
  binding_->TokenLogout();
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"CADB_token_logout ETOKEN1:\\"});
  EXPECT_EQ(binding_->TokenName(), "");
  binding_->ClearKeySessionAndCache();
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(PinPrompts(), 1);
  EXPECT_EQ(keyDirCalls, 2);
  // Going, the binding logs out of its token the same way.
  TakeLog();
  binding_.reset();
  EXPECT_EQ(Count("CADB_token_logout ETOKEN1:\\"), 1);
  binding_ = std::make_unique<TCCom3x_DLL>();
}

TEST_F(KeySession, OwnKeyFromTheHostMustBeSelfSignedAndAnotherOwnerClosesTheSession) {
  InstallDiskKeys("ME", 1, {1, 2});
  WriteFile(params_.abonentsDir + "bank.pub", SignedBlock("BANK", "", MakeKeyPair(4)));
  ASSERT_EQ(Open(), 0);
  ASSERT_FALSE(binding_->Cache().Empty());

  const auto own = SignedBlock("ME", "CN=Me again", MakeKeyPair(1));
  auto tampered = own;
  tampered[12] ^= 1;
  const struct {
    std::vector<uint8_t> block;
    int32_t result;
  } refused[] = {{tampered, -13}, {{1, 2, 3}, -9}};
  for (const auto& r : refused)
    EXPECT_EQ(binding_->SetOwnKeyFromBuffer(params_, r.block.data(),
                                            static_cast<int32_t>(r.block.size())),
              r.result);
  // The same owner: the session and the cache stay.
  ASSERT_EQ(binding_->SetOwnKeyFromBuffer(params_, own.data(), static_cast<int32_t>(own.size())), 0);
  EXPECT_TRUE(binding_->SessionOpen());
  EXPECT_FALSE(binding_->Cache().Empty());
  // Another owner: both go before the new key is set.
  const auto other = SignedBlock("SOMEONE", "", MakeKeyPair(2));
  ASSERT_EQ(binding_->SetOwnKeyFromBuffer(params_, other.data(), static_cast<int32_t>(other.size())), 0);
  EXPECT_FALSE(binding_->SessionOpen());
  EXPECT_TRUE(binding_->Cache().Empty());
  EXPECT_EQ(binding_->Cache().OwnUid(), "SOMEONE");

  // Without an own key file the host's key is the one the session opens.
  params_.userPublicKeyPath.clear();
  std::vector<uint8_t> key;
  ASSERT_EQ(Open(&key), 0);
  EXPECT_EQ(key, SimSecretKey(2));
  TCCom3x_CashNode node;
  ASSERT_EQ(binding_->FindNodeByUID(params_, "someone", true, node), 0);
  EXPECT_TRUE(node.verified);
  ASSERT_EQ(binding_->FindNodeByUID(params_, "bank", true, node), 0);
}

TEST_F(KeySession, LookupsWithTheCheckRefuseADamagedKeyAndReportsSayIt) {
  InstallDiskKeys("ME", 1, {1});
  const auto good = SignedBlock("BANK", "CN=Bank", MakeKeyPair(4));
  auto damaged = SignedBlock("OTHER", "CN=Other", MakeKeyPair(5));
  damaged[damaged.size() - 1] ^= 0x40;  // the signature's last byte
  WriteFile(params_.abonentsDir + "bank.pub", good);
  WriteFile(params_.abonentsDir + "other.pub", damaged);

  TCCom3x_CashNode node;
  ASSERT_EQ(binding_->FindNodeByUID(params_, "BANK", true, node), 0);
  EXPECT_TRUE(node.verified);
  EXPECT_TRUE(binding_->Cache().Find("BANK")->verified) << "the outcome is kept";
  EXPECT_NE(binding_->GetReportByNode(node).find("\r\nChekRes=0\r\n"), std::string::npos);
  EXPECT_EQ(binding_->FindNodeByUID(params_, "OTHER", true, node), -13);
  ASSERT_EQ(binding_->FindNodeByUID(params_, "OTHER", false, node), 0);
  EXPECT_NE(binding_->GetReportByNode(node).find("\r\nChekRes=-13\r\n"), std::string::npos);
  EXPECT_EQ(binding_->FindNodeByUID(params_, "NOBODY", true, node), -9);
}

TEST_F(KeySession, AgreedKeysAreSharedWithTheCorrespondentAndKeptPerUid) {
  InstallDiskKeys("ME", 1, {1});
  const auto bank = MakeKeyPair(4);
  WriteFile(params_.abonentsDir + "bank.pub", SignedBlock("BANK", "", bank));
  auto damaged = SignedBlock("OTHER", "", MakeKeyPair(5));
  damaged.back() ^= 1;
  WriteFile(params_.abonentsDir + "other.pub", damaged);

  gost::Wiped<SharedKey> key;
  ASSERT_EQ(binding_->AgreedKey(params_, "BANK", key), 0);
  std::array<uint8_t, 65> ours;
  ASSERT_EQ(binding_->AgreementPublicValue(params_, ours), 0);
  // The correspondent gets the same key from its secret key and our public value.
  uint8_t material[64] = {};
  ASSERT_TRUE(gost::ComputeSharedX(gost::CurveParams::CryptoProA, bank.privateKey.data(),
                                   ours.data(), material));
  std::array<uint8_t, 32> theirs;
  ASSERT_TRUE(gost::Hash(gost::HashParams::CryptoPro, material, sizeof material, theirs.data()));
  EXPECT_EQ(*key, theirs);

  TakeLog();
  gost::Wiped<SharedKey> again;
  ASSERT_EQ(binding_->AgreedKey(params_, "bank", again), 0);
  EXPECT_EQ(*again, *key);
  EXPECT_EQ(Count("ECGOST_DH_compute_key"), 0) << "kept for the UID";
  EXPECT_EQ(binding_->AgreedKey(params_, "OTHER", again), -13);
  EXPECT_EQ(binding_->AgreedKey(params_, "NOBODY", again), -9);
}

// Lookups and updates of one binding's cache on several threads while another thread signs
// through the session: every lookup finds its key whole, every signature verifies.
TEST_F(KeySession, CacheAndSessionServeSeveralThreadsAtOnce) {
  InstallDiskKeys("ME", 1, {1});
  constexpr int kCorrespondents = 20;
  for (int i = 0; i < kCorrespondents; ++i)
    WriteFile(params_.abonentsDir + "k" + std::to_string(i) + ".pub",
              SignedBlock("UID" + std::to_string(i), "", MakeKeyPair(100 + i)));
  const auto ownPublic = MakeKeyPair(1).publicKey;
  std::atomic<int> failures{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;

  threads.emplace_back([&] {
    const uint8_t data[] = "payment order";
    for (int round = 0; round < 40; ++round) {
      OperationKey key;
      if (binding_->OpenKeySession(params_, key) != 0) {
        ++failures;
        continue;
      }
      const auto& api = binding_->Api();
      ECGOST_SIGN* sig = api.ECGOST_SIGN_new();
      uint8_t signature[64];
      int length = 64;
      const bool signed_ =
          api.ECGOST_sign_init(sig, api.PSE_CTX_get_pse(key.Container()), nullptr, 0, 21,
                               key.SecretKeyBytes(), 11) == 1 &&
          api.ECGOST_update(sig, data, sizeof data) == sizeof data &&
          api.ECGOST_sign_final(sig, signature, &length) == 1;
      api.ECGOST_SIGN_free(sig);
      uint8_t digest[32];
      if (!signed_ || key.Uid() != "ME" ||
          !gost::Hash(gost::HashParams::CryptoPro, data, sizeof data, digest) ||
          !gost::Verify(gost::CurveParams::CryptoProA, ownPublic.data(), digest, signature))
        ++failures;
      if (round % 10 == 9) binding_->ClearKeySessionAndCache();
    }
    stop = true;
  });
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int n = t; !stop; n += 2) {
        const int i = n % kCorrespondents;
        TCCom3x_CashNode node;
        if (binding_->FindNodeByUID(params_, "uid" + std::to_string(i), n % 3 == 0, node) != 0 ||
            node.uid != "UID" + std::to_string(i) ||
            node.publicKey != MakeKeyPair(100 + i).publicKey)
          ++failures;
      }
    });
  }
  threads.emplace_back([&] {
    const auto block = SignedBlock("VISITOR", "", MakeKeyPair(7));
    for (int n = 0; !stop; ++n) {
      if (binding_->UpdateCachedKey(params_, "UID" + std::to_string(n % kCorrespondents)) != 0 ||
          binding_->StorePublicKey(params_, block.data(), false,
                                   static_cast<int32_t>(block.size())) != 0)
        ++failures;
      std::string own;
      if (binding_->GetOwnUID(params_, own) != 0 || own != "ME") ++failures;
    }
  });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace sigcore
