// The engine's service as a host gets it: sigcore.dll loaded by path beside the kit's own
// provider (ccom.dll, ccomio.dll), every call through the exports. Two subscribers, a customer
// and a bank, each with a key pair on disk, sign, verify, encrypt and exchange keys; what the
// provider signs and hashes is checked with the GOST library.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ccm3x_entry_points.h"
#include "ccom_container.h"
#include "childprocess.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "key_blocks.h"
#include "mimecode.h"
#include "pkblock.h"
#include "provider_scenario.h"
#include "sigcore_host.h"
#include "signed_buffer.h"
#include "transfer_block.h"
#include "windriver.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using sigcore::SigcoreEngineHandle;
using sigcore::SigcoreLibrary;
using sigcore_test::ProviderScenario;

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
Bytes Text(const std::string& text) { return {text.begin(), text.end()}; }

// A signature of `data` made by `engine`; empty when signing fails.
Bytes SignWith(const SigcoreLibrary::Exports& api, SigcoreEngine engine, const Bytes& data) {
  Bytes signature(319);
  int length = static_cast<int>(signature.size());
  if (api.SignData(engine, data.data(), static_cast<int>(data.size()), signature.data(), &length,
                   nullptr) != 0)
    return {};
  signature.resize(static_cast<size_t>(length));
  return signature;
}

// Whether the GOST library finds `signature` over `message` with the public key of `block`: a
// key block signs everything before its 4-byte length and 64-byte signature, a signature of
// data signs the signer's UID and NUL before the data.
bool SignatureHolds(const Bytes& block, const Bytes& message, const uint8_t* signature) {
  sigcore::TCCom3x_CashNode key;
  uint8_t digest[32];
  return sigcore::ParsePublicKeyBlock(block.data(), static_cast<int32_t>(block.size()), key) == 0 &&
         gost::Hash(gost::HashParams::CryptoPro, message.data(), message.size(), digest) &&
         gost::Verify(gost::CurveParams::CryptoProA, key.publicKey.data(), digest, signature);
}
bool SelfSigned(const Bytes& block) {
  return block.size() > 68 &&
         SignatureHolds(block, Bytes(block.begin(), block.end() - 68), &block[block.size() - 64]);
}
bool SignedBy(const Bytes& block, const Bytes& data, const Bytes& signature) {
  if (signature.size() < 65) return false;
  Bytes message(signature.begin(), signature.end() - 64);
  message.insert(message.end(), data.begin(), data.end());
  return SignatureHolds(block, message, &signature[signature.size() - 64]);
}

// The kit installed in a folder with the provider beside it, as a host finds it.
class Installation {
 public:
  Installation()
      : scenario_(wintest::HostPath(KIT_CCOM_DLL), wintest::HostPath(KIT_CCOMIO_DLL)),
        kit_(scenario_.Path("sigcore.dll")),
        ccom_(::LoadLibraryA(scenario_.Path("ccom.dll").c_str())) {
    provider_ = ccm3x::BindEntryPoints(ccom_.Get(), nullptr);
  }
  const SigcoreLibrary::Exports& Api() const { return kit_.api; }
  const ccm3x::EntryPoints& Provider() const { return provider_.api; }
  std::string Path(const std::string& name) const { return scenario_.Path(name); }

  // A key container at `folder`, made as the provider's keystroke series would make it.
  void MakeContainer(const std::string& folder) const {
    EXPECT_EQ(sigcore_test::MakeProviderContainer(provider_.api, folder), 0) << folder;
  }

 private:
  ProviderScenario scenario_;
  SigcoreLibrary kit_;
  kit::UniqueModule ccom_;
  ccm3x::Binding provider_;
};

// A subscriber's engine: its key pair on disk in a folder of its own, the abonents directory
// beside it.
class Subscriber {
 public:
  Subscriber(const Installation& kit, const std::string& uid)
      : kit_(kit), uid_(uid), folder_(kit.Path(uid)), engine_(kit.Api()) {
    Configure(engine_);
  }
  void Configure(SigcoreEngine engine) const {
    const std::pair<int, std::string> values[] = {
        {1, folder_ + "\\self.pub"},     {2, folder_ + "\\keys"},  {4, folder_ + "\\abonents"},
        {9, uid_},                       {10, "CN " + uid_},       {18, folder_ + "\\self.pub"},
        {19, folder_ + "\\keys"},        {21, folder_ + "\\detail.txt"},
    };
    for (const auto& [number, value] : values)
      ASSERT_EQ(kit_.Api().SetCryptoParamValue(engine, number, value.c_str()), 0) << number;
  }
  // Its first key pair, through GenerateNewSEK, in a container made beforehand.
  void GenerateKeys() const {
    kit_.MakeContainer(folder_ + "\\keys");
    fs::create_directories(folder_ + "\\abonents");
    const int result = kit_.Api().GenerateNewSEK(engine_);
    ASSERT_EQ(result, 0) << Error(result);
  }
  // The other subscriber's public-key file, included from a copy.
  void Knows(const Subscriber& other) const {
    const std::string copy = folder_ + "\\incoming.pub";
    fs::copy_file(other.PublicKeyFile(), copy, fs::copy_options::overwrite_existing);
    ASSERT_EQ(kit_.Api().IncludePublicKey(engine_, copy.c_str()), 0);
  }

  Bytes Sign(const Bytes& data) const {
    Bytes signature = SignWith(kit_.Api(), engine_, data);
    EXPECT_FALSE(signature.empty()) << uid_;
    return signature;
  }
  // The result of verifying, and the signer's UID then.
  std::pair<int, std::string> Verify(const Bytes& data, const Bytes& signature) const {
    std::string uid(255, '\x7F');
    const int result =
        kit_.Api().VerifyData(engine_, data.data(), static_cast<int>(data.size()),
                              signature.data(), static_cast<int>(signature.size()), uid.data());
    return {result, uid.c_str()};
  }
  std::string OwnTransfer() const {
    std::string transfer(3455, '\0');
    EXPECT_EQ(kit_.Api().ExcludeSelfPublicKeyTransfer(engine_, transfer.data()), 0);
    return transfer.c_str();
  }
  std::string Error(int code) const {
    char text[256] = {};
    kit_.Api().GetCryptoErrorString(engine_, code, text);
    return std::to_string(code) + " " + text;
  }

  SigcoreEngine Engine() const { return engine_.Get(); }
  const std::string& Uid() const { return uid_; }
  const std::string& Folder() const { return folder_; }
  std::string PublicKeyFile() const { return folder_ + "\\self.pub"; }

