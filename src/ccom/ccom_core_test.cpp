// The provider's portable core: token paths and configurations, containers, the generator and
// its keystroke seeding, and cipher contexts against the repository's GOST vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "cipher_context.h"
#include "container.h"
#include "keystrokes.h"
#include "params.h"
#include "provider_error.h"
#include "test_vectors.h"
#include "testing/vector_sets.h"
#include "token_config.h"
#include "token_path.h"

namespace ccom {
namespace {

using Bytes = std::vector<uint8_t>;

// The code of the ProviderError that `body` throws; 0 when it throws none.
template <class Body>
int CodeOf(Body&& body) {
  try {
    body();
  } catch (const ProviderError& e) {
    return e.code();
  }
  return 0;
}

// A generator whose "system" entropy is a counter, so runs can be compared.
uint8_t fakeEntropyCounter = 0;
void FakeEntropy(uint8_t* out, size_t size) {
  for (size_t i = 0; i < size; ++i) out[i] = ++fakeEntropyCounter;
}

TEST(TokenPath, ParsesWhatTheKitWritesAndRefusesEscapes) {
  const struct {
    const char* path;
    int code;
    const char* device;
    int slot;  // -1: none
    const char* object;
  } cases[] = {
      {"ETOKEN0:/1A2F/AAAA", 0, "ETOKEN", 0, "1A2F/AAAA"},
      {"rutoken9:\\1A2F\\DDDD\\", 0, "RUTOKEN", 9, "1A2F/DDDD"},
      {"ETOKEN:/1A2F", 0, "ETOKEN", -1, "1A2F"},
      {"ETOKEN0:\\", 0, "ETOKEN", 0, ""},
      {"etoken3:/1A2F//EEEE/0001", 0, "ETOKEN", 3, "1A2F/EEEE/0001"},
      {"ETOKEN10:/1A2F", kParameterError, "", 0, ""},
      {"ETOKEN0:/../x", kAccessError, "", 0, ""},
      {"ETOKEN0:/1A2F/../../Windows", kAccessError, "", 0, ""},
      {"ETOKEN0:/C:/Windows", kAccessError, "", 0, ""},
      {"ETOKEN0:/1A2F/.", kAccessError, "", 0, ""},
      {"ETOKEN0:/NUL", kAccessError, "", 0, ""},
      {"ETOKEN0:/com1", kAccessError, "", 0, ""},
      {"ETOKEN0:/ABCDEFGHI", kAccessError, "", 0, ""},
      {"ETOKEN0:/a b", kAccessError, "", 0, ""},
      {"C:\\keys\\", kParameterError, "", 0, ""},
      {"ETOKENS:/x", kParameterError, "", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TokenPath parsed;
    EXPECT_EQ(CodeOf([&] { parsed = ParseTokenPath(c.path); }), c.code);
    if (c.code != 0) continue;
    EXPECT_EQ(parsed.device, c.device);
    EXPECT_EQ(parsed.slot.value_or(-1), c.slot);
    EXPECT_EQ(JoinComponents(parsed.components), c.object);
  }
  EXPECT_EQ(ParseSlotName("rutoken7"), std::make_pair(std::string("RUTOKEN"), 7));
  EXPECT_FALSE(ParseSlotName("ETOKEN"));
  EXPECT_FALSE(ParseSlotName("ETOKEN12"));
}

TEST(TokenConfig, RoundTripsAndRefusesDamage) {
  TokenConfig config;
  config.serial = "0A1B2C3D";
  config.maxTries = 7;
  config.triesLeft = 3;
  const uint8_t pin[] = {'1', '2', '3', '4'};
  std::array<uint8_t, kPinSaltSize> salt{};
  salt[0] = 9;
  config.pin = MakePinVerifier(pin, sizeof pin, salt, 10);
  const std::string text = FormatTokenConfig(config);
  EXPECT_EQ(text.find("1234"), std::string::npos) << "the PIN itself is stored";

  const TokenConfig back = ParseTokenConfig(text);
  EXPECT_EQ(back.serial, "0A1B2C3D");
  EXPECT_EQ(back.triesLeft, 3);
  EXPECT_TRUE(PinMatches(back.pin, pin, sizeof pin));
  const uint8_t wrong[] = {'1', '2', '3', '5'};
  EXPECT_FALSE(PinMatches(back.pin, wrong, sizeof wrong));

  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string damaged = text;
    damaged.replace(damaged.find(from), from.size(), to);
    return damaged;
  };
  for (const std::string& damaged :
       {replaced("tries-left=3", "tries-left=8"), replaced("serial=0A1B2C3D", "serial=0A1B"),
        replaced("pin-iterations=10", "pin-iterations=x"), replaced("pin-salt=09", "pin-salt=9"),
        replaced("max-tries=7", "max-tries=7\r\nmax-tries=7"), text + "extra=1\r\n",
        replaced("pin-digest=", "pin-dig=")}) {
    SCOPED_TRACE(damaged);
    EXPECT_EQ(CodeOf([&] { ParseTokenConfig(damaged); }), kAccessError);
  }
}

struct StoredContainer {
  std::vector<Bytes> parts;  // in the order of kContainerParts
  std::unique_ptr<Container> Open(bool withRand = true) const {
    return Container::Open(parts[0].data(), parts[1].data(), parts[3].data(),
                           withRand ? parts[2].data() : nullptr);
  }
  bool StoredBy(const Container& container) const {
    return container.Stores(parts[0].data(), parts[1].data(), parts[3].data(), parts[2].data());
  }
};

StoredContainer Store(const Container& container) {
  StoredContainer stored;
  for (ContainerPart part : kContainerParts) {
    stored.parts.emplace_back(PartSize(part));
    container.WritePart(part, stored.parts.back().data());
  }
  return stored;
}

class ContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const uint8_t seed[32] = {1, 2, 3};
    random_.Seed(seed, sizeof seed);
    const uint8_t state[32] = {7};
    container_ = Container::Create(random_, state);
    for (int i = 0; i < 32; ++i) privateKey_[i] = static_cast<uint8_t>(i + 1);
    container_->WrapPrivateKey(privateKey_, secretKey_);
  }
  Bytes Unwrapped(const Container& container) {
    Bytes key(32);
    container.UnwrapPrivateKey(secretKey_, key.data());
    return key;
  }
  RandomGenerator random_{&FakeEntropy};
  std::unique_ptr<Container> container_;
  uint8_t privateKey_[32];
  uint8_t secretKey_[36];
};

