// The transfer block and the signed buffer's trailer: every field that comes from outside.
#include "transfer_block.h"

#include <gtest/gtest.h>

#include <climits>

#include "signed_buffer.h"

namespace sigcore {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(TransferBlock, OwnerLengthAndKeyDataRoundTrip) {
  const Bytes key(1143, 0x5A);
  const struct {
    std::string owner;
    int32_t length;
    int32_t built;
    std::string readOwner;
  } cases[] = {
      {"Client7", 100, 0, "Client7"},
      {std::string(255, 'O'), 1143, 0, std::string(255, 'O')},
      {std::string(300, 'O'), 1, 0, std::string(255, 'O')},
      {"Client7", 0, -11, ""},
      {"Client7", 1144, -11, ""},
      {"Client7", -1, -11, ""},
  };
  for (const auto& c : cases) {
    TransferBlock block;
    block.fill(0xCC);
    ASSERT_EQ(BuildTransferBlock(c.owner, key.data(), c.length, block), c.built) << c.length;
    if (c.built != 0) continue;
    EXPECT_EQ(block[260 + static_cast<size_t>(c.length)], 0) << "filler is zero";
    TransferContent content;
    ASSERT_EQ(ReadTransferBlock(block.data(), content), 0);
    EXPECT_EQ(content.owner, c.readOwner);
    EXPECT_EQ(content.keyData, Bytes(key.begin(), key.begin() + c.length));
  }
  TransferBlock block;
  EXPECT_EQ(BuildTransferBlock("x", nullptr, 10, block), -11);
}

TEST(TransferBlock, RefusesFieldsNoTransferCarries) {
  const Bytes key(64, 1);
  TransferBlock good;
  ASSERT_EQ(BuildTransferBlock("Bank01", key.data(), 64, good), 0);
  const struct {
    const char* name;
    size_t at;
    Bytes bytes;
  } damaged[] = {
      {"owner without NUL", 0, Bytes(256, 'A')},
      {"length 0", 256, {0, 0, 0, 0}},
      {"length 1144", 256, {0x78, 0x04, 0, 0}},
      {"negative length", 256, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"length past the block", 256, {0, 0, 0, 1}},
  };
  for (const auto& d : damaged) {
    TransferBlock block = good;
    std::copy(d.bytes.begin(), d.bytes.end(), block.begin() + static_cast<ptrdiff_t>(d.at));
    TransferContent content;
    EXPECT_EQ(ReadTransferBlock(block.data(), content), -11) << d.name;
  }
}

TEST(SignedBufferTrailer, AnnouncedLengthMustLeaveRoomForASignature) {
  const struct {
    int32_t announced;
    int32_t length;
    int32_t result;
  } cases[] = {
      {10, 85, 0},  {80, 85, 0},      {81, 85, -12},         {82, 85, -12},
      {0, 85, -12}, {-10, 85, -12},   {INT_MAX, 85, -12},    {INT_MAX - 3, 85, -12},
      {1, 6, 0},    {1, 5, -12},
  };
  for (const auto& c : cases) {
    Bytes buffer(static_cast<size_t>(c.length), 0xAB);
    WriteSignedBufferTrailer(buffer.data() + c.length - 4, c.announced);
    int32_t dataLength = -1;
    EXPECT_EQ(ReadSignedBufferTrailer(buffer.data(), c.length, dataLength), c.result)
        << c.announced << " of " << c.length;
    EXPECT_EQ(dataLength, c.result == 0 ? c.announced : -1);
  }
  Bytes small = {1, 0, 0, 0};
  int32_t dataLength = 0;
  EXPECT_EQ(ReadSignedBufferTrailer(small.data(), 4, dataLength), -12);
  EXPECT_EQ(ReadSignedBufferTrailer(nullptr, 85, dataLength), -12);
}

}  // namespace
}  // namespace sigcore
