// The provider's main roads as the kit takes them, through ccom.dll loaded by name: containers
// on a disk and on a token, keys, signatures checked by the GOST library's own verifier,
// container copies, key agreement, ciphers, MACs, hashes and the generator.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "test_vectors.h"
#include "testing/provider_host.h"
#include "winhandles.h"

namespace ccom_test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Data(size_t size, int seed) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 131 + seed);
  return data;
}

// A container at a place, with one key pair made in it.
struct KeyHolder {
  KeyHolder(const ProviderHost& host, const std::string& place) : container(host) {
    EXPECT_EQ(container.Open(place, true), 1) << host.LastError();
    int secretLength = 36, publicLength = 65;
    EXPECT_EQ(host.Api().ECGOST_generate_key(container.Pse(), 11, secretKey, &secretLength,
                                             publicKey, &publicLength),
              1)
        << host.LastError();
    EXPECT_EQ(secretLength, 36);
    EXPECT_EQ(publicLength, 65);
  }
  Container container;
  uint8_t secretKey[36];
  uint8_t publicKey[65];
};

// Signs as the kit does: new, init with hash 21, update, final, free.
Bytes Sign(const ProviderHost& host, PSE* pse, const uint8_t* secretKey, const Bytes& data) {
  const auto& api = host.Api();
  ECGOST_SIGN* sig = api.ECGOST_SIGN_new();
  Bytes signature(64);
  int length = 64;
  EXPECT_EQ(api.ECGOST_sign_init(sig, pse, nullptr, 0, 21, secretKey, 11), 1) << host.LastError();
  EXPECT_EQ(api.ECGOST_update(sig, data.data(), static_cast<int>(data.size())),
            static_cast<int>(data.size()));
  EXPECT_EQ(api.ECGOST_sign_final(sig, signature.data(), &length), 1) << host.LastError();
  api.ECGOST_SIGN_free(sig);
  EXPECT_EQ(length, 64);
  return signature;
}

int Verify(const ProviderHost& host, const uint8_t* publicKey, const Bytes& data,
           const Bytes& signature) {
  const auto& api = host.Api();
  ECGOST_SIGN* sig = api.ECGOST_SIGN_new();
  int result = api.ECGOST_verify_init(sig, 11, nullptr, 21, publicKey);
  if (result == 1) {
    api.ECGOST_update(sig, data.data(), static_cast<int>(data.size()));
    result = api.ECGOST_verify_final(sig, signature.data(), static_cast<int>(signature.size()));
  }
  api.ECGOST_SIGN_free(sig);
  return result;
}

// Each road runs on a disk folder and on a token key directory.
class Roads : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    host_.Api().SetTokenPasswdCallback(&ScriptedPin);
    Pins().answers = {"1234"};
    if (OnToken()) {
      ASSERT_EQ(host_.Token("create ETOKEN0 --pin 1234").exitCode, 0u);
      place_ = "ETOKEN0:/1A2F";
    } else {
      place_ = host_.Path("keys") + "\\";
      std::filesystem::create_directories(place_);
    }
  }
  bool OnToken() const { return GetParam(); }
  ProviderHost host_;
  std::string place_;
};

