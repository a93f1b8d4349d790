#include "gostr3411_94.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "test_hex.h"
#include "test_vectors.h"

namespace gost {
namespace {

using Bytes = std::vector<uint8_t>;

std::string Hex(const Bytes& data) { return ToHex(data.data(), data.size()); }

HashParams ParamsNamed(const std::string& name) {
  if (name == "Test") return HashParams::Test;
  if (name == "CryptoPro") return HashParams::CryptoPro;
  throw std::invalid_argument("unknown hash parameters " + name);
}

// The digest of data fed in pieces of the given sizes (cycled), through a fresh object or one
// already used, which Final must have left as new.
template <class Hasher>
std::string Streamed(Hasher& hash, const Bytes& data, const std::vector<size_t>& pieces) {
  size_t done = 0;
  for (size_t i = 0; done < data.size(); ++i) {
    const size_t n = std::min(pieces[i % pieces.size()], data.size() - done);
    EXPECT_TRUE(hash.Update(data.data() + done, n));
    done += n;
  }
  uint8_t digest[32];
  EXPECT_TRUE(hash.Final(digest));
  return ToHex(digest);
}

// Every way to compute a digest: one-shot, constant-time one-shot, and both streaming classes
// byte by byte; all must give `expected`.
void ExpectEveryWay(HashParams params, const Bytes& data, const std::string& expected) {
  uint8_t digest[32];
  ASSERT_TRUE(Hash(params, data.data(), data.size(), digest));
  EXPECT_EQ(ToHex(digest), expected);
  ASSERT_TRUE(HashSecret(params, data.data(), data.size(), digest));
  EXPECT_EQ(ToHex(digest), expected);
  GostR3411_94 table(params);
  GostR3411_94Secret masked(params);
  EXPECT_EQ(Streamed(table, data, {1}), expected);
  EXPECT_EQ(Streamed(masked, data, {1}), expected);
}

TEST(GostR3411_94Test, KnownAnswers) {
  const auto vectors = ReadTestVectors("gostr3411-94.txt");
  ASSERT_EQ(vectors.size(), 12u);
  for (const TestVector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const Bytes digest = v.Bytes("Digest");
    ExpectEveryWay(ParamsNamed(v.Text("Params")), v.Bytes("Message"), Hex(digest));
  }
}

TEST(GostR3411_94Test, EveryTailLengthAndChunkingAgree) {
  std::mt19937 rng(11);
  Bytes data(130);
  for (auto& byte : data) byte = static_cast<uint8_t>(rng());
  for (HashParams params : {HashParams::Test, HashParams::CryptoPro}) {
    GostR3411_94 table(params);
    GostR3411_94Secret masked(params);
    for (size_t size = 0; size <= data.size(); ++size) {
      const Bytes prefix(data.begin(), data.begin() + size);
      uint8_t expected[32];
      ASSERT_TRUE(Hash(params, prefix.data(), size, expected));
      const std::vector<size_t> pieces = {rng() % 70 + 1, rng() % 40 + 1};
      EXPECT_EQ(Streamed(table, prefix, pieces), ToHex(expected)) << size;
      EXPECT_EQ(Streamed(masked, prefix, pieces), ToHex(expected)) << size;
      uint8_t secret[32];
      ASSERT_TRUE(HashSecret(params, prefix.data(), size, secret));
      EXPECT_EQ(ToHex(secret), ToHex(expected)) << size;
    }
  }
}

TEST(GostR3411_94Test, ParameterSetsAndInputsDiffer) {
  const uint8_t abc[4] = {'a', 'b', 'c', 0};
  uint8_t test[32], cryptopro[32], longer[32];
  ASSERT_TRUE(Hash(HashParams::Test, abc, 3, test));
  ASSERT_TRUE(Hash(HashParams::CryptoPro, abc, 3, cryptopro));
  // A zero byte appended changes the length even though the padded block is the same.
  ASSERT_TRUE(Hash(HashParams::Test, abc, 4, longer));
  EXPECT_NE(ToHex(test), ToHex(cryptopro));
  EXPECT_NE(ToHex(test), ToHex(longer));
}

// Parameters cast from a number that names none are refused, with a zero digest.
TEST(GostR3411_94Test, UnknownParametersAreRefused) {
  const uint8_t data[40] = {1, 2, 3};
  const std::string zeros(64, '0');
  for (int number : {-1, 2, 3, 1000}) {
    SCOPED_TRACE(number);
    const auto params = static_cast<HashParams>(number);
    uint8_t digest[32];
    std::fill(std::begin(digest), std::end(digest), 0xff);
    EXPECT_FALSE(Hash(params, data, sizeof data, digest));
    EXPECT_EQ(ToHex(digest), zeros);
    std::fill(std::begin(digest), std::end(digest), 0xff);
    EXPECT_FALSE(HashSecret(params, data, sizeof data, digest));
    EXPECT_EQ(ToHex(digest), zeros);
    GostR3411_94Secret hash(params);
    EXPECT_FALSE(hash.Update(data, sizeof data));
    std::fill(std::begin(digest), std::end(digest), 0xff);
    EXPECT_FALSE(hash.Final(digest));
    EXPECT_EQ(ToHex(digest), zeros);
  }
}

}  // namespace
}  // namespace gost
