// Reading signature blocks and writing digest forms: every boundary of the block's UID and
// length, and the forms against independent renderings of the known answers.
#include "signature_block.h"

#include <gtest/gtest.h>

#include "digest_forms.h"
#include "mimecode.h"

namespace sigcore {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Block(const std::string& uid, size_t valueSize) {
  Bytes block(uid.begin(), uid.end());
  block.push_back(0);
  for (size_t i = 0; i < valueSize; ++i) block.push_back(static_cast<uint8_t>(i + 1));
  return block;
}

TEST(SignatureBlock, UidOfOneTo254CharactersAndExactly65BytesMore) {
  struct Case {
    const char* name;
    Bytes block;
    int32_t result;
    size_t uidLength;
  };
  Bytes noNul(300, 'U');
  const Case cases[] = {
      {"one character", Block("A", 64), 0, 1},
      {"254 characters", Block(std::string(254, 'U'), 64), 0, 254},
      {"255 characters", Block(std::string(255, 'U'), 64), -12, 0},
      {"empty UID", Block("", 64), -12, 0},
      {"63 bytes of value", Block("ABC", 63), -12, 0},
      {"65 bytes of value", Block("ABC", 65), -12, 0},
      {"no NUL", noNul, -12, 0},
      {"NUL in the value", Block("AB", 64), 0, 2},
  };
  for (const Case& c : cases) {
    SignatureBlockView view;
    EXPECT_EQ(ReadSignatureBlock(c.block.data(), static_cast<int32_t>(c.block.size()), view), c.result)
        << c.name;
    if (c.result != 0) continue;
    EXPECT_EQ(view.uid.size(), c.uidLength) << c.name;
    EXPECT_EQ(view.signature, c.block.data() + c.uidLength + 1) << c.name;
    EXPECT_EQ(SignatureBlockSize(view.uid), static_cast<int32_t>(c.block.size())) << c.name;
  }
  SignatureBlockView view;
  const Bytes good = Block("A", 64);
  EXPECT_EQ(ReadSignatureBlock(nullptr, 66, view), -12);
  EXPECT_EQ(ReadSignatureBlock(good.data(), 0, view), -12);
  EXPECT_EQ(ReadSignatureBlock(good.data(), -66, view), -12);
}

TEST(DigestForms, HexBase64AndRawWithTheirSizes) {
  uint8_t digest[32];
  for (int i = 0; i < 32; ++i) digest[i] = static_cast<uint8_t>(0xF0 + i * 5);
  uint8_t out[64];
  int32_t size = 64;
  ASSERT_EQ(WriteDigestForm(digest, 2, out, &size), 0);
  ASSERT_EQ(size, 64);
  for (int i = 0; i < 32; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", digest[i]);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out) + 2 * i, 2), pair);
  }
  size = 44;
  ASSERT_EQ(WriteDigestForm(digest, 1, out, &size), 0);
  uint8_t* decoded = nullptr;
  int32_t decodedLength = 0;
  kit::Base64Decode(reinterpret_cast<const char*>(out), size, &decoded, &decodedLength);
  const kit::Base64Block<uint8_t> owned(decoded);
  EXPECT_EQ(Bytes(decoded, decoded + decodedLength), Bytes(digest, digest + 32));
  size = 40;
  ASSERT_EQ(WriteDigestForm(digest, -1, out, &size), 0);
  EXPECT_EQ(size, 32);
  EXPECT_EQ(Bytes(out, out + 32), Bytes(digest, digest + 32));
  size = 43;
  EXPECT_EQ(WriteDigestForm(digest, 1, out, &size), -3);
  EXPECT_EQ(size, 44);
}

}  // namespace
}  // namespace sigcore