TEST_F(ContainerTest, StoredPartsReopenWithTheSameKeys) {
  const auto stored = Store(*container_);
  EXPECT_EQ(std::memcmp(stored.parts[3].data(), "CCMK", 4), 0);
  const auto reopened = stored.Open();
  EXPECT_EQ(Unwrapped(*reopened), Bytes(privateKey_, privateKey_ + 32));
  uint8_t state[32];
  reopened->RandState(state);
  EXPECT_EQ(state[0], 7);
  EXPECT_EQ(Store(*reopened).parts, stored.parts);
  // A secret key of another container is refused, not misread.
  const uint8_t otherState[32] = {};
  const auto other = Container::Create(random_, otherState);
  EXPECT_EQ(CodeOf([&] { Unwrapped(*other); }), kKeysDoNotMatch);
}

TEST_F(ContainerTest, DamageToAnyPartIsDetected) {
  const auto stored = Store(*container_);
  const struct {
    size_t part;  // index in kContainerParts
    size_t offset;
    int code;
  } cases[] = {
      {0, 3, kContainerUnreadable},   {0, 34, kContainerUnreadable}, {1, 100, kContainerUnreadable},
      {2, 5, kRandNotInitialised},    {3, 0, kContainerUnreadable},  {3, 5, kContainerUnreadable},
      {3, 9, kContainerUnreadable},   {3, 20, kContainerUnreadable}, {3, 50, kContainerUnreadable},
      {3, 261, kContainerUnreadable},
  };
  EXPECT_TRUE(stored.StoredBy(*container_));
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "part " << c.part << " byte " << c.offset);
    StoredContainer damaged = stored;
    damaged.parts[c.part][c.offset] ^= 0x10;
    EXPECT_EQ(CodeOf([&] { damaged.Open(); }), c.code);
    // Nor is a damaged part taken for the container's own, which copies skip the checks for.
    EXPECT_FALSE(damaged.StoredBy(*container_));
  }
  // Parts of two containers do not mix.
  const uint8_t state[32] = {};
  StoredContainer mixed = Store(*Container::Create(random_, state));
  mixed.parts[1] = stored.parts[1];
  EXPECT_EQ(CodeOf([&] { mixed.Open(); }), kContainerUnreadable);
  // Without its generator state the container opens, and says so.
  const auto withoutRand = stored.Open(false);
  EXPECT_FALSE(withoutRand->HasRandState());
  uint8_t part[36];
  EXPECT_EQ(CodeOf([&] { withoutRand->WritePart(ContainerPart::Rand, part); }),
            kRandNotInitialised);
  EXPECT_FALSE(stored.StoredBy(*withoutRand));
}