 private:
  const Installation& kit_;
  std::string uid_;
  std::string folder_;
  SigcoreEngineHandle engine_;
};

class EngineService : public ::testing::Test {
 protected:
  void SetUp() override {
    customer_.GenerateKeys();
    bank_.GenerateKeys();
    customer_.Knows(bank_);
    bank_.Knows(customer_);
  }
  const SigcoreLibrary::Exports& api() const { return kit_.Api(); }

  Installation kit_;
  Subscriber customer_{kit_, "Client7"};
  Subscriber bank_{kit_, "Bank01"};
};

TEST_F(EngineService, SignaturesHoldForTheGostLibraryAndBindTheirData) {
  const Bytes order = Text("payment order 17: 1500.00 RUB to 40702810900000000001");
  const Bytes signature = customer_.Sign(order);
  ASSERT_EQ(signature.size(), customer_.Uid().size() + 65);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(signature.data())), "Client7");

  EXPECT_TRUE(SignedBy(ReadBytes(customer_.PublicKeyFile()), order, signature));

  EXPECT_EQ(bank_.Verify(order, signature), std::make_pair(0, std::string("Client7")));
  EXPECT_EQ(api().VerifySignWOCheckValidity(bank_.Engine(), order.data(),
                                            static_cast<int>(order.size()), signature.data(),
                                            static_cast<int>(signature.size()), nullptr),
            -11);
  // A changed byte of the data fails with the provider's code and leaves the UID alone.
  Bytes changed = order;
  changed[3] ^= 1;
  EXPECT_EQ(bank_.Verify(changed, signature), std::make_pair(7, std::string(255, '\x7F')));
  Bytes longer = signature;
  longer.push_back(0);
  EXPECT_EQ(bank_.Verify(order, longer).first, -12);

  // The pure signature: the 64 bytes after the UID as upper-case hexadecimal digits.
  std::string hex(130, 'x');
  int size = 128;
  EXPECT_EQ(api().GetPureSign(bank_.Engine(), signature.data(), static_cast<int>(signature.size()),
                              nullptr, hex.data(), &size),
            -11);
  EXPECT_EQ(size, 129);
  EXPECT_EQ(api().GetPureSign(bank_.Engine(), longer.data(), static_cast<int>(longer.size()),
                              nullptr, hex.data(), &size),
            -12);
  ASSERT_EQ(api().GetPureSign(bank_.Engine(), signature.data(), static_cast<int>(signature.size()),
                              nullptr, hex.data(), &size),
            0);
  char expected[129] = {};
  for (int i = 0; i < 64; ++i) std::snprintf(expected + 2 * i, 3, "%02X", signature[8 + i]);
  EXPECT_EQ(std::string(hex.c_str()), expected);

  // The self test signs and verifies with the own key.
  char uid[255];
  size = sizeof uid;
  EXPECT_EQ(api().ExportObject(customer_.Engine(), 20, nullptr, 0, nullptr, uid, &size), 0);
  EXPECT_STREQ(uid, "Client7");
  EXPECT_EQ(size, 7);
}

TEST_F(EngineService, SignedBuffersAndTheirTrailers) {
  // A 6-character UID: 10 bytes of data, 71 of signature block, 4 of trailer.
  const SigcoreEngine e = bank_.Engine();
  std::vector<unsigned char> buffer(10 + 323, 0xEE);
  for (int i = 0; i < 10; ++i) buffer[i] = static_cast<unsigned char>('0' + i);
  int length = 10;
  ASSERT_EQ(api().AddSign(e, buffer.data(), &length, nullptr), 0);
  ASSERT_EQ(length, 10 + 71 + 4);
  EXPECT_EQ(Bytes(buffer.begin() + 81, buffer.begin() + 85), (Bytes{10, 0, 0, 0}));
  EXPECT_EQ(buffer[85], 0xEE);
  const Bytes signedBuffer(buffer.begin(), buffer.begin() + 85);

  char uid[255] = {};
  EXPECT_EQ(api().RemoveSign(customer_.Engine(), buffer.data(), &length, uid), 0);
  EXPECT_EQ(length, 10);
  EXPECT_STREQ(uid, "Bank01");

  // Trailers that announce no data, data that leaves no room, or a sum past the range.
  const struct {
    const char* name;
    Bytes trailer;
  } bad[] = {
      {"zero", {0, 0, 0, 0}},          {"negative", {0xF6, 0xFF, 0xFF, 0xFF}},
      {"n + 4 = length", {81, 0, 0, 0}}, {"n + 4 > length", {82, 0, 0, 0}},
      {"largest", {0xFF, 0xFF, 0xFF, 0x7F}},
  };
  for (const auto& c : bad) {
    Bytes damaged = signedBuffer;
    std::copy(c.trailer.begin(), c.trailer.end(), damaged.end() - 4);
    length = 85;
    EXPECT_EQ(api().RemoveSign(customer_.Engine(), damaged.data(), &length, uid), -12) << c.name;
    EXPECT_EQ(length, 85) << c.name;
  }
  Bytes tiny = {1, 0, 0};
  length = 3;
  EXPECT_EQ(api().RemoveSign(customer_.Engine(), tiny.data(), &length, uid), -12);
  // A signature that does not hold still cuts the signature off.
  Bytes forged = signedBuffer;
  forged[0] ^= 1;
  length = 85;
  EXPECT_EQ(api().RemoveSign(customer_.Engine(), forged.data(), &length, uid), 7);
  EXPECT_EQ(length, 10);
}