TEST_P(Roads, GenerateWriteOpenDeriveSignAndVerify) {
  KeyHolder generated(host_, place_);
  EXPECT_EQ(Keystrokes().indexes.size(), 16u);
  ASSERT_EQ(host_.Api().PSE_CTX_write(generated.container.Ctx()), 1) << host_.LastError();
  const char* const parts[] = {"A001", "B001", "C001", "D001"};
  const char* const files[] = {"kek.opq", "masks.opq", "rand.opq", "mk.opq"};
  for (int i = 0; i < 4; ++i) {
    const std::string path = OnToken() ? place_ + "/" + parts[i] : place_ + files[i];
    EXPECT_EQ(host_.Api().CADB_file_exists(path.c_str()), 1) << path;
  }

  // Opened again, the stored generator state is used: no keystrokes are asked for.
  Keystrokes().indexes.clear();
  Container opened(host_);
  ASSERT_EQ(opened.Open(place_), 1) << host_.LastError();
  EXPECT_TRUE(Keystrokes().indexes.empty());
  uint8_t derived[65];
  int derivedLength = 65;
  ASSERT_EQ(host_.Api().ECGOST_generate_public_key(opened.Pse(), 11, generated.secretKey, derived,
                                                   &derivedLength, 0),
            1)
      << host_.LastError();
  EXPECT_EQ(0, std::memcmp(derived, generated.publicKey, 65));

  // Signed with a copy of the container, as every operation of the kit does.
  Container copy(host_);
  ASSERT_EQ(opened.CopyInto(copy), 1) << host_.LastError();
  const Bytes data = Data(1000, 1);
  const Bytes signature = Sign(host_, copy.Pse(), generated.secretKey, data);
  uint8_t digest[32];
  ASSERT_TRUE(gost::Hash(gost::HashParams::CryptoPro, data.data(), data.size(), digest));
  EXPECT_TRUE(
      gost::Verify(gost::CurveParams::CryptoProA, generated.publicKey, digest, signature.data()));
  EXPECT_EQ(Verify(host_, generated.publicKey, data, signature), 1) << host_.LastError();

  Bytes changed = data;
  changed[500] ^= 1;
  EXPECT_EQ(Verify(host_, generated.publicKey, changed, signature), 0);
  EXPECT_EQ(host_.LastCode(), 7);

  // The digest calls agree with the streaming ones.
  uint8_t direct[64];
  int directLength = 64;
  ASSERT_EQ(host_.Api().ECGOST_sign_digest(copy.Pse(), 11, generated.secretKey, digest, direct,
                                           &directLength),
            1);
  EXPECT_EQ(host_.Api().ECGOST_verify_digest(11, generated.publicKey, digest, direct, 64), 1);
  EXPECT_EQ(host_.Api().ECGOST_verify_digest(11, generated.publicKey, digest, signature.data(), 64),
            1);

  // The secret key is useless to another container.
  KeyHolder other(host_, OnToken() ? "ETOKEN0:/2B3C" : host_.Path("other"));
  EXPECT_EQ(host_.Api().ECGOST_generate_public_key(other.container.Pse(), 11, generated.secretKey,
                                                   derived, &derivedLength, 0),
            0);
  EXPECT_EQ(host_.LastCode(), 19) << host_.LastError();
}

// The four parts of an open container, as the kit copies them.
struct ContainerParts {
  Bytes kek = Bytes(36), masks = Bytes(224), rand = Bytes(36), mkey = Bytes(262);
};

ContainerParts PartsOf(const ProviderHost& host, const Container& container) {
  const auto& api = host.Api();
  ContainerParts parts;
  int lengths[] = {36, 224, 36, 262};
  EXPECT_TRUE(api.PSE_CTX_get_kek(container.Ctx(), parts.kek.data(), &lengths[0]) == 1 &&
              api.PSE_CTX_get_masks(container.Ctx(), parts.masks.data(), &lengths[1]) == 1 &&
              api.PSE_CTX_get_rand(container.Ctx(), parts.rand.data(), &lengths[2]) == 1 &&
              api.PSE_CTX_get_mkey(container.Ctx(), parts.mkey.data(), &lengths[3]) == 1)
      << host.LastError();
  return parts;
}

// PSE_CTX_read of a container given by its parts: 1, or 0 with the provider's code.
int ReadParts(const ProviderHost& host, const Container& into, const ContainerParts& parts) {
  const auto& api = host.Api();
  const auto size = [](const Bytes& part) { return static_cast<int>(part.size()); };
  if (api.PSE_CTX_set_kek(into.Ctx(), parts.kek.data(), size(parts.kek)) != 1 ||
      api.PSE_CTX_set_masks(into.Ctx(), parts.masks.data(), size(parts.masks)) != 1 ||
      api.PSE_CTX_set_rand(into.Ctx(), parts.rand.data(), size(parts.rand)) != 1 ||
      api.PSE_CTX_set_mkey(into.Ctx(), parts.mkey.data(), size(parts.mkey)) != 1)
    return -1;
  return api.PSE_CTX_read(into.Ctx());
}

