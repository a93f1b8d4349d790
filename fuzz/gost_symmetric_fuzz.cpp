// GOST 28147-89 and GOST R 34.11-94 against libgcrypt on arbitrary keys, IVs, data and ways of
// cutting the data into pieces, through the table classes and the constant-time ...Secret
// classes. Input: operation, S-box set (top bit: the ...Secret classes), chunk size, key (32),
// IV (8), data.
#include <gcrypt.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gost28147.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gostr3411_94.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct NamedSet {
  gost::SBoxSet set;
  const char* oid;
};

constexpr NamedSet kSets[] = {
    {gost::SBoxSet::Test, "1.2.643.2.2.30.0"},       {gost::SBoxSet::CipherTest, "1.2.643.2.2.31.0"},
    {gost::SBoxSet::CryptoProA, "1.2.643.2.2.31.1"}, {gost::SBoxSet::CryptoProB, "1.2.643.2.2.31.2"},
    {gost::SBoxSet::CryptoProC, "1.2.643.2.2.31.3"}, {gost::SBoxSet::CryptoProD, "1.2.643.2.2.31.4"},
    {gost::SBoxSet::CryptoProHash, "1.2.643.2.2.30.1"},
};

void Check(bool ok) {
  if (!ok) std::abort();
}

// Feeds data to `step` in pieces of `chunk` bytes (all at once for 0).
template <class Step>
void InPieces(const Bytes& data, size_t chunk, Step step) {
  if (chunk == 0) chunk = data.size();
  for (size_t done = 0; done < data.size(); done += chunk) {
    step(done, std::min(chunk, data.size() - done));
  }
  if (data.empty()) step(0, 0);
}

Bytes Gcrypt(int algo, int mode, const NamedSet& set, const Bytes& key, const Bytes& iv,
             const Bytes& in, bool encrypt) {
  gcry_cipher_hd_t hd;
  Check(gcry_cipher_open(&hd, algo, mode, 0) == 0);
  Check(gcry_cipher_setkey(hd, key.data(), key.size()) == 0);
  Check(gcry_cipher_ctl(hd, GCRYCTL_SET_SBOX, const_cast<char*>(set.oid), 0) == 0);
  if (mode != GCRY_CIPHER_MODE_ECB) Check(gcry_cipher_setiv(hd, iv.data(), iv.size()) == 0);
  Bytes out(in.size());
  Check((encrypt ? gcry_cipher_encrypt(hd, out.data(), out.size(), in.data(), in.size())
                 : gcry_cipher_decrypt(hd, out.data(), out.size(), in.data(), in.size())) == 0);
  gcry_cipher_close(hd);
  return out;
}

void Hash(gost::HashParams params, const Bytes& data, size_t chunk) {
  const int algo = params == gost::HashParams::Test ? GCRY_MD_GOSTR3411_94 : GCRY_MD_GOSTR3411_CP;
  Bytes expected(32), one_shot(32), secret(32), pieces(32);
  gcry_md_hash_buffer(algo, expected.data(), data.data(), data.size());
  Check(gost::Hash(params, data.data(), data.size(), one_shot.data()));
  Check(gost::HashSecret(params, data.data(), data.size(), secret.data()));
  gost::GostR3411_94Secret hash(params);
  InPieces(data, chunk, [&](size_t at, size_t n) { Check(hash.Update(data.data() + at, n)); });
  Check(hash.Final(pieces.data()));
  Check(one_shot == expected && secret == expected && pieces == expected);
}

template <class Cipher>
void Ecb(const NamedSet& set, const Bytes& key, Bytes data) {
  data.resize(data.size() / 8 * 8);
  const Cipher cipher(set.set, key.data());
  Bytes out(data.size()), back(data.size());
  Check(cipher.Encrypt(data.data(), out.data(), data.size() / 8));
  Check(cipher.Decrypt(data.data(), back.data(), data.size() / 8));
  Check(out == Gcrypt(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, set, key, {}, data, true));
  Check(back == Gcrypt(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, set, key, {}, data, false));
}

template <class Cipher>
void Cfb(const NamedSet& set, bool meshing, const Bytes& key, const Bytes& iv, const Bytes& data,
         size_t chunk) {
  const auto mode = meshing ? gost::Gost28147Cfb::Meshing::CryptoPro : gost::Gost28147Cfb::Meshing::None;
  Cipher encrypt(set.set, key.data(), iv.data(), mode);
  Cipher decrypt(set.set, key.data(), iv.data(), mode);
  Bytes out(data.size()), back(data.size());
  InPieces(data, chunk, [&](size_t at, size_t n) {
    Check(encrypt.Encrypt(data.data() + at, out.data() + at, n));
    Check(decrypt.Decrypt(data.data() + at, back.data() + at, n));
  });
  const int algo = meshing ? GCRY_CIPHER_GOST28147_MESH : GCRY_CIPHER_GOST28147;
  Check(out == Gcrypt(algo, GCRY_CIPHER_MODE_CFB, set, key, iv, data, true));
  Check(back == Gcrypt(algo, GCRY_CIPHER_MODE_CFB, set, key, iv, data, false));
}