TEST_F(EngineService, HashFormsAgreeWithTheGostLibrary) {
  const Bytes data = Text("The quick brown fox jumps over the lazy dog");
  uint8_t digest[32];
  ASSERT_TRUE(gost::Hash(gost::HashParams::CryptoPro, data.data(), data.size(), digest));
  std::string hex;
  for (uint8_t byte : digest) {
    char two[3];
    std::snprintf(two, sizeof two, "%02X", byte);
    hex += two;
  }
  char* base64 = nullptr;
  int32_t base64Length = 0;
  kit::Base64Encode(digest, 32, &base64, &base64Length);
  const kit::Base64Block<char> owned(base64);

  const struct {
    int form;
    std::string expected;
  } forms[] = {{1, std::string(base64, static_cast<size_t>(base64Length))},
               {2, hex},
               {0, std::string(reinterpret_cast<char*>(digest), 32)}};
  const SigcoreEngine e = customer_.Engine();
  for (const auto& f : forms) {
    int size = 0;
    EXPECT_EQ(api().HashData(e, data.data(), static_cast<int>(data.size()), f.form, nullptr, &size),
              0);
    EXPECT_EQ(size, static_cast<int>(f.expected.size())) << f.form;
    std::string out(80, '#');
    size = 10;
    EXPECT_EQ(api().HashData(e, data.data(), static_cast<int>(data.size()), f.form,
                             reinterpret_cast<unsigned char*>(out.data()), &size),
              -3);
    EXPECT_EQ(size, static_cast<int>(f.expected.size())) << f.form;
    size = static_cast<int>(out.size());
    ASSERT_EQ(api().HashData(e, data.data(), static_cast<int>(data.size()), f.form,
                             reinterpret_cast<unsigned char*>(out.data()), &size),
              0);
    EXPECT_EQ(out.substr(0, static_cast<size_t>(size)), f.expected) << f.form;
    EXPECT_EQ(out[static_cast<size_t>(size)], '#') << "no NUL after the hash, form " << f.form;
  }
}

TEST_F(EngineService, EncryptionForRecipientsAndItsSizes) {
  const SigcoreEngine e = customer_.Engine();
  const struct {
    const char* list;
    int expected;
  } sizes[] = {{"a;b;c", 1224}, {"Bank01;", 933}, {"", 29451}, {nullptr, 29451}, {"x", 642}};
  for (const auto& s : sizes)
    EXPECT_EQ(api().GetMaxAdditionEx(e, s.list), s.expected) << (s.list ? s.list : "null");
  EXPECT_EQ(api().GetMaxEncodeAddition(e), 29451);

  // Parameter 6 names the recipients when the call names none; the method is parameter 5.
  const Bytes order = Text("payment order 18 for the bank");
  for (const char* method : {"GAMMA", " gfb "}) {
    ASSERT_EQ(api().SetCryptoParamValue(e, 5, method), 0);
    ASSERT_EQ(api().SetCryptoParamValue(e, 6, " Bank01 "), 0);
    Bytes buffer = order;
    buffer.resize(order.size() + 642);
    int length = static_cast<int>(order.size());
    ASSERT_EQ(api().EncodeData(e, buffer.data(), &length, ""), 0) << method;
    EXPECT_GT(length, static_cast<int>(order.size()));
    EXPECT_LE(length, static_cast<int>(order.size()) + 642);
    buffer.resize(static_cast<size_t>(length));
    EXPECT_EQ(std::search(buffer.begin(), buffer.end(), order.begin(), order.end()), buffer.end());

    // Only the bank opens it.
    Bytes mine = buffer;
    int mineLength = length;
    EXPECT_EQ(api().DecodeData(e, mine.data(), &mineLength, nullptr), -16);
    EXPECT_EQ(api().DecodeData(bank_.Engine(), buffer.data(), &length, nullptr), 0);
    buffer.resize(static_cast<size_t>(length));
    EXPECT_EQ(buffer, order) << method;
  }
  ASSERT_EQ(api().SetCryptoParamValue(e, 5, "CBC"), 0);
  Bytes buffer(100, 1);
  int length = 10;
  EXPECT_EQ(api().EncodeData(e, buffer.data(), &length, "Bank01"), -19);
  EXPECT_EQ(api().EncodeData(e, buffer.data(), nullptr, "Bank01"), -11);
  length = 0;
  EXPECT_EQ(api().EncodeData(e, buffer.data(), &length, "Bank01"), -11);
  EXPECT_EQ(api().DecodeData(e, nullptr, &length, nullptr), -11);
}

TEST_F(EngineService, EncodeUidIsCutToAUidAndAlwaysEnds) {
  const struct {
    size_t input;
    size_t copied;
  } cases[] = {{1, 1}, {254, 254}, {255, 254}, {400, 254}};
  for (const auto& c : cases) {
    const std::string uid(c.input, 'U');
    std::string out(300, 'x');
    EXPECT_EQ(api().GetEncodeUIDBySignUID(customer_.Engine(), uid.c_str(), out.data()), 0);
    EXPECT_EQ(std::strlen(out.c_str()), c.copied) << c.input;
    EXPECT_EQ(out[c.copied + 1], 'x') << "written past the UID's NUL, " << c.input;
  }
  char out[8];
  EXPECT_EQ(api().GetEncodeUIDBySignUID(customer_.Engine(), nullptr, out), -11);
  EXPECT_EQ(api().GetEncodeUIDBySignUID(customer_.Engine(), "a", nullptr), -11);
}

