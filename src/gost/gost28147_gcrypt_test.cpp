// GOST 28147-89 against libgcrypt, used as an independent oracle.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gost28147.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gost28147_rounds.h"

namespace gost {
namespace {

using Bytes = std::vector<uint8_t>;

struct NamedSet {
  SBoxSet set;
  const char* oid;
};

constexpr NamedSet kSets[] = {
    {SBoxSet::Test, "1.2.643.2.2.30.0"},       {SBoxSet::CipherTest, "1.2.643.2.2.31.0"},
    {SBoxSet::CryptoProA, "1.2.643.2.2.31.1"}, {SBoxSet::CryptoProB, "1.2.643.2.2.31.2"},
    {SBoxSet::CryptoProC, "1.2.643.2.2.31.3"}, {SBoxSet::CryptoProD, "1.2.643.2.2.31.4"},
    {SBoxSet::CryptoProHash, "1.2.643.2.2.30.1"},
};

class Gost28147GcryptTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gcry_check_version(GCRYPT_VERSION)); }

  Bytes Random(size_t size) {
    Bytes out(size);
    for (auto& byte : out) byte = static_cast<uint8_t>(rng_());
    return out;
  }

  // A libgcrypt cipher handle with the key and the S-box set given.
  struct Cipher {
    Cipher(int algo, int mode, const NamedSet& set, const Bytes& key, const Bytes* iv = nullptr) {
      EXPECT_EQ(gcry_cipher_open(&hd, algo, mode, 0), 0u);
      EXPECT_EQ(gcry_cipher_setkey(hd, key.data(), key.size()), 0u);
      EXPECT_EQ(gcry_cipher_ctl(hd, GCRYCTL_SET_SBOX, const_cast<char*>(set.oid), 0), 0u);
      if (iv) {
        EXPECT_EQ(gcry_cipher_setiv(hd, iv->data(), iv->size()), 0u);
      }
    }
    ~Cipher() { gcry_cipher_close(hd); }
    Bytes Encrypt(const Bytes& in) {
      Bytes out(in.size());
      EXPECT_EQ(gcry_cipher_encrypt(hd, out.data(), out.size(), in.data(), in.size()), 0u);
      return out;
    }
    Bytes Decrypt(const Bytes& in) {
      Bytes out(in.size());
      EXPECT_EQ(gcry_cipher_decrypt(hd, out.data(), out.size(), in.data(), in.size()), 0u);
      return out;
    }
    gcry_cipher_hd_t hd;
  };

  std::mt19937 rng_{2024};
};

TEST_F(Gost28147GcryptTest, EcbEverySet) {
  for (const auto& set : kSets) {
    for (int round = 0; round < 20; ++round) {
      const Bytes key = Random(32), plain = Random(8 * (1 + rng_() % 40));
      Cipher oracle(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, set, key);
      const Gost28147 ours(set.set, key.data());
      Bytes out(plain.size()), back(plain.size());
      ASSERT_TRUE(ours.Encrypt(plain.data(), out.data(), plain.size() / 8));
      ASSERT_TRUE(ours.Decrypt(plain.data(), back.data(), plain.size() / 8));
      EXPECT_EQ(out, oracle.Encrypt(plain)) << set.oid;
      EXPECT_EQ(back, oracle.Decrypt(plain)) << set.oid;
    }
  }
}

TEST_F(Gost28147GcryptTest, CfbEverySet) {
  for (const auto& set : kSets) {
    for (int round = 0; round < 20; ++round) {
      const Bytes key = Random(32), iv = Random(8), plain = Random(rng_() % 3000);
      Bytes out(plain.size()), back(plain.size());
      ASSERT_TRUE(Gost28147Cfb(set.set, key.data(), iv.data())
                      .Encrypt(plain.data(), out.data(), plain.size()));
      ASSERT_TRUE(Gost28147Cfb(set.set, key.data(), iv.data())
                      .Decrypt(plain.data(), back.data(), plain.size()));
      EXPECT_EQ(out, Cipher(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, set, key, &iv).Encrypt(plain));
      EXPECT_EQ(back, Cipher(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, set, key, &iv).Decrypt(plain));
    }
  }
}

TEST_F(Gost28147GcryptTest, CfbWithKeyMeshingInPieces) {
  const NamedSet& a = kSets[2];
  for (int round = 0; round < 30; ++round) {
    const Bytes key = Random(32), iv = Random(8), plain = Random(rng_() % 6000);
    Gost28147Cfb encrypt(a.set, key.data(), iv.data(), Gost28147Cfb::Meshing::CryptoPro);
    Gost28147Cfb decrypt(a.set, key.data(), iv.data(), Gost28147Cfb::Meshing::CryptoPro);
    Bytes out(plain.size()), back(plain.size());
    for (size_t done = 0; done < plain.size();) {
      const size_t n = std::min<size_t>(plain.size() - done, rng_() % 1500);
      ASSERT_TRUE(encrypt.Encrypt(&plain[done], &out[done], n));
      ASSERT_TRUE(decrypt.Decrypt(&plain[done], &back[done], n));
      done += n;
    }
    EXPECT_EQ(out, Cipher(GCRY_CIPHER_GOST28147_MESH, GCRY_CIPHER_MODE_CFB, a, key, &iv).Encrypt(plain));
    EXPECT_EQ(back, Cipher(GCRY_CIPHER_GOST28147_MESH, GCRY_CIPHER_MODE_CFB, a, key, &iv).Decrypt(plain));
  }
}

