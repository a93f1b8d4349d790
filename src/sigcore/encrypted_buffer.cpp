#include "encrypted_buffer.h"

#include <cstring>

#include "secure_wipe.h"
#include "sigcore_api.h"
#include "signature_block.h"
#include "textutil.h"

namespace sigcore {
namespace {

constexpr size_t kCountSize = 4;
constexpr size_t kMethodSize = 4;
constexpr size_t kHeaderSize = kCountSize + kMethodSize;

using Key = gost::Wiped<std::array<uint8_t, kEnvelopeKeySize>>;

void PutUint32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetUint32(const uint8_t* data) {
  return data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24;
}

void PutString(std::vector<uint8_t>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

// The NUL-terminated string at `offset`, looked for within `limit` characters and the buffer;
// false when there is no NUL there.
bool ReadString(const uint8_t* data, size_t size, size_t offset, size_t limit, std::string& text,
                size_t& next) {
  if (offset >= size) return false;
  const size_t available = size - offset;
  const size_t scanned = limit < available ? limit + 1 : available;
  const auto* nul = static_cast<const uint8_t*>(std::memchr(data + offset, 0, scanned));
  if (nul == nullptr) return false;
  text.assign(reinterpret_cast<const char*>(data + offset), static_cast<size_t>(nul - data) - offset);
  next = static_cast<size_t>(nul - data) + 1;
  return true;
}

// MACs are compared without an early exit, so that the time taken tells nothing of where they
// differ.
bool SameMac(const uint8_t* a, const uint8_t* b) {
  uint8_t difference = 0;
  for (size_t i = 0; i < kEnvelopeMacSize; ++i) difference |= a[i] ^ b[i];
  return difference == 0;
}

}  // namespace

int32_t CipherMethodByName(const std::string& name) {
  const std::string upper = kit::UpperAscii(name);
  if (upper == "GAMMA") return kMethodGamma;
  if (upper == "GFB") return kMethodGammaFeedback;
  return 0;
}

std::vector<std::string> SplitRecipientList(const std::string& list) {
  std::vector<std::string> recipients;
  size_t start = 0;
  for (size_t separator; (separator = list.find(';', start)) != std::string::npos;
       start = separator + 1)
    recipients.push_back(list.substr(start, separator - start));
  recipients.push_back(list.substr(start));
  return recipients;
}

int64_t MaxEncryptionGrowth(int64_t recipients) { return 291 * recipients + 351; }

int32_t EnvelopeCrypto::SealData(int32_t method, const uint8_t* key, const uint8_t* start,
                                 uint8_t* data, size_t size, uint8_t* mac) {
  if (const int32_t result = Mac(key, data, size, mac); result != SIGCORE_OK) return result;
  return Crypt(method, true, key, start, data, data, size);
}

int32_t EnvelopeCrypto::OpenData(int32_t method, const uint8_t* key, const uint8_t* start,
                                 uint8_t* data, size_t size, uint8_t* mac) {
  if (const int32_t result = Crypt(method, false, key, start, data, data, size);
      result != SIGCORE_OK)
    return result;
  const int32_t result = Mac(key, data, size, mac);
  // Encrypting again under the same key and start value gives back what was decrypted.
  if (result != SIGCORE_OK) Crypt(method, true, key, start, data, data, size);
  return result;
}

size_t EnvelopeGrowth(const std::string& senderUid, const std::vector<std::string>& recipients) {
  size_t growth = kHeaderSize + senderUid.size() + 1 + kEnvelopeTrailer;
  for (const std::string& uid : recipients) growth += uid.size() + 1 + kRecipientEntryTail;
  return growth;
}

int32_t SealEnvelopeInPlace(EnvelopeCrypto& crypto, int32_t method, const std::string& senderUid,
                            const std::vector<std::string>& recipients, uint8_t* data,
                            size_t size, size_t capacity, size_t& sealedSize) {
  sealedSize = 0;
  const size_t growth = EnvelopeGrowth(senderUid, recipients);
  if (capacity < size || capacity - size < growth) return SIGCORE_BUFFER_TOO_SMALL;
  Key sessionKey;
  std::array<uint8_t, kEnvelopeStartValueSize> start;
  if (const int32_t result = crypto.RandomBytes(sessionKey->data(), sessionKey->size());
      result != SIGCORE_OK)
    return result;
  if (const int32_t result = crypto.RandomBytes(start.data(), start.size()); result != SIGCORE_OK)
    return result;

  std::vector<uint8_t> header;
  header.reserve(growth);
  PutUint32(header, static_cast<uint32_t>(recipients.size()));
  PutUint32(header, static_cast<uint32_t>(method));
  PutString(header, senderUid);
  for (const std::string& uid : recipients) {
    Key kek;
    std::array<uint8_t, kEnvelopeMacSize> mac;
    std::array<uint8_t, kEnvelopeKeySize> wrapped;
    if (const int32_t result = crypto.RecipientKey(uid, kek->data()); result != SIGCORE_OK)
      return result;
    if (const int32_t result = crypto.Crypt(method, true, kek->data(), start.data(),
                                            sessionKey->data(), wrapped.data(), wrapped.size());
        result != SIGCORE_OK)
      return result;
    if (const int32_t result =
            crypto.Mac(kek->data(), sessionKey->data(), sessionKey->size(), mac.data());
        result != SIGCORE_OK)
      return result;
    PutString(header, uid);
    header.insert(header.end(), mac.begin(), mac.end());
    header.insert(header.end(), wrapped.begin(), wrapped.end());
  }
  std::array<uint8_t, kEnvelopePublicValueSize> senderValue;
  if (const int32_t result = crypto.SenderPublicValue(senderValue.data()); result != SIGCORE_OK)
    return result;
  header.insert(header.end(), start.begin(), start.end());

  // The plaintext moves up to where the ciphertext goes and is sealed there; the header is
  // written in front of it only once nothing can fail.
  const size_t ciphertext = header.size() + kEnvelopeMacSize + kEnvelopePublicValueSize;
  std::memmove(data + ciphertext, data, size);
  std::array<uint8_t, kEnvelopeMacSize> dataMac;
  if (const int32_t result =
          crypto.SealData(method, sessionKey->data(), start.data(), data + ciphertext, size,
                          dataMac.data());
      result != SIGCORE_OK) {
    std::memmove(data, data + ciphertext, size);
    return result;
  }
  std::memcpy(data, header.data(), header.size());
  std::memcpy(data + header.size(), dataMac.data(), dataMac.size());
  std::memcpy(data + header.size() + dataMac.size(), senderValue.data(), senderValue.size());
  sealedSize = ciphertext + size;
  return SIGCORE_OK;
}

int32_t SealEnvelope(EnvelopeCrypto& crypto, int32_t method, const std::string& senderUid,
                     const std::vector<std::string>& recipients, const uint8_t* plaintext,
                     size_t size, std::vector<uint8_t>& out) {
  out.assign(plaintext, plaintext + size);
  out.resize(size + EnvelopeGrowth(senderUid, recipients));
  size_t sealedSize = 0;
  const int32_t result = SealEnvelopeInPlace(crypto, method, senderUid, recipients, out.data(),
                                             size, out.size(), sealedSize);
  out.resize(sealedSize);
  return result;
}

int32_t ReadEnvelopeLayout(const uint8_t* data, size_t size, const std::string& ownUid,
                           EnvelopeLayout& layout) {
  if (data == nullptr || size <= kHeaderSize) return SIGCORE_BAD_ENCRYPTED_BUFFER;
  const uint32_t count = GetUint32(data);
  const uint32_t method = GetUint32(data + kCountSize);
  if (method != kMethodGamma && method != kMethodGammaFeedback)
    return SIGCORE_BAD_ENCRYPTED_BUFFER;
  size_t offset = 0;
  if (!ReadString(data, size, kHeaderSize, kMaxUidLength, layout.senderUid, offset) ||
      layout.senderUid.empty() || offset >= size)
    return SIGCORE_BAD_ENCRYPTED_BUFFER;
  layout.method = static_cast<int32_t>(method);

  // Each entry takes at least 38 bytes, so no count larger than the buffer can allow is walked;
  // and every offset below stays within `size`, so no sum can wrap.
  if (count > (size - offset) / (1 + kRecipientEntryTail)) return SIGCORE_BAD_ENCRYPTED_BUFFER;
  bool found = false;
  for (uint32_t i = 0; i < count; ++i) {
    std::string uid;
    size_t tail = 0;
    if (!ReadString(data, size, offset, size, uid, tail) || size - tail < kRecipientEntryTail)
      return SIGCORE_BAD_ENCRYPTED_BUFFER;
    if (uid == ownUid) {
      found = true;
      layout.entry = tail;
    }
    offset = tail + kRecipientEntryTail;
  }
  if (size - offset < kEnvelopeTrailer + 1) return SIGCORE_BAD_ENCRYPTED_BUFFER;
  if (!found) return SIGCORE_NOT_ADDRESSED_TO_USER;
  layout.trailer = offset;
  layout.ciphertext = offset + kEnvelopeTrailer;
  return SIGCORE_OK;
}

int32_t OpenEnvelopeInPlace(EnvelopeCrypto& crypto, const std::string& ownUid, uint8_t* data,
                            size_t size, size_t& plaintextSize) {
  plaintextSize = 0;
  EnvelopeLayout layout;
  if (const int32_t result = ReadEnvelopeLayout(data, size, ownUid, layout); result != SIGCORE_OK)
    return result;
  const uint8_t* start = data + layout.trailer;
  const uint8_t* dataMac = start + kEnvelopeStartValueSize;
  const uint8_t* senderValue = dataMac + kEnvelopeMacSize;

  Key kek;
  if (const int32_t result = crypto.SenderKey(senderValue, kek->data()); result != SIGCORE_OK)
    return result;
  Key sessionKey;
  std::array<uint8_t, kEnvelopeMacSize> mac;
  const uint8_t* entry = data + layout.entry;
  if (const int32_t result = crypto.Crypt(layout.method, false, kek->data(), start,
                                          entry + kEnvelopeMacSize, sessionKey->data(),
                                          sessionKey->size());
      result != SIGCORE_OK)
    return result;
  if (const int32_t result =
          crypto.Mac(kek->data(), sessionKey->data(), sessionKey->size(), mac.data());
      result != SIGCORE_OK)
    return result;
  if (!SameMac(mac.data(), entry)) return SIGCORE_KEY_ENTRY_DAMAGED;

  // Decrypted where it lies; plaintext that fails its MAC is encrypted back at once, so the
  // caller's buffer never holds it.
  uint8_t* const ciphertext = data + layout.ciphertext;
  const size_t length = size - layout.ciphertext;
  if (const int32_t result = crypto.OpenData(layout.method, sessionKey->data(), start, ciphertext,
                                             length, mac.data());
      result != SIGCORE_OK)
    return result;
  if (!SameMac(mac.data(), dataMac)) {
    crypto.Crypt(layout.method, true, sessionKey->data(), start, ciphertext, ciphertext, length);
    return SIGCORE_DATA_DAMAGED;
  }
  std::memmove(data, ciphertext, length);
  plaintextSize = length;
  return SIGCORE_OK;
}

int32_t OpenEnvelope(EnvelopeCrypto& crypto, const std::string& ownUid, const uint8_t* data,
                     size_t size, SecretBuffer<uint8_t>& plaintext) {
  plaintext.Assign(0);
  if (data == nullptr) return SIGCORE_BAD_ENCRYPTED_BUFFER;
  SecretBuffer<uint8_t> buffer(size);
  if (size > 0) std::memcpy(buffer.data(), data, size);
  size_t length = 0;
  if (const int32_t result = OpenEnvelopeInPlace(crypto, ownUid, buffer.data(), size, length);
      result != SIGCORE_OK)
    return result;
  plaintext.Assign(length);
  std::memcpy(plaintext.data(), buffer.data(), length);
  return SIGCORE_OK;
}

}  // namespace sigcore
