// The binding over the kit's own crypto provider as it ships (ccom.dll and ccomio.dll), on
// tokens made with the provider's token tool: the layout of a token key directory and its full
// folders, slot scans with the provider's injected ETOKEN misses, mixed devices, erasure on both
// kinds of token, and the token PIN chain. Keys are made by the provider; what it signs is
// checked with the GOST library.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ce_ccm3x.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "keyplaces.h"
#include "process_state.h"
#include "provider_scenario.h"
#include "childprocess.h"
#include "windriver.h"

namespace sigcore {
namespace {

namespace fs = std::filesystem;
using sigcore_test::ProviderScenario;

constexpr const char* kPin = "4711";

// What the host's functions answer (nullptr: a refusal) and the key names they were asked for.
const char* pinAnswer = kPin;
std::vector<std::string> keyDirAsked;
int plainCalls = 0;

int SIGCORE_CALL KeyDirPin(const char* keyDir, char* buffer, int size) {
  keyDirAsked.emplace_back(keyDir);
  return pinAnswer != nullptr &&
         std::snprintf(buffer, static_cast<size_t>(size), "%s", pinAnswer) > 0;
}

int SIGCORE_CALL PlainPin(char* buffer, int size) {
  ++plainCalls;
  return std::snprintf(buffer, static_cast<size_t>(size), "%s", kPin) > 0;
}

// A new container's generator is seeded with the characters it asks for.
int CCM3X_CALL TypeAsAsked(int requested, int, int, void*) { return requested; }

// A key pair the provider made in a container, and its self-signed public-key block.
struct ProviderKey {
  std::vector<uint8_t> secret;
  std::array<uint8_t, 65> publicKey{};
  std::vector<uint8_t> block;
};

// Whether `signature` over `data` verifies with `publicKey`, by the GOST library.
bool GostVerifies(const std::array<uint8_t, 65>& publicKey, const uint8_t* data, size_t size,
                  const uint8_t* signature) {
  uint8_t digest[32];
  return gost::Hash(gost::HashParams::CryptoPro, data, size, digest) &&
         gost::Verify(gost::CurveParams::CryptoProA, publicKey.data(), digest, signature);
}

class OwnProvider : public ::testing::Test {
 protected:
  OwnProvider()
      : scenario_(wintest::HostPath(KIT_CCOM_DLL), wintest::HostPath(KIT_CCOMIO_DLL)) {
    fs::create_directories(scenario_.Path("tokens"));
    ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", scenario_.Path("tokens").c_str());
    ::SetDllDirectoryA(scenario_.Folder().c_str());
    params_.keyDevice = "ETOKEN";
    params_.secretKeyDir = "1A2F\\";
    params_.userPublicKeyPath = "ETOKEN";
    params_.abonentsDir = "ETOKEN\\";
    params_.deviceScanDepth = 16;
    params_.detailErrorFile = scenario_.Path("detail.txt");
    pinAnswer = kPin;
    keyDirAsked.clear();
    plainCalls = 0;
    Reload();
  }
  ~OwnProvider() override {
    binding_.reset();
    ReleaseProcessState(false);
    ::SetDllDirectoryA(nullptr);
    for (const char* name : {"CCOM_TOKEN_ROOT", "CCOM_FAULT_ETOKEN_ACCESS_MISSES"})
      ::SetEnvironmentVariableA(name, nullptr);
  }

  // A fresh binding over a freshly loaded provider, so no token is logged in; the host's
  // key-directory function is handed over unless told otherwise.
  void Reload(bool keyDirFunction = true) {
    binding_.reset();
    ReleaseProcessState(false);
    binding_ = std::make_unique<TCCom3x_DLL>();
    ASSERT_TRUE(binding_->AllEntryPointsPresent());
    if (keyDirFunction) binding_->SetKeyDirPasswordFunc(&KeyDirPin);
  }
  const ccm3x::EntryPoints& Api() const { return binding_->Api(); }

