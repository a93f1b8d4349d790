// GOST R 34.11-94 against libgcrypt, used as an independent oracle.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gostr3411_94.h"
#include "test_vectors.h"

namespace gost {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(GostR3411_94GcryptTest, RandomLengthsAndPiecesMatchLibgcrypt) {
  ASSERT_TRUE(gcry_check_version(GCRYPT_VERSION));
  std::mt19937 rng(94);
  for (HashParams params : {HashParams::Test, HashParams::CryptoPro}) {
    const int algo = params == HashParams::Test ? GCRY_MD_GOSTR3411_94 : GCRY_MD_GOSTR3411_CP;
    ASSERT_EQ(gcry_md_get_algo_dlen(algo), 32u);
    for (int round = 0; round < 120; ++round) {
      // The edges first, then random lengths up to 10,000.
      const size_t edges[] = {0, 1, 31, 32, 33, 64, 10000};
      const size_t size = round < 7 ? edges[round] : rng() % 10001;
      Bytes data(size);
      for (auto& byte : data) byte = static_cast<uint8_t>(rng());

      Bytes expected(32), one_shot(32), secret(32), pieces(32);
      gcry_md_hash_buffer(algo, expected.data(), data.data(), data.size());
      ASSERT_TRUE(Hash(params, data.data(), data.size(), one_shot.data()));
      ASSERT_TRUE(HashSecret(params, data.data(), data.size(), secret.data()));
      GostR3411_94 hash(params);
      for (size_t done = 0; done < size;) {
        const size_t n = std::min<size_t>(size - done, rng() % 200);
        ASSERT_TRUE(hash.Update(&data[done], n));
        done += n;
      }
      ASSERT_TRUE(hash.Final(pieces.data()));
      EXPECT_EQ(one_shot, expected) << size;
      EXPECT_EQ(secret, expected) << size;
      EXPECT_EQ(pieces, expected) << size;
    }
  }
}

// The known-answer file that the Windows trees read holds libgcrypt's digests.
TEST(GostR3411_94GcryptTest, VectorFileMatchesLibgcrypt) {
  const auto vectors = ReadTestVectors("gostr3411-94.txt");
  ASSERT_EQ(vectors.size(), 12u);
  for (const TestVector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const int algo = v.Text("Params") == "Test" ? GCRY_MD_GOSTR3411_94 : GCRY_MD_GOSTR3411_CP;
    const Bytes message = v.Bytes("Message");
    Bytes digest(32);
    gcry_md_hash_buffer(algo, digest.data(), message.data(), message.size());
    EXPECT_EQ(digest, v.Bytes("Digest"));
  }
}

}  // namespace
}  // namespace gost
