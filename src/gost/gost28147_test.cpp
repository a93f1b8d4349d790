#include "gost28147.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "gost28147_chain.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "test_hex.h"
#include "test_vectors.h"

namespace gost {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Random(std::mt19937& rng, size_t size) {
  Bytes out(size);
  for (auto& byte : out) byte = static_cast<uint8_t>(rng());
  return out;
}

std::string Hex(const Bytes& data) { return ToHex(data.data(), data.size()); }

SBoxSet SetNamed(const std::string& name) {
  const char* const names[] = {"Test",       "CipherTest", "CryptoProA",   "CryptoProB",
                               "CryptoProC", "CryptoProD", "CryptoProHash"};
  for (int i = 0; i < 7; ++i)
    if (name == names[i]) return static_cast<SBoxSet>(i);
  throw std::invalid_argument("unknown S-box set " + name);
}

constexpr SBoxSet kEverySet[] = {SBoxSet::Test,       SBoxSet::CipherTest, SBoxSet::CryptoProA,
                                 SBoxSet::CryptoProB, SBoxSet::CryptoProC, SBoxSet::CryptoProD,
                                 SBoxSet::CryptoProHash};

// The classes of one way to run the rounds, and one-shot helpers over them that fail the test
// when an operation is refused.
template <class EcbT, class GammaT, class CfbT, class MacT>
struct Path {
  using Ecb = EcbT;
  using Gamma = GammaT;
  using Cfb = CfbT;
  using Mac = MacT;