  // A token ("ETOKEN3") made with the provider's tool, with the PIN kPin.
  void MakeToken(const std::string& slot) {
    const wintest::ProgramResult made = wintest::RunProgram(
        "\"" + wintest::HostPath(KIT_CCOMTOKEN_EXE) + "\" --root \"" + scenario_.Path("tokens") +
        "\" create " + slot + " --pin " + kPin);
    ASSERT_EQ(made.exitCode, 0u) << made.output;
  }

  // A new container at `place` and, in it, one key pair for each UID.
  std::vector<ProviderKey> MakeContainer(const std::string& place,
                                         const std::vector<std::string>& uids) {
    if (place.find(":/") == std::string::npos) fs::create_directories(place);
    const auto& api = Api();
    ProviderObject<PSE_CTX> container(api.PSE_CTX_new(), api.PSE_CTX_free);
    std::vector<ProviderKey> keys;
    if (api.PSE_CTX_set_path(container.Get(), place.c_str(), -1) != 1 ||
        api.PSE_CTX_set_rand_callback(container.Get(), &TypeAsAsked) != 1 ||
        api.PSE_CTX_generate(container.Get()) != 1) {
      ADD_FAILURE() << "no container at " << place << ": " << api.ERR_get_last_error();
      return keys;
    }
    PSE* const pse = api.PSE_CTX_get_pse(container.Get());
    for (const std::string& uid : uids) {
      ProviderKey key;
      key.secret.resize(36);
      int secretLength = 36;
      int publicLength = 65;
      if (api.ECGOST_generate_key(pse, 11, key.secret.data(), &secretLength,
                                  key.publicKey.data(), &publicLength) != 1) {
        ADD_FAILURE() << "no key pair for " << uid;
        return {};
      }
      key.block = SelfSignedBlock(pse, uid, key);
      keys.push_back(std::move(key));
    }
    EXPECT_EQ(api.PSE_CTX_write(container.Get()), 1) << place;
    return keys;
  }

  // The key's block, signed by the provider with the key's secret part; the signature is
  // checked with the GOST library.
  std::vector<uint8_t> SelfSignedBlock(PSE* pse, const std::string& uid, const ProviderKey& key) {
    TCCom3x_CashNode node;
    node.uid = uid;
    node.ownerText = "CN=" + uid;
    node.publicKeyLength = 65;
    node.publicKey = key.publicKey;
    node.signatureLength = 64;
    std::vector<uint8_t> block(kMaxPublicKeyBlockSize);
    int32_t signedPart = kMaxPublicKeyBlockSize;
    EXPECT_EQ(SerializePublicKeyBlock(node, block.data(), signedPart), 0);
    const auto& api = Api();
    ProviderObject<ECGOST_SIGN> sign(api.ECGOST_SIGN_new(), api.ECGOST_SIGN_free);
    int length = 64;
    EXPECT_TRUE(api.ECGOST_sign_init(sign.Get(), pse, nullptr, 0, 21, key.secret.data(), 11) == 1 &&
                api.ECGOST_update(sign.Get(), block.data(), signedPart) == signedPart &&
                api.ECGOST_sign_final(sign.Get(), node.signature.data(), &length) == 1)
        << uid;
    EXPECT_TRUE(GostVerifies(key.publicKey, block.data(), static_cast<size_t>(signedPart),
                             node.signature.data()))
        << uid;
    int32_t size = kMaxPublicKeyBlockSize;
    EXPECT_EQ(AppendBlockSignature(node, block.data(), size), 0);
    block.resize(static_cast<size_t>(size));
    return block;
  }

  bool Exists(const std::string& objectPath) const {
    return Api().CADB_access(objectPath.c_str(), CADB_ACCESS_EXISTS) != 0;
  }
  std::vector<uint8_t> ReadObject(const std::string& objectPath) const {
    std::vector<uint8_t> bytes(kMaxPublicKeyBlockSize);
    const int read = Api().CADB_read_file(objectPath.c_str(), bytes.data(),
                                          static_cast<int>(bytes.size()));
    bytes.resize(read > 0 ? static_cast<size_t>(read) : 0);
    return bytes;
  }
  void WriteObject(const std::string& objectPath, const std::vector<uint8_t>& bytes) const {
    const int length = static_cast<int>(bytes.size());
    ASSERT_EQ(Api().CADB_write_file(objectPath.c_str(), bytes.data(), length), length)
        << objectPath;
  }
  int32_t Store(const std::vector<uint8_t>& block) {
    return binding_->StorePublicKey(params_, block.data(), true,
                                    static_cast<int32_t>(block.size()));
  }

