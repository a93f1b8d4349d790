// The entry points no road of the kit takes, hostile arguments to the ones it does, and
// several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gost28147.h"
#include "gost28147_modes.h"
#include "testing/provider_host.h"

namespace ccom_test {
namespace {

using Bytes = std::vector<uint8_t>;

class EntryPoints : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(container_.Open(host_.Path("keys"), true), 1) << host_.LastError();
    int secretLength = 36, publicLength = 65;
    ASSERT_EQ(Api().ECGOST_generate_key(container_.Pse(), 11, secretKey_, &secretLength, publicKey_,
                                        &publicLength),
              1);
  }
  const ccm3x::EntryPoints& Api() const { return host_.Api(); }
  ProviderHost host_;
  Container container_{host_};
  uint8_t secretKey_[36];
  uint8_t publicKey_[65];
};

// Every entry point of the families this provider does not implement fails with code 30 and
// says which call it was.
TEST_F(EntryPoints, UnsupportedOnesFailWithCode30) {
  const auto& a = Api();
  unsigned char buffer[300] = {};
  int length = sizeof buffer;
  const struct {
    const char* name;
    std::function<bool()> failed;
  } calls[] = {
      {"GOSTS_SIGN_new", [&] { return a.GOSTS_SIGN_new() == nullptr; }},
      {"GOSTS_generate_key",
       [&] {
         return a.GOSTS_generate_key(container_.Pse(), 11, buffer, &length, buffer, &length) == 0;
       }},
      {"GOSTS_sign_digest",
       [&] {
         return a.GOSTS_sign_digest(container_.Pse(), 11, buffer, buffer, buffer, &length) == 0;
       }},
      {"GOSTS_verify_digest",
       [&] { return a.GOSTS_verify_digest(11, buffer, 128, buffer, buffer, 64) == 0; }},
      {"GOSTS_DH_new", [&] { return a.GOSTS_DH_new(11) == nullptr; }},
      {"GOSTS_EG_compute_key",
       [&] {
         return a.GOSTS_EG_compute_key(nullptr, 11, buffer, buffer, 128, buffer, &length) == 0;
       }},
      {"GOSTS_get_p_parameter", [&] { return a.GOSTS_get_p_parameter(11, buffer, &length) == 0; }},
      {"GOSTS_get_test_q_parameter",
       [&] { return a.GOSTS_get_test_q_parameter(buffer, &length) == 0; }},
      {"GOSTS_get_dh_a_parameter",
       [&] { return a.GOSTS_get_dh_a_parameter(11, buffer, &length) == 0; }},
      {"CP_R3410_get_q_parameter",
       [&] { return a.CP_R3410_get_q_parameter(11, buffer, &length) == 0; }},
      {"CP_GOSTE_mac_init", [&] { return a.CP_GOSTE_mac_init(nullptr, buffer, 31) == 0; }},
      {"PSE_rand_init_hardware", [&] { return a.PSE_rand_init_hardware(1) == 0; }},
      {"PSE_pseudo_rand_init_hardware", [&] { return a.PSE_pseudo_rand_init_hardware(1) == 0; }},
      {"PSE_CTX_set_passwd", [&] { return a.PSE_CTX_set_passwd(container_.Ctx(), "x", 1) == 0; }},
      {"PSE_CTX_set_passwd_callback",
       [&] { return a.PSE_CTX_set_passwd_callback(container_.Ctx(), nullptr) == 0; }},
      {"PSE_CTX_set_masks_num", [&] { return a.PSE_CTX_set_masks_num(container_.Ctx(), 8) == 0; }},
      {"TOUCH_MEMORY_set_info_callback",
       [&] { return a.TOUCH_MEMORY_set_info_callback(nullptr, nullptr) == 0; }},
  };
  for (const auto& call : calls) {
    SCOPED_TRACE(call.name);
    a.ERR_set_last_error(0);
    EXPECT_TRUE(call.failed());
    EXPECT_EQ(host_.LastCode(), 30);
    EXPECT_EQ(host_.LastError().find(std::string("30: ") + call.name + ": "), 0u)
        << host_.LastError();
  }
  EXPECT_EQ(a.PSE_get_hwrand_type(), 0);
  EXPECT_EQ(a.PSE_CTX_set_masks_num(container_.Ctx(), 7), 1);
}

