// GOST R 34.11-94 hashing (GOSTH_ and GOSTH).
#include <windows.h>

#include <climits>
#include <cstring>

#include "ccm3x_h.h"
#include "export_guard.h"
#include "object_store.h"
#include "params.h"
#include "provider_objects.h"
#include "self_test.h"
#include "token_path.h"
#include "winhandles.h"

using namespace ccom;

namespace {

// A token object is read whole; a disk file in pieces, however large.
void HashFile(const std::string& path, gost::GostR3411_94& hash) {
  const auto update = [&](const uint8_t* data, size_t size) {
    if (!hash.Update(data, size)) Fail(kInternalError, "hashing failed");
  };
  if (IsTokenPath(path)) {
    const auto bytes = ReadObject(path, 1 << 20);
    update(bytes.data(), bytes.size());
    return;
  }
  kit::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) Fail(kFileNotFound, path + ": cannot be opened");
  std::vector<uint8_t> chunk(1 << 16);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr))
      Fail(kReadError, path + ": read failed");
    if (read == 0) return;
    update(chunk.data(), read);
  }
}

std::shared_ptr<HashObject> Hash(GOSTH_CTX* h) { return Hashes().Find(h); }

}  // namespace

extern "C" {

GOSTH_CTX* CCM3X_CALL GOSTH_new(void) {
  return Guarded("GOSTH_new", static_cast<GOSTH_CTX*>(nullptr),
                 [] { return static_cast<GOSTH_CTX*>(Hashes().Make()); });
}

void CCM3X_CALL GOSTH_free(GOSTH_CTX* h) { Hashes().Remove(h); }

int CCM3X_CALL GOSTH_clean(GOSTH_CTX* h) {
  return Guarded("GOSTH_clean", 0, [&] {
    const auto object = Hash(h);
    std::lock_guard guard(object->lock);
    object->hash.reset();
    object->params.reset();
    return 1;
  });
}

int CCM3X_CALL GOSTH_hash_init(GOSTH_CTX* h, const unsigned char* sbox, int paramNid) {
  return Guarded("GOSTH_hash_init", 0, [&] {
    const gost::HashParams params = HashParamsOf(sbox, paramNid);
    const auto object = Hash(h);
    std::lock_guard guard(object->lock);
    object->params = params;
    object->hash.emplace(params);
    return 1;
  });
}

int CCM3X_CALL GOSTH_init(GOSTH_CTX* h) {
  return Guarded("GOSTH_init", 0, [&] {
    const auto object = Hash(h);
    std::lock_guard guard(object->lock);
    if (!object->params) Fail(kParameterError, "GOSTH_hash_init has not been called");
    object->hash.emplace(*object->params);
    return 1;
  });
}

int CCM3X_CALL GOSTH_update(GOSTH_CTX* h, const void* data, int length) {
  return Guarded("GOSTH_update", -1, [&] {
    RequireLength(length, 0, INT_MAX, "the data length");
    if (length > 0) Required(data, "data");
    const auto object = Hash(h);
    std::lock_guard guard(object->lock);
    if (!object->hash) Fail(kParameterError, "GOSTH_hash_init has not been called");
    if (!object->hash->Update(static_cast<const uint8_t*>(data), static_cast<size_t>(length)))
      Fail(kInternalError, "hashing failed");
    return length;
  });
}

int CCM3X_CALL GOSTH_final(GOSTH_CTX* h, unsigned char* digest) {
  return Guarded("GOSTH_final", 0, [&] {
    const auto object = Hash(h);
    std::lock_guard guard(object->lock);
    if (!object->hash) Fail(kParameterError, "GOSTH_hash_init has not been called");
    if (!object->hash->Final(Required(digest, "digest buffer")))
      Fail(kInternalError, "hashing failed");
    return 32;
  });
}

int CCM3X_CALL GOSTH_file_digest(const char* path, int paramNid, unsigned char* digest) {
  return Guarded("GOSTH_file_digest", 0, [&] {
    gost::GostR3411_94 hash(HashParamsOf(nullptr, paramNid));
    HashFile(Required(path, "path"), hash);
    if (!hash.Final(Required(digest, "digest buffer"))) Fail(kInternalError, "hashing failed");
    return 32;
  });
}

int CCM3X_CALL GOSTH_check(void) {
  const std::string failure = HashSelfTest();
  return failure.empty() ? 1 : Refused("GOSTH_check", kInternalError, failure);
}

int CCM3X_CALL GOSTH_get_sbox(GOSTH_CTX* h, unsigned char* sbox) {
  return Guarded("GOSTH_get_sbox", 0, [&] {
    const auto object = Hash(h);
    std::lock_guard guard(object->lock);
    if (!object->params) Fail(kParameterError, "GOSTH_hash_init has not been called");
    const auto set = *object->params == gost::HashParams::CryptoPro ? gost::SBoxSet::CryptoProHash
                                                                    : gost::SBoxSet::Test;
    std::memcpy(Required(sbox, "S-box buffer"), TableOfSet(set), kSBoxTableSize);
    return 1;
  });
}

int CCM3X_CALL GOSTH_get_test_sbox(unsigned char* sbox) {
  return Guarded("GOSTH_get_test_sbox", 0, [&] {
    std::memcpy(Required(sbox, "S-box buffer"), TableOfSet(gost::SBoxSet::Test), kSBoxTableSize);
    return 1;
  });
}

const unsigned char* CCM3X_CALL GOSTH_nid2sbox(int paramNid) {
  return Guarded("GOSTH_nid2sbox", static_cast<const unsigned char*>(nullptr), [&] {
    HashParamsOf(nullptr, paramNid);
    return TableOfSet(gost::SBoxSet::CryptoProHash);
  });
}

int CCM3X_CALL GOSTH(const void* data, int length, int paramNid, unsigned char* digest) {
  return Guarded("GOSTH", 0, [&] {
    RequireLength(length, 0, INT_MAX, "the data length");
    if (length > 0) Required(data, "data");
    if (!gost::Hash(HashParamsOf(nullptr, paramNid), static_cast<const uint8_t*>(data),
                    static_cast<size_t>(length), Required(digest, "digest buffer")))
      Fail(kInternalError, "hashing failed");
    return 32;
  });
}

}  // extern "C"