  // The session's secret key signs, and the GOST library confirms it with the own public key.
  void ExpectSessionSignsFor(const std::array<uint8_t, 65>& ownPublicKey) {
    OperationKey operation;
    ASSERT_EQ(binding_->OpenKeySession(params_, operation), 0);
    const auto& api = Api();
    const uint8_t data[] = "payment order 17";
    ProviderObject<ECGOST_SIGN> sign(api.ECGOST_SIGN_new(), api.ECGOST_SIGN_free);
    uint8_t signature[64];
    int length = 64;
    ASSERT_TRUE(api.ECGOST_sign_init(sign.Get(), api.PSE_CTX_get_pse(operation.Container()),
                                     nullptr, 0, 21, operation.SecretKeyBytes(), 11) == 1 &&
                api.ECGOST_update(sign.Get(), data, sizeof data) == sizeof data &&
                api.ECGOST_sign_final(sign.Get(), signature, &length) == 1);
    EXPECT_TRUE(GostVerifies(ownPublicKey, data, sizeof data, signature));
  }

  ProviderScenario scenario_;
  std::unique_ptr<TCCom3x_DLL> binding_;
  TCCom3x_UserParam params_;
};

TEST_F(OwnProvider, TokenKeyDirectoryIsLaidOutAndFilledToItsDepth) {
  // Only slot 3 holds a token.
  MakeToken("ETOKEN3");
  std::vector<std::string> uids;
  for (int i = 0; i < 17; ++i) uids.push_back("KEY" + std::to_string(i));
  const std::vector<ProviderKey> keys = MakeContainer("ETOKEN3:/1A2F", uids);
  ASSERT_EQ(keys.size(), 17u);
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "1A2F\\"), 3);
  EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "7777"), -1);

  // Secret keys fill DDDD/0002 up to depth + 1; one more finds no place.
  for (int i = 0; i < 16; ++i) {
    ASSERT_EQ(binding_->WriteSecretKey("ETOKEN", "1A2F\\", keys[i].secret.data(), 3,
                                       params_.detailErrorFile, 16),
              0)
        << i;
    EXPECT_EQ(ReadObject("ETOKEN3:/1A2F/DDDD/" + Hex4(i + 2)), keys[i].secret) << i;
  }
  EXPECT_FALSE(Exists("ETOKEN3:/1A2F/DDDD/0012"));
  EXPECT_EQ(binding_->WriteSecretKey("ETOKEN", "1A2F\\", keys[16].secret.data(), 3,
                                     params_.detailErrorFile, 16),
            -38);

  // The own key is XXXX/AAAA, the pending new key DDDD/0001.
  WriteObject("ETOKEN3:/1A2F/AAAA", keys[9].block);
  const auto& next = keys[16].block;
  ASSERT_EQ(
      binding_->WriteNewKeyRequest(params_, next.data(), static_cast<int32_t>(next.size())), 0);
  EXPECT_EQ(ReadObject("ETOKEN3:/1A2F/DDDD/0001"), next);
  TCCom3x_CashNode pending;
  ASSERT_EQ(binding_->ReadNewKeyRequest(params_, pending), 0);
  EXPECT_EQ(pending.uid, "KEY16");
  EXPECT_TRUE(binding_->VerifyBlockSelfSignature(pending));

  // Correspondents fill EEEE/0001 up to depth; one more finds no place.
  for (int i = 0; i < 16; ++i) {
    ASSERT_EQ(Store(keys[i == 9 ? 16 : i].block), 0) << i;
    EXPECT_TRUE(Exists("ETOKEN3:/1A2F/EEEE/" + Hex4(i + 1))) << i;
  }
  std::vector<ProviderKey> late = MakeContainer(scenario_.Path("LATE"), {"LATE"});
  ASSERT_EQ(late.size(), 1u);
  EXPECT_EQ(Store(late[0].block), -37);

  // The session opens on the token with the PIN the key directory's function gives, and its
  // secret key is the one among sixteen that belongs to the own key.
  Reload();
  keyDirAsked.clear();
  ExpectSessionSignsFor(keys[9].publicKey);
  EXPECT_EQ(binding_->TokenName(), "ETOKEN3");
  EXPECT_EQ(keyDirAsked, std::vector<std::string>{"1A2F"});

  // Read afresh: the own key first, then the correspondents in their order.
  Reload();
  std::lock_guard cache(binding_->Cache().Lock());
  ASSERT_EQ(binding_->LoadPublicKeyCache(params_), 0);
  const std::vector<std::string> cached = binding_->Cache().Uids();
  ASSERT_EQ(cached.size(), 17u);
  EXPECT_EQ(cached[0], "KEY9");
  EXPECT_EQ(cached[1], "KEY0");
  EXPECT_EQ(cached[10], "KEY16");
  EXPECT_EQ(binding_->Cache().OwnUid(), "KEY9");
}

