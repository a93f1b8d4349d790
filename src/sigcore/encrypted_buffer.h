// The encrypted buffer: data encrypted once under a random session key, with one entry per
// recipient carrying that session key encrypted under the key the sender shares with the
// recipient. It travels between customer and bank, so its layout is fixed to the byte
// (integers 32-bit little-endian):
//
//   recipient count n | method (1 "GAMMA", 2 "GFB") | sender UID, NUL |
//   n entries: recipient UID, NUL, MAC of the session key (4), encrypted session key (32) |
//   start value (8) | MAC of the plaintext (4) | sender's key-agreement public value (65) |
//   ciphertext (as long as the plaintext)
//
// Every encryption uses the method with the one start value; MACs are the cipher's 4-byte
// imitation insert. A buffer to be opened comes from outside: reading it trusts no count,
// length or string in it, and nothing is read outside the length given.
//
// The cryptography itself is behind EnvelopeCrypto, so that the layout is the same whoever
// computes it (the provider in sigcore, the GOST library in the fuzzer and the native tests).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "secret_buffer.h"

namespace sigcore {

inline constexpr int32_t kMethodGamma = 1;
inline constexpr int32_t kMethodGammaFeedback = 2;
inline constexpr size_t kEnvelopeKeySize = 32;
inline constexpr size_t kEnvelopeStartValueSize = 8;
inline constexpr size_t kEnvelopeMacSize = 4;
inline constexpr size_t kEnvelopePublicValueSize = 65;
// What follows a recipient's UID and NUL: the MAC and the encrypted session key.
inline constexpr size_t kRecipientEntryTail = kEnvelopeMacSize + kEnvelopeKeySize;
// What follows the entries besides the ciphertext: start value, data MAC, public value.
inline constexpr size_t kEnvelopeTrailer =
    kEnvelopeStartValueSize + kEnvelopeMacSize + kEnvelopePublicValueSize;

// 1 for "GAMMA", 2 for "GFB", in any letter case; 0 for any other name.
int32_t CipherMethodByName(const std::string& name);

// The list split at every ";", pieces kept as they are: "A;" is "A" and "".
std::vector<std::string> SplitRecipientList(const std::string& list);

// The most an encrypted buffer for n recipients adds to its plaintext, as hosts size their
// buffers: 291 per recipient and 351.
int64_t MaxEncryptionGrowth(int64_t recipients);

// What sealing and opening need from a crypto provider. Every method returns 0, or the result
// code that ends the operation.
class EnvelopeCrypto {
 public:
  virtual ~EnvelopeCrypto() = default;
  virtual int32_t RandomBytes(uint8_t* out, size_t size) = 0;
  // `size` bytes through the method (kMethodGamma or kMethodGammaFeedback) with a 32-byte key
  // and an 8-byte start value; `in` and `out` may be the same.
  virtual int32_t Crypt(int32_t method, bool encrypt, const uint8_t* key, const uint8_t* start,
                        const uint8_t* in, uint8_t* out, size_t size) = 0;
  virtual int32_t Mac(const uint8_t* key, const uint8_t* data, size_t size, uint8_t* mac) = 0;
  // Sender side: the 32-byte key-encryption key shared with a recipient, and the 65-byte
  // public value the recipient derives it from.
  virtual int32_t RecipientKey(const std::string& uid, uint8_t* key) = 0;
  virtual int32_t SenderPublicValue(uint8_t* value) = 0;
  // Recipient side: the key-encryption key from the sender's public value and the user's own
  // secret key. The value comes from outside; it must be refused unless it is a curve point.
  virtual int32_t SenderKey(const uint8_t* senderValue, uint8_t* key) = 0;

  // The data of a buffer, in place: sealing MACs the plaintext into `mac` and encrypts it,
  // opening decrypts it and MACs what it gave. On failure `data` is left as it was given. By
  // default Mac and Crypt run one after the other; a provider may do both in one pass.
  virtual int32_t SealData(int32_t method, const uint8_t* key, const uint8_t* start, uint8_t* data,
                           size_t size, uint8_t* mac);
  virtual int32_t OpenData(int32_t method, const uint8_t* key, const uint8_t* start, uint8_t* data,
                           size_t size, uint8_t* mac);
};

// What sealing for these recipients adds to the plaintext, whatever the UIDs' lengths.
size_t EnvelopeGrowth(const std::string& senderUid, const std::vector<std::string>& recipients);

// Encrypts `size` bytes of plaintext for the recipients, in list order, into `out`. The
// recipient keys are asked for in list order, so the first that cannot be had ends it.
int32_t SealEnvelope(EnvelopeCrypto& crypto, int32_t method, const std::string& senderUid,
                     const std::vector<std::string>& recipients, const uint8_t* plaintext,
                     size_t size, std::vector<uint8_t>& out);
// The same in the plaintext's own buffer, which holds `capacity` bytes: the encrypted buffer
// replaces the plaintext and `sealedSize` is its size. Every key is had before the buffer is
// touched, and on any failure it holds the plaintext as given; -3 when the encrypted buffer
// would not fit.
int32_t SealEnvelopeInPlace(EnvelopeCrypto& crypto, int32_t method, const std::string& senderUid,
                            const std::vector<std::string>& recipients, uint8_t* data,
                            size_t size, size_t capacity, size_t& sealedSize);

// Where the parts of an encrypted buffer lie, for the recipient `ownUid`.
struct EnvelopeLayout {
  int32_t method = 0;
  std::string senderUid;
  size_t entry = 0;       // offset of the own entry's MAC (the encrypted key follows it)
  size_t trailer = 0;     // offset of the start value
  size_t ciphertext = 0;  // offset of the ciphertext, which runs to the end
};

// -15 unless the buffer holds together: more than 8 bytes, a method of 1 or 2, a sender UID of
// 1 to 254 characters, n entries each inside the buffer, and after them the trailer and at
// least one byte of ciphertext. -16 when no entry carries `ownUid` exactly (the last one
// counts when several do).
int32_t ReadEnvelopeLayout(const uint8_t* data, size_t size, const std::string& ownUid,
                           EnvelopeLayout& layout);

// Reads the layout and decrypts: -15 and -16 as above (before any key is asked for), -17 when
// the session key's MAC does not hold, -18 when the data's does. Only authenticated plaintext
// is handed out: on any failure `plaintext` is left empty (and what was decrypted wiped).
int32_t OpenEnvelope(EnvelopeCrypto& crypto, const std::string& ownUid, const uint8_t* data,
                     size_t size, SecretBuffer<uint8_t>& plaintext);
// The same in the buffer itself: on success the plaintext replaces the buffer's start and
// `plaintextSize` is its size; on any failure the buffer holds what it held.
int32_t OpenEnvelopeInPlace(EnvelopeCrypto& crypto, const std::string& ownUid, uint8_t* data,
                            size_t size, size_t& plaintextSize);

}  // namespace sigcore