// A copy of a container that is open in the process takes its keys without unwrapping the
// parts again; that must never let a changed part through, nor outlive a change of the keys.
TEST(ContainerCopies, AreTheLiveContainersKeysAndNeverADamagedPart) {
  ProviderHost host;
  const std::string place = host.Path("keys") + "\\";
  std::filesystem::create_directories(place);
  const Bytes data = Data(300, 2);
  ContainerParts saved;
  uint8_t secretKey[36], publicKey[65];
  {
    KeyHolder holder(host, place);
    std::memcpy(secretKey, holder.secretKey, sizeof secretKey);
    std::memcpy(publicKey, holder.publicKey, sizeof publicKey);
    saved = PartsOf(host, holder.container);
    Container copy(host), copyOfCopy(host);
    ASSERT_EQ(holder.container.CopyInto(copy), 1) << host.LastError();
    ASSERT_EQ(copy.CopyInto(copyOfCopy), 1) << host.LastError();
    for (const Container* signer : {&copy, &copyOfCopy})
      EXPECT_EQ(Verify(host, publicKey, data, Sign(host, signer->Pse(), secretKey, data)), 1);

    struct Case {
      const char* name;
      Bytes ContainerParts::*part;
      size_t offset;
      int code;
    };
    const Case cases[] = {
        {"key-encryption key", &ContainerParts::kek, 35, 5},
        {"masks", &ContainerParts::masks, 0, 5},
        {"generator state", &ContainerParts::rand, 17, 4},
        {"master key", &ContainerParts::mkey, 20, 5},
        {"master key, reserved byte", &ContainerParts::mkey, 261, 5},
    };
    for (const Case& c : cases) {
      ContainerParts damaged = saved;
      (damaged.*c.part)[c.offset] ^= 0x01;
      Container refused(host);
      EXPECT_EQ(ReadParts(host, refused, damaged), 0) << c.name;
      EXPECT_EQ(host.LastCode(), c.code) << c.name << ": " << host.LastError();
    }

    // A new key-encryption key reaches the copies made after it.
    ASSERT_EQ(host.Api().PSE_generate_kek(holder.container.Pse()), 1) << host.LastError();
    Container renewed(host);
    ASSERT_EQ(holder.container.CopyInto(renewed), 1) << host.LastError();
    uint8_t derived[65];
    int length = 65;
    EXPECT_EQ(host.Api().ECGOST_generate_public_key(renewed.Pse(), 11, secretKey, derived, &length,
                                                    0),
              0);
    EXPECT_EQ(host.LastCode(), 19) << host.LastError();
  }
  // With no container open any more, the saved parts are unwrapped afresh, to the same keys.
  Container later(host);
  ASSERT_EQ(ReadParts(host, later, saved), 1) << host.LastError();
  EXPECT_EQ(Verify(host, publicKey, data, Sign(host, later.Pse(), secretKey, data)), 1);
}

// Generating where a whole container is keeps it, so its secret keys stay usable; where only
// part of one is, nothing is overwritten.
TEST_P(Roads, GenerateKeepsAnExistingContainerAndRefusesAPartialOne) {
  KeyHolder first(host_, place_);
  ASSERT_EQ(host_.Api().PSE_CTX_write(first.container.Ctx()), 1) << host_.LastError();
  Keystrokes().indexes.clear();
  KeyHolder second(host_, place_);
  EXPECT_TRUE(Keystrokes().indexes.empty());
  uint8_t derived[65];
  int length = 65;
  EXPECT_EQ(host_.Api().ECGOST_generate_public_key(second.container.Pse(), 11, first.secretKey,
                                                   derived, &length, 0),
            1)
      << host_.LastError();

  const std::string kek = OnToken() ? place_ + "/A001" : place_ + "kek.opq";
  ASSERT_EQ(host_.Api().CADB_erase_file(kek.c_str()), 1) << host_.LastError();
  Container partial(host_);
  EXPECT_EQ(partial.Open(place_, true), 0);
  EXPECT_EQ(host_.LastCode(), 5) << host_.LastError();
  EXPECT_EQ(partial.Open(place_), 0);
  EXPECT_EQ(host_.LastCode(), 5);
  EXPECT_NE(host_.LastError().find(kek), std::string::npos) << host_.LastError();
}