TEST_F(OwnProvider, SlotScansAskAnEtokenTwiceAndRefuseMixedDevices) {
  MakeToken("ETOKEN0");
  MakeToken("ETOKEN3");
  for (const char* place : {"ETOKEN0:/1A2F", "ETOKEN3:/1A2F"})
    ASSERT_EQ(MakeContainer(place, {"ME"}).size(), 1u);
  // The provider misses an ETOKEN's first answer; the scan asks again and finds slot 0. Two
  // misses in a row move the scan on.
  const struct {
    const char* misses;
    int32_t slot;
  } scans[] = {{"0", 0}, {"1", 0}, {"2", 3}};
  for (const auto& scan : scans) {
    ::SetEnvironmentVariableA("CCOM_FAULT_ETOKEN_ACCESS_MISSES", scan.misses);
    EXPECT_EQ(binding_->GetSlotNumberForTokenObject("ETOKEN", "1A2F"), scan.slot) << scan.misses;
  }
  ::SetEnvironmentVariableA("CCOM_FAULT_ETOKEN_ACCESS_MISSES", nullptr);

  const auto own = MakeContainer(scenario_.Path("OWN"), {"ME"});
  ASSERT_EQ(own.size(), 1u);
  WriteObject("ETOKEN0:/1A2F/AAAA", own[0].block);
  struct Case {
    const char* publicKey;
    const char* abonents;
    int32_t load;
  };
  const Case cases[] = {
      {"ETOKEN", "ETOKEN\\", 0},
      {"RUTOKEN", "ETOKEN\\", -42},
      {"ETOKEN", "RUTOKEN\\", -42},
  };
  for (const Case& c : cases) {
    params_.userPublicKeyPath = c.publicKey;
    params_.abonentsDir = c.abonents;
    {
      std::lock_guard cache(binding_->Cache().Lock());
      EXPECT_EQ(binding_->LoadPublicKeyCache(params_), c.load) << c.publicKey << c.abonents;
    }
    EXPECT_EQ(Store(own[0].block), c.load) << c.publicKey << c.abonents;
  }
}

