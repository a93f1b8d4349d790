#include "mimecode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kit {
namespace {

// Owned results of the raw codec calls, as strings for easy comparison.
struct Result {
  bool null = true;
  std::string bytes;
};

Result Encode(const std::string& data) {
  char* text = nullptr;
  int32_t length = -1;
  Base64Encode(data.data(), static_cast<int32_t>(data.size()), &text, &length);
  Base64Block<char> owned(text);
  return {text == nullptr, text ? std::string(text, static_cast<size_t>(length)) : ""};
}

Result Decode(const std::string& text) {
  uint8_t* data = nullptr;
  int32_t length = -1;
  Base64Decode(text.data(), static_cast<int32_t>(text.size()), &data, &length);
  Base64Block<uint8_t> owned(data);
  EXPECT_EQ(data == nullptr, length == 0) << "a null block always comes with length 0";
  return {data == nullptr,
          data ? std::string(reinterpret_cast<char*>(data), static_cast<size_t>(length)) : ""};
}

TEST(Base64, Rfc4648Examples) {
  const std::pair<std::string, std::string> examples[] = {
      {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : examples) {
    EXPECT_EQ(Encode(plain).bytes, encoded);
    EXPECT_EQ(Decode(encoded).bytes, plain);
  }
  EXPECT_EQ(Encode("\xFB\xFF\xBF").bytes, "+/+/") << "the two last alphabet characters";
}

TEST(Base64, EmptyAndInvalidArgumentsGiveTheNullResult) {
  char* text = reinterpret_cast<char*>(1);
  int32_t length = 7;
  Base64Encode("abc", 0, &text, &length);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(length, 0);
  Base64Encode(nullptr, 3, &text, &length);
  EXPECT_EQ(text, nullptr);
  Base64Encode("abc", -5, &text, &length);
  EXPECT_EQ(text, nullptr);

  uint8_t* data = reinterpret_cast<uint8_t*>(1);
  Base64Decode(nullptr, 4, &data, &length);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(length, 0);
  Base64Decode("Zm9v", -4, &data, &length);
  EXPECT_EQ(data, nullptr);
}

TEST(Base64, DecodeRefusesLengthsThatAreNotAMultipleOfFour) {
  EXPECT_TRUE(Decode("Zm9").null) << "three valid characters are still refused";
  EXPECT_TRUE(Decode("Zm9vY").null);
  // Skipped characters count towards the length.
  EXPECT_EQ(Decode("Zm9v\r\nYmFy\r\n").bytes, "foobar");
  EXPECT_TRUE(Decode("Zm9v\r\nYmFy\r\n\r\n").null);
  EXPECT_TRUE(Decode("Zm9v\r\nYmFy\r").null);
  EXPECT_TRUE(Decode("Zm9v\r\nYmFy\r\n\n").null);
}

TEST(Base64, DecodeStopsAtTheFirstPad) {
  EXPECT_EQ(Decode("Zg==Zm9v").bytes, "f");
  EXPECT_EQ(Decode("Zm=vYmFy").bytes, "f") << "characters before the pad still count";
  EXPECT_TRUE(Decode("====").null);
}

TEST(Base64, DecodeSkipsCharactersOutsideTheAlphabet) {
  EXPECT_TRUE(Decode("    ").null);
  EXPECT_TRUE(Decode(std::string("\x00\xff\x80-", 4)).null);
  EXPECT_EQ(Decode("Z m 9 v ").bytes, "foo");
  EXPECT_EQ(Decode("Zm9v\x01\x02\x03\x04").bytes, "foo");
}

TEST(Base64, DecodeDropsALoneTrailingCharacter) {
  // Five alphabet characters: four make three bytes, the fifth makes nothing.
  EXPECT_EQ(Decode("Zm9vY   ").bytes, "foo");
  EXPECT_TRUE(Decode("Z   ").null);
}

TEST(Base64, DecodeIgnoresNonZeroLeftoverBits) {
  EXPECT_EQ(Decode("Zh==").bytes, "f");
  EXPECT_EQ(Decode("Zm9=").bytes, "fo");
}

TEST(Base64, RoundTripsEveryLengthUpTo4096) {
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int> byte(0, 255);
  for (size_t length = 1; length <= 4096; ++length) {
    std::string data(length, '\0');
    for (auto& c : data) c = static_cast<char>(byte(rng));
    const Result text = Encode(data);
    ASSERT_FALSE(text.null);
    ASSERT_EQ(text.bytes.size(), 4 * ((length + 2) / 3));
    ASSERT_EQ(text.bytes.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    const Result back = Decode(text.bytes);
    ASSERT_EQ(back.bytes, data) << "length " << length;
  }
}

TEST(Base64, DecodesLongTextsWithLineBreaks) {
  // A text broken into 64-character lines, as transfers are often pasted.
  std::string data(3000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 3);
  const std::string text = Encode(data).bytes;
  std::string lines;
  for (size_t i = 0; i < text.size(); i += 64) lines += text.substr(i, 64) + "\r\n";
  while (lines.size() % 4 != 0) lines += ' ';
  const Result back = Decode(lines);
  EXPECT_EQ(back.bytes, data);
}

}  // namespace
}  // namespace kit
