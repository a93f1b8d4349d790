// The binding's layout of a token key directory, on simulated tokens: where secret keys,
// correspondents' keys, the own key and the pending new key go, slot scanning, and erasure.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "ce_ccm3x.h"
#include "keyplaces.h"
#include "sim_media.h"

namespace sigcore {
namespace {

namespace fs = std::filesystem;
using sigcore_test::KeyPair;
using sigcore_test::MakeKeyPair;
using sigcore_test::ReadFile;
using sigcore_test::SignedBlock;
using sigcore_test::WriteFile;

class TokenMedia : public sigcore_test::SimulatedMedia {
 protected:
  TokenMedia() {
    params_.keyDevice = "ETOKEN";
    params_.secretKeyDir = "1A2F\\";
    params_.userPublicKeyPath = "ETOKEN";
    params_.abonentsDir = "ETOKEN\\";
    params_.deviceScanDepth = 16;
  }
  int32_t Store(const std::string& uid, bool save, uint32_t seed = 1) {
    const auto block = SignedBlock(uid, "CN=" + uid, MakeKeyPair(seed));
    return binding_->StorePublicKey(params_, block.data(), save, static_cast<int32_t>(block.size()));
  }
};

TEST_F(TokenMedia, SlotsAreScannedInOrderAndAnEtokenIsAskedTwice) {
  TokenSlot("ETOKEN", 3);
  WriteFile(TokenFile("ETOKEN3:/1A2F/AAAA"), {1});
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "1A2F/AAAA"), 3);
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "1A2F\\"), 3) << "no backslash";
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "1A2F/BBBB"), -1);
  TakeLog();

  // An ETOKEN slot that misses its first answer is found on the second.
  TokenSlot("ETOKEN", 0);
  WriteFile(TokenFile("ETOKEN0:/1A2F/AAAA"), {1});
  ::SetEnvironmentVariableA("CCOM_SIM_ETOKEN_MISSES", "1");
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "1A2F/AAAA"), 0);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"CADB_access ETOKEN0:/1A2F/AAAA 4",
                                                 "CADB_access ETOKEN0:/1A2F/AAAA 4"}));
  // Only once: two misses move on to the next slot.
  ::SetEnvironmentVariableA("CCOM_SIM_ETOKEN_MISSES", "2");
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "1A2F/AAAA"), 3);
  TakeLog();
  // A RUTOKEN is asked once per slot.
  TokenSlot("RUTOKEN", 1);
  WriteFile(TokenFile("RUTOKEN1:/1A2F/AAAA"), {1});
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("RUTOKEN", "1A2F/AAAA"), 1);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"CADB_access RUTOKEN0:/1A2F/AAAA 4",
                                                 "CADB_access RUTOKEN1:/1A2F/AAAA 4"}));
}

TEST_F(TokenMedia, SecretKeysFillDddFromTwoToDepthPlusOne) {
  TokenSlot("ETOKEN", 2);
  const auto key = sigcore_test::SimSecretKey(1);
  for (int n = 2; n <= 17; ++n) {
    ASSERT_EQ(binding_->WriteSecretKey("ETOKEN", "1A2F\\", key.data(), 2, "", 16), 0) << n;
    EXPECT_EQ(ReadFile(TokenFile("ETOKEN2:/1A2F/DDDD/" + Hex4(n))), key) << n;
  }
  EXPECT_FALSE(fs::exists(TokenFile("ETOKEN2:/1A2F/DDDD/0012")));
  EXPECT_EQ(binding_->WriteSecretKey("ETOKEN", "1A2F\\", key.data(), 2, "", 16), -38);
  // A deeper scan finds more room.
  EXPECT_EQ(binding_->WriteSecretKey("ETOKEN", "1A2F\\", key.data(), 2, "", 17), 0);
  EXPECT_TRUE(fs::exists(TokenFile("ETOKEN2:/1A2F/DDDD/0012")));

  // A write the token refuses (here: no way to give its PIN) leaves the provider's text.
  TokenSlot("RUTOKEN", 0, "1234");
  EXPECT_EQ(binding_->WriteSecretKey("RUTOKEN", "1A2F\\", key.data(), 0, params_.detailErrorFile, 16),
            -31);
  const auto detail = ReadFile(params_.detailErrorFile);
  EXPECT_EQ(std::string(detail.begin(), detail.end()), "no PIN for RUTOKEN0:/1A2F/DDDD/0002");
}