// libgcrypt has no gamma mode: the counter steps are taken here and each counter is encrypted
// by libgcrypt's ECB.
TEST_F(Gost28147GcryptTest, GammaMatchesCountersThroughLibgcryptEcb) {
  for (const auto& set : kSets) {
    for (int round = 0; round < 10; ++round) {
      const Bytes key = Random(32), plain = Random(rng_() % 2000);
      Cipher ecb(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, set, key);
      Bytes iv = Random(8);
      if (round == 0) {
        // N4 + C1 = 2^32 - 1 on the first step: the adder keeps 0xffffffff.
        Bytes start = Random(8);
        detail::Store32(&start[4], 0xffffffffu - 0x01010104);
        iv = ecb.Decrypt(start);
      }
      const Bytes start = ecb.Encrypt(iv);
      uint32_t n3 = detail::Load32(&start[0]), n4 = detail::Load32(&start[4]);
      Bytes expected(plain.size());
      for (size_t offset = 0; offset < plain.size(); offset += 8) {
        n3 += 0x01010101;
        // Addition modulo 2^32 - 1 as the standard's adder does it: a carry out adds one.
        const uint64_t sum = uint64_t{n4} + 0x01010104;
        n4 = static_cast<uint32_t>(sum >= (uint64_t{1} << 32) ? sum - 0xffffffffu : sum);
        Bytes counter(8);
        detail::Store32(&counter[0], n3);
        detail::Store32(&counter[4], n4);
        const Bytes gamma = ecb.Encrypt(counter);
        for (size_t i = offset; i < plain.size() && i < offset + 8; ++i) {
          expected[i] = plain[i] ^ gamma[i - offset];
        }
      }
      Bytes out(plain.size());
      ASSERT_TRUE(
          Gost28147Gamma(set.set, key.data(), iv.data()).Apply(plain.data(), out.data(), plain.size()));
      EXPECT_EQ(out, expected) << set.oid;
    }
  }
}

TEST_F(Gost28147GcryptTest, MacMatchesImitation) {
  for (int round = 0; round < 200; ++round) {
    const Bytes key = Random(32), iv = Random(8), data = Random(rng_() % 2100);
    const bool with_iv = round % 2;
    gcry_mac_hd_t hd;
    ASSERT_EQ(gcry_mac_open(&hd, GCRY_MAC_GOST28147_IMIT, 0, nullptr), 0u);
    ASSERT_EQ(gcry_mac_setkey(hd, key.data(), key.size()), 0u);
    if (with_iv) {
      ASSERT_EQ(gcry_mac_setiv(hd, iv.data(), iv.size()), 0u);
    }
    ASSERT_EQ(gcry_mac_write(hd, data.data(), data.size()), 0u);
    Bytes expected(4);
    size_t size = expected.size();
    ASSERT_EQ(gcry_mac_read(hd, expected.data(), &size), 0u);
    gcry_mac_close(hd);

    Gost28147Mac mac(SBoxSet::CryptoProA, key.data(), with_iv ? iv.data() : nullptr);
    ASSERT_TRUE(mac.Update(data.data(), data.size()));
    Bytes out(4);
    ASSERT_TRUE(mac.Final(out.data()));
    EXPECT_EQ(out, expected) << data.size();
  }
}

// The public meshing function against its definition through libgcrypt's ECB: the key becomes
// the decryption of the constant, then the IV is encrypted under the new key.
TEST_F(Gost28147GcryptTest, KeyMeshingMatchesItsDefinition) {
  static const Bytes kMeshing = {0x69, 0x00, 0x72, 0x22, 0x64, 0xC9, 0x04, 0x23, 0x8D, 0x3A, 0xDB,
                                 0x96, 0x46, 0xE9, 0x2A, 0xC4, 0x18, 0xFE, 0xAC, 0x94, 0x00, 0xED,
                                 0x07, 0x12, 0xC0, 0x86, 0xDC, 0xC2, 0xEF, 0x4C, 0xA9, 0x2B};
  for (int round = 0; round < 20; ++round) {
    Bytes key = Random(32), iv = Random(8);
    const Bytes new_key = Cipher(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, kSets[2], key).Decrypt(kMeshing);
    const Bytes new_iv = Cipher(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, kSets[2], new_key).Encrypt(iv);
    ASSERT_TRUE(CryptoProKeyMeshing(SBoxSet::CryptoProA, key.data(), iv.data()));
    EXPECT_EQ(key, new_key);
    EXPECT_EQ(iv, new_iv);
  }
}

}  // namespace
}  // namespace gost