TEST_F(OwnProvider, KeyDirectoryIsErasedOnEitherKindOfToken) {
  for (const std::string device : {"ETOKEN", "RUTOKEN"}) {
    SCOPED_TRACE(device);
    MakeToken(device + "4");
    params_.keyDevice = params_.userPublicKeyPath = device;
    params_.abonentsDir = device + "\\";
    const std::string root = device + "4:/1A2F";
    const auto keys = MakeContainer(root, {"ME", "BANK", "NEXT"});
    ASSERT_EQ(keys.size(), 3u);
    WriteObject(root + "/AAAA", keys[0].block);
    for (const auto& key : keys)
      ASSERT_EQ(binding_->WriteSecretKey(device, "1A2F\\", key.secret.data(), 4, "", 16), 0);
    ASSERT_EQ(Store(keys[1].block), 0);
    ASSERT_EQ(binding_->WriteNewKeyRequest(params_, keys[2].block.data(),
                                           static_cast<int32_t>(keys[2].block.size())),
              0);
    ASSERT_TRUE(Exists(root + "/EEEE/0001"));

    EXPECT_EQ(binding_->EraseTokenKeyDir(device, "1A2F"), 0);
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(device + "4:/")) << "the token stays";
    EXPECT_EQ(binding_->EraseTokenKeyDir(device, "1A2F"), -40);
    binding_->ClearKeySessionAndCache();
  }
}