TEST_F(ContainerTest, AClonesKeysAreThoseItsStoredPartsOpenWithAfterEveryChange) {
  // Each change leaves parts that a fresh Open reads with the keys the container now has, and
  // a clone that is the same container.
  const auto check = [&](const char* step, bool oldKeyOpens) {
    SCOPED_TRACE(step);
    const auto stored = Store(*container_);
    const auto clone = container_->Clone();
    const auto reopened = stored.Open();
    EXPECT_TRUE(stored.StoredBy(*clone));
    EXPECT_TRUE(stored.StoredBy(*reopened));
    for (const Container* keys : {clone.get(), reopened.get()}) {
      if (oldKeyOpens)
        EXPECT_EQ(Unwrapped(*keys), Bytes(privateKey_, privateKey_ + 32));
      else
        EXPECT_EQ(CodeOf([&] { Unwrapped(*keys); }), kKeysDoNotMatch);
      uint8_t mine[32], theirs[32];
      container_->RandState(mine);
      keys->RandState(theirs);
      EXPECT_EQ(Bytes(mine, mine + 32), Bytes(theirs, theirs + 32));
      // What the container wraps now, the other unwraps.
      uint8_t wrapped[36], unwrapped[32];
      container_->WrapPrivateKey(privateKey_, wrapped);
      keys->UnwrapPrivateKey(wrapped, unwrapped);
      EXPECT_EQ(Bytes(unwrapped, unwrapped + 32), Bytes(privateKey_, privateKey_ + 32));
    }
    return stored;
  };
  const auto created = check("created", true);
  const uint8_t state[32] = {9};
  container_->SetRandState(state);
  const auto newState = check("new generator state", true);
  EXPECT_FALSE(created.StoredBy(*container_));
  container_->NewMasterKey(random_);
  const auto newMaster = check("new master key", true);
  EXPECT_FALSE(newState.StoredBy(*container_));
  container_->NewKek(random_);
  const auto newKek = check("new key-encryption key", false);
  container_->LoadKek(newMaster.parts[0].data());
  check("key-encryption key loaded", true);
  EXPECT_FALSE(newKek.StoredBy(*container_));
}

TEST_F(ContainerTest, NewMasterKeyKeepsSecretKeysAndNewKekDropsThem) {
  const auto before = Store(*container_);
  container_->NewMasterKey(random_);
  const auto after = Store(*container_);
  EXPECT_NE(after.parts[3], before.parts[3]);
  EXPECT_NE(after.parts[0], before.parts[0]);
  EXPECT_EQ(Unwrapped(*after.Open()), Bytes(privateKey_, privateKey_ + 32));
  // A key-encryption key part of the old master key cannot be loaded.
  EXPECT_EQ(CodeOf([&] { container_->LoadKek(before.parts[0].data()); }), kKeysDoNotMatch);

  container_->NewKek(random_);
  EXPECT_EQ(CodeOf([&] { Unwrapped(*container_); }), kKeysDoNotMatch);
  container_->LoadKek(after.parts[0].data());
  EXPECT_EQ(Unwrapped(*container_), Bytes(privateKey_, privateKey_ + 32));
}

TEST(RandomGenerator, NeedsASeedAndFollowsIt) {
  const auto output = [](const char* seed, int calls) {
    fakeEntropyCounter = 0;
    RandomGenerator random(&FakeEntropy);
    random.Seed(reinterpret_cast<const uint8_t*>(seed), std::strlen(seed));
    Bytes out(40);
    for (int i = 0; i < calls; ++i) random.Generate(out.data(), out.size());
    return out;
  };
  EXPECT_EQ(output("seed", 1), output("seed", 1));
  EXPECT_NE(output("seed", 1), output("seeds", 1));
  EXPECT_NE(output("seed", 1), output("seed", 2));

  RandomGenerator random(&FakeEntropy);
  uint8_t byte;
  EXPECT_EQ(CodeOf([&] { random.Generate(&byte, 1); }), kRandNotInitialised);
  random.Seed(&byte, 0);
  EXPECT_TRUE(random.Seeded());
  random.Close();
  EXPECT_EQ(CodeOf([&] { random.Generate(&byte, 1); }), kRandNotInitialised);
}

