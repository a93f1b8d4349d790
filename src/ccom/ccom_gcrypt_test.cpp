// The provider's key formats and derived keys recomputed with libgcrypt, an independent
// implementation of GOST 28147-89, R 34.11-94 and PBKDF2: what the provider stores can be read
// by anyone who follows the documented layout.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cipher_context.h"
#include "container.h"
#include "gostr3410_2001.h"
#include "params.h"
#include "pin_verifier.h"

namespace ccom {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr const char* kSetA = "1.2.643.2.2.31.1";

class GcryptOracle : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gcry_check_version(GCRYPT_VERSION)); }

  static Bytes Cipher(int algo, int mode, bool encrypt, const Bytes& key, const Bytes& iv,
                      const Bytes& in, const char* set = kSetA) {
    gcry_cipher_hd_t hd;
    EXPECT_EQ(gcry_cipher_open(&hd, algo, mode, 0), 0u);
    EXPECT_EQ(gcry_cipher_setkey(hd, key.data(), key.size()), 0u);
    EXPECT_EQ(gcry_cipher_ctl(hd, GCRYCTL_SET_SBOX, const_cast<char*>(set), 0), 0u);
    if (!iv.empty()) {
      EXPECT_EQ(gcry_cipher_setiv(hd, iv.data(), iv.size()), 0u);
    }
    Bytes out(in.size());
    const auto run = encrypt ? gcry_cipher_encrypt : gcry_cipher_decrypt;
    EXPECT_EQ(run(hd, out.data(), out.size(), in.data(), in.size()), 0u);
    gcry_cipher_close(hd);
    return out;
  }

  static Bytes Imit(const Bytes& key, const Bytes& iv, const Bytes& data) {
    gcry_mac_hd_t hd;
    EXPECT_EQ(gcry_mac_open(&hd, GCRY_MAC_GOST28147_IMIT, 0, nullptr), 0u);
    EXPECT_EQ(gcry_mac_setkey(hd, key.data(), key.size()), 0u);
    EXPECT_EQ(gcry_mac_ctl(hd, GCRYCTL_SET_SBOX, const_cast<char*>(kSetA), 0), 0u);
    if (!iv.empty()) {
      EXPECT_EQ(gcry_mac_setiv(hd, iv.data(), iv.size()), 0u);
    }
    EXPECT_EQ(gcry_mac_write(hd, data.data(), data.size()), 0u);
    Bytes mac(4);
    size_t size = mac.size();
    EXPECT_EQ(gcry_mac_read(hd, mac.data(), &size), 0u);
    gcry_mac_close(hd);
    return mac;
  }

  static Bytes Hash(const Bytes& data) {
    Bytes digest(32);
    gcry_md_hash_buffer(GCRY_MD_GOSTR3411_CP, digest.data(), data.data(), data.size());
    return digest;
  }

  // The diversification of RFC 4357, 6.5, written from its text over libgcrypt's CFB.
  static Bytes Diversify(Bytes key, const uint8_t* ukm) {
    for (int i = 0; i < 8; ++i) {
      uint32_t sums[2] = {0, 0};
      for (int j = 0; j < 8; ++j) {
        uint32_t word;
        std::memcpy(&word, key.data() + 4 * j, 4);  // little-endian hosts only
        sums[(ukm[i] >> j & 1) ? 0 : 1] += word;
      }
      Bytes start(8);
      std::memcpy(start.data(), sums, 8);
      key = Cipher(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, true, key, start, key);
    }
    return key;
  }

  // The key wrapped in a 36-byte key; empty when its MAC does not verify.
  static Bytes Unwrap(const Bytes& wrappingKey, const uint8_t* ukm, const uint8_t* wrapped) {
    const Bytes key = Cipher(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, false, wrappingKey, {},
                             Bytes(wrapped, wrapped + 32));
    if (Imit(wrappingKey, Bytes(ukm, ukm + 8), key) != Bytes(wrapped + 32, wrapped + 36)) return {};
    return key;
  }

  Bytes RandomBytes(size_t size) {
    Bytes out(size);
    for (auto& byte : out) byte = static_cast<uint8_t>(rng_());
    return out;
  }
  std::mt19937 rng_{8};
};

void Entropy(uint8_t* out, size_t size) {
  static uint8_t counter = 0;
  for (size_t i = 0; i < size; ++i) out[i] = ++counter;
}

