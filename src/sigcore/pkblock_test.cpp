// The public-key block against blocks assembled field by field here, so the parser and the
// serialiser are checked against the layout rather than against each other.
#include "pkblock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "gostr3410_2001.h"
#include "gostr3411_94.h"
#include "key_blocks.h"

namespace sigcore {
namespace {

// A block's fields; a length left at -1 is the length of the bytes that follow it.
struct RawBlock {
  int64_t total = -1;
  int64_t textLength = -1;
  std::string text = "\r\nBANK01\r\nCN=Bank\r\n";
  int64_t algorithm = 1;
  int64_t keyLength = -1;
  std::string key = std::string(65, '\x04');
  int64_t signatureLength = -1;
  std::string signature = std::string(64, '\x5A');
  bool signatureField = true;
  std::string tail;
};

void PutInteger(std::vector<uint8_t>& out, int64_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> shift));
}

std::vector<uint8_t> Assemble(const RawBlock& raw) {
  std::vector<uint8_t> out;
  const auto put = [&out](const std::string& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); };
  const auto orLength = [](int64_t value, const std::string& bytes) {
    return value == -1 ? static_cast<int64_t>(bytes.size()) : value;
  };
  PutInteger(out, 0);
  PutInteger(out, orLength(raw.textLength, raw.text));
  put(raw.text);
  PutInteger(out, raw.algorithm);
  PutInteger(out, orLength(raw.keyLength, raw.key));
  put(raw.key);
  if (raw.signatureField) {
    PutInteger(out, orLength(raw.signatureLength, raw.signature));
    put(raw.signature);
  }
  put(raw.tail);
  const int64_t total = raw.total == -1 ? static_cast<int64_t>(out.size()) : raw.total;
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(static_cast<uint64_t>(total) >> (8 * i));
  return out;
}

int32_t Parse(const std::vector<uint8_t>& bytes, TCCom3x_CashNode& node) {
  return ParsePublicKeyBlock(bytes.data(), static_cast<int32_t>(bytes.size()), node);
}