  static Bytes EcbRun(bool encrypt, SBoxSet set, const Bytes& key, const Bytes& in) {
    const Ecb cipher(set, key.data());
    Bytes out(in.size());
    EXPECT_TRUE(encrypt ? cipher.Encrypt(in.data(), out.data(), in.size() / 8)
                        : cipher.Decrypt(in.data(), out.data(), in.size() / 8));
    return out;
  }
  static Bytes GammaRun(SBoxSet set, const Bytes& key, const Bytes& iv, const Bytes& in) {
    Bytes out(in.size());
    EXPECT_TRUE(Gamma(set, key.data(), iv.data()).Apply(in.data(), out.data(), in.size()));
    return out;
  }
  static Bytes CfbRun(bool encrypt, SBoxSet set, const Bytes& key, const Bytes& iv,
                      const Bytes& in, typename Cfb::Meshing meshing = Cfb::Meshing::None) {
    Cfb cfb(set, key.data(), iv.data(), meshing);
    Bytes out(in.size());
    EXPECT_TRUE(encrypt ? cfb.Encrypt(in.data(), out.data(), in.size())
                        : cfb.Decrypt(in.data(), out.data(), in.size()));
    return out;
  }
  static Bytes MacRun(SBoxSet set, const Bytes& key, const uint8_t* iv, const Bytes& in) {
    Mac mac(set, key.data(), iv);
    Bytes out(Mac::kMacSize);
    EXPECT_TRUE(mac.Update(in.data(), in.size()));
    EXPECT_TRUE(mac.Final(out.data()));
    return out;
  }
};

using TablePath = Path<Gost28147, Gost28147Gamma, Gost28147Cfb, Gost28147Mac>;
using MaskedPath =
    Path<Gost28147Secret, Gost28147GammaSecret, Gost28147CfbSecret, Gost28147MacSecret>;

template <class P>
class Gost28147Test : public ::testing::Test {};

struct PathNames {
  template <class P>
  static std::string GetName(int) {
    return std::is_same_v<P, TablePath> ? "Tables" : "Secret";
  }
};

using Paths = ::testing::Types<TablePath, MaskedPath>;
TYPED_TEST_SUITE(Gost28147Test, Paths, PathNames);

TYPED_TEST(Gost28147Test, KnownAnswers) {
  using P = TypeParam;
  const auto vectors = ReadTestVectors("gost28147-89.txt");
  ASSERT_GE(vectors.size(), 18u);
  for (const TestVector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const SBoxSet set = SetNamed(v.Text("Set"));
    const Bytes key = v.Bytes("Key");
    if (v.section == "MAC") {
      EXPECT_EQ(P::MacRun(set, key, nullptr, v.Bytes("Message")), v.Bytes("MAC"));
      continue;
    }
    const Bytes plain = v.Bytes("Plain"), cipher = v.Bytes("Cipher");
    if (v.section == "ECB") {
      EXPECT_EQ(P::EcbRun(true, set, key, plain), cipher);
      EXPECT_EQ(P::EcbRun(false, set, key, cipher), plain);
    } else if (v.section == "Gamma") {
      EXPECT_EQ(P::GammaRun(set, key, v.Bytes("IV"), plain), cipher);
    } else {
      ASSERT_EQ(v.section, "CFB");
      EXPECT_EQ(P::CfbRun(true, set, key, v.Bytes("IV"), plain), cipher);
      EXPECT_EQ(P::CfbRun(false, set, key, v.Bytes("IV"), cipher), plain);
    }
  }
}

// Streaming in random pieces, in place or not, gives the one-shot result.
TYPED_TEST(Gost28147Test, ChunkedStreamsMatchOneShot) {
  using P = TypeParam;
  using Cfb = typename P::Cfb;
  std::mt19937 rng(5);
  for (int round = 0; round < 40; ++round) {
    const Bytes key = Random(rng, 32), iv = Random(rng, 8), plain = Random(rng, rng() % 3000);
    const auto meshing = round % 2 ? Cfb::Meshing::CryptoPro : Cfb::Meshing::None;
    const SBoxSet set = SBoxSet::CryptoProA;
    const Bytes gamma = P::GammaRun(set, key, iv, plain);
    const Bytes cfb = P::CfbRun(true, set, key, iv, plain, meshing);
    const Bytes mac = P::MacRun(set, key, iv.data(), plain);

    typename P::Gamma gamma_stream(set, key.data(), iv.data());
    Cfb encrypt(set, key.data(), iv.data(), meshing), decrypt(set, key.data(), iv.data(), meshing);
    typename P::Mac mac_stream(set, key.data(), iv.data());
    Bytes gamma_out = plain, cfb_out = plain, plain_back(plain.size()), mac_out(4);
    for (size_t done = 0; done < plain.size();) {
      const size_t n = std::min<size_t>(plain.size() - done, rng() % 100);
      ASSERT_TRUE(gamma_stream.Apply(&gamma_out[done], &gamma_out[done], n));
      ASSERT_TRUE(encrypt.Encrypt(&cfb_out[done], &cfb_out[done], n));
      ASSERT_TRUE(decrypt.Decrypt(&cfb[done], &plain_back[done], n));
      ASSERT_TRUE(mac_stream.Update(&plain[done], n));
      done += n;
    }
    ASSERT_TRUE(mac_stream.Final(mac_out.data()));
    EXPECT_EQ(gamma_out, gamma);
    EXPECT_EQ(cfb_out, cfb);
    EXPECT_EQ(plain_back, plain);
    EXPECT_EQ(mac_out, mac);
    // Final starts over.
    ASSERT_TRUE(mac_stream.Update(plain.data(), plain.size()));
    ASSERT_TRUE(mac_stream.Final(mac_out.data()));
    EXPECT_EQ(mac_out, mac);
  }
}

// CFB with meshing is plain CFB restarted every 1024 bytes with the key and IV that the public
// meshing function makes of the key and the last ciphertext block.
TYPED_TEST(Gost28147Test, CfbMeshingIsPlainCfbUnderMeshedKeys) {
  using P = TypeParam;
  std::mt19937 rng(9);
  Bytes key = Random(rng, 32), iv = Random(rng, 8);
  const Bytes plain = Random(rng, 3 * 1024 + 100);
  const Bytes meshed =
      P::CfbRun(true, SBoxSet::CryptoProA, key, iv, plain, P::Cfb::Meshing::CryptoPro);
  Bytes composed;
  for (size_t offset = 0; offset < plain.size(); offset += 1024) {
    if (offset > 0) {
      iv.assign(composed.end() - 8, composed.end());
      ASSERT_TRUE(CryptoProKeyMeshing(SBoxSet::CryptoProA, key.data(), iv.data()));
    }
    const Bytes piece(plain.begin() + offset,
                      plain.begin() + std::min(offset + 1024, plain.size()));
    const Bytes out = P::CfbRun(true, SBoxSet::CryptoProA, key, iv, piece);
    composed.insert(composed.end(), out.begin(), out.end());
  }
  EXPECT_EQ(Hex(meshed), Hex(composed));
}

TYPED_TEST(Gost28147Test, MacDependsOnEveryBlockAndIv) {
  using P = TypeParam;
  std::mt19937 rng(13);
  const Bytes key = Random(rng, 32), iv = Random(rng, 8), data = Random(rng, 40);
  const SBoxSet set = SBoxSet::CryptoProA;
  const Bytes base = P::MacRun(set, key, nullptr, data);
  EXPECT_NE(P::MacRun(set, key, iv.data(), data), base);
  for (size_t i = 0; i < data.size(); i += 8) {
    Bytes changed = data;
    changed[i] ^= 1;
    EXPECT_NE(P::MacRun(set, key, nullptr, changed), base) << i;
  }
  // One block alone is followed by a zero block, so it equals that block and eight zeros.
  const Bytes one(data.begin(), data.begin() + 8);
  Bytes two = one;
  two.resize(16, 0);
  EXPECT_EQ(P::MacRun(set, key, nullptr, one), P::MacRun(set, key, nullptr, two));
}

// An identifier cast from a number that names no set is refused by every operation, which
// leaves zeros where its output would be, also when it works in place.
TYPED_TEST(Gost28147Test, UnknownSetIsRefused) {
  using P = TypeParam;
  const Bytes key(32, 0x5a), iv(8, 0xa5), data(40, 0x33);
  const Bytes zeros(data.size(), 0);
  for (int number : {-1, 7, 8, 255, 1 << 20}) {
    SCOPED_TRACE(number);
    const auto set = static_cast<SBoxSet>(number);
    Bytes out = data;
    EXPECT_FALSE(typename P::Ecb(set, key.data()).Encrypt(out.data(), out.data(), 5));
    EXPECT_EQ(out, zeros);
    out = data;
    EXPECT_FALSE(typename P::Ecb(set, key.data()).Decrypt(out.data(), out.data(), 5));
    EXPECT_EQ(out, zeros);
    out = data;
    EXPECT_FALSE(typename P::Gamma(set, key.data(), iv.data()).Apply(out.data(), out.data(), 40));
    EXPECT_EQ(out, zeros);
    typename P::Cfb cfb(set, key.data(), iv.data(), P::Cfb::Meshing::CryptoPro);
    out = data;
    EXPECT_FALSE(cfb.Encrypt(out.data(), out.data(), out.size()));
    EXPECT_EQ(out, zeros);
    out = data;
    EXPECT_FALSE(cfb.Decrypt(out.data(), out.data(), out.size()));
    EXPECT_EQ(out, zeros);
    typename P::Mac mac(set, key.data());
    Bytes tag(4, 0xff);
    EXPECT_FALSE(mac.Update(data.data(), data.size()));
    EXPECT_FALSE(mac.Final(tag.data()));
    EXPECT_EQ(tag, Bytes(4, 0));
    Bytes meshKey = key, meshIv = iv;
    EXPECT_FALSE(CryptoProKeyMeshing(set, meshKey.data(), meshIv.data()));
    EXPECT_EQ(meshKey, Bytes(32, 0));
    EXPECT_EQ(meshIv, Bytes(8, 0));
    EXPECT_EQ(SBoxRows(set), nullptr);
  }
}

// The constant-time classes give the table classes' results for every set, key, length and
// meshing, ECB with many blocks included (the table path interleaves four).
TEST(Gost28147SecretTest, MatchesTablePathEverywhere) {
  std::mt19937 rng(3);
  for (SBoxSet set : kEverySet) {
    for (int round = 0; round < 6; ++round) {
      SCOPED_TRACE(static_cast<int>(set) * 100 + round);
      const Bytes key = Random(rng, 32), iv = Random(rng, 8);
      const Bytes blocks = Random(rng, 8 * (rng() % 30)), data = Random(rng, rng() % 2200);
      for (bool encrypt : {true, false}) {
        EXPECT_EQ(MaskedPath::EcbRun(encrypt, set, key, blocks),
                  TablePath::EcbRun(encrypt, set, key, blocks));
        for (auto meshing : {Gost28147Cfb::Meshing::None, Gost28147Cfb::Meshing::CryptoPro})
          EXPECT_EQ(MaskedPath::CfbRun(encrypt, set, key, iv, data, meshing),
                    TablePath::CfbRun(encrypt, set, key, iv, data, meshing));
      }
      EXPECT_EQ(MaskedPath::GammaRun(set, key, iv, data), TablePath::GammaRun(set, key, iv, data));
      EXPECT_EQ(MaskedPath::MacRun(set, key, iv.data(), data),
                TablePath::MacRun(set, key, iv.data(), data));
    }
  }
}

// The modes use one of several round implementations, chosen by the processor or by the
// class: all must agree with the generic table rounds.
TEST(Gost28147RoundsTest, ImplementationsAgree) {
  std::mt19937 rng(17);
  for (int round = 0; round < 50; ++round) {
    const Bytes key = Random(rng, 32);
    const SBoxSet set = kEverySet[round % 7];
    const detail::KeySchedule ks(set, key.data(), detail::SBoxEvaluation::Tables);
    const detail::KeySchedule masked(set, key.data(), detail::SBoxEvaluation::Masks);
    const uint32_t n1 = rng(), n2 = rng();
    uint32_t a[1] = {n1}, b[1] = {n2};
    detail::Rounds<1, detail::TableRound>{detail::TableRound{*ks.table}, ks.k, 0}.Encrypt(a, b);
    uint32_t mac_a[1] = {n1}, mac_b[1] = {n2};
    detail::Rounds<1, detail::TableRound>{detail::TableRound{*ks.table}, ks.k, 0}.Mac(mac_a, mac_b);

    const auto agree = [&](auto encrypt, auto mac) {
      uint32_t pa = n1, pb = n2;
      encrypt(pa, pb);
      EXPECT_EQ(pa, a[0]);
      EXPECT_EQ(pb, b[0]);
      pa = n1, pb = n2;
      mac(pa, pb);
      EXPECT_EQ(pa, mac_a[0]);
      EXPECT_EQ(pb, mac_b[0]);
    };
    agree([&](uint32_t& x, uint32_t& y) { detail::EncryptChain<false>(ks, x, y); },
          [&](uint32_t& x, uint32_t& y) { detail::MacChain<false>(ks, x, y); });
    // EncryptBlock* take and give (N1, N2); the rounds give (N2, N1).
    agree([&](uint32_t& x, uint32_t& y) { detail::EncryptBlockMasked(masked, x, y), std::swap(x, y); },
          [&](uint32_t& x, uint32_t& y) { detail::MacRoundsMasked(masked, x, y); });
    if (detail::HasChainAssembly()) {
      agree([&](uint32_t& x, uint32_t& y) { detail::EncryptChain<true>(ks, x, y); },
            [&](uint32_t& x, uint32_t& y) { detail::MacChain<true>(ks, x, y); });
    }
  }
}

}  // namespace
}  // namespace gost