TEST_F(TokenMedia, CorrespondentsFillEeeeAndTheOwnKeyIsAaaa) {
  TokenSlot("ETOKEN", 0);
  WriteFile(TokenFile("ETOKEN0:/1A2F/AAAA"), SignedBlock("ME", "CN=Me", MakeKeyPair(1)));
  for (int i = 1; i <= 16; ++i) {
    ASSERT_EQ(Store("ABONENT" + std::to_string(i), true), 0) << i;
    EXPECT_TRUE(fs::exists(TokenFile("ETOKEN0:/1A2F/EEEE/" + Hex4(i)))) << i;
  }
  EXPECT_EQ(Store("ONE-TOO-MANY", true), -37);
  EXPECT_EQ(Store("CACHE-ONLY", false), 0);
  EXPECT_EQ(Store("me", true), 0) << "the own key is skipped";

  // Stored again, a key leaves its old place, which the new one then takes.
  EXPECT_EQ(Store("abonent3", true, 7), 0);
  TCCom3x_CashNode node;
  ASSERT_EQ(binding_->FindNodeByUID(params_, "ABONENT3", false, node), 0);
  EXPECT_EQ(node.storagePath, "1A2F/EEEE/0003");
  EXPECT_TRUE(node.fromToken);
  EXPECT_EQ(node.publicKey, MakeKeyPair(7).publicKey);

  // A fresh load reads the own key first, then the correspondents.
  Reload();
  {
    std::lock_guard cache(binding_->Cache().Lock());
    ASSERT_EQ(binding_->LoadPublicKeyCache(params_), 0);
    const auto uids = binding_->Cache().Uids();
    ASSERT_EQ(uids.size(), 17u);
    EXPECT_EQ(uids.front(), "ME");
    EXPECT_EQ(uids.at(3), "abonent3");
    EXPECT_EQ(binding_->Cache().OwnUid(), "ME");
  }

  // Erasing a correspondent removes its object.
  EXPECT_EQ(binding_->RemoveCachedKey(params_, "ABONENT5"), 0);
  EXPECT_FALSE(fs::exists(TokenFile("ETOKEN0:/1A2F/EEEE/0005")));
  EXPECT_EQ(binding_->RemoveCachedKey(params_, "ME"), -25);
  EXPECT_TRUE(fs::exists(TokenFile("ETOKEN0:/1A2F/AAAA")));
}

TEST_F(TokenMedia, WrongPlacesAndMixedDevicesAreRefused) {
  struct Case {
    const char* name;
    const char* publicKey;
    const char* abonents;
    bool ownKeyWritten;
    int32_t load;
    int32_t store;
  };
  const Case cases[] = {
      {"own key object missing", "ETOKEN", "ETOKEN\\", false, -33, -33},
      {"own key on another token kind", "RUTOKEN", "ETOKEN\\", true, -42, -42},
      {"correspondents on another token kind", "ETOKEN", "RUTOKEN\\", true, -42, -42},
  };
  TokenSlot("ETOKEN", 0);
  for (const Case& c : cases) {
    fs::remove_all(TokenFile("ETOKEN0:/1A2F"));
    fs::create_directories(TokenFile("ETOKEN0:/1A2F"));
    if (c.ownKeyWritten)
      WriteFile(TokenFile("ETOKEN0:/1A2F/AAAA"), SignedBlock("ME", "", MakeKeyPair(1)));
    params_.userPublicKeyPath = c.publicKey;
    params_.abonentsDir = c.abonents;
    std::lock_guard cache(binding_->Cache().Lock());
    EXPECT_EQ(binding_->LoadPublicKeyCache(params_), c.load) << c.name;
    EXPECT_TRUE(binding_->Cache().Empty()) << c.name;
    EXPECT_EQ(Store("BANK", true), c.store) << c.name;
  }
  // No slot holds the key directory: nowhere to save, but the cache still takes the key.
  params_.userPublicKeyPath = scenario_.Path("self.pub");
  WriteFile(params_.userPublicKeyPath, SignedBlock("ME", "", MakeKeyPair(1)));
  params_.abonentsDir = "ETOKEN\\";
  params_.secretKeyDir = "7777\\";
  EXPECT_EQ(Store("BANK", true), -36);
  EXPECT_EQ(Store("BANK", false), 0);
}

