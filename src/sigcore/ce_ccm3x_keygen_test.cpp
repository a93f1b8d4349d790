// Key generation and renewal by the binding over the simulating provider: new key pairs on
// disk and on a token, the new own key written where the host keeps it, and a renewal started
// and finished. Blocks are checked with the GOST library, secret keys by the public keys they
// derive (the simulation keeps the scalar in a secret key's first 32 bytes).
#include <gtest/gtest.h>

#include <filesystem>

#include "ce_ccm3x.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "sim_media.h"

namespace sigcore {
namespace {

namespace fs = std::filesystem;
using sigcore_test::MakeKeyPair;
using sigcore_test::ReadFile;
using sigcore_test::SignedBlock;
using sigcore_test::SimSecretKey;
using sigcore_test::WriteFile;
using Bytes = std::vector<uint8_t>;

int SIGCORE_CALL Pin(const char*, char* buffer, int size) {
  return snprintf(buffer, static_cast<size_t>(size), "%s", "1234") > 0;
}

// The block parsed, with its self-signature checked by the GOST library.
TCCom3x_CashNode SelfSigned(const Bytes& block) {
  TCCom3x_CashNode node;
  EXPECT_EQ(ParsePublicKeyBlock(block.data(), static_cast<int32_t>(block.size()), node), 0);
  uint8_t digest[32];
  EXPECT_TRUE(gost::Hash(gost::HashParams::CryptoPro, block.data(), block.size() - 68, digest));
  EXPECT_TRUE(gost::Verify(gost::CurveParams::CryptoProA, node.publicKey.data(), digest,
                           node.signature.data()));
  return node;
}

// Whether a stored secret key is the one of that public key.
bool SecretKeyOf(const Bytes& secret, const TCCom3x_CashNode& node) {
  uint8_t derived[65];
  return secret.size() == 36 &&
         gost::DerivePublicKey(gost::CurveParams::CryptoProA, secret.data(), derived) &&
         Bytes(derived, derived + 65) == Bytes(node.publicKey.begin(), node.publicKey.end());
}

class KeyGeneration : public sigcore_test::SimulatedMedia {
 protected:
  KeyGeneration() {
    request_.uid = "NEWKEY";
    request_.ownerText = "CN=NEWKEY\r\nC=RU";
    request_.publicKeyPath = scenario_.Path("new.pub");
    request_.secretKeyDir = scenario_.Path("NEWSECRET\\");
    request_.keyDevice = "DISK";
    request_.detailErrorFile = params_.detailErrorFile;
  }
  int32_t Generate(Bytes& block) {
    block.assign(1143, 0);
    int32_t size = 1143;
    const int32_t result = binding_->GenerateKey(request_, block.data(), &size);
    block.resize(result == 0 ? static_cast<size_t>(size) : 0);
    return result;
  }
  // The signature block of the data by the binding, checked against `node`'s key.
  bool SignsAs(const TCCom3x_CashNode& node) {
    const Bytes data = {'d', 'o', 'c'};
    Bytes block(319);
    int32_t length = 0;
    if (binding_->SignData(params_, data.data(), 3, block.data(), &length) != 0) return false;
    Bytes message(node.uid.begin(), node.uid.end());
    message.push_back(0);
    message.insert(message.end(), data.begin(), data.end());
    uint8_t digest[32];
    return length == static_cast<int32_t>(node.uid.size() + 65) &&
           gost::Hash(gost::HashParams::CryptoPro, message.data(), message.size(), digest) &&
           gost::Verify(gost::CurveParams::CryptoProA, node.publicKey.data(), digest,
                        block.data() + node.uid.size() + 1);
  }