// libgcrypt has no gamma mode: the counter is stepped here and encrypted by its ECB.
template <class Cipher>
void Gamma(const NamedSet& set, const Bytes& key, const Bytes& iv, const Bytes& data,
           size_t chunk) {
  Cipher gamma(set.set, key.data(), iv.data());
  Bytes out(data.size());
  InPieces(data, chunk, [&](size_t at, size_t n) {
    Check(gamma.Apply(data.data() + at, out.data() + at, n));
  });

  Bytes counter = Gcrypt(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, set, key, {}, iv, true);
  uint32_t n3, n4;
  std::memcpy(&n3, &counter[0], 4);
  std::memcpy(&n4, &counter[4], 4);
  for (size_t at = 0; at < data.size(); at += 8) {
    n3 += 0x01010101;
    const uint64_t sum = uint64_t{n4} + 0x01010104;
    n4 = static_cast<uint32_t>(sum >= (uint64_t{1} << 32) ? sum - 0xffffffffu : sum);
    std::memcpy(&counter[0], &n3, 4);
    std::memcpy(&counter[4], &n4, 4);
    const Bytes block = Gcrypt(GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, set, key, {}, counter, true);
    for (size_t i = at; i < data.size() && i < at + 8; ++i) Check(out[i] == (data[i] ^ block[i - at]));
  }
}

template <class Cipher>
void Mac(const Bytes& key, const Bytes* iv, const Bytes& data, size_t chunk) {
  gcry_mac_hd_t hd;
  Check(gcry_mac_open(&hd, GCRY_MAC_GOST28147_IMIT, 0, nullptr) == 0);
  Check(gcry_mac_setkey(hd, key.data(), key.size()) == 0);
  if (iv) Check(gcry_mac_setiv(hd, iv->data(), iv->size()) == 0);
  Check(gcry_mac_write(hd, data.data(), data.size()) == 0);
  Bytes expected(4);
  size_t size = expected.size();
  Check(gcry_mac_read(hd, expected.data(), &size) == 0);
  gcry_mac_close(hd);

  Cipher mac(gost::SBoxSet::CryptoProA, key.data(), iv ? iv->data() : nullptr);
  InPieces(data, chunk, [&](size_t at, size_t n) { Check(mac.Update(data.data() + at, n)); });
  Bytes out(4);
  Check(mac.Final(out.data()));
  Check(out == expected);
}

// One operation through the table classes or the constant-time ones.
template <class EcbCipher, class GammaCipher, class CfbCipher, class MacCipher>
void Run(uint8_t operation, const NamedSet& set, size_t chunk, const Bytes& key, const Bytes& iv,
         const Bytes& data) {
  switch (operation) {
    case 0: Hash(gost::HashParams::Test, data, chunk); break;
    case 1: Hash(gost::HashParams::CryptoPro, data, chunk); break;
    case 2: Ecb<EcbCipher>(set, key, data); break;
    case 3: Cfb<CfbCipher>(set, false, key, iv, data, chunk); break;
    case 4: Cfb<CfbCipher>(kSets[2], true, key, iv, data, chunk); break;
    case 5: Gamma<GammaCipher>(set, key, iv, data, chunk); break;
    case 6: Mac<MacCipher>(key, nullptr, data, chunk); break;
    default: Mac<MacCipher>(key, &iv, data, chunk); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static const bool ready = gcry_check_version(GCRYPT_VERSION) != nullptr;
  Check(ready);
  if (size < 43 || size > 8192 + 43) return 0;
  const uint8_t operation = input[0] % 8;
  const NamedSet& set = kSets[input[1] % 7];
  const size_t chunk = input[2];
  const Bytes key(input + 3, input + 35), iv(input + 35, input + 43), data(input + 43, input + size);

  if (input[1] & 0x80) {
    Run<gost::Gost28147Secret, gost::Gost28147GammaSecret, gost::Gost28147CfbSecret,
        gost::Gost28147MacSecret>(operation, set, chunk, key, iv, data);
  } else {
    Run<gost::Gost28147, gost::Gost28147Gamma, gost::Gost28147Cfb, gost::Gost28147Mac>(
        operation, set, chunk, key, iv, data);
  }
  return 0;
}