TEST(Keystrokes, AsksForEveryCharacterUntilTyped) {
  struct Script {
    std::vector<int> wrongAt;  // indexes answered wrongly once
    int abortAt = 0;           // index answered with `abortAnswer`
    int abortAnswer = -1;
    int code = 0;
  };
  const Script scripts[] = {
      {{}, 0, -1, 0},
      {{1, 16}, 0, -1, 0},
      {{}, 5, -1, kRandInitFailed},
      {{}, 16, -2, kRandInitFailed},
      {{}, 1, 256, kRandInitFailed},
  };
  for (const auto& script : scripts) {
    std::vector<std::pair<int, int>> asked;  // (index, requested)
    std::vector<int> wrongLeft = script.wrongAt;
    const KeystrokeCallback ask = [&](int requested, int index, int total) {
      EXPECT_EQ(total, kKeystrokeCount);
      EXPECT_TRUE(requested >= '0' && requested <= '9');
      asked.emplace_back(index, requested);
      if (index == script.abortAt) return script.abortAnswer;
      const auto wrong = std::find(wrongLeft.begin(), wrongLeft.end(), index);
      if (wrong == wrongLeft.end()) return requested;
      wrongLeft.erase(wrong);
      return requested == '0' ? int{'1'} : int{'0'};
    };
    uint8_t seed[32];
    EXPECT_EQ(CodeOf([&] { CollectKeystrokes(ask, &FakeEntropy, seed); }), script.code);
    if (script.code != 0) {
      EXPECT_EQ(asked.back().first, script.abortAt);
      continue;
    }
    ASSERT_EQ(asked.size(), kKeystrokeCount + script.wrongAt.size());
    for (size_t i = 1, index = 1; i < asked.size(); ++i) {
      // A wrongly answered index is asked again with the same character.
      if (asked[i].first == asked[i - 1].first) {
        EXPECT_EQ(asked[i].second, asked[i - 1].second);
      } else {
        EXPECT_EQ(asked[i].first, static_cast<int>(++index));
      }
    }
  }
  // Someone who never types the right character gets an error, not an endless series.
  int calls = 0;
  uint8_t seed[32];
  const auto wrongAlways = [&](int requested, int, int) { return ++calls, requested ^ 1; };
  EXPECT_EQ(CodeOf([&] { CollectKeystrokes(wrongAlways, &FakeEntropy, seed); }), kRandInitFailed);
  EXPECT_EQ(calls, kMaxWrongKeystrokes + 1);
  EXPECT_EQ(CodeOf([&] { CollectKeystrokes(nullptr, &FakeEntropy, seed); }), kRandInitFailed);
}