TEST_F(OwnProvider, TokenPinComesFromTheHostTheKeyboardOrNobody) {
  // The own key on disk; the container and its secret keys on a token with a PIN.
  MakeToken("ETOKEN1");
  const auto keys = MakeContainer("ETOKEN1:/1A2F", {"OTHER", "ME"});
  ASSERT_EQ(keys.size(), 2u);
  for (const auto& key : keys)
    ASSERT_EQ(binding_->WriteSecretKey("ETOKEN", "1A2F\\", key.secret.data(), 1, "", 16), 0);
  params_.userPublicKeyPath = scenario_.Path("self.pub");
  params_.abonentsDir = scenario_.Path("ABONENTS\\");
  std::ofstream(params_.userPublicKeyPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(keys[1].block.data()),
             static_cast<std::streamsize>(keys[1].block.size()));

  const std::string keyboard = scenario_.Path("KEYBOARD");
  fs::create_directories(keyboard);
  const std::string keyboardDouble = wintest::HostPath(KIT_PROVIDER_DOUBLES) + "\\orvavk_complete.dll";
  ASSERT_TRUE(::CopyFileA(keyboardDouble.c_str(), (keyboard + "\\ORVAVK.DLL").c_str(), FALSE));
  ::SetEnvironmentVariableA("ORVAVK_DOUBLE_ANSWER", kPin);
  struct Case {
    const char* name;
    bool keyDirFunction;
    const char* keyDirAnswer;  // nullptr: a refusal
    bool keyboard;
    bool plainFunction;
    int32_t result;
    int keyDirCalls;
    int plainCalls;
  };
  const Case cases[] = {
      {"key-directory function", true, kPin, true, true, 0, 1, 0},
      {"key-directory function, wrong PIN", true, "0000", true, true, 85, 1, 0},
      {"key-directory function refuses", true, nullptr, true, true, 22, 1, 0},
      {"keyboard", false, nullptr, true, true, 0, 0, 0},
      {"plain function", false, nullptr, false, true, 0, 0, 1},
      {"nothing can ask", false, nullptr, false, false, -30, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::SetDllDirectoryA(scenario_.Folder().c_str());
    Reload(c.keyDirFunction);
    ::SetDllDirectoryA(c.keyboard ? keyboard.c_str() : scenario_.Folder().c_str());
    if (c.plainFunction) binding_->SetPasswordFunc(&PlainPin);
    pinAnswer = c.keyDirAnswer;
    keyDirAsked.clear();
    plainCalls = 0;
    OperationKey operation;
    EXPECT_EQ(binding_->OpenKeySession(params_, operation), c.result);
    EXPECT_EQ(static_cast<int>(keyDirAsked.size()), c.keyDirCalls);
    EXPECT_EQ(plainCalls, c.plainCalls);
    if (c.keyDirCalls > 0) {
      EXPECT_EQ(keyDirAsked[0], "1A2F");
    }
    if (c.result == 0) {
      EXPECT_EQ(std::vector<uint8_t>(operation.SecretKeyBytes(), operation.SecretKeyBytes() + 36),
                keys[1].secret);
    }
  }
  ::SetEnvironmentVariableA("ORVAVK_DOUBLE_ANSWER", nullptr);

  // The token stays logged in after the session closes, until the binding logs out.
  ::SetDllDirectoryA(scenario_.Folder().c_str());
  Reload();
  pinAnswer = kPin;
  keyDirAsked.clear();
  ExpectSessionSignsFor(keys[1].publicKey);
  binding_->ClearKeySessionAndCache();
  ExpectSessionSignsFor(keys[1].publicKey);
  EXPECT_EQ(keyDirAsked.size(), 1u);
  binding_->TokenLogout();
  binding_->ClearKeySessionAndCache();
  ExpectSessionSignsFor(keys[1].publicKey);
  EXPECT_EQ(keyDirAsked.size(), 2u);
}

TEST_F(OwnProvider, CustomerOnATokenAndBankOnDiskSignEncryptAndRenewOverTheProvider) {
  // Both containers exist already: generating in them asks for no keystrokes.
  MakeToken("ETOKEN0");
  MakeContainer("ETOKEN0:/1A2F", {});
  TCCom3x_UserParam bank = params_;
  bank.keyDevice = "DISK";
  bank.userPublicKeyPath = scenario_.Path("bank.pub");
  bank.secretKeyDir = scenario_.Path("BANK\\");
  bank.abonentsDir = scenario_.Path("BANKAB\\");
  fs::create_directories(bank.abonentsDir);
  MakeContainer(bank.secretKeyDir, {});
  TCCom3x_DLL bankBinding;

  // The customer's new own key goes to the token; the first container write is refused once.
  TCCom3x_KeyGenParam request;
  request.uid = "CLIENT7";
  request.ownerText = "CN=CLIENT7";
  request.publicKeyPath = "ETOKEN";
  request.secretKeyDir = "1A2F\\";
  request.keyDevice = "ETOKEN";
  ::SetEnvironmentVariableA("CCOM_FAULT_ETOKEN_WRITE_FAILURES", "1");
  ASSERT_EQ(binding_->GenerateNewOwnKey(params_, request), 0);
  char faultsLeft[8] = {};
  ::GetEnvironmentVariableA("CCOM_FAULT_ETOKEN_WRITE_FAILURES", faultsLeft, sizeof faultsLeft);
  EXPECT_STREQ(faultsLeft, "0");
  ::SetEnvironmentVariableA("CCOM_FAULT_ETOKEN_WRITE_FAILURES", nullptr);
  const std::vector<uint8_t> customerBlock = ReadObject("ETOKEN0:/1A2F/AAAA");
  EXPECT_TRUE(Exists("ETOKEN0:/1A2F/DDDD/0002"));
  request.uid = "BANK";
  request.publicKeyPath = bank.userPublicKeyPath;
  request.secretKeyDir = bank.secretKeyDir;
  request.keyDevice = "DISK";
  ASSERT_EQ(bankBinding.GenerateNewOwnKey(bank, request), 0);
  std::vector<uint8_t> bankBlock(kMaxPublicKeyBlockSize);
  bankBlock.resize(static_cast<size_t>(
      std::ifstream(bank.userPublicKeyPath, std::ios::binary)
          .read(reinterpret_cast<char*>(bankBlock.data()), kMaxPublicKeyBlockSize)
          .gcount()));
  TCCom3x_CashNode customerKey, bankKey;
  ASSERT_EQ(ParsePublicKeyBlock(customerBlock.data(), static_cast<int32_t>(customerBlock.size()), customerKey), 0);
  ASSERT_EQ(ParsePublicKeyBlock(bankBlock.data(), static_cast<int32_t>(bankBlock.size()), bankKey), 0);
  EXPECT_TRUE(GostVerifies(customerKey.publicKey, customerBlock.data(), customerBlock.size() - 68,
                           customerKey.signature.data()));

  // Each keeps the other's key: the customer in the token's EEEE folder.
  ASSERT_EQ(Store(bankBlock), 0);
  EXPECT_TRUE(Exists("ETOKEN0:/1A2F/EEEE/0001"));
  ASSERT_EQ(bankBinding.StorePublicKey(bank, customerBlock.data(), true,
                                       static_cast<int32_t>(customerBlock.size())),
            0);

  // The customer signs a payment order; the bank and the GOST library confirm it.
  const std::string order = "payment order 17: 100.00";
  const auto* orderBytes = reinterpret_cast<const uint8_t*>(order.data());
  const auto orderLength = static_cast<int32_t>(order.size());
  std::vector<uint8_t> signature(319);
  int32_t signatureLength = 0;
  ASSERT_EQ(binding_->SignData(params_, orderBytes, orderLength, signature.data(), &signatureLength), 0);
  char signer[255] = {};
  EXPECT_EQ(bankBinding.VerifyData(bank, orderBytes, orderLength, signature.data(), signatureLength, signer), 0);
  EXPECT_STREQ(signer, "CLIENT7");
  std::vector<uint8_t> signedMessage(signature.begin(), signature.begin() + 8);
  signedMessage.insert(signedMessage.end(), order.begin(), order.end());
  EXPECT_TRUE(GostVerifies(customerKey.publicKey, signedMessage.data(), signedMessage.size(),
                           signature.data() + 8));

  // The customer encrypts it for the bank, which decrypts it; a changed byte is found.
  for (const char* method : {"GAMMA", "GFB"}) {
    SCOPED_TRACE(method);
    std::vector<uint8_t> buffer(order.begin(), order.end());
    buffer.resize(order.size() + 1000);
    int32_t length = orderLength;
    ASSERT_EQ(binding_->EncodeData(params_, method, "BANK", buffer.data(), &length), 0);
    buffer.resize(static_cast<size_t>(length));
    std::vector<uint8_t> damaged = buffer;
    damaged.back() ^= 1;
    int32_t damagedLength = length;
    EXPECT_EQ(bankBinding.DecodeData(bank, damaged.data(), &damagedLength), -18);
    // A sender value off the curve is refused by the provider before any key is derived.
    damaged = buffer;
    damaged[buffer.size() - order.size() - 1] ^= 1;
    EXPECT_GT(bankBinding.DecodeData(bank, damaged.data(), &damagedLength), 0);
    ASSERT_EQ(bankBinding.DecodeData(bank, buffer.data(), &length), 0);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + length), order);
  }
  uint8_t digest[32], expected[32];
  int32_t digestSize = 32;
  ASSERT_EQ(bankBinding.HashData(bank, orderBytes, orderLength, 0, digest, &digestSize), 0);
  ASSERT_TRUE(gost::Hash(gost::HashParams::CryptoPro, orderBytes, order.size(), expected));
  EXPECT_EQ(std::vector<uint8_t>(digest, digest + 32), std::vector<uint8_t>(expected, expected + 32));

  // The customer renews the key under a new UID; once installed, it signs, and the bank's key
  // and the old own key stay on the token as correspondents'.
  TCCom3x_CashNode successor;
  successor.uid = "CLIENT7 (2)";
  std::vector<uint8_t> next;
  ASSERT_EQ(binding_->RemoteGenerateStart(params_, successor, next), 0);
  EXPECT_TRUE(Exists("ETOKEN0:/1A2F/DDDD/0003"));
  ASSERT_EQ(binding_->WriteNewKeyRequest(params_, next.data(), static_cast<int32_t>(next.size())), 0);
  ASSERT_EQ(binding_->RemoteGenerateFinish(params_, next.data(), static_cast<int32_t>(next.size())), 0);
  EXPECT_EQ(ReadObject("ETOKEN0:/1A2F/AAAA"), next);
  TCCom3x_CashNode nextKey;
  ASSERT_EQ(ParsePublicKeyBlock(next.data(), static_cast<int32_t>(next.size()), nextKey), 0);
  ExpectSessionSignsFor(nextKey.publicKey);
  TCCom3x_CashNode kept;
  EXPECT_EQ(binding_->FindNodeByUID(params_, "CLIENT7", true, kept), 0);
  EXPECT_EQ(kept.publicKey, customerKey.publicKey);
  EXPECT_EQ(binding_->FindNodeByUID(params_, "BANK", true, kept), 0);
}

}  // namespace
}  // namespace sigcore