// A private key generated through a container is recovered from the stored parts and the
// 36-byte secret key by following the layout alone.
TEST_F(GcryptOracle, ContainerLayoutAndSecretKeysFollowTheirDescription) {
  RandomGenerator random(&Entropy);
  random.Seed(nullptr, 0);
  for (int round = 0; round < 3; ++round) {
    const Bytes state = RandomBytes(32);
    const auto container = Container::Create(random, state.data());
    Bytes parts[4];
    for (ContainerPart part : kContainerParts) {
      parts[static_cast<int>(part)].resize(PartSize(part));
      container->WritePart(part, parts[static_cast<int>(part)].data());
    }
    const Bytes& master = parts[3];
    const uint8_t* ukm = master.data() + 8;
    Bytes mk(32);
    const Bytes maskDigest = Hash(parts[1]);
    for (int i = 0; i < 32; ++i) mk[i] = master[16 + i] ^ maskDigest[i];
    EXPECT_EQ(Imit(mk, Bytes(ukm, ukm + 8), Bytes(master.begin(), master.begin() + 48)),
              Bytes(master.begin() + 48, master.begin() + 52));

    const Bytes kek = Unwrap(Diversify(mk, ukm), ukm, parts[0].data());
    ASSERT_EQ(kek.size(), 32u);
    uint8_t inverted[8];
    for (int i = 0; i < 8; ++i) inverted[i] = static_cast<uint8_t>(~ukm[i]);
    EXPECT_EQ(Unwrap(Diversify(mk, inverted), ukm, parts[2].data()), state);

    const Bytes privateKey = RandomBytes(32);
    uint8_t secretKey[36];
    container->WrapPrivateKey(privateKey.data(), secretKey);
    EXPECT_EQ(Unwrap(Diversify(kek, ukm), ukm, secretKey), privateKey);
  }
}

// The provider's diversification on its own, over random keys and UKMs.
TEST_F(GcryptOracle, KeyDiversificationMatches) {
  for (int round = 0; round < 20; ++round) {
    const Bytes key = RandomBytes(32), ukm = RandomBytes(8);
    Bytes ours(32);
    DiversifyKey(gost::SBoxSet::CryptoProA, key.data(), ukm.data(), ours.data());
    EXPECT_EQ(ours, Diversify(key, ukm.data()));
  }
}

TEST_F(GcryptOracle, PinVerifierIsPbkdf2WithHmacGostR3411) {
  const struct {
    std::string password;
    size_t saltSize;
    unsigned iterations;
    size_t outSize;
  } cases[] = {{"1234", 16, 1, 32},
               {"1234", 16, 2000, 32},
               {"", 8, 3, 20},
               {std::string(40, 'p'), 16, 5, 32},
               {"пароль", 1, 7, 70}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    const Bytes salt = RandomBytes(c.saltSize);
    Bytes expected(c.outSize), ours(c.outSize);
    ASSERT_EQ(
        gcry_kdf_derive(c.password.data(), c.password.size(), GCRY_KDF_PBKDF2, GCRY_MD_GOSTR3411_CP,
                        salt.data(), salt.size(), c.iterations, expected.size(), expected.data()),
        0u);
    Pbkdf2GostR3411(reinterpret_cast<const uint8_t*>(c.password.data()), c.password.size(),
                    salt.data(), salt.size(), c.iterations, ours.data(), ours.size());
    EXPECT_EQ(ours, expected);
  }
}

// CBC, simple substitution and CFB with key meshing, in uneven pieces, under every cipher set.
TEST_F(GcryptOracle, CipherContextModes) {
  const struct {
    CipherContext::Mode mode;
    int algo, gcryptMode;
    size_t step;
  } modes[] = {
      {CipherContext::Mode::Cbc, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CBC, 8},
      {CipherContext::Mode::SimpleSubstitution, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, 8},
      {CipherContext::Mode::GammaFeedbackMeshed, GCRY_CIPHER_GOST28147_MESH, GCRY_CIPHER_MODE_CFB,
       7},
  };
  const struct {
    int nid;
    const char* oid;
  } sets[] = {{30, "1.2.643.2.2.31.0"},
              {31, "1.2.643.2.2.31.1"},
              {32, "1.2.643.2.2.31.2"},
              {33, "1.2.643.2.2.31.3"},
              {34, "1.2.643.2.2.31.4"}};
  for (const auto& m : modes) {
    for (const auto& s : sets) {
      if (m.mode == CipherContext::Mode::GammaFeedbackMeshed && s.nid == 30) continue;
      SCOPED_TRACE(::testing::Message() << "mode " << static_cast<int>(m.mode) << " set " << s.nid);
      const Bytes key = RandomBytes(32), iv = RandomBytes(8), plain = RandomBytes(3000 - 3000 % 8);
      for (bool encrypt : {true, false}) {
        CipherContext context;
        context.Init(m.mode, encrypt, key.data(), iv.data(), *CipherSetOfNid(s.nid));
        Bytes ours(plain.size());
        for (size_t at = 0, piece = m.step; at < plain.size(); at += piece, piece += m.step)
          context.Process(plain.data() + at, ours.data() + at, std::min(piece, plain.size() - at));
        const Bytes gcryptIv = m.mode == CipherContext::Mode::SimpleSubstitution ? Bytes() : iv;
        EXPECT_EQ(ours, Cipher(m.algo, m.gcryptMode, encrypt, key, gcryptIv, plain, s.oid));
      }
    }
  }
}

}  // namespace
}  // namespace ccom
