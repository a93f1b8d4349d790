#include "gost28147.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "gost28147_chain.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"

namespace gost {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

std::string Hex(const Bytes& data) {
  std::string out;
  char digit[3];
  for (uint8_t byte : data) {
    std::snprintf(digit, sizeof digit, "%02x", byte);
    out += digit;
  }
  return out;
}

Bytes Random(std::mt19937& rng, size_t size) {
  Bytes out(size);
  for (auto& byte : out) byte = static_cast<uint8_t>(rng());
  return out;
}

struct Vector {
  SBoxSet set;
  const char* key;
  const char* iv;
  const char* plain;
  const char* cipher;
};

// The examples of RFC 5831, 7.3.1, and one key and two blocks under every S-box set.
constexpr Vector kEcb[] = {
    {SBoxSet::Test, "546d203368656c326973652073736e62206167796967747473656865202c3d73", "",
     "0000000000000000", "1b0bbc32cebcab42"},
    {SBoxSet::Test, "2033394d6c320d0965201a166e62001d6779410674740e136865160d3d730c11", "",
     "0000000000000000", "fdcf9b5dc8eb0352"},
    {SBoxSet::Test, "39b213f5f209a13f1ae9ba3aff1d0c6241f9e1c7f113008516f20d73f311b180", "",
     "0000000000000000", "280eff009958348d"},
    {SBoxSet::Test, "ec0a8ba15ec004a8bac50cac0c621deee1c7b8e7007ae2ecf2731bff4e80e2a0", "",
     "0000000000000000", "2d562a0d190486e7"},
    {SBoxSet::Test, "8182838485868788898a8b8c8d8e8f80d1d2d3d4d5d6d7d8d9dadbdcdddedfd0", "",
     "0102030405060708f1f2f3f4f5f6f7f8", "ced52a7ff7f260d5bc81a80bb5e65976"},
    {SBoxSet::CryptoProHash, "8182838485868788898a8b8c8d8e8f80d1d2d3d4d5d6d7d8d9dadbdcdddedfd0",
     "", "0102030405060708f1f2f3f4f5f6f7f8", "e42175e16922d0a848e59157d7106518"},
    {SBoxSet::CipherTest, "8182838485868788898a8b8c8d8e8f80d1d2d3d4d5d6d7d8d9dadbdcdddedfd0", "",
     "0102030405060708f1f2f3f4f5f6f7f8", "9856cf8bfcc282f43f465801c6539a5c"},
    {SBoxSet::CryptoProA, "8182838485868788898a8b8c8d8e8f80d1d2d3d4d5d6d7d8d9dadbdcdddedfd0", "",
     "0102030405060708f1f2f3f4f5f6f7f8", "668184aedc48c9174164347058845cac"},
    {SBoxSet::CryptoProB, "8182838485868788898a8b8c8d8e8f80d1d2d3d4d5d6d7d8d9dadbdcdddedfd0", "",
     "0102030405060708f1f2f3f4f5f6f7f8", "dbee81147b74b0f2db5ef00eff4bd528"},
    {SBoxSet::CryptoProC, "8182838485868788898a8b8c8d8e8f80d1d2d3d4d5d6d7d8d9dadbdcdddedfd0", "",
     "0102030405060708f1f2f3f4f5f6f7f8", "31a3859d0aeeb80e4afbd6ce7798ffa9"},
    {SBoxSet::CryptoProD, "8182838485868788898a8b8c8d8e8f80d1d2d3d4d5d6d7d8d9dadbdcdddedfd0", "",
     "0102030405060708f1f2f3f4f5f6f7f8", "b1323e0b2173cbd1c5282f2461e97aa8"},
};

constexpr Vector kGamma[] = {
    {SBoxSet::Test, "0011223344556677889900112233445566778899001122334455667788990011",
     "1234567890abcdef", "bc350e71aa11345709acde", "8824c124c4fd14301fb1e8"},
    {SBoxSet::CryptoProA, "4ef72b778f0b0bebeef4f077551cb74a927b470ad7d7f2513454569a247e989d",
     "1234567890abcdef", "bc350e71aa11345709acde", "1bcc2282707c676fb656dc"},
};

constexpr Vector kCfb[] = {
    {SBoxSet::Test, "aafd12f659cae63489b479e5076ddec2f06cb58faafd12f659cae63489b479e5",
     "aafd12f659cae634", "000102030405060708090a0b0c0d0e0fff0102030405060708090a0b0c0d0e0f",
     "29b7083e0a6d955ca0ec5b04fdb4ea41949f1dd2efdf17baffc1780b031f3934"},
    {SBoxSet::Test, "546d203368656c326973652073736e62206167796967747473656865202c3d73",
     "1234567890abcdef", "0000000000000000", "b587f7a0814c911d"},
    {SBoxSet::CipherTest, "546d203368656c326973652073736e62206167796967747473656865202c3d73",
     "1234567890abcdef", "0000000000000000", "e8287f53f991d52b"},
    {SBoxSet::CryptoProA, "546d203368656c326973652073736e62206167796967747473656865202c3d73",
     "1234567890abcdef", "0000000000000000", "c41009dba22ebe35"},
};

TEST(Gost28147Test, EcbKnownAnswers) {
  for (const auto& v : kEcb) {
    SCOPED_TRACE(v.cipher);
    const Bytes key = FromHex(v.key), plain = FromHex(v.plain);
    ASSERT_EQ(key.size(), 32u);
    const Gost28147 cipher(v.set, key.data());
    Bytes out(plain.size()), back(plain.size());
    cipher.Encrypt(plain.data(), out.data(), plain.size() / 8);
    EXPECT_EQ(Hex(out), v.cipher);
    cipher.Decrypt(out.data(), back.data(), out.size() / 8);
    EXPECT_EQ(back, plain);
  }
}

TEST(Gost28147Test, EcbManyBlocksMatchOneAtATimeAndInvert) {
  std::mt19937 rng(3);
  const Bytes key = Random(rng, 32), plain = Random(rng, 8 * 23);
  const Gost28147 cipher(SBoxSet::CryptoProA, key.data());
  Bytes bulk(plain.size()), single(plain.size());
  cipher.Encrypt(plain.data(), bulk.data(), 23);
  for (size_t i = 0; i < 23; ++i) cipher.Encrypt(&plain[8 * i], &single[8 * i], 1);
  EXPECT_EQ(bulk, single);
  cipher.Decrypt(bulk.data(), bulk.data(), 23);  // in place
  EXPECT_EQ(bulk, plain);
}

TEST(Gost28147Test, GammaKnownAnswers) {
  for (const auto& v : kGamma) {
    const Bytes key = FromHex(v.key), iv = FromHex(v.iv), plain = FromHex(v.plain);
    Bytes out(plain.size());
    Gost28147Gamma(v.set, key.data(), iv.data()).Apply(plain.data(), out.data(), plain.size());
    EXPECT_EQ(Hex(out), v.cipher);
  }
}

TEST(Gost28147Test, CfbKnownAnswers) {
  for (const auto& v : kCfb) {
    const Bytes key = FromHex(v.key), iv = FromHex(v.iv), plain = FromHex(v.plain);
    Bytes out(plain.size()), back(plain.size());
    Gost28147Cfb(v.set, key.data(), iv.data()).Encrypt(plain.data(), out.data(), plain.size());
    EXPECT_EQ(Hex(out), v.cipher);
    Gost28147Cfb(v.set, key.data(), iv.data()).Decrypt(out.data(), back.data(), out.size());
    EXPECT_EQ(back, plain);
  }
}

TEST(Gost28147Test, MacKnownAnswer) {
  const Bytes key = FromHex("6d145dc993f4019e104280df6fcd8cd8e01e101e4c113d7ec4f469ce6dcd9e49");
  const std::string text = "what do ya want for nothing?";
  Gost28147Mac mac(SBoxSet::CryptoProA, key.data());
  for (int use = 0; use < 2; ++use) {  // Final starts over
    mac.Update(reinterpret_cast<const uint8_t*>(text.data()), 5);
    mac.Update(reinterpret_cast<const uint8_t*>(text.data()) + 5, text.size() - 5);
    Bytes out(4);
    mac.Final(out.data());
    EXPECT_EQ(Hex(out), "93468a46");
  }
}

// The modes use one of several round implementations, chosen by the processor: all must agree
// with the generic rounds.
TEST(Gost28147Test, RoundImplementationsAgree) {
  std::mt19937 rng(17);
  for (int round = 0; round < 50; ++round) {
    const Bytes key = Random(rng, 32);
    const detail::KeySchedule ks(round % 2 ? SBoxSet::CryptoProA : SBoxSet::Test, key.data());
    const uint32_t n1 = rng(), n2 = rng();
    uint32_t a[1] = {n1}, b[1] = {n2};
    detail::Rounds<1, detail::TableRound>{detail::TableRound{*ks.table}, ks.k, 0}.Encrypt(a, b);
    uint32_t mac_a[1] = {n1}, mac_b[1] = {n2};
    detail::Rounds<1, detail::TableRound>{detail::TableRound{*ks.table}, ks.k, 0}.Mac(mac_a, mac_b);

    uint32_t pa = n1, pb = n2;
    detail::EncryptChain<false>(ks, pa, pb);
    EXPECT_EQ(pa, a[0]);
    EXPECT_EQ(pb, b[0]);
    pa = n1, pb = n2;
    detail::MacChain<false>(ks, pa, pb);
    EXPECT_EQ(pa, mac_a[0]);
    EXPECT_EQ(pb, mac_b[0]);
    if (detail::HasChainAssembly()) {
      pa = n1, pb = n2;
      detail::EncryptChain<true>(ks, pa, pb);
      EXPECT_EQ(pa, a[0]);
      EXPECT_EQ(pb, b[0]);
      pa = n1, pb = n2;
      detail::MacChain<true>(ks, pa, pb);
      EXPECT_EQ(pa, mac_a[0]);
      EXPECT_EQ(pb, mac_b[0]);
    }
  }
}

// Streaming in random pieces, in place or not, gives the one-shot result.
TEST(Gost28147Test, ChunkedStreamsMatchOneShot) {
  std::mt19937 rng(5);
  for (int round = 0; round < 40; ++round) {
    const Bytes key = Random(rng, 32), iv = Random(rng, 8), plain = Random(rng, rng() % 3000);
    const auto meshing = round % 2 ? Gost28147Cfb::Meshing::CryptoPro : Gost28147Cfb::Meshing::None;
    Bytes gamma(plain.size()), cfb(plain.size());
    Gost28147Gamma(SBoxSet::CryptoProA, key.data(), iv.data())
        .Apply(plain.data(), gamma.data(), plain.size());
    Gost28147Cfb(SBoxSet::CryptoProA, key.data(), iv.data(), meshing)
        .Encrypt(plain.data(), cfb.data(), plain.size());
    Bytes mac(4);
    {
      Gost28147Mac one_shot(SBoxSet::CryptoProA, key.data(), iv.data());
      one_shot.Update(plain.data(), plain.size());
      one_shot.Final(mac.data());
    }

    Gost28147Gamma gamma_stream(SBoxSet::CryptoProA, key.data(), iv.data());
    Gost28147Cfb encrypt(SBoxSet::CryptoProA, key.data(), iv.data(), meshing);
    Gost28147Cfb decrypt(SBoxSet::CryptoProA, key.data(), iv.data(), meshing);
    Gost28147Mac mac_stream(SBoxSet::CryptoProA, key.data(), iv.data());
    Bytes gamma_out = plain, cfb_out = plain, plain_back(plain.size());
    for (size_t done = 0; done < plain.size();) {
      const size_t n = std::min<size_t>(plain.size() - done, rng() % 100);
      gamma_stream.Apply(&gamma_out[done], &gamma_out[done], n);
      encrypt.Encrypt(&cfb_out[done], &cfb_out[done], n);
      decrypt.Decrypt(&cfb[done], &plain_back[done], n);
      mac_stream.Update(&plain[done], n);
      done += n;
    }
    Bytes mac_out(4);
    mac_stream.Final(mac_out.data());
    EXPECT_EQ(gamma_out, gamma);
    EXPECT_EQ(cfb_out, cfb);
    EXPECT_EQ(plain_back, plain);
    EXPECT_EQ(mac_out, mac);
  }
}

// CFB with meshing is plain CFB restarted every 1024 bytes with the key and IV that the public
// meshing function makes of the key and the last ciphertext block.
TEST(Gost28147Test, CfbMeshingIsPlainCfbUnderMeshedKeys) {
  std::mt19937 rng(9);
  Bytes key = Random(rng, 32), iv = Random(rng, 8);
  const Bytes plain = Random(rng, 3 * 1024 + 100);
  Bytes meshed(plain.size());
  Gost28147Cfb(SBoxSet::CryptoProA, key.data(), iv.data(), Gost28147Cfb::Meshing::CryptoPro)
      .Encrypt(plain.data(), meshed.data(), plain.size());

  Bytes composed(plain.size());
  for (size_t offset = 0; offset < plain.size(); offset += 1024) {
    if (offset > 0) {
      iv.assign(&composed[offset - 8], &composed[offset]);
      CryptoProKeyMeshing(SBoxSet::CryptoProA, key.data(), iv.data());
    }
    const size_t n = std::min<size_t>(1024, plain.size() - offset);
    Gost28147Cfb(SBoxSet::CryptoProA, key.data(), iv.data())
        .Encrypt(&plain[offset], &composed[offset], n);
  }
  EXPECT_EQ(Hex(meshed), Hex(composed));
}

TEST(Gost28147Test, MacDependsOnEveryBlockAndIv) {
  std::mt19937 rng(13);
  const Bytes key = Random(rng, 32), iv = Random(rng, 8);
  Bytes data = Random(rng, 40);
  auto mac_of = [&](const Bytes& message, const uint8_t* start) {
    Gost28147Mac mac(SBoxSet::CryptoProA, key.data(), start);
    mac.Update(message.data(), message.size());
    Bytes out(4);
    mac.Final(out.data());
    return out;
  };
  const Bytes base = mac_of(data, nullptr);
  EXPECT_NE(mac_of(data, iv.data()), base);
  for (size_t i = 0; i < data.size(); i += 8) {
    Bytes changed = data;
    changed[i] ^= 1;
    EXPECT_NE(mac_of(changed, nullptr), base) << i;
  }
  // One block alone is followed by a zero block, so it equals that block and eight zeros.
  const Bytes one(data.begin(), data.begin() + 8);
  Bytes two = one;
  two.resize(16, 0);
  EXPECT_EQ(mac_of(one, nullptr), mac_of(two, nullptr));
}

}  // namespace
}  // namespace gost
