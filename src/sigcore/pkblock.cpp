#include "pkblock.h"

#include <cstring>
#include <string_view>

#include "sigcore_api.h"
#include "textutil.h"

namespace sigcore {
namespace {

constexpr std::string_view kCrLf = "\r\n";
// The text part's fixed bytes: the CR LF before the UID, after it and after the owner text.
constexpr int64_t kTextOverhead = 6;
// Total, T, algorithm, L and S.
constexpr int64_t kIntegerFields = 20;

int64_t ReadLe32(const uint8_t* p) {
  const uint32_t value = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                         uint32_t{p[3]} << 24;
  return static_cast<int32_t>(value);
}

void WriteLe32(uint8_t* p, int64_t value) {
  const auto v = static_cast<uint32_t>(value);
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// The block's bytes, read front to back; every read is checked against what is left, in
// 64-bit arithmetic, so no field value can reach outside the buffer.
class Reader {
 public:
  Reader(const uint8_t* data, int64_t size) : data_(data), size_(size) {}
  int64_t Left() const { return size_ - at_; }
  bool Integer(int64_t& value) {
    if (Left() < 4) return false;
    value = ReadLe32(data_ + at_);
    at_ += 4;
    return true;
  }
  // `count` bytes, 0 <= count <= Left().
  bool Bytes(int64_t count, const uint8_t*& bytes) {
    if (count < 0 || count > Left()) return false;
    bytes = data_ + at_;
    at_ += count;
    return true;
  }

 private:
  const uint8_t* data_;
  int64_t size_;
  int64_t at_ = 0;
};

bool ParseText(std::string_view text, TCCom3x_CashNode& node) {
  if (!text.starts_with(kCrLf) || !text.ends_with(kCrLf)) return false;
  // The final CR LF stands at text.size() - 2 >= 3, so the search always succeeds.
  const size_t uidEnd = text.find(kCrLf, kCrLf.size());
  const size_t uidLength = uidEnd - kCrLf.size();
  if (uidLength > kMaxBlockUidLength) return false;
  std::string_view owner;
  if (static_cast<int64_t>(text.size()) > static_cast<int64_t>(uidLength) + kTextOverhead)
    owner = text.substr(uidEnd + 2, text.size() - 2 - (uidEnd + 2));
  if (owner.size() > kMaxOwnerTextLength) return false;
  node.uid.assign(text.substr(kCrLf.size(), uidLength));
  node.ownerText.assign(owner);
  return true;
}

std::string Hex(const uint8_t* bytes, int32_t length) {
  // A space after every second byte and a line break after every eighteenth.
  return kit::BytesToHexText(bytes, static_cast<size_t>(length), 2, 18);
}

}  // namespace

int32_t ParsePublicKeyBlock(const uint8_t* data, int32_t length, TCCom3x_CashNode& node) {
  constexpr int32_t kMalformed = SIGCORE_PUBLIC_KEY_NOT_FOUND;
  if (data == nullptr || length <= 3 || ReadLe32(data) != length || length - 4 <= 3)
    return kMalformed;
  Reader reader(data + 4, length - 4);
  int64_t textLength = 0;
  const uint8_t* text = nullptr;
  if (!reader.Integer(textLength) || textLength <= 4 || !reader.Bytes(textLength, text))
    return kMalformed;
  TCCom3x_CashNode parsed;
  if (!ParseText({reinterpret_cast<const char*>(text), static_cast<size_t>(textLength)}, parsed))
    return kMalformed;

  int64_t algorithm = 0;
  int64_t keyLength = 0;
  const uint8_t* key = nullptr;
  if (!reader.Integer(algorithm) || !reader.Integer(keyLength) || keyLength < 0 ||
      keyLength > kBlockPublicKeySize || !reader.Bytes(keyLength, key))
    return kMalformed;
  int64_t signatureLength = 0;
  const uint8_t* signature = nullptr;
  if (!reader.Integer(signatureLength) || signatureLength < 0 ||
      signatureLength > kBlockSignatureSize || !reader.Bytes(signatureLength, signature) ||
      reader.Left() != 0)
    return kMalformed;

  parsed.algorithm = static_cast<int32_t>(algorithm);
  parsed.publicKeyLength = static_cast<int32_t>(keyLength);
  std::memcpy(parsed.publicKey.data(), key, static_cast<size_t>(keyLength));
  parsed.signatureLength = static_cast<int32_t>(signatureLength);
  std::memcpy(parsed.signature.data(), signature, static_cast<size_t>(signatureLength));
  node = std::move(parsed);
  return SIGCORE_OK;
}

int32_t SerializePublicKeyBlock(const TCCom3x_CashNode& node, uint8_t* buffer, int32_t& size) {
  if (buffer == nullptr) return SIGCORE_EXCEPTION;
  if (node.publicKeyLength < 0 || node.publicKeyLength > kBlockPublicKeySize ||
      node.signatureLength < 0 || node.signatureLength > kBlockSignatureSize)
    return SIGCORE_BAD_ARGUMENT;
  const int64_t textLength =
      static_cast<int64_t>(node.uid.size() + node.ownerText.size()) + kTextOverhead;
  const int64_t total = kIntegerFields + textLength + node.publicKeyLength + kBlockSignatureSize;
  if (size < 4 || total > size) return SIGCORE_BUFFER_TOO_SMALL;

  uint8_t* out = buffer;
  const auto put = [&out](const void* bytes, size_t count) {
    std::memcpy(out, bytes, count);
    out += count;
  };
  const auto putInteger = [&out](int64_t value) {
    WriteLe32(out, value);
    out += 4;
  };
  putInteger(total);
  putInteger(textLength);
  put(kCrLf.data(), kCrLf.size());
  put(node.uid.data(), node.uid.size());
  put(kCrLf.data(), kCrLf.size());
  put(node.ownerText.data(), node.ownerText.size());
  put(kCrLf.data(), kCrLf.size());
  putInteger(node.algorithm);
  putInteger(node.publicKeyLength);
  put(node.publicKey.data(), static_cast<size_t>(node.publicKeyLength));
  size = static_cast<int32_t>(out - buffer);
  return SIGCORE_OK;
}

int32_t AppendBlockSignature(const TCCom3x_CashNode& node, uint8_t* buffer, int32_t& size) {
  if (const int32_t result = SerializePublicKeyBlock(node, buffer, size); result != SIGCORE_OK)
    return result;
  // The capacity was checked for a 64-byte signature, the longest a node holds.
  WriteLe32(buffer + size, node.signatureLength);
  std::memcpy(buffer + size + 4, node.signature.data(), static_cast<size_t>(node.signatureLength));
  size += 4 + node.signatureLength;
  return SIGCORE_OK;
}

std::string FormatKeyReport(const TCCom3x_CashNode& node, bool intact) {
  std::string report;
  report.append("UID=").append(node.uid).append(kCrLf);
  report.append(node.ownerText).append(kCrLf);
  report.append("ChekRes=").append(intact ? "0" : "-13").append(kCrLf);
  // The letter P is Latin, as the bank's parsers of this text expect.
  report.append("PKeyAlg=ГОСТ P34.10 - 2001").append(kCrLf);
  report.append("PKey=").append(kCrLf);
  report.append(Hex(node.publicKey.data(), node.publicKeyLength)).append(kCrLf).append(kCrLf);
  report.append("CertSign=").append(kCrLf);
  report.append(Hex(node.signature.data(), node.signatureLength));
  return report;
}

}  // namespace sigcore