TEST(PublicKeyBlock, ParserAcceptsExactlyWellFormedBlocks) {
  const std::string uid254(254, 'U');
  const std::string owner734(734, 'o');
  struct Case {
    const char* name;
    std::function<void(RawBlock&)> change;
    int32_t result;
    std::string uid = "BANK01";
    std::string owner = "CN=Bank";
  };
  const Case cases[] = {
      {"as written", [](RawBlock&) {}, 0},
      {"total one more", [](RawBlock& b) { b.total = 20 + 19 + 65 + 64 + 1; }, -9},
      {"total one less", [](RawBlock& b) { b.total = 20 + 19 + 65 + 64 - 1; }, -9},
      {"a byte after the signature", [](RawBlock& b) { b.tail = "x"; }, -9},
      {"66 key bytes", [](RawBlock& b) { b.key += '\x01'; }, -9},
      {"65 signature bytes", [](RawBlock& b) { b.signature += '\x01'; }, -9},
      {"shorter key and signature", [&](RawBlock& b) { b.key.resize(33); b.signature.resize(1); },
       0},
      {"no key, no signature", [](RawBlock& b) { b.key.clear(); b.signature.clear(); }, 0},
      {"UID of 254", [&](RawBlock& b) { b.text = "\r\n" + uid254 + "\r\nCN=Bank\r\n"; }, 0,
       uid254},
      {"UID of 255", [&](RawBlock& b) { b.text = "\r\n" + uid254 + "U\r\nCN=Bank\r\n"; }, -9},
      {"owner text of 734", [&](RawBlock& b) { b.text = "\r\nBANK01\r\n" + owner734 + "\r\n"; },
       0, "BANK01", owner734},
      {"owner text of 735",
       [&](RawBlock& b) { b.text = "\r\nBANK01\r\n" + owner734 + "o\r\n"; }, -9},
      {"empty owner text", [](RawBlock& b) { b.text = "\r\nBANK01\r\n\r\n"; }, 0, "BANK01", ""},
      {"no owner line", [](RawBlock& b) { b.text = "\r\nBANK01\r\n"; }, 0, "BANK01", ""},
      {"owner over lines", [](RawBlock& b) { b.text = "\r\nBANK01\r\nCN=A\r\nO=B\r\n"; }, 0,
       "BANK01", "CN=A\r\nO=B"},
      {"text without leading CR LF", [](RawBlock& b) { b.text = "\nBANK01\r\nCN=Bank\r\n"; }, -9},
      {"text without final CR LF", [](RawBlock& b) { b.text = "\r\nBANK01\r\nCN=Bank\r"; }, -9},
      {"T of 4", [](RawBlock& b) { b.text = "\r\n\r\n"; }, -9},
      {"T of 5", [](RawBlock& b) { b.text = "\r\nX\r\n"; }, 0, "X", ""},
      {"T negative", [](RawBlock& b) { b.textLength = -5; }, -9},
      {"T past the end", [](RawBlock& b) { b.textLength = 0x7FFFFFFF; }, -9},
      {"T beyond the block by one", [](RawBlock& b) { b.textLength = 19 + 4 + 4 + 65 + 4 + 64 + 1; },
       -9},
      {"L negative", [](RawBlock& b) { b.keyLength = -1000; }, -9},
      {"L huge", [](RawBlock& b) { b.keyLength = 0x7FFFFFFF; }, -9},
      {"S negative", [](RawBlock& b) { b.signatureLength = -64; }, -9},
      {"S huge", [](RawBlock& b) { b.signatureLength = 0x80000000LL; }, -9},
      {"no room for S", [](RawBlock& b) { b.signatureField = false; }, -9},
  };
  for (const Case& c : cases) {
    RawBlock raw;
    c.change(raw);
    const std::vector<uint8_t> bytes = Assemble(raw);
    TCCom3x_CashNode node;
    node.verified = true;
    node.storagePath = "left over";
    EXPECT_EQ(Parse(bytes, node), c.result) << c.name;
    if (c.result != 0) continue;
    EXPECT_EQ(node.uid, c.uid) << c.name;
    EXPECT_EQ(node.ownerText, c.owner) << c.name;
    EXPECT_EQ(node.publicKeyLength, static_cast<int32_t>(raw.key.size())) << c.name;
    EXPECT_EQ(std::string(node.publicKey.begin(), node.publicKey.begin() + node.publicKeyLength),
              raw.key) << c.name;
    EXPECT_EQ(node.signatureLength, static_cast<int32_t>(raw.signature.size())) << c.name;
    EXPECT_FALSE(node.verified) << c.name;
    EXPECT_TRUE(node.storagePath.empty()) << c.name;
  }
}

TEST(PublicKeyBlock, ShortBuffersAreRefusedWithoutReadingPastThem) {
  const std::vector<uint8_t> whole = Assemble(RawBlock{});
  for (size_t length = 0; length < whole.size(); ++length) {
    // Exactly `length` bytes on the heap, so a sanitizer sees any read beyond them; the total
    // field claims the shorter length.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    if (length >= 4) cut[0] = static_cast<uint8_t>(length), cut[1] = cut[2] = cut[3] = 0;
    TCCom3x_CashNode node;
    EXPECT_EQ(ParsePublicKeyBlock(cut.data(), static_cast<int32_t>(length), node), -9) << length;
  }
  TCCom3x_CashNode node;
  EXPECT_EQ(ParsePublicKeyBlock(nullptr, 100, node), -9);
}

TEST(PublicKeyBlock, SerialisedBlocksReadBackUnchanged) {
  const std::string owners[] = {"", "CN=Ivanov", std::string(734, 'z')};
  for (const std::string& owner : owners) {
    RawBlock raw;
    raw.text = "\r\nCLIENT-7\r\n" + owner + "\r\n";
    const std::vector<uint8_t> bytes = Assemble(raw);
    TCCom3x_CashNode node;
    ASSERT_EQ(Parse(bytes, node), 0) << owner.size();

    std::vector<uint8_t> out(kMaxPublicKeyBlockSize, 0xEE);
    int32_t size = static_cast<int32_t>(out.size());
    ASSERT_EQ(AppendBlockSignature(node, out.data(), size), 0);
    out.resize(static_cast<size_t>(size));
    EXPECT_EQ(out, bytes) << owner.size();
  }
}