// Two engines of one subscriber share its binding: one signs while the other verifies, each on
// its own thread.
TEST_F(EngineService, TwoEnginesOnTwoThreadsShareOneBinding) {
  SigcoreEngineHandle second(api());
  customer_.Configure(second);
  constexpr int kRounds = 40;
  std::atomic<int> failures{0};
  const auto work = [&](SigcoreEngine engine, int salt) {
    for (int i = 0; i < kRounds; ++i) {
      const Bytes data = Text("document " + std::to_string(salt) + "/" + std::to_string(i));
      Bytes signature(319);
      int length = 319;
      char uid[255] = {};
      if (api().SignData(engine, data.data(), static_cast<int>(data.size()), signature.data(),
                         &length, nullptr) != 0 ||
          api().VerifyData(engine, data.data(), static_cast<int>(data.size()), signature.data(),
                           length, uid) != 0 ||
          std::strcmp(uid, "Client7") != 0)
        ++failures;
      // A damaged copy must never pass on either thread.
      signature[length - 1] ^= 0x55;
      if (api().VerifyData(engine, data.data(), static_cast<int>(data.size()), signature.data(),
                           length, uid) == 0)
        ++failures;
    }
  };
  std::thread first(work, customer_.Engine(), 1);
  std::thread other(work, second.Get(), 2);
  first.join();
  other.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace

namespace {

std::string Transfer(const std::function<int(char*)>& make, int expected = 0) {
  std::string transfer(3455, '\0');
  EXPECT_EQ(make(transfer.data()), expected);
  return transfer.c_str();
}

TEST_F(EngineService, TransfersBetweenTwoEngines) {
  const std::string transfer = customer_.OwnTransfer();
  ASSERT_FALSE(transfer.empty());
  EXPECT_LE(transfer.size(), 3454u);
  const SigcoreEngine bank = bank_.Engine();

  char uid[256];
  std::memset(uid, 'x', sizeof uid);
  ASSERT_EQ(api().GetUIDByPublicKeyTransfer(bank, transfer.c_str(), uid), 0);
  EXPECT_STREQ(uid, "Client7");
  // The key data it carries is the key the customer's engine gives out, and its file.
  Bytes carried(1143);
  int size = static_cast<int>(carried.size());
  ASSERT_EQ(api().ExportObject(bank, 6, transfer.c_str(), 0, nullptr, carried.data(), &size), 0);
  carried.resize(static_cast<size_t>(size));
  Bytes own(1143);
  size = static_cast<int>(own.size());
  ASSERT_EQ(api().ExportObject(customer_.Engine(), 1, "Client7", 0, nullptr, own.data(), &size), 0);
  own.resize(static_cast<size_t>(size));
  EXPECT_EQ(carried, own);
  EXPECT_EQ(carried, ReadBytes(customer_.PublicKeyFile()));
  size = 10;
  EXPECT_EQ(api().ExportObject(bank, 6, transfer.c_str(), 0, nullptr, own.data(), &size), -3);
  EXPECT_EQ(size, static_cast<int>(carried.size()));

  std::string report(2048, '\0');
  ASSERT_EQ(api().GetPublicKeyPropertiesByTransfer(bank, transfer.c_str(), report.data()), 0);
  EXPECT_EQ(std::string(report.c_str()).rfind("UID=Client7\r\nCN=CN Client7\r\nC=RU\r\n", 0), 0u)
      << report.c_str();
  EXPECT_NE(std::string(report.c_str()).find("\r\nChekRes=0\r\nPKeyAlg="), std::string::npos);

  int match = 5;
  EXPECT_EQ(api().CertAndRequestTransferMatch(bank, transfer.c_str(), transfer.c_str(), &match), 0);
  EXPECT_EQ(match, -1);
  const std::string bankTransfer = bank_.OwnTransfer();
  EXPECT_EQ(api().CertAndRequestTransferMatch(bank, transfer.c_str(), bankTransfer.c_str(), &match),
            0);
  EXPECT_EQ(match, 0);

  // Saved under the owner's UID into a folder that exists, and nowhere else.
  const std::string saved = bank_.Folder() + "\\saved";
  EXPECT_EQ(api().SavePublicKeyFromTransfer(bank, saved.c_str(), transfer.c_str()), -21);
  EXPECT_FALSE(fs::exists(saved));
  fs::create_directories(saved);
  EXPECT_EQ(api().SavePublicKeyFromTransfer(bank, saved.c_str(), transfer.c_str()), 0);
  EXPECT_EQ(ReadBytes(saved + "\\Client7.pub"), carried);

  // One changed character, anywhere, and every reader refuses the transfer.
  for (size_t at : {size_t{0}, transfer.size() / 3, transfer.size() / 2, transfer.size() - 5}) {
    std::string changed = transfer;
    changed[at] = changed[at] == 'A' ? 'B' : 'A';
    const char* t = changed.c_str();
    const std::function<int()> readers[] = {
        [&] { return api().GetUIDByPublicKeyTransfer(bank, t, uid); },
        [&] { return api().IncludePublicKeyTransfer(bank, t); },
        [&] { return api().SavePublicKeyFromTransfer(bank, saved.c_str(), t); },
        [&] {
          int capacity = 1143;
          return api().ExportObject(bank, 6, t, 0, nullptr, own.data(), &capacity);
        },
        [&] { return api().GetPublicKeyPropertiesByTransfer(bank, t, report.data()); },
        [&] { return api().CertAndRequestTransferMatch(bank, t, transfer.c_str(), &match); },
        [&] { return api().RemoteGenerateFinish(customer_.Engine(), t); },
    };
    for (size_t i = 0; i < std::size(readers); ++i)
      EXPECT_NE(readers[i](), 0) << "reader " << i << ", character " << at;
  }

  // A transfer signed by a key the reader does not know.
  Subscriber stranger(kit_, "Stranger");
  stranger.GenerateKeys();
  EXPECT_EQ(api().GetUIDByPublicKeyTransfer(bank, stranger.OwnTransfer().c_str(), uid), -9);

  // The owner field holds 255 characters and a NUL; the host's UID buffer has 255 bytes.
  sigcore::TransferBlock block;
  ASSERT_EQ(sigcore::BuildTransferBlock(std::string(300, 'O'), carried.data(),
                                        static_cast<int32_t>(carried.size()), block),
            0);
  Bytes signedBlock(block.begin(), block.end());
  signedBlock.resize(block.size() + 323);
  int length = static_cast<int>(block.size());
  ASSERT_EQ(api().AddSign(customer_.Engine(), signedBlock.data(), &length, nullptr), 0);
  char* text = nullptr;
  int32_t textLength = 0;
  kit::Base64Encode(signedBlock.data(), length, &text, &textLength);
  const kit::Base64Block<char> owned(text);
  std::memset(uid, 'x', sizeof uid);
  ASSERT_EQ(api().GetUIDByPublicKeyTransfer(bank, std::string(text, textLength).c_str(), uid), 0);
  EXPECT_EQ(std::string(uid), std::string(254, 'O'));
  EXPECT_EQ(uid[255], 'x');

  // A transfer made from key data: its buffer must hold a whole transfer.
  std::string made(3454, '\0');
  size = 3453;
  EXPECT_EQ(api().ExportObject(bank, 16, carried.data(), static_cast<int>(carried.size()), nullptr,
                               made.data(), &size),
            -11);
  EXPECT_EQ(size, 3454);
  made.resize(3455);
  size = 3455;
  ASSERT_EQ(api().ExportObject(bank, 16, carried.data(), static_cast<int>(carried.size()), nullptr,
                               made.data(), &size),
            0);
  EXPECT_EQ(size, static_cast<int>(std::strlen(made.c_str())));
  ASSERT_EQ(api().GetUIDByPublicKeyTransfer(customer_.Engine(), made.c_str(), uid), 0);
  EXPECT_STREQ(uid, "Client7");
}

TEST_F(EngineService, KeyDirectoryInclusionReportsAndFlags) {
  const SigcoreEngine e = customer_.Engine();
  char uid[255] = {};
  ASSERT_EQ(api().GetCurrentUserUID(e, uid), 0);
  EXPECT_STREQ(uid, "Client7");
  int flag = 0;
  int size = 4;
  EXPECT_EQ(api().ExportObject(e, 12, nullptr, 0, nullptr, &flag, &size), 0);
  EXPECT_EQ(flag, 1);
  SigcoreEngineHandle keyless(api());
  ASSERT_EQ(api().SetCryptoParamValue(keyless, 1, kit_.Path("none.pub").c_str()), 0);
  EXPECT_EQ(api().ExportObject(keyless, 12, nullptr, 0, nullptr, &flag, &size), 0);
  EXPECT_EQ(flag, 0);
  std::string report(2048, '\0');
  // Before any renewal there is no pending key.
  EXPECT_EQ(api().GetPublicKeyProperties(e, "", report.data()), -9);

  // A key file of 1144 bytes is too large. The largest block, 1143 bytes, has a 254-character
  // UID. A key file goes in, and its source goes away.
  const std::string longUid(254, 'L');
  const Bytes largest = sigcore_test::SignedBlock(longUid, std::string(734, 'o'),
                                                  sigcore_test::MakeKeyPair(3));
  ASSERT_EQ(largest.size(), 1143u);
  const std::string file = customer_.Folder() + "\\other.pub";
  Bytes oversized = largest;
  oversized.push_back(0);
  WriteBytes(file, oversized);
  EXPECT_EQ(api().IncludePublicKey(e, file.c_str()), -9);
  EXPECT_TRUE(fs::exists(file));
  WriteBytes(file, sigcore_test::SignedBlock("Other", "CN=Other", sigcore_test::MakeKeyPair(4)));
  EXPECT_EQ(api().Import(e, 2, nullptr, file.c_str(), 0), 0);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(fs::exists(customer_.Folder() + "\\abonents\\Other.pub"));
  EXPECT_EQ(api().Import(e, 11, nullptr, largest.data(), static_cast<int>(largest.size())), 0);
  ASSERT_EQ(api().GetReport(e, longUid.c_str(), report.data()), 0);
  EXPECT_EQ(std::string(report.c_str()).rfind("UID=" + longUid + "\r\n", 0), 0u);
  // Included from a file, it is kept under a numbered name, since no file can be named after
  // it, and found by its UID once the directory is read again.
  WriteBytes(file, largest);
  ASSERT_EQ(api().IncludePublicKey(e, file.c_str()), 0);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(ReadBytes(customer_.Folder() + "\\abonents\\pk1.pub"), largest);
  ASSERT_EQ(api().ClearCash(e), 0);
  report.assign(2048, '\0');
  ASSERT_EQ(api().GetReport(e, longUid.c_str(), report.data()), 0);
  EXPECT_EQ(std::string(report.c_str()).rfind("UID=" + longUid + "\r\n", 0), 0u);
  size = 0;
  EXPECT_EQ(api().ExportObject(e, 14, largest.data(), static_cast<int>(largest.size()), nullptr,
                               nullptr, &size),
            0);
  EXPECT_EQ(size, static_cast<int>(std::strlen(report.c_str())) + 1);

  // A key file included from where the directory keeps it is not deleted.
  const std::string kept = customer_.Folder() + "\\abonents\\Bank01.pub";
  ASSERT_TRUE(fs::exists(kept));
  EXPECT_EQ(api().IncludePublicKey(e, kept.c_str()), 0);
  EXPECT_TRUE(fs::exists(kept));

  // The own key stays; a correspondent's goes from the cache and the directory.
  EXPECT_EQ(api().RemoveCertificate(e, "client7"), -25);
  const Bytes data = Text("statement");
  const Bytes signature = bank_.Sign(data);
  EXPECT_EQ(customer_.Verify(data, signature).first, 0);
  EXPECT_EQ(api().RemoveCertificate(e, "Bank01"), 0);
  EXPECT_FALSE(fs::exists(kept));
  EXPECT_EQ(customer_.Verify(data, signature).first, -9);
  // Back from the bank's transfer, which the customer can no longer check, then from a file.
  EXPECT_EQ(api().IncludePublicKeyTransfer(e, bank_.OwnTransfer().c_str()), -9);
  customer_.Knows(bank_);
  EXPECT_EQ(customer_.Verify(data, signature).first, 0);
  EXPECT_EQ(api().UpdateCertificateCash(e, "Bank01"), 0);
  EXPECT_EQ(api().UpdateCertificateCash(e, "Nobody"), -9);
}

TEST_F(EngineService, RemoteRenewalFromRequestToCertifiedKey) {
  const SigcoreEngine e = customer_.Engine();
  int size = 1142;
  Bytes request(1143);
  EXPECT_EQ(api().ExportObject(e, 11, nullptr, 0, nullptr, request.data(), &size), -3);
  EXPECT_EQ(size, 1143);

  int state = 10;
  const std::string pending =
      Transfer([&](char* out) { return api().RemoteGenerateStartEx(e, "", out, &state); });
  EXPECT_EQ(state, 1);
  // The bank reads the request, signed with the customer's current key.
  char name[255] = {};
  ASSERT_EQ(api().GetUIDByPublicKeyTransfer(bank_.Engine(), pending.c_str(), name), 0);
  const std::string requestName = name;
  ASSERT_EQ(requestName.size(), 7u + 22u) << requestName;
  EXPECT_EQ(requestName.substr(0, 9), "Client7 (");
  for (size_t at : {9u, 10u, 12u, 13u, 15u, 16u, 17u, 18u, 20u, 21u, 23u, 24u, 26u, 27u})
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(requestName[at]))) << requestName;
  EXPECT_EQ(requestName.substr(11, 1) + requestName.substr(14, 1) + requestName.substr(19, 1) +
                requestName.substr(22, 1) + requestName.substr(25, 1) + requestName.back(),
            "-- --)");

  // The pending key's report: the request name, the key-generation subject, a sound key.
  std::string report(2048, '\0');
  ASSERT_EQ(api().GetReport(e, nullptr, report.data()), 0);
  EXPECT_EQ(std::string(report.c_str()).rfind("UID=" + requestName + "\r\nCN=CN Client7\r\nC=RU", 0),
            0u)
      << report.c_str();
  EXPECT_NE(std::string(report.c_str()).find("\r\nChekRes=0\r\n"), std::string::npos);

  // The bank certifies: it sends the key data back in a transfer signed with its own key.
  Bytes keyData(1143);
  size = 1143;
  ASSERT_EQ(api().ExportObject(bank_.Engine(), 6, pending.c_str(), 0, nullptr, keyData.data(),
                               &size),
            0);
  keyData.resize(static_cast<size_t>(size));
  std::string certified(3455, '\0');
  size = 3455;
  ASSERT_EQ(api().ExportObject(bank_.Engine(), 16, keyData.data(), static_cast<int>(keyData.size()),
                               nullptr, certified.data(), &size),
            0);
  certified.resize(std::strlen(certified.c_str()));
  int match = 0;
  EXPECT_EQ(api().CertAndRequestTransferMatch(e, certified.c_str(), pending.c_str(), &match), 0);
  EXPECT_EQ(match, -1);

  state = 7;
  ASSERT_EQ(api().RemoteGenerateFinishEx(e, certified.c_str(), &state), 0);
  EXPECT_EQ(state, 1);
  char uid[255] = {};
  ASSERT_EQ(api().GetCurrentUserUID(e, uid), 0);
  EXPECT_EQ(std::string(uid), requestName);
  // The bank takes the new key and checks what the customer signs with it.
  ASSERT_EQ(api().Import(bank_.Engine(), 1, nullptr, keyData.data(), static_cast<int>(keyData.size())),
            0);
  const Bytes data = Text("first order with the new key");
  EXPECT_EQ(bank_.Verify(data, customer_.Sign(data)), std::make_pair(0, requestName));
}