TEST_F(TokenMedia, PendingNewKeyLivesInDdddOneOrInKeys) {
  const auto block = SignedBlock("SUCCESSOR", "CN=Next", MakeKeyPair(4));
  const int32_t length = static_cast<int32_t>(block.size());
  TCCom3x_CashNode node;
  EXPECT_EQ(binding_->WriteNewKeyRequest(params_, block.data(), length), -35) << "no slot";
  EXPECT_EQ(binding_->ReadNewKeyRequest(params_, node), -34);

  TokenSlot("ETOKEN", 1);
  fs::create_directories(TokenFile("ETOKEN1:/1A2F/DDDD"));
  ASSERT_EQ(binding_->WriteNewKeyRequest(params_, block.data(), length), 0);
  EXPECT_EQ(ReadFile(TokenFile("ETOKEN1:/1A2F/DDDD/0001")), block);
  ASSERT_EQ(binding_->ReadNewKeyRequest(params_, node), 0);
  EXPECT_EQ(node.uid, "SUCCESSOR");
  EXPECT_EQ(node.storagePath, "1A2F/DDDD/0001");

  params_.keyDevice = "DISK";
  params_.secretKeyDir = scenario_.Path("SECRET\\");
  EXPECT_EQ(binding_->WriteNewKeyRequest(params_, block.data(), length), -6) << "no KEYS folder";
  EXPECT_EQ(binding_->ReadNewKeyRequest(params_, node), -9);
  fs::create_directories(params_.secretKeyDir + "KEYS");
  ASSERT_EQ(binding_->WriteNewKeyRequest(params_, block.data(), length), 0);
  EXPECT_EQ(ReadFile(params_.secretKeyDir + "KEYS\\newpkey.dat"), block);
  ASSERT_EQ(binding_->ReadNewKeyRequest(params_, node), 0);
  EXPECT_EQ(node.storagePath, params_.secretKeyDir + "KEYS\\newpkey.dat");
}

TEST_F(TokenMedia, KeyDirectoryIsErasedOnTheDeviceItIsOn) {
  for (const char* device : {"ETOKEN", "RUTOKEN"}) {
    TokenSlot(device, 4);
    const std::string root = std::string(device) + "4:/1A2F";
    for (const char* object : {"AAAA", "A001", "B001", "C001", "D001", "DDDD/0001", "DDDD/0002",
                               "DDDD/0011", "EEEE/0001", "EEEE/0010"})
      WriteFile(TokenFile(root + "/" + object), {1, 2, 3});
    TakeLog();
    EXPECT_EQ(binding_->EraseTokenKeyDir(device, "1A2F"), 0) << device;
    EXPECT_FALSE(fs::exists(TokenFile(root))) << device;
    EXPECT_TRUE(fs::exists(TokenFile(std::string(device) + "4:/"))) << "the slot stays";
    const auto log = TakeLog();
    // The directory itself goes last; an "ETOKEN" keeps its lower-case device word.
    const std::string last = std::string(device) == "ETOKEN" ? "etoken4:/1A2F" : "RUTOKEN4:/1A2F";
    EXPECT_EQ(log.back(), "CADB_rmdir " + last) << device;
    EXPECT_EQ(binding_->EraseTokenKeyDir(device, "1A2F"), -40) << device;
  }
}

}  // namespace
}  // namespace sigcore
