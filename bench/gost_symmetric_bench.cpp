// GOST 28147-89 and GOST R 34.11-94: ours against libgcrypt's on the same 64 KiB buffers, all
// with the CryptoPro parameter sets. Pairs are named "<Primitive>/ours" and
// "<Primitive>/gcrypt"; bench/report.py prints the ratios. libgcrypt has no gamma mode: its CTR
// mode, the same work per block, stands in for it.
#include <benchmark/benchmark.h>
#include <gcrypt.h>

#include <cstdlib>
#include <vector>

#include "gost28147.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gostr3411_94.h"

namespace {

constexpr size_t kSize = 64 * 1024;
constexpr char kCryptoProA[] = "1.2.643.2.2.31.1";

std::vector<uint8_t> Buffer(uint8_t seed = 7) {
  std::vector<uint8_t> data(kSize);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + seed);
  return data;
}

const std::vector<uint8_t> kKey = [] {
  auto key = Buffer(1);
  key.resize(32);
  return key;
}();
const uint8_t kIv[8] = {1, 2, 3, 4, 5, 6, 7, 8};

void InitGcrypt() {
  static const bool ready = [] {
    if (!gcry_check_version(GCRYPT_VERSION)) std::abort();
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)ready;
}

void Bytes(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

// One libgcrypt cipher pass over the buffer per iteration, from a fresh IV.
void GcryptCipher(benchmark::State& state, int algo, int mode, bool encrypt) {
  InitGcrypt();
  auto data = Buffer();
  gcry_cipher_hd_t hd;
  if (gcry_cipher_open(&hd, algo, mode, 0) || gcry_cipher_setkey(hd, kKey.data(), 32) ||
      gcry_cipher_ctl(hd, GCRYCTL_SET_SBOX, const_cast<char*>(kCryptoProA), 0)) {
    std::abort();
  }
  for (auto _ : state) {
    if (mode == GCRY_CIPHER_MODE_CTR) {
      gcry_cipher_setctr(hd, kIv, 8);
    } else if (mode != GCRY_CIPHER_MODE_ECB) {
      gcry_cipher_setiv(hd, kIv, 8);
    }
    if (encrypt) {
      gcry_cipher_encrypt(hd, data.data(), data.size(), nullptr, 0);
    } else {
      gcry_cipher_decrypt(hd, data.data(), data.size(), nullptr, 0);
    }
    benchmark::ClobberMemory();
  }
  gcry_cipher_close(hd);
  Bytes(state);
}

void Hash3411CP_ours(benchmark::State& state) {
  const auto data = Buffer();
  uint8_t digest[32];
  for (auto _ : state) {
    gost::Hash(gost::HashParams::CryptoPro, data.data(), data.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  Bytes(state);
}

void Hash3411CP_gcrypt(benchmark::State& state) {
  InitGcrypt();
  const auto data = Buffer();
  gcry_md_hd_t md;
  if (gcry_md_open(&md, GCRY_MD_GOSTR3411_CP, 0)) std::abort();
  for (auto _ : state) {
    gcry_md_reset(md);
    gcry_md_write(md, data.data(), data.size());
    benchmark::DoNotOptimize(gcry_md_read(md, 0));
  }
  gcry_md_close(md);
  Bytes(state);
}

void Ecb_ours(benchmark::State& state) {
  auto data = Buffer();
  const gost::Gost28147 cipher(gost::SBoxSet::CryptoProA, kKey.data());
  for (auto _ : state) {
    cipher.Encrypt(data.data(), data.data(), data.size() / 8);
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void Ecb_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, true);
}

void CfbEncrypt_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
        .Encrypt(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void CfbEncrypt_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, true);
}

void CfbDecrypt_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
        .Decrypt(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void CfbDecrypt_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, false);
}

void CfbMeshEncrypt_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Cfb(gost::SBoxSet::CryptoProA, kKey.data(), kIv,
                       gost::Gost28147Cfb::Meshing::CryptoPro)
        .Encrypt(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void CfbMeshEncrypt_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147_MESH, GCRY_CIPHER_MODE_CFB, true);
}

void Gamma_ours(benchmark::State& state) {
  auto data = Buffer();
  for (auto _ : state) {
    gost::Gost28147Gamma(gost::SBoxSet::CryptoProA, kKey.data(), kIv)
        .Apply(data.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Bytes(state);
}

void Gamma_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CTR, true);
}

void Mac_ours(benchmark::State& state) {
  const auto data = Buffer();
  uint8_t mac[4];
  for (auto _ : state) {
    gost::Gost28147Mac imit(gost::SBoxSet::CryptoProA, kKey.data());
    imit.Update(data.data(), data.size());
    imit.Final(mac);
    benchmark::DoNotOptimize(mac);
  }
  Bytes(state);
}

void Mac_gcrypt(benchmark::State& state) {
  InitGcrypt();
  const auto data = Buffer();
  gcry_mac_hd_t hd;
  if (gcry_mac_open(&hd, GCRY_MAC_GOST28147_IMIT, 0, nullptr) ||
      gcry_mac_setkey(hd, kKey.data(), 32)) {
    std::abort();
  }
  uint8_t mac[4];
  for (auto _ : state) {
    gcry_mac_reset(hd);
    gcry_mac_write(hd, data.data(), data.size());
    size_t size = sizeof mac;
    gcry_mac_read(hd, mac, &size);
    benchmark::DoNotOptimize(mac);
  }
  gcry_mac_close(hd);
  Bytes(state);
}

BENCHMARK(Hash3411CP_ours)->Name("Hash3411CP/ours");
BENCHMARK(Hash3411CP_gcrypt)->Name("Hash3411CP/gcrypt");
BENCHMARK(Ecb_ours)->Name("Ecb/ours");
BENCHMARK(Ecb_gcrypt)->Name("Ecb/gcrypt");
BENCHMARK(CfbEncrypt_ours)->Name("CfbEncrypt/ours");
BENCHMARK(CfbEncrypt_gcrypt)->Name("CfbEncrypt/gcrypt");
BENCHMARK(CfbDecrypt_ours)->Name("CfbDecrypt/ours");
BENCHMARK(CfbDecrypt_gcrypt)->Name("CfbDecrypt/gcrypt");
BENCHMARK(CfbMeshEncrypt_ours)->Name("CfbMeshEncrypt/ours");
BENCHMARK(CfbMeshEncrypt_gcrypt)->Name("CfbMeshEncrypt/gcrypt");
BENCHMARK(Gamma_ours)->Name("Gamma/ours");
BENCHMARK(Gamma_gcrypt)->Name("Gamma/gcrypt");
BENCHMARK(Mac_ours)->Name("Mac/ours");
BENCHMARK(Mac_gcrypt)->Name("Mac/gcrypt");

}  // namespace