TEST_F(EngineService, RenewalStatesAndRequestNames) {
  // Without an own key: a first attempt (a multiple of 10) reports through the state.
  SigcoreEngineHandle keyless(api());
  ASSERT_EQ(api().SetCryptoParamValue(keyless, 1, kit_.Path("none.pub").c_str()), 0);
  std::string out(3455, '\0');
  int state = 10;
  EXPECT_EQ(api().RemoteGenerateStartEx(keyless, nullptr, out.data(), &state), 0);
  EXPECT_EQ(state, 12);
  state = 11;
  EXPECT_EQ(api().RemoteGenerateStartEx(keyless, "", out.data(), &state), -9);
  EXPECT_EQ(state, 11);
  EXPECT_EQ(api().RemoteGenerateStartEx(keyless, "", out.data(), nullptr), -11);

  // A name given is used as it stands, and a state below 10 keeps the key's own owner text.
  state = 1;
  const std::string pending = Transfer(
      [&](char* t) { return api().RemoteGenerateStartEx(customer_.Engine(), "Renewal-1", t, &state); });
  EXPECT_EQ(state, 1);
  std::string report(2048, '\0');
  ASSERT_EQ(api().GetPublicKeyPropertiesByTransfer(bank_.Engine(), pending.c_str(), report.data()),
            0);
  EXPECT_EQ(std::string(report.c_str()).rfind("UID=Renewal-1\r\nCN=CN Client7\r\nC=RU\r\nS=Moscow region", 0),
            0u)
      << report.c_str();
}

