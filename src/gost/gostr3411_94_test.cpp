#include "gostr3411_94.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace gost {
namespace {

std::string Hex(const uint8_t* data, size_t size) {
  std::string out;
  char digit[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(digit, sizeof digit, "%02x", data[i]);
    out += digit;
  }
  return out;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

struct KnownAnswer {
  HashParams params;
  const char* message;
  const char* digest;
};

// Every line of /work/shared/vectors/gostr3411-94.txt.
constexpr KnownAnswer kKnownAnswers[] = {
    {HashParams::Test, "", "ce85b99cc46752fffee35cab9a7b0278abb4c2d2055cff685af4912c49490f8d"},
    {HashParams::Test, "a", "d42c539e367c66e9c88a801f6649349c21871b4344c6a573f849fdce62f314dd"},
    {HashParams::Test, "abc", "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d"},
    {HashParams::Test, "message digest",
     "ad4434ecb18f2c99b60cbe59ec3d2469582b65273f48de72db2fde16a4889a4d"},
    {HashParams::Test, "This is message, length=32 bytes",
     "b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa"},
    {HashParams::Test, "Suppose the original message has length = 50 bytes",
     "471aba57a60a770d3a76130635c1fbea4ef14de51f78b4ae57dd893b62f55208"},
    {HashParams::CryptoPro, "",
     "981e5f3ca30c841487830f84fb433e13ac1101569b9c13584ac483234cd656c0"},
    {HashParams::CryptoPro, "a",
     "e74c52dd282183bf37af0079c9f78055715a103f17e3133ceff1aacf2f403011"},
    {HashParams::CryptoPro, "abc",
     "b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c"},
    {HashParams::CryptoPro, "message digest",
     "bc6041dd2aa401ebfa6e9886734174febdb4729aa972d60f549ac39b29721ba0"},
    {HashParams::CryptoPro, "This is message, length=32 bytes",
     "2cefc2f7b7bdc514e18ea57fa74ff357e7fa17d652c75f69cb1be7893ede48eb"},
    {HashParams::CryptoPro, "Suppose the original message has length = 50 bytes",
     "c3730c5cbccacf915ac292676f21e8bd4ef75331d9405e5f1a61dc3130a65011"},
};

TEST(GostR3411_94Test, KnownAnswers) {
  for (const auto& answer : kKnownAnswers) {
    const std::string message = answer.message;
    SCOPED_TRACE(message);
    uint8_t digest[32];
    Hash(answer.params, Bytes(message), message.size(), digest);
    EXPECT_EQ(Hex(digest, 32), answer.digest);

    HashSecret(answer.params, Bytes(message), message.size(), digest);
    EXPECT_EQ(Hex(digest, 32), answer.digest);

    GostR3411_94 bytewise(answer.params);
    for (char c : message) bytewise.Update(reinterpret_cast<const uint8_t*>(&c), 1);
    bytewise.Final(digest);
    EXPECT_EQ(Hex(digest, 32), answer.digest);
  }
}

TEST(GostR3411_94Test, ChunkingAndReuseMatchOneShot) {
  std::mt19937 rng(7);
  for (HashParams params : {HashParams::Test, HashParams::CryptoPro}) {
    GostR3411_94 hash(params);
    for (int round = 0; round < 60; ++round) {
      std::vector<uint8_t> data(rng() % 400);
      for (auto& byte : data) byte = static_cast<uint8_t>(rng());
      uint8_t expected[32], actual[32];
      Hash(params, data.data(), data.size(), expected);

      // The same object each time: Final must leave it as new.
      for (size_t done = 0; done < data.size();) {
        const size_t chunk = std::min<size_t>(data.size() - done, rng() % 70);
        hash.Update(data.data() + done, chunk);
        done += chunk;
      }
      hash.Final(actual);
      EXPECT_EQ(Hex(actual, 32), Hex(expected, 32)) << data.size();
    }
  }
}

TEST(GostR3411_94Test, SecretDigestMatchesAtEveryTailLength) {
  std::mt19937 rng(11);
  std::vector<uint8_t> data(130);
  for (auto& byte : data) byte = static_cast<uint8_t>(rng());
  for (HashParams params : {HashParams::Test, HashParams::CryptoPro}) {
    for (size_t size = 0; size <= data.size(); ++size) {
      uint8_t expected[32], actual[32];
      Hash(params, data.data(), size, expected);
      HashSecret(params, data.data(), size, actual);
      EXPECT_EQ(Hex(actual, 32), Hex(expected, 32)) << size;
    }
  }
}

TEST(GostR3411_94Test, ParameterSetsAndInputsDiffer) {
  const std::string message = "abc";
  uint8_t test[32], cryptopro[32], longer[32];
  Hash(HashParams::Test, Bytes(message), 3, test);
  Hash(HashParams::CryptoPro, Bytes(message), 3, cryptopro);
  // A zero byte appended changes the length even though the padded block is the same.
  const uint8_t with_zero[4] = {'a', 'b', 'c', 0};
  Hash(HashParams::Test, with_zero, 4, longer);
  EXPECT_NE(Hex(test, 32), Hex(cryptopro, 32));
  EXPECT_NE(Hex(test, 32), Hex(longer, 32));
}

}  // namespace
}  // namespace gost