// A container whose last part cannot be written leaves none of its parts behind, so the place
// can still take a new container.
TEST_P(Roads, AFailedWriteLeavesNoPartOfTheContainer) {
  KeyHolder holder(host_, place_);
  const std::string unwritable =
      OnToken() ? "ETOKEN0:/1A2F/rand.opq" : host_.Path("missing") + "\\rand.opq";
  ASSERT_EQ(host_.Api().PSE_CTX_set_rand_path(holder.container.Ctx(), unwritable.c_str(), -1), 1);
  EXPECT_EQ(host_.Api().PSE_CTX_write(holder.container.Ctx()), 0);
  EXPECT_EQ(host_.LastCode(), OnToken() ? 28 : 24) << host_.LastError();
  for (const char* part : {"A001", "B001", "D001", "kek.opq", "masks.opq", "mk.opq"}) {
    const std::string path = OnToken() ? place_ + "/" + part : place_ + part;
    EXPECT_EQ(host_.Api().CADB_access(path.c_str(), 0), 0) << path;
  }
  const std::string folder = OnToken() ? host_.TokenRoot() + "\\ETOKEN0\\1A2F" : place_;
  EXPECT_TRUE(!std::filesystem::exists(folder) || std::filesystem::is_empty(folder))
      << "staged files are left in " << folder;
  Container again(host_);
  EXPECT_EQ(again.Open(place_, true), 1) << host_.LastError();
}