TEST(PublicKeyBlock, SerialiserStopsAtTheCapacity) {
  TCCom3x_CashNode node;
  node.uid = "BANK01";
  node.ownerText = "CN=Bank";
  node.publicKeyLength = 65;
  node.signatureLength = 64;
  const int32_t total = 20 + 19 + 65 + 64;
  std::vector<uint8_t> out(total + 8, 0xEE);
  int32_t size = 0;
  EXPECT_EQ(SerializePublicKeyBlock(node, nullptr, size), -2);
  for (int32_t capacity : {0, 3, 4, total - 1}) {
    size = capacity;
    EXPECT_EQ(SerializePublicKeyBlock(node, out.data(), size), -3) << capacity;
    EXPECT_EQ(out[0], 0xEE) << capacity;
  }
  size = total;
  ASSERT_EQ(SerializePublicKeyBlock(node, out.data(), size), 0);
  // The signed part; its total already counts the signature.
  EXPECT_EQ(size, total - 4 - 64);
  EXPECT_EQ(out[0] | out[1] << 8, total);
  EXPECT_EQ(out[size], 0xEE);

  node.publicKeyLength = 66;
  size = total + 8;
  EXPECT_EQ(SerializePublicKeyBlock(node, out.data(), size), -11);
}

TEST(PublicKeyBlock, SignatureCoversTheSignedPart) {
  const sigcore_test::KeyPair key = sigcore_test::MakeKeyPair(7);
  const std::vector<uint8_t> block = sigcore_test::SignedBlock("CLIENT-7", "CN=Petrov", key);
  TCCom3x_CashNode node;
  ASSERT_EQ(Parse(block, node), 0);
  ASSERT_EQ(0, std::memcmp(node.publicKey.data(), key.publicKey.data(), 65));

  // What a verifier hashes: the block up to S, with the total that counts the signature.
  const size_t signedPart = block.size() - 4 - 64;
  const auto verifies = [&](const std::vector<uint8_t>& bytes) {
    uint8_t digest[32];
    return gost::Hash(gost::HashParams::CryptoPro, bytes.data(), signedPart, digest) &&
           gost::Verify(gost::CurveParams::CryptoProA, node.publicKey.data(), digest,
                        bytes.data() + signedPart + 4);
  };
  EXPECT_TRUE(verifies(block));
  std::vector<uint8_t> changed = block;
  changed[20] ^= 1;  // a byte of the UID
  EXPECT_FALSE(verifies(changed));
}

TEST(PublicKeyBlock, ReportTextIsLaidOutByteForByte) {
  TCCom3x_CashNode node;
  node.uid = "BANK01";
  node.ownerText = "CN=Bank\r\nO=Velmar";
  node.publicKeyLength = 65;
  for (int i = 0; i < 65; ++i) node.publicKey[i] = static_cast<uint8_t>(i);
  node.signatureLength = 64;
  for (int i = 0; i < 64; ++i) node.signature[i] = static_cast<uint8_t>(0xC0 + i);

  const std::string algorithm = "PKeyAlg=ГОСТ P34.10 - 2001\r\n";
  const std::string expected =
      "UID=BANK01\r\nCN=Bank\r\nO=Velmar\r\nChekRes=-13\r\n" + algorithm +
      "PKey=\r\n"
      "0001 0203 0405 0607 0809 0A0B 0C0D 0E0F 1011 \r\n"
      "1213 1415 1617 1819 1A1B 1C1D 1E1F 2021 2223 \r\n"
      "2425 2627 2829 2A2B 2C2D 2E2F 3031 3233 3435 \r\n"
      "3637 3839 3A3B 3C3D 3E3F 40\r\n\r\n"
      "CertSign=\r\n"
      "C0C1 C2C3 C4C5 C6C7 C8C9 CACB CCCD CECF D0D1 \r\n"
      "D2D3 D4D5 D6D7 D8D9 DADB DCDD DEDF E0E1 E2E3 \r\n"
      "E4E5 E6E7 E8E9 EAEB ECED EEEF F0F1 F2F3 F4F5 \r\n"
      "F6F7 F8F9 FAFB FCFD FEFF ";
  EXPECT_EQ(FormatKeyReport(node, false), expected);
  const std::string intact = FormatKeyReport(node, true);
  EXPECT_NE(intact.find("\r\nChekRes=0\r\nPKeyAlg="), std::string::npos);
#ifdef _WIN32
  // What the deliverable carries: the algorithm's name in Windows-1251.
  EXPECT_NE(intact.find("PKeyAlg=\xC3\xCE\xD1\xD2 P34.10 - 2001\r\n"), std::string::npos);
#endif
}

}  // namespace
}  // namespace sigcore