  TCCom3x_KeyGenParam request_;
};

TEST_F(KeyGeneration, MakesASelfSignedBlockAndStoresItsSecretKeyOnDisk) {
  Bytes first, second;
  ASSERT_EQ(Generate(first), 0);
  const TCCom3x_CashNode node = SelfSigned(first);
  EXPECT_EQ(node.uid, "NEWKEY");
  EXPECT_EQ(node.ownerText, "CN=NEWKEY\r\nC=RU");
  EXPECT_TRUE(SecretKeyOf(ReadFile(request_.secretKeyDir + "KEYS\\sk000001.sec"), node));
  EXPECT_EQ(Count("PSE_CTX_write " + request_.secretKeyDir), 1);
  ASSERT_EQ(Generate(second), 0);
  EXPECT_TRUE(SecretKeyOf(ReadFile(request_.secretKeyDir + "KEYS\\sk000002.sec"), SelfSigned(second)));
  EXPECT_NE(first, second);

  struct Case {
    const char* name;
    std::string uid;
    int32_t algorithm;
    bool buffer;
    int32_t capacity;
    int32_t result;
    int32_t size;
  };
  const Case cases[] = {
      {"size query", "K", 1, false, 0, 0, 1143},
      {"one byte short", "K", 1, true, 1142, -3, 1143},
      {"no UID", "", 1, true, 1143, -4, 1143},
      {"another algorithm", "K", 2, true, 1143, -5, 1143},
      {"UID of 255 characters", std::string(255, 'K'), 1, true, 1143, -11, 1143},
      {"owner text of 735 characters", "K", 1, true, 1143, -11, 1143},
  };
  for (const Case& c : cases) {
    request_.uid = c.uid;
    request_.algorithm = c.algorithm;
    request_.ownerText = std::string(std::string(c.name).starts_with("owner") ? 735 : 0, 'O');
    Bytes block(1143);
    int32_t size = c.capacity;
    EXPECT_EQ(binding_->GenerateKey(request_, c.buffer ? block.data() : nullptr, &size), c.result) << c.name;
    EXPECT_EQ(size, c.capacity == 1143 ? 1143 : c.size) << c.name;
  }
  EXPECT_FALSE(fs::exists(request_.secretKeyDir + "KEYS\\sk000003.sec"));
  EXPECT_EQ(binding_->GenerateKey(request_, first.data(), nullptr), -11);
}

TEST_F(KeyGeneration, OnATokenTheSecretKeyGoesToTheKeyDirectoryAndAnEtokenWriteIsRetriedOnce) {
  TokenSlot("ETOKEN", 0, "1234");
  TokenSlot("RUTOKEN", 0);
  request_.secretKeyDir = "1A2F\\";
  // Nothing can ask for the PIN yet.
  request_.keyDevice = "ETOKEN";
  Bytes block;
  EXPECT_EQ(Generate(block), -30);
  binding_->SetKeyDirPasswordFunc(&Pin);

  struct Case {
    const char* device;
    int faults;
    int32_t result;
    int writes;
    const char* secretKey;  // where the new secret key lands
  };
  const Case cases[] = {
      {"ETOKEN", 0, 0, 1, "ETOKEN0:/1A2F/DDDD/0002"},
      {"ETOKEN", 1, 0, 2, "ETOKEN0:/1A2F/DDDD/0003"},
      {"ETOKEN", 2, 24, 2, nullptr},
      {"RUTOKEN", 1, 24, 1, nullptr},
      {"RUTOKEN", 0, 0, 1, "RUTOKEN0:/1A2F/DDDD/0002"},
  };
  for (const Case& c : cases) {
    request_.keyDevice = c.device;
    ::SetEnvironmentVariableA("CCOM_SIM_WRITE_FAULTS", std::to_string(c.faults).c_str());
    TakeLog();
    EXPECT_EQ(Generate(block), c.result) << c.device << " " << c.faults;
    EXPECT_EQ(Count(std::string("PSE_CTX_write ") + c.device + ":/1A2F"), c.writes) << c.device << " " << c.faults;
    EXPECT_EQ(Count("PSE_CTX_free"), 1) << c.device << " " << c.faults;
    if (c.secretKey != nullptr) {
      EXPECT_TRUE(SecretKeyOf(ReadFile(TokenFile(c.secretKey)), SelfSigned(block))) << c.secretKey;
    } else {
      EXPECT_EQ(Count("CADB_write_file"), 0);
    }
  }
  EXPECT_EQ(Count("PIN "), 0);  // the token stayed logged in
}

TEST_F(KeyGeneration, NewOwnKeyIsWrittenWhereTheHostKeepsItAndSigningFollowsIt) {
  InstallDiskKeys("ME", 5, {5});
  TCCom3x_CashNode old;
  ASSERT_EQ(binding_->GetOwnNode(params_, old), 0);
  ASSERT_TRUE(SignsAs(old));

  request_.uid = "ME";
  request_.publicKeyPath = params_.userPublicKeyPath;
  request_.secretKeyDir = params_.secretKeyDir;
  ASSERT_EQ(binding_->GenerateNewOwnKey(params_, request_), 0);
  const TCCom3x_CashNode fresh = SelfSigned(ReadFile(params_.userPublicKeyPath));
  EXPECT_NE(fresh.publicKey, old.publicKey);
  EXPECT_TRUE(SignsAs(fresh));

  // A file that cannot be written: -6, the own key untouched.
  request_.publicKeyPath = scenario_.Path("NO\\SUCH\\new.pub");
  EXPECT_EQ(binding_->GenerateNewOwnKey(params_, request_), -6);
  EXPECT_TRUE(SignsAs(fresh));

  // On a token: to the key directory's own-key object; another device is refused first.
  TokenSlot("ETOKEN", 2);
  request_.keyDevice = "ETOKEN";
  request_.secretKeyDir = "7777\\";
  request_.publicKeyPath = "RUTOKEN";
  TakeLog();
  EXPECT_EQ(binding_->GenerateNewOwnKey(params_, request_), -42);
  EXPECT_EQ(Count("PSE_CTX_new"), 0);
  binding_->SetKeyDirPasswordFunc(&Pin);
  request_.publicKeyPath = "etoken";
  ASSERT_EQ(binding_->GenerateNewOwnKey(params_, request_), 0);
  const TCCom3x_CashNode onToken = SelfSigned(ReadFile(TokenFile("ETOKEN2:/7777/AAAA")));
  EXPECT_TRUE(SecretKeyOf(ReadFile(TokenFile("ETOKEN2:/7777/DDDD/0002")), onToken));
  EXPECT_TRUE(SignsAs(fresh));
}

TEST_F(KeyGeneration, RenewalMakesTheSuccessorBesideTheOwnKeyAndInstallsItWhenCertified) {
  InstallDiskKeys("ME", 5, {5});
  TCCom3x_CashNode old;
  ASSERT_EQ(binding_->GetOwnNode(params_, old), 0);
  TCCom3x_CashNode request;
  request.uid = "ME (2)";
  request.ownerText = "CN=ME";
  Bytes block;
  ASSERT_EQ(binding_->RemoteGenerateStart(params_, request, block), 0);
  const TCCom3x_CashNode successor = SelfSigned(block);
  EXPECT_EQ(successor.uid, "ME (2)");
  EXPECT_TRUE(SecretKeyOf(ReadFile(params_.secretKeyDir + "KEYS\\sk000002.sec"), successor));
  ASSERT_EQ(binding_->WriteNewKeyRequest(params_, block.data(), static_cast<int32_t>(block.size())), 0);
  EXPECT_TRUE(SignsAs(old));

  // What cannot be installed leaves everything as it was.
  Bytes tampered = block;
  tampered[12] ^= 1;
  const Bytes foreign = SignedBlock("ME (2)", "", MakeKeyPair(77));
  const std::pair<Bytes, int32_t> refused[] = {
      {Bytes(block.begin(), block.end() - 1), -9}, {tampered, -13}, {foreign, -10}};
  binding_->CloseKeySession();
  TakeLog();
  for (const auto& [bad, result] : refused)
    EXPECT_EQ(binding_->RemoteGenerateFinish(params_, bad.data(), static_cast<int32_t>(bad.size())), result);
  // Only the search for the foreign key's secret key opened the user's container (and a copy
  // of it to derive with); both were freed.
  EXPECT_EQ(Count("PSE_CTX_new"), 2);
  EXPECT_EQ(Count("PSE_CTX_free"), 2);
  EXPECT_TRUE(SignsAs(old));

  ASSERT_EQ(binding_->RemoteGenerateFinish(params_, block.data(), static_cast<int32_t>(block.size())), 0);
  EXPECT_EQ(ReadFile(params_.userPublicKeyPath), block);
  EXPECT_TRUE(SignsAs(successor));
  // The old key stays a correspondent's, on disk and in the cache.
  TCCom3x_CashNode kept;
  ASSERT_EQ(binding_->FindNodeByUID(params_, "ME", true, kept), 0);
  EXPECT_EQ(kept.publicKey, old.publicKey);
  EXPECT_TRUE(fs::exists(params_.abonentsDir + "ME.pub"));
}

TEST_F(KeyGeneration, RenewalOfAKeyHeldInMemoryOrOnATokenUnderTheSameUid) {
  // The own key given by the host: the successor replaces it in memory only.
  InstallDiskKeys("ME", 5, {5});
  const Bytes own = ReadFile(params_.userPublicKeyPath);
  params_.userPublicKeyPath.clear();
  ASSERT_EQ(binding_->SetOwnKeyFromBuffer(params_, own.data(), static_cast<int32_t>(own.size())), 0);
  TCCom3x_CashNode request;
  request.uid = "ME2";
  Bytes block;
  ASSERT_EQ(binding_->RemoteGenerateStart(params_, request, block), 0);
  ASSERT_EQ(binding_->RemoteGenerateFinish(params_, block.data(), static_cast<int32_t>(block.size())), 0);
  TCCom3x_CashNode current;
  ASSERT_EQ(binding_->GetOwnNode(params_, current), 0);
  EXPECT_EQ(current.uid, "ME2");
  EXPECT_TRUE(SignsAs(SelfSigned(block)));
  TCCom3x_CashNode kept;
  EXPECT_EQ(binding_->FindNodeByUID(params_, "ME", true, kept), 0);
  EXPECT_FALSE(fs::exists(params_.abonentsDir + "ME.pub"));

  // On a token, under the same UID: the own-key object is written over, nothing is kept.
  Reload();
  TokenSlot("ETOKEN", 1);
  params_.userPublicKeyPath = "ETOKEN";
  params_.keyDevice = "ETOKEN";
  params_.secretKeyDir = "1A2F\\";
  binding_->SetKeyDirPasswordFunc(&Pin);
  WriteFile(TokenFile("ETOKEN1:/1A2F/AAAA"), SignedBlock("ME", "", MakeKeyPair(9)));
  WriteFile(TokenFile("ETOKEN1:/1A2F/DDDD/0002"), SimSecretKey(9));
  request.uid = "ME";
  ASSERT_EQ(binding_->RemoteGenerateStart(params_, request, block), 0);
  EXPECT_TRUE(SecretKeyOf(ReadFile(TokenFile("ETOKEN1:/1A2F/DDDD/0003")), SelfSigned(block)));
  ASSERT_EQ(binding_->RemoteGenerateFinish(params_, block.data(), static_cast<int32_t>(block.size())), 0);
  EXPECT_EQ(ReadFile(TokenFile("ETOKEN1:/1A2F/AAAA")), block);
  EXPECT_TRUE(SignsAs(SelfSigned(block)));
  EXPECT_EQ(binding_->Cache().Size(), 1u);
}

}  // namespace
}  // namespace sigcore
