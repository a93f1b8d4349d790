// libgcrypt's GOST 28147-89 and GOST R 34.11-94 on the same buffers as ours. libgcrypt has no
// gamma mode: its CTR mode, the same work per block, stands in for it.
#include <benchmark/benchmark.h>
#include <gcrypt.h>

#include <cstdlib>

#include "gcrypt_oracle.h"
#include "gost_bench_inputs.h"

namespace {

using namespace gost_bench;

constexpr char kCryptoProA[] = "1.2.643.2.2.31.1";

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

void Ecb_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, true);
}

void CfbEncrypt_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, true);
}

void CfbDecrypt_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, false);
}

void CfbMeshEncrypt_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147_MESH, GCRY_CIPHER_MODE_CFB, true);
}

void Gamma_gcrypt(benchmark::State& state) {
  GcryptCipher(state, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CTR, true);
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

BENCHMARK(Hash3411CP_gcrypt)->Name("Hash3411CP/gcrypt");
BENCHMARK(Ecb_gcrypt)->Name("Ecb/gcrypt");
BENCHMARK(CfbEncrypt_gcrypt)->Name("CfbEncrypt/gcrypt");
BENCHMARK(CfbDecrypt_gcrypt)->Name("CfbDecrypt/gcrypt");
BENCHMARK(CfbMeshEncrypt_gcrypt)->Name("CfbMeshEncrypt/gcrypt");
BENCHMARK(Gamma_gcrypt)->Name("Gamma/gcrypt");
BENCHMARK(Mac_gcrypt)->Name("Mac/gcrypt");

}  // namespace