// Every mode of a cipher context over the repository's known answers, the data given in
// pieces of growing size, so chaining across calls is exercised.
TEST(CipherContext, ModesMatchTheKnownAnswers) {
  const struct {
    const char* section;
    CipherContext::Mode mode;
    const char* in;
    const char* out;
  } modes[] = {
      {"ECB", CipherContext::Mode::SimpleSubstitution, "Plain", "Cipher"},
      {"Gamma", CipherContext::Mode::Gamma, "Plain", "Cipher"},
      {"CFB", CipherContext::Mode::GammaFeedback, "Plain", "Cipher"},
      {"MAC", CipherContext::Mode::Mac, "Message", "MAC"},
  };
  int checked = 0;
  for (const auto& v : gost::ReadTestVectors("gost28147-89.txt")) {
    for (const auto& m : modes) {
      if (v.section != m.section) continue;
      SCOPED_TRACE(v.Where());
      const Bytes key = v.Bytes("Key"), in = v.Bytes(m.in), expected = v.Bytes(m.out);
      const Bytes iv = v.fields.count("IV") ? v.Bytes("IV") : Bytes();
      const auto set = ccom_test::SetNamed(v.Text("Set"));
      for (bool encrypt : {true, false}) {
        if (m.mode == CipherContext::Mode::Mac && !encrypt) continue;
        CipherContext context;
        context.Init(m.mode, encrypt, key.data(), iv.empty() ? nullptr : iv.data(), set);
        const Bytes& from = encrypt ? in : expected;
        Bytes out(m.mode == CipherContext::Mode::Mac ? 4 : from.size());
        const size_t step = m.mode == CipherContext::Mode::SimpleSubstitution ? 8 : 1;
        for (size_t at = 0, piece = step; at < from.size(); at += piece, piece += step) {
          const size_t n = std::min(piece, from.size() - at);
          if (m.mode == CipherContext::Mode::Mac)
            context.MacUpdate(from.data() + at, n);
          else
            context.Process(from.data() + at, out.data() + at, n);
        }
        if (m.mode == CipherContext::Mode::Mac) context.MacFinal(out.data());
        EXPECT_EQ(out, encrypt ? expected : in) << (encrypt ? "encrypt" : "decrypt");
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 20);
}

TEST(CipherContext, RefusesWhatItsModeCannotDo) {
  const uint8_t key[32] = {1}, iv[8] = {2};
  uint8_t data[16] = {};
  CipherContext context;
  EXPECT_EQ(CodeOf([&] { context.Process(data, data, 8); }), kParameterError);
  context.Init(CipherContext::Mode::Cbc, true, key, iv, gost::SBoxSet::CryptoProA);
  EXPECT_EQ(CodeOf([&] { context.Process(data, data, 12); }), kParameterError);
  EXPECT_EQ(CodeOf([&] { context.MacUpdate(data, 8); }), kUnknownMode);
  EXPECT_EQ(CodeOf([&] {
              context.Init(CipherContext::Mode::Gamma, true, key, nullptr,
                           gost::SBoxSet::CryptoProA);
            }),
            kParameterError);
  context.Init(CipherContext::Mode::Mac, true, key, nullptr, gost::SBoxSet::CryptoProA);
  EXPECT_EQ(CodeOf([&] { context.Process(data, data, 8); }), kUnknownMode);
  context.Clean();
  EXPECT_EQ(context.CurrentMode(), CipherContext::Mode::None);

  // Another S-box set starts over with the same key and start value.
  uint8_t a[16] = {}, b[16] = {};
  context.Init(CipherContext::Mode::Gamma, true, key, iv, gost::SBoxSet::CryptoProA);
  context.Process(a, a, 5);
  context.ChangeSet(gost::SBoxSet::CryptoProB);
  context.Process(a + 5, a + 5, 11);
  CipherContext b_context;
  b_context.Init(CipherContext::Mode::Gamma, true, key, iv, gost::SBoxSet::CryptoProB);
  b_context.Process(b, b, 11);
  EXPECT_EQ(Bytes(a + 5, a + 16), Bytes(b, b + 11));
  EXPECT_EQ(context.Set(), gost::SBoxSet::CryptoProB);
}

TEST(Params, IdentifiersAndTables) {
  EXPECT_EQ(CipherSetOfNid(31), gost::SBoxSet::CryptoProA);
  EXPECT_EQ(CipherSetOfNid(34), gost::SBoxSet::CryptoProD);
  EXPECT_FALSE(CipherSetOfNid(21));
  EXPECT_EQ(NidOfCipherSet(gost::SBoxSet::CipherTest), kCipherTestNid);
  EXPECT_EQ(SetOfTable(TableOfSet(gost::SBoxSet::CryptoProHash)), gost::SBoxSet::CryptoProHash);
  uint8_t table[kSBoxTableSize];
  std::memcpy(table, TableOfSet(gost::SBoxSet::CryptoProA), sizeof table);
  table[127] ^= 1;
  EXPECT_FALSE(SetOfTable(table));
  EXPECT_EQ(HashParamsOf(TableOfSet(gost::SBoxSet::Test), 0), gost::HashParams::Test);
  EXPECT_EQ(CodeOf([] { HashParamsOf(nullptr, 31); }), kUnknownParameters);
  EXPECT_EQ(CodeOf([&] { HashParamsOf(table, kHashNid); }), kUnknownParameters);
  EXPECT_EQ(CodeOf([] { RequireCurveNid(12); }), kUnknownParameters);
}

}  // namespace
}  // namespace ccom