// A certification request for a new key: a self-signed block of the key-generation UID and
// subject, whose secret key is kept in the key-generation directory; the own key stays.
TEST_F(EngineService, RequestForANewKeyIsSelfSignedAndKeepsItsSecretKey) {
  SigcoreEngineHandle host(api());
  customer_.Configure(host);
  // The subject's values are trimmed and cut to their lengths; a blank one is left out.
  const std::pair<int, std::string> subject[] = {
      {9, " Client7-2 "}, {10, "  " + std::string(120, 'N') + " "}, {11, "RUS"}, {13, "   "}};
  for (const auto& [number, value] : subject)
    ASSERT_EQ(api().SetCryptoParamValue(host, number, value.c_str()), 0) << number;
  const std::string expectedSubject =
      "CN=" + std::string(100, 'N') +
      "\r\nC=RU\r\nS=Moscow region\r\nO=NewUser Company\r\nOU=NewUser Department\r\n"
      "T=NewUser Title\r\nE=NewUser e-mail";
  const Bytes ownBefore = ReadBytes(customer_.PublicKeyFile());

  Bytes request(1143 + 16, 0xEE);
  int size = static_cast<int>(request.size());
  const int result = api().ExportObject(host, 11, nullptr, 0, nullptr, request.data(), &size);
  ASSERT_EQ(result, 0) << customer_.Error(result);
  ASSERT_GT(size, 68);
  ASSERT_LE(size, 1143);
  EXPECT_EQ(request[static_cast<size_t>(size)], 0xEE) << "written past the request";
  request.resize(static_cast<size_t>(size));
  EXPECT_TRUE(SelfSigned(request));
  sigcore::TCCom3x_CashNode node;
  ASSERT_EQ(sigcore::ParsePublicKeyBlock(request.data(), size, node), 0);
  EXPECT_EQ(node.uid, "Client7-2");
  EXPECT_EQ(node.ownerText, expectedSubject);

  char uid[255] = {};
  ASSERT_EQ(api().GetCurrentUserUID(host, uid), 0);
  EXPECT_STREQ(uid, "Client7");
  EXPECT_EQ(ReadBytes(customer_.PublicKeyFile()), ownBefore);

  // Given the request as its own key, an engine on the same key directory signs with the new
  // secret key.
  SigcoreEngineHandle successor(api());
  customer_.Configure(successor);
  ASSERT_EQ(api().SetCryptoParamValue(successor, 1, ""), 0);
  ASSERT_EQ(api().Import(successor, 13, nullptr, request.data(), size), 0);
  const Bytes data = Text("first order under the certified key");
  EXPECT_TRUE(SignedBy(request, data, SignWith(api(), successor, data)));
}

TEST_F(EngineService, DirectoryStructureOfAKeyMedium) {
  SigcoreEngineHandle fresh(api());
  const std::string root = kit_.Path("medium");
  const std::pair<int, std::string> values[] = {
      {1, root + "\\self.pub"}, {2, root + "\\keys\\user"}, {4, root + "\\abonents\\bank"}};
  for (const auto& [number, value] : values)
    ASSERT_EQ(api().SetCryptoParamValue(fresh, number, value.c_str()), 0);
  const std::string source = customer_.PublicKeyFile();
  // No configured key file yet: nothing is made.
  EXPECT_EQ(api().CreateDirStructure(fresh, source.c_str(), nullptr), -26);
  EXPECT_FALSE(fs::exists(root));

  fs::create_directories(root);
  WriteBytes(root + "\\self.pub", Text("placeholder"));
  // A source that cannot be read leaves the configured file as it was.
  EXPECT_EQ(api().CreateDirStructure(fresh, (root + "\\missing.pub").c_str(), nullptr), -26);
  EXPECT_EQ(ReadBytes(root + "\\self.pub"), Text("placeholder"));
  EXPECT_EQ(api().CreateDirStructure(fresh, source.c_str(), nullptr), 0);
  EXPECT_EQ(ReadBytes(root + "\\self.pub"), ReadBytes(source));
  EXPECT_TRUE(fs::is_directory(root + "\\keys\\user"));
  EXPECT_TRUE(fs::is_directory(root + "\\abonents\\bank"));
}

}  // namespace