// A container written over another whose last part cannot be replaced leaves the old
// container whole: the parts already replaced are put back, and nothing is left beside them.
TEST_P(Roads, AFailedReplaceKeepsTheOldContainerWhole) {
  KeyHolder old(host_, place_);
  ASSERT_EQ(host_.Api().PSE_CTX_write(old.container.Ctx()), 1) << host_.LastError();
  const std::string folder = OnToken() ? host_.TokenRoot() + "\\ETOKEN0\\1A2F\\" : place_;
  const std::set<std::string> parts =
      OnToken() ? std::set<std::string>{"A001", "B001", "C001", "D001"}
                : std::set<std::string>{"kek.opq", "masks.opq", "mk.opq", "rand.opq"};
  const auto snapshot = [&] {
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      contents[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return contents;
  };
  const auto before = snapshot();
  ASSERT_EQ(before.size(), parts.size());
  ASSERT_EQ(before.count(*parts.begin()), 1u);

  const std::string otherPlace = OnToken() ? "ETOKEN0:/2B3C" : host_.Path("other") + "\\";
  if (!OnToken()) std::filesystem::create_directories(otherPlace);
  Container other(host_);
  ASSERT_EQ(other.Open(otherPlace, true), 1) << host_.LastError();
  // Another program holds the last part open without sharing it, so it cannot be replaced.
  const std::string last = folder + (OnToken() ? "D001" : "mk.opq");
  {
    kit::UniqueFile holder(::CreateFileA(last.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    ASSERT_EQ(host_.Api().PSE_CTX_set_path(other.Ctx(), place_.c_str(), -1), 1);
    EXPECT_EQ(host_.Api().PSE_CTX_write(other.Ctx()), 0);
    EXPECT_EQ(host_.LastCode(), 24) << host_.LastError();
  }

  EXPECT_EQ(snapshot(), before);
  Container again(host_);
  ASSERT_EQ(again.Open(place_), 1) << host_.LastError();
  uint8_t derived[65];
  int length = 65;
  EXPECT_EQ(host_.Api().ECGOST_generate_public_key(again.Pse(), 11, old.secretKey, derived,
                                                   &length, 0),
            1)
      << host_.LastError();
  EXPECT_EQ(0, std::memcmp(derived, old.publicKey, 65));
}

// A missing generator state is made from keystrokes and stored; a cancel gives code 6.
TEST_P(Roads, RandomInitialisationThroughTheCallback) {
  EXPECT_EQ(host_.Api().PSE_rand_inited(), 0);
  uint8_t byte;
  EXPECT_EQ(host_.Api().RAND_bytes(&byte, 1), -1);
  EXPECT_EQ(host_.LastCode(), 4);

  Keystrokes().abortAt = 5;
  Container cancelled(host_);
  EXPECT_EQ(cancelled.Open(place_, true), 0);
  EXPECT_EQ(host_.LastCode(), 6) << host_.LastError();
  EXPECT_EQ(Keystrokes().indexes.back(), 5);
  Keystrokes().abortAnswer = -2;
  EXPECT_EQ(cancelled.Open(place_, true), 0);
  EXPECT_EQ(host_.LastCode(), 6);

  Keystrokes() = {};
  KeyHolder holder(host_, place_);
  ASSERT_EQ(host_.Api().PSE_CTX_write(holder.container.Ctx()), 1);
  EXPECT_EQ(host_.Api().PSE_rand_inited(), 1);
  uint8_t a[48] = {}, b[48] = {};
  EXPECT_EQ(host_.Api().RAND_bytes(a, 48), 48);
  EXPECT_EQ(host_.Api().RAND_bytes(b, 48), 48);
  EXPECT_NE(0, std::memcmp(a, b, 48));

  // Without its stored state the container asks again and stores the new one.
  const std::string rand = OnToken() ? place_ + "/C001" : place_ + "rand.opq";
  ASSERT_EQ(host_.Api().CADB_erase_file(rand.c_str()), 1);
  Keystrokes() = {};
  Keystrokes().abortAt = 16;
  Container again(host_);
  EXPECT_EQ(again.Open(place_), 0);
  EXPECT_EQ(host_.LastCode(), 6);
  EXPECT_EQ(host_.Api().CADB_file_exists(rand.c_str()), 0);
  Keystrokes() = {};
  EXPECT_EQ(again.Open(place_), 1) << host_.LastError();
  EXPECT_EQ(Keystrokes().indexes.size(), 16u);
  EXPECT_EQ(host_.Api().CADB_file_exists(rand.c_str()), 1);
  EXPECT_EQ(host_.Api().PSE_CTX_set_rand_callback(again.Ctx(), nullptr), 1);
  ASSERT_EQ(host_.Api().CADB_erase_file(rand.c_str()), 1);
  EXPECT_EQ(host_.Api().PSE_CTX_read(again.Ctx()), 0);
  EXPECT_EQ(host_.LastCode(), 6);
}

INSTANTIATE_TEST_SUITE_P(DiskAndToken, Roads, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Token" : "Disk"; });

TEST(KeyAgreement, BothWaysGiveTheSameKey) {
  ProviderHost host;
  const auto& api = host.Api();
  KeyHolder alice(host, host.Path("alice")), bob(host, host.Path("bob"));
  const auto agree = [&](const KeyHolder* holder, const uint8_t* peer, Bytes& publicValue) {
    ECGOST_DH* dh = api.ECGOST_DH_new(11);
    publicValue.assign(65, 0);
    int length = 65, sharedLength = 32;
    Bytes shared(32);
    EXPECT_EQ(api.ECGOST_DH_generate_key(dh, holder ? holder->container.Pse() : nullptr,
                                         holder ? holder->secretKey : nullptr, publicValue.data(),
                                         &length),
              1)
        << host.LastError();
    if (peer != nullptr) {
      EXPECT_EQ(api.ECGOST_DH_compute_key(dh, peer, 65, shared.data(), &sharedLength), 1)
          << host.LastError();
    }
    api.ECGOST_DH_free(dh);
    return shared;
  };
  Bytes alicePublic, bobPublic, ephemeralPublic;
  const Bytes ab = agree(&alice, bob.publicKey, alicePublic);
  const Bytes ba = agree(&bob, alice.publicKey, bobPublic);
  EXPECT_EQ(ab, ba);
  EXPECT_EQ(alicePublic, Bytes(alice.publicKey, alice.publicKey + 65));
  // The kit's encryption: an ephemeral pair on one side, the recipient's container on the other.
  const Bytes toBob = agree(nullptr, bob.publicKey, ephemeralPublic);
  EXPECT_EQ(agree(&bob, ephemeralPublic.data(), bobPublic), toBob);
  EXPECT_NE(toBob, ab);
}

// Encryption in the kit's modes against the GOST library's classes, decryption back, the MAC.
TEST(Ciphers, ModesAndMacMatchTheLibrary) {
  ProviderHost host;
  const auto& api = host.Api();
  const Bytes key = Data(32, 7), iv = Data(8, 9), plain = Data(4096 + 3, 11);
  const auto run = [&](int mode, int direction, const Bytes& in) {
    GOSTE_CTX* ctx = api.GOSTE_new();
    EXPECT_EQ(api.GOSTE_init(ctx, mode, direction, key.data(), iv.data(), 31), 1)
        << host.LastError();
    Bytes out(in.size());
    const size_t step = mode == 0 ? 8 : in.size();  // the kit's steps
    for (size_t at = 0; at < in.size(); at += step)
      EXPECT_EQ(api.GOSTE_update(ctx, in.data() + at, out.data() + at, static_cast<int>(step)),
                static_cast<int>(step));
    api.GOSTE_free(ctx);
    return out;
  };
  const Bytes blocks(plain.begin(), plain.begin() + 4096);
  Bytes expected(blocks.size());
  ASSERT_TRUE(gost::Gost28147(gost::SBoxSet::CryptoProA, key.data())
                  .Encrypt(blocks.data(), expected.data(), blocks.size() / 8));
  EXPECT_EQ(run(0, 1, blocks), expected);
  EXPECT_EQ(run(0, 0, expected), blocks);

  expected.resize(plain.size());
  ASSERT_TRUE(gost::Gost28147Gamma(gost::SBoxSet::CryptoProA, key.data(), iv.data())
                  .Apply(plain.data(), expected.data(), plain.size()));
  EXPECT_EQ(run(1, 1, plain), expected);
  EXPECT_EQ(run(1, 0, expected), plain);

  ASSERT_TRUE(gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, key.data(), iv.data())
                  .Encrypt(plain.data(), expected.data(), plain.size()));
  EXPECT_EQ(run(2, 1, plain), expected);
  EXPECT_EQ(run(2, 0, expected), plain);

  GOSTE_CTX* ctx = api.GOSTE_new();
  ASSERT_EQ(api.GOSTE_init(ctx, 3, 1, key.data(), nullptr, 31), 1);
  EXPECT_EQ(api.GOSTE_mac_update(ctx, plain.data(), 1000), 1000);
  EXPECT_EQ(api.GOSTE_mac_update(ctx, plain.data() + 1000, 99), 99);
  uint8_t mac[32], libraryMac[4];
  EXPECT_EQ(api.GOSTE_mac_final(ctx, mac, 32), 4);
  api.GOSTE_free(ctx);
  gost::Gost28147Mac library(gost::SBoxSet::CryptoProA, key.data());
  ASSERT_TRUE(library.Update(plain.data(), 1099) && library.Final(libraryMac));
  EXPECT_EQ(0, std::memcmp(mac, libraryMac, 4));

  ctx = api.GOSTE_new();
  EXPECT_EQ(api.GOSTE_init(ctx, 4, 1, key.data(), iv.data(), 31), 0);
  EXPECT_EQ(host.LastCode(), 10);
  EXPECT_EQ(api.GOSTE_init(ctx, 1, 1, key.data(), iv.data(), 21), 0);
  EXPECT_EQ(host.LastCode(), 13);
  EXPECT_EQ(api.GOSTE_init(ctx, 0, 1, key.data(), nullptr, 31), 1);
  EXPECT_EQ(api.GOSTE_update(ctx, plain.data(), expected.data(), 12), -1);
  EXPECT_EQ(host.LastCode(), 1);
  api.GOSTE_free(ctx);
}

TEST(Hash, KnownAnswersThroughTheKitsCalls) {
  ProviderHost host;
  const auto& api = host.Api();
  int checked = 0;
  for (const auto& v : gost::ReadTestVectors("gostr3411-94.txt")) {
    if (v.Text("Params") != "CryptoPro") continue;
    SCOPED_TRACE(v.Where());
    const Bytes message = v.Bytes("Message");
    GOSTH_CTX* h = api.GOSTH_new();
    ASSERT_EQ(api.GOSTH_hash_init(h, nullptr, 21), 1);
    for (size_t at = 0; at < message.size(); ++at)
      EXPECT_EQ(api.GOSTH_update(h, &message[at], 1), 1);
    Bytes digest(32);
    EXPECT_EQ(api.GOSTH_final(h, digest.data()), 32);
    api.GOSTH_free(h);
    EXPECT_EQ(digest, v.Bytes("Digest"));
    Bytes once(32);
    EXPECT_EQ(api.GOSTH(message.data(), static_cast<int>(message.size()), 21, once.data()), 32);
    EXPECT_EQ(once, digest);
    ++checked;
  }
  EXPECT_EQ(checked, 6);
  GOSTH_CTX* h = api.GOSTH_new();
  EXPECT_EQ(api.GOSTH_hash_init(h, nullptr, 31), 0);
  EXPECT_EQ(host.LastCode(), 13);
  EXPECT_EQ(api.GOSTH_update(h, "x", 1), -1);
  api.GOSTH_free(h);
}

}  // namespace
}  // namespace ccom_test