// The ones that work, against the GOST library.
TEST_F(EntryPoints, TheOtherCipherCallsWork) {
  const auto& a = Api();
  const Bytes iv = {1, 2, 3, 4, 5, 6, 7, 8};
  Bytes key(32);
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 29 + 3);
  Bytes plain(2048 + 16);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i);
  GOSTE_CTX* ctx = a.GOSTE_new();
  const auto through = [&](auto&& init, auto&& update, size_t step) {
    EXPECT_EQ(init(), 1) << host_.LastError();
    Bytes out(plain.size());
    for (size_t at = 0; at < plain.size(); at += step)
      EXPECT_EQ(update(plain.data() + at, out.data() + at, static_cast<int>(step)),
                static_cast<int>(step));
    return out;
  };

  // CBC: each block is the encryption of itself XOR the previous ciphertext.
  const Bytes cbc =
      through([&] { return a.GOSTE_cbc_init(ctx, 1, key.data(), iv.data(), 31); },
              [&](auto* in, auto* out, int n) { return a.GOSTE_cbc_update(ctx, in, out, n); }, 16);
  const gost::Gost28147 ecb(gost::SBoxSet::CryptoProA, key.data());
  uint8_t chain[8];
  std::memcpy(chain, iv.data(), 8);
  for (size_t at = 0; at < plain.size(); at += 8) {
    for (int i = 0; i < 8; ++i) chain[i] ^= plain[at + i];
    ASSERT_TRUE(ecb.Encrypt(chain, chain, 1));
    ASSERT_EQ(0, std::memcmp(chain, cbc.data() + at, 8)) << at;
  }
  Bytes back(8);
  EXPECT_EQ(a.GOSTE_cbc_init(ctx, 0, key.data(), iv.data(), 31), 1);
  EXPECT_EQ(a._GOSTE_cbc_update(ctx, cbc.data(), back.data()), 8);
  EXPECT_EQ(back, Bytes(plain.begin(), plain.begin() + 8));

  // CFB with CryptoPro key meshing across its 1024-byte boundaries, in uneven pieces.
  const Bytes meshed = through(
      [&] { return a.CP_GOSTE_gamma_fb_init(ctx, key.data(), iv.data(), 31); },
      [&](auto* in, auto* out, int n) { return a.CP_GOSTE_gamma_fb_encrypt(ctx, in, out, n); },
      1032);
  Bytes expected(plain.size());
  ASSERT_TRUE(gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, key.data(), iv.data(),
                                 gost::Gost28147Cfb::Meshing::CryptoPro)
                  .Encrypt(plain.data(), expected.data(), plain.size()));
  EXPECT_EQ(meshed, expected);
  EXPECT_EQ(a.CP_GOSTE_gamma_fb_init(ctx, key.data(), iv.data(), 31), 1);
  EXPECT_EQ(a.CP_GOSTE_gamma_fb_decrypt(ctx, meshed.data(), back.data(), 8), 8);
  EXPECT_EQ(back, Bytes(plain.begin(), plain.begin() + 8));
  EXPECT_EQ(a.GOSTE_gamma_update(ctx, plain.data(), back.data(), 8), -1);
  EXPECT_EQ(host_.LastCode(), 10);

  // Another S-box set through its table.
  unsigned char table[128];
  EXPECT_EQ(a.CP_GOSTE_get_sbox_C(table), 1);
  EXPECT_EQ(a.CP_GOSTE_sbox2nid(table), 33);
  EXPECT_EQ(0, std::memcmp(a.GOSTE_nid2sbox(33), table, 128));
  EXPECT_EQ(a.GOSTE_simple_subst_init(ctx, 1, key.data(), 31), 1);
  EXPECT_EQ(a.CP_GOSTE_set_sbox(ctx, table), 1);
  EXPECT_EQ(a._GOSTE_simple_subst_update(ctx, plain.data(), back.data()), 8);
  Bytes expectedBlock(8);
  ASSERT_TRUE(gost::Gost28147(gost::SBoxSet::CryptoProC, key.data())
                  .Encrypt(plain.data(), expectedBlock.data(), 1));
  EXPECT_EQ(back, expectedBlock);
  EXPECT_EQ(a.GOSTE_get_sbox(ctx, table), 1);
  EXPECT_EQ(a.CP_GOSTE_sbox2nid(table), 33);
  table[0] ^= 1;
  EXPECT_EQ(a.CP_GOSTE_set_sbox(ctx, table), 0);
  EXPECT_EQ(host_.LastCode(), 30);
  a.GOSTE_free(ctx);

  // Key meshing as the library does it; diversification changes the key and depends on the UKM.
  Bytes meshKey = key, meshIv = iv, libraryKey = key, libraryIv = iv;
  EXPECT_EQ(a.CP_GOSTE_key_mesh(meshKey.data(), meshIv.data(), 31), 1);
  ASSERT_TRUE(
      gost::CryptoProKeyMeshing(gost::SBoxSet::CryptoProA, libraryKey.data(), libraryIv.data()));
  EXPECT_EQ(meshKey, libraryKey);
  EXPECT_EQ(meshIv, libraryIv);
  Bytes one(32), two(32);
  const uint8_t ukm1[8] = {1}, ukm2[8] = {2};
  EXPECT_EQ(a.CP_GOSTE_key_diversify(key.data(), ukm1, one.data(), 31), 1);
  EXPECT_EQ(a.CP_GOSTE_key_diversify(key.data(), ukm2, two.data(), 31), 1);
  EXPECT_NE(one, two);
  EXPECT_NE(one, key);

  uint8_t mac[4], again[4];
  EXPECT_EQ(a.GOSTE_mac(key.data(), 31, plain.data(), 100, mac, 4), 4);
  ctx = a.GOSTE_new();
  EXPECT_EQ(a.GOSTE_mac_init_ex(ctx, key.data(), Bytes(8, 0).data(), 31), 1);
  EXPECT_EQ(a.GOSTE_mac_update(ctx, plain.data(), 100), 100);
  EXPECT_EQ(a.GOSTE_mac_final(ctx, again, 4), 4);
  EXPECT_EQ(0, std::memcmp(mac, again, 4));
  a.GOSTE_free(ctx);
}