namespace {

constexpr const char* kPin = "4711";

int CCM3X_CALL TestTokenPin(char* buffer, int size, int, const char*) {
  return std::snprintf(buffer, static_cast<size_t>(size), "%s", kPin);
}
int SIGCORE_CALL HostKeyDirPin(const char*, char* buffer, int size) {
  return std::snprintf(buffer, static_cast<size_t>(size), "%s", kPin) > 0;
}

// A token made with the provider's tool in slot ETOKEN0 with the PIN kPin, in a folder of the
// installation where the provider looks for tokens while this object lives.
class TestToken {
 public:
  explicit TestToken(const Installation& kit) : root_(kit.Path("tokens")) {
    fs::create_directories(root_);
    ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", root_.c_str());
    const auto made = Tool(std::string("create ETOKEN0 --pin ") + kPin);
    EXPECT_EQ(made.exitCode, 0u) << made.output;
  }
  ~TestToken() { ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", nullptr); }
  TestToken(const TestToken&) = delete;
  TestToken& operator=(const TestToken&) = delete;

  wintest::ProgramResult Tool(const std::string& args) const {
    return wintest::RunProgram("\"" + wintest::HostPath(KIT_CCOMTOKEN_EXE) + "\" --root \"" +
                               root_ + "\" " + args);
  }
  // An object's bytes as the token keeps them, read past the provider.
  Bytes Object(const std::string& path) const { return ReadBytes(root_ + "\\ETOKEN0\\" + path); }

 private:
  std::string root_;
};

// A token made with the provider's tool, holding two correspondents' keys in key directory
// 1A2F, reached through TokenKeyDirOperation (ExportObject 101 to 103).
TEST_F(EngineService, TokenKeyDirectories) {
  const TestToken token(kit_);
  const auto& provider = kit_.Provider();
  ASSERT_EQ(provider.SetTokenPasswdCallback(&TestTokenPin), 1);
  const Bytes first = sigcore_test::SignedBlock("First", "CN=First", sigcore_test::MakeKeyPair(5));
  const Bytes second = sigcore_test::SignedBlock("Second", "CN=Second", sigcore_test::MakeKeyPair(6));
  for (const auto& [object, block] : {std::pair{"ETOKEN0:/1A2F/EEEE/0001", &first},
                                      std::pair{"ETOKEN0:/1A2F/EEEE/0002", &second}})
    ASSERT_EQ(provider.CADB_write_file(object, block->data(), static_cast<int>(block->size())),
              static_cast<int>(block->size()));

  const SigcoreEngine e = customer_.Engine();
  ASSERT_EQ(api().Import(e, 15, nullptr, reinterpret_cast<const void*>(&HostKeyDirPin), 0), 0);
  const auto operation = [&](int type, const char* directory, int mode, char* out, int* number) {
    return api().ExportObject(e, type, directory, mode, nullptr, out, number);
  };
  int number = 7;
  EXPECT_EQ(operation(101, "1A2F", 0, nullptr, &number), 0);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(operation(101, "9999", 0, nullptr, &number), 0);
  EXPECT_EQ(number, -1);
  number = 0;
  EXPECT_EQ(operation(102, "9999/EEEE/", 1, nullptr, &number), -40);

  // Mode 1 visits 0001 up to the scan depth: the reports of both keys, one after the other.
  number = 0;
  ASSERT_EQ(operation(102, "1A2F/EEEE/", 1, nullptr, &number), 0);
  const int length = number;
  std::string text(static_cast<size_t>(length) + 8, '#');
  number = length;
  EXPECT_EQ(operation(102, "1A2F/EEEE/", 1, text.data(), &number), -3);
  EXPECT_EQ(number, length + 1);
  EXPECT_EQ(text[0], '#');
  ASSERT_EQ(operation(102, "1A2F/EEEE/", 1, text.data(), &number), 0);
  EXPECT_EQ(text[static_cast<size_t>(length) + 1], '#') << "written past its capacity";
  const std::string reports = text.c_str();
  EXPECT_EQ(static_cast<int>(reports.size()), length);
  const size_t separator = reports.find("\r\n------\r\n");
  ASSERT_NE(separator, std::string::npos);
  EXPECT_EQ(reports.rfind("UID=First\r\nCN=First\r\nChekRes=0\r\n", 0), 0u) << reports;
  EXPECT_EQ(reports.substr(separator + 10, 14), "UID=Second\r\nCN");

  // Mode 2 stops at the key of the reference file's UID, and tells whether the keys match;
  // without a stated capacity the report is bounded to 2048 bytes.
  const std::string reference = customer_.Folder() + "\\second.pub";
  WriteBytes(reference, second);
  std::string out(2100, '#');
  std::memcpy(out.data(), reference.c_str(), reference.size() + 1);
  number = 0;
  ASSERT_EQ(operation(102, "1A2F/EEEE/", 2, out.data(), &number), 0);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(std::string(out.c_str()).rfind("UID=Second\r\n", 0), 0u);
  EXPECT_EQ(std::string(out.c_str()).find("------"), std::string::npos);
  WriteBytes(reference, sigcore_test::SignedBlock("Second", "CN=Second", sigcore_test::MakeKeyPair(9)));
  std::memcpy(out.data(), reference.c_str(), reference.size() + 1);
  number = 0;
  ASSERT_EQ(operation(102, "1A2F/EEEE/", 2, out.data(), &number), 0);
  EXPECT_EQ(number, 0);

  EXPECT_EQ(operation(103, "1A2F", 0, nullptr, nullptr), 0);
  EXPECT_EQ(operation(101, "1A2F", 0, nullptr, &number), 0);
  EXPECT_EQ(number, -1);
}

std::atomic<int> pinRequests{0};
int SIGCORE_CALL CountedKeyDirPin(const char* keyName, char* buffer, int size) {
  if (std::string(keyName) != "1A2F") return 0;
  ++pinRequests;
  return HostKeyDirPin(keyName, buffer, size);
}

// Keys generated onto a token whose PIN only the host knows: each new key signs at once, is
// kept in the token's key directory, and holds for the GOST library and for the bank.
TEST_F(EngineService, KeysGeneratedOntoATokenSignAtOnce) {
  const TestToken token(kit_);
  // The container of key directory 1A2F, made beforehand as a keystroke series would make it;
  // then the token is logged out, and only the host's function knows its PIN.
  const auto& provider = kit_.Provider();
  ASSERT_EQ(provider.SetTokenPasswdCallback(&TestTokenPin), 1);
  kit_.MakeContainer("ETOKEN0:/1A2F");
  using Logout = int(CCM3X_CALL*)(const char*);
  const auto logout = kit::ProcAddress<Logout>(::GetModuleHandleA("ccom.dll"), "CADB_token_logout");
  ASSERT_NE(logout, nullptr);
  ASSERT_EQ(logout("ETOKEN0:\\"), 1);
  ASSERT_EQ(provider.SetTokenPasswdCallback(nullptr), 1);

  SigcoreEngineHandle holder(api());
  const std::pair<int, std::string> values[] = {
      {1, "ETOKEN"}, {2, "1A2F"}, {3, "ETOKEN"}, {4, customer_.Folder() + "\\abonents"},
      {10, "CN Token holder"}, {18, "ETOKEN"}, {19, "1A2F"}, {20, "ETOKEN"}};
  for (const auto& [number, value] : values)
    ASSERT_EQ(api().SetCryptoParamValue(holder, number, value.c_str()), 0) << number;
  ASSERT_EQ(api().Import(holder, 15, nullptr, reinterpret_cast<const void*>(&CountedKeyDirPin), 0),
            0);

  const struct {
    decltype(&::GenerateNewSEK) generate;
    const char* uid;
  } generators[] = {{api().GenerateNewSEK, "TOKEN-SEK"}, {api().GenerateNewSSK, "TOKEN-SSK"}};
  for (const auto& g : generators) {
    ASSERT_EQ(api().SetCryptoParamValue(holder, 9, g.uid), 0);
    const int result = g.generate(holder);
    ASSERT_EQ(result, 0) << g.uid << ": " << customer_.Error(result);
    const Bytes own = token.Object("1A2F\\AAAA");
    sigcore::TCCom3x_CashNode node;
    ASSERT_EQ(sigcore::ParsePublicKeyBlock(own.data(), static_cast<int32_t>(own.size()), node), 0);
    EXPECT_EQ(node.uid, g.uid);
    EXPECT_TRUE(SelfSigned(own)) << g.uid;

    const Bytes data = Text(std::string("order signed on the token by ") + g.uid);
    const Bytes signature = SignWith(api(), holder, data);
    EXPECT_TRUE(SignedBy(own, data, signature)) << g.uid;
    ASSERT_EQ(
        api().Import(bank_.Engine(), 1, nullptr, own.data(), static_cast<int>(own.size())), 0);
    EXPECT_EQ(bank_.Verify(data, signature), std::make_pair(0, std::string(g.uid)));
  }
  EXPECT_GE(pinRequests.load(), 1);
  // Both secret keys are in the key directory of the token, beside its container.
  const auto listed = token.Tool("list ETOKEN0");
  for (const char* object : {"1A2F/AAAA", "1A2F/DDDD/0002", "1A2F/DDDD/0003"})
    EXPECT_NE(listed.output.find(object), std::string::npos) << object << "\n" << listed.output;
}

}  // namespace

namespace {

// A host that keeps the own public key itself hands it over as a buffer (Import 13); the
// engine then signs with the secret key of its key directory.
TEST_F(EngineService, OwnKeyGivenAsABufferAndKeyDataSizes) {
  SigcoreEngineHandle host(api());
  customer_.Configure(host);
  ASSERT_EQ(api().SetCryptoParamValue(host, 1, ""), 0);
  const Bytes own = ReadBytes(customer_.PublicKeyFile());
  char uid[255] = {};
  EXPECT_EQ(api().GetCurrentUserUID(host, uid), -9);
  Bytes damaged = own;
  damaged[damaged.size() - 1] ^= 1;
  EXPECT_EQ(api().Import(host, 13, nullptr, damaged.data(), static_cast<int>(damaged.size())), -13);
  ASSERT_EQ(api().Import(host, 13, nullptr, own.data(), static_cast<int>(own.size())), 0);
  ASSERT_EQ(api().GetCurrentUserUID(host, uid), 0);
  EXPECT_STREQ(uid, "Client7");
  const Bytes data = Text("order signed with a key the host handed over");
  EXPECT_EQ(bank_.Verify(data, SignWith(api(), host, data)),
            std::make_pair(0, std::string("Client7")));

  // Key data and reports by size: a query, a buffer one byte short, an exact one.
  const SigcoreEngine e = bank_.Engine();
  int size = 0;
  ASSERT_EQ(api().ExportObject(e, 1, "Client7", 0, nullptr, nullptr, &size), 0);
  EXPECT_EQ(size, static_cast<int>(own.size()));
  Bytes out(own.size(), 0xEE);
  size = static_cast<int>(own.size()) - 1;
  EXPECT_EQ(api().ExportObject(e, 1, "Client7", 0, nullptr, out.data(), &size), -3);
  EXPECT_EQ(out[0], 0xEE);
  size = static_cast<int>(own.size());
  ASSERT_EQ(api().ExportObject(e, 1, "Client7", 0, nullptr, out.data(), &size), 0);
  EXPECT_EQ(out, own);
  EXPECT_EQ(api().ExportObject(e, 1, "", 0, nullptr, out.data(), &size), -11);
  EXPECT_EQ(api().ExportObject(e, 1, "Nobody", 0, nullptr, out.data(), &size), -9);

  size = 0;
  ASSERT_EQ(api().ExportObject(e, 14, own.data(), static_cast<int>(own.size()), nullptr, nullptr,
                               &size),
            0);
  const int needed = size;
  std::string report(static_cast<size_t>(needed) + 1, '#');
  size = needed - 1;
  EXPECT_EQ(api().ExportObject(e, 14, own.data(), static_cast<int>(own.size()), nullptr,
                               report.data(), &size),
            -3);
  EXPECT_EQ(size, needed);
  size = needed;
  ASSERT_EQ(api().ExportObject(e, 14, own.data(), static_cast<int>(own.size()), nullptr,
                               report.data(), &size),
            0);
  EXPECT_EQ(report[static_cast<size_t>(needed)], '#');
  EXPECT_EQ(std::strlen(report.c_str()), static_cast<size_t>(needed - 1));
  EXPECT_EQ(api().ExportObject(e, 14, damaged.data(), 10, nullptr, report.data(), &size), -9);
}

}  // namespace