TEST_F(EntryPoints, SelfTestsTextsAndSecretKeysTakenApart) {
  const auto& a = Api();
  EXPECT_EQ(a.GOSTH_check(), 1);
  EXPECT_EQ(a.CCLIB_check_environment(), 1);
  EXPECT_NE(std::string(a.CCLIB_get_copyright()).find("GOST R 34.10-2001"), std::string::npos);
  EXPECT_EQ(std::string(a.CCLIB_get_lastupdate()), KIT_VERSION_TEXT);
  unsigned char bytes[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(a.CCLIB_invert(bytes, 5), 1);
  EXPECT_EQ(bytes[0], 5);
  EXPECT_EQ(bytes[4], 1);

  OPAQUE_PRIV_KEY* opaque = a.OPAQUE_PRIV_KEY_new(secretKey_, 36);
  uint8_t scalar[32], mac[4];
  int scalarLength = 32, macLength = 3;
  EXPECT_EQ(a.OPAQUE_PRIV_KEY_get_priv_key(opaque, scalar, &scalarLength), 1);
  EXPECT_EQ(0, std::memcmp(scalar, secretKey_, 32));
  EXPECT_EQ(a.OPAQUE_PRIV_KEY_get_mac(opaque, mac, &macLength), 0);
  macLength = 4;
  EXPECT_EQ(a.OPAQUE_PRIV_KEY_get_mac(opaque, mac, &macLength), 1);
  EXPECT_EQ(0, std::memcmp(mac, secretKey_ + 32, 4));
  a.OPAQUE_PRIV_KEY_free(opaque);
  EXPECT_EQ(a.OPAQUE_PRIV_KEY_new(secretKey_, 35), nullptr);

  // A new master key keeps the secret keys; a new key-encryption key does not.
  uint8_t derived[65];
  int length = 65;
  EXPECT_EQ(a.PSE_generate_mkey(container_.Pse()), 1);
  EXPECT_EQ(a.ECGOST_generate_public_key(container_.Pse(), 11, secretKey_, derived, &length, 0), 1);
  EXPECT_EQ(a.PSE_generate_kek(container_.Pse()), 1);
  EXPECT_EQ(a.ECGOST_generate_public_key(container_.Pse(), 11, secretKey_, derived, &length, 0), 0);
  EXPECT_EQ(host_.LastCode(), 19);
  EXPECT_EQ(a.PSE_rand_save_state(container_.Pse()), 1);

  // Errors are printed where asked, and forgotten on request.
  const std::string file = host_.Path("errors.txt");
  EXPECT_EQ(a.ERR_print_errors_file(file.c_str()), 1);
  a.ERR_remove_state(0);
  EXPECT_EQ(host_.LastCode(), 0);
  EXPECT_EQ(a.ERR_get_errors(), nullptr);
}

// Hostile arguments give a code, never a crash.
TEST_F(EntryPoints, HostileArgumentsAreRefused) {
  const auto& a = Api();
  uint8_t point[65], digest[32] = {1}, signature[64] = {}, shared[32], buffer[64];
  int length = 65;
  std::memcpy(point, publicKey_, 65);
  point[64] ^= 1;  // off the curve
  uint8_t infinity[65] = {4};
  uint8_t beyond[65];
  std::memset(beyond, 0xff, 65);
  beyond[0] = 4;  // coordinates above p
  ECGOST_SIGN* freed = a.ECGOST_SIGN_new();
  a.ECGOST_SIGN_free(freed);
  // A new object ready to take data may reuse the freed one's memory: the freed handle must
  // still name nothing.
  ECGOST_SIGN* successor = a.ECGOST_SIGN_new();
  ASSERT_EQ(a.ECGOST_verify_init(successor, 11, nullptr, 21, publicKey_), 1);
  uint8_t garbage[36];
  std::memset(garbage, 0x33, sizeof garbage);
  ECGOST_DH* dh = a.ECGOST_DH_new(11);
  ASSERT_EQ(a.ECGOST_DH_generate_key(dh, nullptr, nullptr, buffer, &length), 1);
  int sharedLength = 32;
  const struct {
    const char* what;
    std::function<int()> call;
    int failure;
    int code;
  } calls[] = {
      {"off-curve public key",
       [&] { return a.ECGOST_verify_digest(11, point, digest, signature, 64); }, 0, 17},
      {"point at infinity",
       [&] { return a.ECGOST_verify_digest(11, infinity, digest, signature, 64); }, 0, 17},
      {"coordinates above p",
       [&] { return a.ECGOST_verify_digest(11, beyond, digest, signature, 64); }, 0, 17},
      {"zero signature",
       [&] { return a.ECGOST_verify_digest(11, publicKey_, digest, signature, 64); }, 0, 7},
      {"short signature",
       [&] { return a.ECGOST_verify_digest(11, publicKey_, digest, signature, 63); }, 0, 7},
      {"unknown curve",
       [&] { return a.ECGOST_verify_digest(12, publicKey_, digest, signature, 64); }, 0, 13},
      {"null digest",
       [&] { return a.ECGOST_verify_digest(11, publicKey_, nullptr, signature, 64); }, 0, 1},
      {"off-curve peer",
       [&] { return a.ECGOST_DH_compute_key(dh, point, 65, shared, &sharedLength); }, 0, 17},
      {"short peer",
       [&] { return a.ECGOST_DH_compute_key(dh, publicKey_, 64, shared, &sharedLength); }, 0, 17},
      {"freed handle", [&] { return a.ECGOST_update(freed, digest, 32); }, -1, 1},
      {"foreign handle",
       [&] { return a.ECGOST_SIGN_clean(reinterpret_cast<ECGOST_SIGN*>(digest)); }, 0, 1},
      {"garbage secret key",
       [&] {
         return a.ECGOST_generate_public_key(container_.Pse(), 11, garbage, point, &length, 0);
       },
       0, 19},
      {"foreign container",
       [&] {
         return a.ECGOST_sign_digest(reinterpret_cast<PSE*>(buffer), 11, secretKey_, digest,
                                     signature, &length);
       },
       0, 1},
      {"small signature buffer",
       [&] {
         int small = 63;
         return a.ECGOST_sign_digest(container_.Pse(), 11, secretKey_, digest, signature, &small);
       },
       0, 1},
      {"negative length", [&] { return a.GOSTH(digest, -5, 21, buffer); }, 0, 1},
      {"negative write", [&] { return a.CADB_write_file(host_.Path("x").c_str(), digest, -1); }, -1,
       1},
      {"null path", [&] { return a.CADB_read_file(nullptr, buffer, 64); }, -1, 1},
      {"absent file", [&] { return a.CADB_read_file(host_.Path("absent").c_str(), buffer, 64); },
       -1, 25},
      {"short container part", [&] { return a.PSE_CTX_set_kek(container_.Ctx(), garbage, 35); }, 0,
       1},
      {"unknown access mode", [&] { return a.CADB_access(host_.Path("keys").c_str(), 3); }, 0, 1},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.what);
    a.ERR_set_last_error(0);
    EXPECT_EQ(c.call(), c.failure);
    EXPECT_EQ(host_.LastCode(), c.code) << host_.LastError();
  }
  EXPECT_EQ(a.ECGOST_update(successor, digest, 32), 32);
  a.ECGOST_SIGN_free(successor);
  a.ECGOST_DH_free(dh);
  // A copy whose parts do not belong together is refused.
  Container copy(host_);
  unsigned char part[262];
  int partLength = 262;
  ASSERT_EQ(a.PSE_CTX_get_mkey(container_.Ctx(), part, &partLength), 1);
  part[20] ^= 1;
  ASSERT_EQ(container_.CopyInto(copy), 1);
  EXPECT_EQ(a.PSE_CTX_set_mkey(copy.Ctx(), part, partLength), 1);
  EXPECT_EQ(a.PSE_CTX_read(copy.Ctx()), 0);
  EXPECT_EQ(host_.LastCode(), 5);
}

// Each thread signs with its own copy of one container and keeps its own last error.
TEST_F(EntryPoints, ThreadsKeepTheirOwnContextsAndErrors) {
  const auto& a = Api();
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      Container copy(host_);
      if (container_.CopyInto(copy) != 1) return;
      for (int i = 0; i < 10; ++i) {
        uint8_t digest[32] = {static_cast<uint8_t>(t), static_cast<uint8_t>(i)}, signature[64];
        int length = 64;
        if (a.ECGOST_sign_digest(copy.Pse(), 11, secretKey_, digest, signature, &length) == 1 &&
            a.ECGOST_verify_digest(11, publicKey_, digest, signature, 64) == 1)
          ++good;
        // A failure of this thread's own, which no other thread sees.
        a.ECGOST_verify_digest(11 + t + 1, publicKey_, digest, signature, 64);
        if (a.ERR_get_last_error() != 13) return;
        a.ERR_set_last_error(100 + t);
        std::this_thread::yield();
        if (a.ERR_get_last_error() != 100 + t) return;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(good, 40);
  EXPECT_NE(host_.LastCode(), 100);
}

}  // namespace
}  // namespace ccom_test
