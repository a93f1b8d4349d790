// A provider double that simulates what the binding's key media and session rely on, for
// sigcore's tests; it is not the provider stand-in and keeps no secret safe.
//
// - A container is a folder: the disk folder itself, or <root>\<DEVICE><slot>\<XXXX> for the
//   token path "<DEVICE><slot>:/<XXXX>"; reading it succeeds when the folder exists. A copy
//   (its four parts set, then read) always opens. A disk container without "rand.opq" has a
//   new generator: reading it asks the keystroke callback for "1", "2" and "3" (-1 or -2 fails
//   with 6) and then writes the file.
// - A secret key's first 32 bytes are the private scalar itself (the last 4 are ignored).
// - Tokens live under CCOM_SIM_ROOT: slot <DEVICE><n> is present when its folder exists. A slot
//   with a file "pin" asks the token-password callback for that PIN before its objects are read,
//   written or erased (not for CADB_access or CADB_file_exists); the login lasts until
//   CADB_token_logout or CADB_close. A wrong PIN fails with 28, none with 22.
// - CCOM_SIM_ETOKEN_MISSES=n makes the next n CADB_access calls on "ETOKEN" paths answer 0.
// - Signatures, hashes, key agreement, the cipher modes and MACs are the GOST library's; a
//   generated secret key is a fresh scalar and 4 bytes.
// - PSE_CTX_generate opens a new container at its place; PSE_CTX_write makes the place's
//   folder. CCOM_SIM_WRITE_FAULTS=n makes the next n PSE_CTX_write calls fail with 24.
// - Every call the binding makes to the media and containers is logged, one line each, into
//   the file named by CCOM_SIM_LOG.
//
// Built as ccom.dll, and as a ccomio.dll whose exports forward to it.
#include <windows.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ccm3x_h.h"
#include "gost28147_mac.h"
#include "gost28147_modes.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"

namespace {

constexpr int kUnreadable = 5;
constexpr int kGeneratorNotInitialised = 6;
constexpr int kBadSignature = 7;
constexpr int kKeysDoNotMatch = 19;
constexpr int kInterrupted = 22;
constexpr int kReadError = 23;
constexpr int kWriteError = 24;
constexpr int kNotFound = 25;
constexpr int kAccessError = 28;

thread_local int lastError = 0;
thread_local std::string lastErrorText;

std::mutex lock;
CADB_TOKEN_PASSWD_CALLBACK tokenPasswd = nullptr;
std::set<std::string> loggedIn;
bool randInited = false;
uint32_t counter = 0;

std::string Environment(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void Log(const std::string& line) {
  const std::string path = Environment("CCOM_SIM_LOG");
  if (path.empty()) return;
  // Appends from several threads at once would lose lines.
  static std::mutex logLock;
  std::lock_guard guard(logLock);
  if (FILE* file = std::fopen(path.c_str(), "ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

int Fail(int code, const std::string& text) {
  lastError = code;
  lastErrorText = text;
  return 0;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A token path split into its slot ("ETOKEN0") and object ("1A2F/AAAA").
struct TokenPath {
  std::string slot;
  std::string object;
  std::string file;  // where it lives
};

std::optional<TokenPath> ParseTokenPath(const std::string& path) {
  const size_t colon = path.find(':');
  if (colon == std::string::npos || colon < 6) return std::nullopt;
  std::string device = Upper(path.substr(0, colon));
  std::string slot;
  if (std::isdigit(static_cast<unsigned char>(device.back()))) {
    slot = device;
    device.pop_back();
  }
  if (device != "ETOKEN" && device != "RUTOKEN") return std::nullopt;
  const std::string root = Environment("CCOM_SIM_ROOT") + "\\";
  if (slot.empty()) {
    for (char n = '0'; n <= '9' && slot.empty(); ++n)
      if (Exists(root + device + n)) slot = device + n;
    if (slot.empty()) slot = device + "0";
  }
  std::string object = path.substr(colon + 1);
  while (!object.empty() && (object.front() == '/' || object.front() == '\\')) object.erase(0, 1);
  std::string file = root + slot + (object.empty() ? "" : "\\" + object);
  for (char& c : file)
    if (c == '/') c = '\\';
  while (file.back() == '\\') file.pop_back();
  return TokenPath{slot, object, file};
}

// Asks for the slot's PIN when it has one and is not logged in.
bool Login(const TokenPath& token, const std::string& objectPath) {
  const std::string pinFile = Environment("CCOM_SIM_ROOT") + "\\" + token.slot + "\\pin";
  std::lock_guard guard(lock);
  if (!Exists(pinFile) || loggedIn.contains(token.slot)) return true;
  std::string expected;
  if (FILE* file = std::fopen(pinFile.c_str(), "rb")) {
    char text[64] = {};
    expected.assign(text, std::fread(text, 1, sizeof text, file));
    std::fclose(file);
  }
  Log("PIN " + objectPath);
  char pin[64] = {};
  const int length = tokenPasswd != nullptr ? tokenPasswd(pin, sizeof pin, 0, objectPath.c_str()) : 0;
  if (length <= 0) return Fail(kInterrupted, "no PIN for " + objectPath) != 0;
  if (std::string(pin, static_cast<size_t>(length)) != expected)
    return Fail(kAccessError, "wrong PIN for " + objectPath) != 0;
  loggedIn.insert(token.slot);
  return true;
}

// Where a path of the CADB_ calls lives, after the login its token needs.
std::optional<std::string> Place(const char* path, bool needsLogin) {
  if (path == nullptr) return std::nullopt;
  const auto token = ParseTokenPath(path);
  if (!token) return std::string(path);
  if (needsLogin && !Login(*token, path)) return std::nullopt;
  return token->file;
}

template <class T>
class Registry {
 public:
  T* Make() {
    std::lock_guard guard(lock_);
    auto object = std::make_unique<T>();
    T* raw = object.get();
    objects_[raw] = std::move(object);
    return raw;
  }
  T* Find(const void* handle) {
    std::lock_guard guard(lock_);
    const auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : found->second.get();
  }
  void Free(const void* handle) {
    std::lock_guard guard(lock_);
    objects_.erase(handle);
  }

 private:
  std::mutex lock_;
  std::map<const void*, std::unique_ptr<T>> objects_;
};

struct Context {
  std::string path;
  std::array<uint8_t, CCM3X_MKEY_SIZE> parts[4] = {};
  bool partsSet[4] = {};
  bool open = false;
  PSE_RAND_CALLBACK keystrokes = nullptr;
};
struct Signer {
  bool signing = false;
  std::array<uint8_t, 32> privateKey{};
  std::array<uint8_t, 65> publicKey{};
  std::unique_ptr<gost::GostR3411_94> hash;
};
struct Agreement {
  std::array<uint8_t, 32> privateKey{};
};
struct Hasher {
  gost::GostR3411_94 hash{gost::HashParams::CryptoPro};
};
struct Cipher {
  int mode = -1;
  bool encrypt = false;
  std::unique_ptr<gost::Gost28147Gamma> gamma;
  std::unique_ptr<gost::Gost28147Cfb> feedback;
  std::unique_ptr<gost::Gost28147Mac> mac;
};

Registry<Context> contexts;
Registry<Signer> signers;
Registry<Agreement> agreements;
Registry<Hasher> hashers;
Registry<Cipher> ciphers;

constexpr int kPartSizes[4] = {CCM3X_KEK_SIZE, CCM3X_MASKS_SIZE, CCM3X_RAND_STATE_SIZE,
                               CCM3X_MKEY_SIZE};

int GetPart(PSE_CTX* handle, int part, unsigned char* data, int* length) {
  Context* ctx = contexts.Find(handle);
  if (ctx == nullptr || !ctx->open || *length < kPartSizes[part]) return Fail(1, "no open container");
  for (int i = 0; i < kPartSizes[part]; ++i)
    data[i] = static_cast<uint8_t>(ctx->path.size() + part * 31 + i);
  *length = kPartSizes[part];
  return 1;
}

int SetPart(PSE_CTX* handle, int part, const unsigned char* data, int length) {
  Context* ctx = contexts.Find(handle);
  if (ctx == nullptr || length != kPartSizes[part]) return Fail(1, "bad container part");
  std::memcpy(ctx->parts[part].data(), data, static_cast<size_t>(length));
  ctx->partsSet[part] = true;
  return 1;
}

void Random(uint8_t* out, size_t size) {
  std::lock_guard guard(lock);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>((++counter) * 2654435761u >> 13);
}

}  // namespace

extern "C" {

int CCM3X_CALL CADB_init(void) { return 1; }
// The kit closes the provider before it unloads it; ccomio.dll's forwarders may keep ccom.dll
// loaded, so what an unload would forget is forgotten here.
void CCM3X_CALL CADB_close(void) {
  std::lock_guard guard(lock);
  loggedIn.clear();
  randInited = false;
  tokenPasswd = nullptr;
}
int CCM3X_CALL ERR_get_last_error(void) { return lastError; }
void CCM3X_CALL ERR_set_last_error(int code) { lastError = code; }
char* CCM3X_CALL ERR_get_errors(void) {
  if (lastErrorText.empty()) return nullptr;
  char* text = static_cast<char*>(std::malloc(lastErrorText.size() + 1));
  if (text != nullptr) std::memcpy(text, lastErrorText.c_str(), lastErrorText.size() + 1);
  return text;
}
void CCM3X_CALL CCLIB_mem_free(void* block) { std::free(block); }
const char* CCM3X_CALL CCLIB_get_copyright(void) { return "Simulating provider for the kit's tests"; }

int CCM3X_CALL ETOKEN_set_passwd_callback(CADB_TOKEN_PASSWD_CALLBACK callback) {
  std::lock_guard guard(lock);
  tokenPasswd = callback;
  return 1;
}
int CCM3X_CALL CADB_set_token_passwd_callback(CADB_TOKEN_PASSWD_CALLBACK callback) {
  return ETOKEN_set_passwd_callback(callback);
}
int CCM3X_CALL CADB_token_logout(const char* slotPath) {
  Log(std::string("CADB_token_logout ") + slotPath);
  const auto token = ParseTokenPath(slotPath != nullptr ? slotPath : "");
  std::lock_guard guard(lock);
  if (!token || !loggedIn.erase(token->slot)) return Fail(1, "not logged in");
  return 1;
}

PSE_CTX* CCM3X_CALL PSE_CTX_new(void) {
  Log("PSE_CTX_new");
  return reinterpret_cast<PSE_CTX*>(contexts.Make());
}
void CCM3X_CALL PSE_CTX_free(PSE_CTX* handle) {
  Log("PSE_CTX_free");
  contexts.Free(handle);
}
int CCM3X_CALL PSE_CTX_set_path(PSE_CTX* handle, const char* path, int) {
  Context* ctx = contexts.Find(handle);
  if (ctx == nullptr || path == nullptr) return Fail(1, "no context");
  ctx->path = path;
  return 1;
}
int CCM3X_CALL PSE_CTX_set_rand_callback(PSE_CTX* handle, PSE_RAND_CALLBACK callback) {
  Context* ctx = contexts.Find(handle);
  if (ctx == nullptr) return Fail(1, "no context");
  ctx->keystrokes = callback;
  return 1;
}
int CCM3X_CALL PSE_CTX_read(PSE_CTX* handle) {
  Context* ctx = contexts.Find(handle);
  if (ctx == nullptr) return Fail(1, "no context");
  if (ctx->path.empty()) {
    Log("PSE_CTX_read copy");
    if (!(ctx->partsSet[0] && ctx->partsSet[1] && ctx->partsSet[2] && ctx->partsSet[3]))
      return Fail(kUnreadable, "a copy without all its parts");
    ctx->open = true;
    return 1;
  }
  Log("PSE_CTX_read " + ctx->path);
  const auto token = ParseTokenPath(ctx->path);
  if (token && !Login(*token, ctx->path + "/A001")) return 0;
  std::string folder = token ? token->file : ctx->path;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Fail(kUnreadable, "no container at " + ctx->path);
  const std::string state = folder + "\\rand.opq";
  if (!token && !Exists(state)) {
    constexpr char kAsked[] = "123";
    for (int i = 1; i <= 3; ++i) {
      const int typed = ctx->keystrokes != nullptr ? ctx->keystrokes(kAsked[i - 1], i, 3, nullptr) : -2;
      if (typed < 0) return Fail(kGeneratorNotInitialised, "keystrokes cancelled for " + ctx->path);
    }
    if (FILE* file = std::fopen(state.c_str(), "wb")) std::fclose(file);
  }
  ctx->open = true;
  std::lock_guard guard(lock);
  randInited = true;
  return 1;
}
int CCM3X_CALL PSE_CTX_generate(PSE_CTX* handle) {
  Context* ctx = contexts.Find(handle);
  if (ctx == nullptr || ctx->path.empty()) return Fail(1, "no place for a new container");
  Log("PSE_CTX_generate " + ctx->path);
  const auto token = ParseTokenPath(ctx->path);
  if (token && !Login(*token, ctx->path)) return 0;
  ctx->open = true;
  std::lock_guard guard(lock);
  randInited = true;
  return 1;
}
int CCM3X_CALL PSE_CTX_write(PSE_CTX* handle) {
  Context* ctx = contexts.Find(handle);
  if (ctx == nullptr || !ctx->open) return Fail(1, "nothing to write");
  Log("PSE_CTX_write " + ctx->path);
  {
    std::lock_guard guard(lock);
    const int faults = std::atoi(Environment("CCOM_SIM_WRITE_FAULTS").c_str());
    if (faults > 0) {
      ::SetEnvironmentVariableA("CCOM_SIM_WRITE_FAULTS", std::to_string(faults - 1).c_str());
      return Fail(kWriteError, "the container was not written to " + ctx->path);
    }
  }
  const auto token = ParseTokenPath(ctx->path);
  if (token && !Login(*token, ctx->path)) return 0;
  std::string folder = token ? token->file : ctx->path;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  ::CreateDirectoryA(folder.c_str(), nullptr);
  if (!token)
    if (FILE* file = std::fopen((folder + "\\rand.opq").c_str(), "wb")) std::fclose(file);
  return Exists(folder) ? 1 : Fail(kWriteError, "cannot make " + folder);
}
PSE* CCM3X_CALL PSE_CTX_get_pse(PSE_CTX* handle) {
  Context* ctx = contexts.Find(handle);
  return ctx != nullptr && ctx->open ? reinterpret_cast<PSE*>(handle) : nullptr;
}
int CCM3X_CALL PSE_CTX_get_kek(PSE_CTX* c, unsigned char* d, int* n) { return GetPart(c, 0, d, n); }
int CCM3X_CALL PSE_CTX_get_masks(PSE_CTX* c, unsigned char* d, int* n) { return GetPart(c, 1, d, n); }
int CCM3X_CALL PSE_CTX_get_rand(PSE_CTX* c, unsigned char* d, int* n) { return GetPart(c, 2, d, n); }
int CCM3X_CALL PSE_CTX_get_mkey(PSE_CTX* c, unsigned char* d, int* n) { return GetPart(c, 3, d, n); }
int CCM3X_CALL PSE_CTX_set_kek(PSE_CTX* c, const unsigned char* d, int n) { return SetPart(c, 0, d, n); }
int CCM3X_CALL PSE_CTX_set_masks(PSE_CTX* c, const unsigned char* d, int n) { return SetPart(c, 1, d, n); }
int CCM3X_CALL PSE_CTX_set_rand(PSE_CTX* c, const unsigned char* d, int n) { return SetPart(c, 2, d, n); }
int CCM3X_CALL PSE_CTX_set_mkey(PSE_CTX* c, const unsigned char* d, int n) { return SetPart(c, 3, d, n); }

int CCM3X_CALL PSE_rand_inited(void) {
  std::lock_guard guard(lock);
  return randInited ? 1 : 0;
}
int CCM3X_CALL RAND_bytes(unsigned char* buffer, int length) {
  Log("RAND_bytes " + std::to_string(length));
  if (!PSE_rand_inited()) return Fail(4, "the generator is not initialised");
  Random(buffer, static_cast<size_t>(length));
  return length;
}

int CCM3X_CALL ECGOST_generate_public_key(PSE* pse, int paramNid, const unsigned char* secretKey,
                                          unsigned char* publicKey, int* publicKeyLength, int) {
  if (PSE_CTX_get_pse(reinterpret_cast<PSE_CTX*>(pse)) == nullptr || paramNid != 11 ||
      *publicKeyLength < 65)
    return Fail(1, "bad arguments");
  if (!gost::DerivePublicKey(gost::CurveParams::CryptoProA, secretKey, publicKey))
    return Fail(kKeysDoNotMatch, "not a secret key of this container");
  *publicKeyLength = 65;
  return 1;
}

int CCM3X_CALL ECGOST_generate_key(PSE* pse, int paramNid, unsigned char* secretKey,
                                   int* secretKeyLength, unsigned char* publicKey,
                                   int* publicKeyLength) {
  if (PSE_CTX_get_pse(reinterpret_cast<PSE_CTX*>(pse)) == nullptr || paramNid != 11 ||
      *secretKeyLength < 36 || *publicKeyLength < 65)
    return Fail(1, "bad arguments");
  uint8_t random[gost::kKeyGenerationRandomSize];
  Random(random, sizeof random);
  if (!gost::GenerateKeyPair(gost::CurveParams::CryptoProA, random, secretKey, publicKey))
    return Fail(14, "no key pair");
  std::memset(secretKey + 32, 'K', 4);
  *secretKeyLength = 36;
  *publicKeyLength = 65;
  return 1;
}

ECGOST_SIGN* CCM3X_CALL ECGOST_SIGN_new(void) {
  return reinterpret_cast<ECGOST_SIGN*>(signers.Make());
}
void CCM3X_CALL ECGOST_SIGN_free(ECGOST_SIGN* sig) { signers.Free(sig); }
int CCM3X_CALL ECGOST_sign_init(ECGOST_SIGN* sig, PSE* pse, const unsigned char*, int, int,
                                const unsigned char* secretKey, int) {
  Signer* s = signers.Find(sig);
  if (s == nullptr || PSE_CTX_get_pse(reinterpret_cast<PSE_CTX*>(pse)) == nullptr)
    return Fail(1, "bad arguments");
  s->signing = true;
  std::memcpy(s->privateKey.data(), secretKey, 32);
  s->hash = std::make_unique<gost::GostR3411_94>(gost::HashParams::CryptoPro);
  return 1;
}
int CCM3X_CALL ECGOST_verify_init(ECGOST_SIGN* sig, int, const unsigned char*, int,
                                  const unsigned char* publicKey) {
  Signer* s = signers.Find(sig);
  if (s == nullptr) return Fail(1, "bad arguments");
  s->signing = false;
  std::memcpy(s->publicKey.data(), publicKey, 65);
  s->hash = std::make_unique<gost::GostR3411_94>(gost::HashParams::CryptoPro);
  return 1;
}
int CCM3X_CALL ECGOST_update(ECGOST_SIGN* sig, const void* data, int length) {
  Signer* s = signers.Find(sig);
  if (s == nullptr || !s->hash) return Fail(1, "bad arguments");
  if (!s->hash->Update(static_cast<const uint8_t*>(data), static_cast<size_t>(length)))
    return Fail(12, "cannot hash");
  return length;
}
int CCM3X_CALL ECGOST_sign_final(ECGOST_SIGN* sig, unsigned char* signature, int* length) {
  Signer* s = signers.Find(sig);
  if (s == nullptr || !s->signing || *length < 64) return Fail(1, "bad arguments");
  uint8_t digest[32];
  uint8_t random[32];
  Random(random, sizeof random);
  if (!s->hash->Final(digest) || !gost::Sign(gost::CurveParams::CryptoProA, s->privateKey.data(), digest, random,
                  sizeof random, signature))
    return Fail(16, "cannot sign");
  *length = 64;
  return 1;
}
int CCM3X_CALL ECGOST_verify_final(ECGOST_SIGN* sig, const unsigned char* signature, int length) {
  Signer* s = signers.Find(sig);
  if (s == nullptr || s->signing || length != 64) return Fail(kBadSignature, "bad signature");
  uint8_t digest[32];
  if (!s->hash->Final(digest) || !gost::Verify(gost::CurveParams::CryptoProA, s->publicKey.data(), digest, signature))
    return Fail(kBadSignature, "signature not confirmed");
  return 1;
}

ECGOST_DH* CCM3X_CALL ECGOST_DH_new(int) { return reinterpret_cast<ECGOST_DH*>(agreements.Make()); }
void CCM3X_CALL ECGOST_DH_free(ECGOST_DH* dh) { agreements.Free(dh); }
int CCM3X_CALL ECGOST_DH_generate_key(ECGOST_DH* dh, PSE*, const unsigned char* secretKey,
                                      unsigned char* publicValue, int* length) {
  Agreement* a = agreements.Find(dh);
  if (a == nullptr || *length < 65) return Fail(1, "bad arguments");
  uint8_t random[64];
  Random(random, sizeof random);
  const bool made = secretKey != nullptr
                        ? (std::memcpy(a->privateKey.data(), secretKey, 32),
                           gost::DerivePublicKey(gost::CurveParams::CryptoProA, secretKey, publicValue))
                        : gost::GenerateKeyPair(gost::CurveParams::CryptoProA, random,
                                                a->privateKey.data(), publicValue);
  if (!made) return Fail(14, "no key pair");
  *length = 65;
  return 1;
}
int CCM3X_CALL ECGOST_DH_compute_key(ECGOST_DH* dh, const unsigned char* peer, int peerLength,
                                     unsigned char* shared, int* length) {
  Log("ECGOST_DH_compute_key");
  Agreement* a = agreements.Find(dh);
  if (a == nullptr || peerLength != 65 || *length < 32 ||
      !gost::ComputeSharedX(gost::CurveParams::CryptoProA, a->privateKey.data(), peer, shared))
    return Fail(1, "bad peer value");
  *length = 32;
  return 1;
}

GOSTH_CTX* CCM3X_CALL GOSTH_new(void) { return reinterpret_cast<GOSTH_CTX*>(hashers.Make()); }
void CCM3X_CALL GOSTH_free(GOSTH_CTX* h) { hashers.Free(h); }
int CCM3X_CALL GOSTH_hash_init(GOSTH_CTX* h, const unsigned char*, int nid) {
  Hasher* hasher = hashers.Find(h);
  if (hasher == nullptr || nid != 21) return Fail(13, "unknown hash parameters");
  // Starts over with an empty message.
  uint8_t discard[32];
  return hasher->hash.Final(discard) ? 1 : Fail(12, "cannot hash");
}
int CCM3X_CALL GOSTH_update(GOSTH_CTX* h, const void* data, int length) {
  Hasher* hasher = hashers.Find(h);
  if (hasher == nullptr) return Fail(1, "no hash");
  if (!hasher->hash.Update(static_cast<const uint8_t*>(data), static_cast<size_t>(length)))
    return Fail(12, "cannot hash");
  return length;
}
int CCM3X_CALL GOSTH_final(GOSTH_CTX* h, unsigned char* digest) {
  Hasher* hasher = hashers.Find(h);
  if (hasher == nullptr) return Fail(1, "no hash");
  return hasher->hash.Final(digest) ? 32 : Fail(12, "cannot hash");
}

GOSTE_CTX* CCM3X_CALL GOSTE_new(void) { return reinterpret_cast<GOSTE_CTX*>(ciphers.Make()); }
void CCM3X_CALL GOSTE_free(GOSTE_CTX* ctx) { ciphers.Free(ctx); }
int CCM3X_CALL GOSTE_init(GOSTE_CTX* ctx, int mode, int direction, const unsigned char* key,
                          const unsigned char* iv, int paramNid) {
  Cipher* c = ciphers.Find(ctx);
  if (c == nullptr || key == nullptr || paramNid != 31 || (mode != 3 && iv == nullptr))
    return Fail(1, "bad arguments");
  constexpr auto kSet = gost::SBoxSet::CryptoProA;
  c->mode = mode;
  c->encrypt = direction == 1;
  switch (mode) {
    case 1:
      c->gamma = std::make_unique<gost::Gost28147Gamma>(kSet, key, iv);
      return 1;
    case 2:
      c->feedback = std::make_unique<gost::Gost28147Cfb>(kSet, key, iv);
      return 1;
    case 3:
      c->mac = std::make_unique<gost::Gost28147Mac>(kSet, key);
      return 1;
    default:
      return Fail(30, "mode not simulated");
  }
}
int CCM3X_CALL GOSTE_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                            int length) {
  Cipher* c = ciphers.Find(ctx);
  if (c == nullptr || length < 0) return Fail(1, "bad arguments");
  const auto size = static_cast<size_t>(length);
  const bool done = c->mode == 1   ? c->gamma->Apply(in, out, size)
                    : c->mode == 2 ? (c->encrypt ? c->feedback->Encrypt(in, out, size)
                                                 : c->feedback->Decrypt(in, out, size))
                                   : false;
  return done ? length : Fail(1, "not a cipher context");
}
int CCM3X_CALL GOSTE_mac_update(GOSTE_CTX* ctx, const void* data, int length) {
  Cipher* c = ciphers.Find(ctx);
  if (c == nullptr || c->mode != 3 || length < 0 ||
      !c->mac->Update(static_cast<const uint8_t*>(data), static_cast<size_t>(length)))
    return Fail(1, "not a MAC context");
  return length;
}
int CCM3X_CALL GOSTE_mac_final(GOSTE_CTX* ctx, unsigned char* mac, int capacity) {
  Cipher* c = ciphers.Find(ctx);
  if (c == nullptr || c->mode != 3 || capacity < 4 || !c->mac->Final(mac))
    return Fail(1, "not a MAC context");
  return 4;
}

int CCM3X_CALL CADB_access(const char* path, int mode) {
  Log("CADB_access " + std::string(path) + " " + std::to_string(mode));
  if (Upper(path).starts_with("ETOKEN")) {
    std::lock_guard guard(lock);
    const int misses = std::atoi(Environment("CCOM_SIM_ETOKEN_MISSES").c_str());
    if (misses > 0) {
      ::SetEnvironmentVariableA("CCOM_SIM_ETOKEN_MISSES", std::to_string(misses - 1).c_str());
      return 0;
    }
  }
  const auto place = Place(path, false);
  return place && Exists(*place) ? 1 : 0;
}
int CCM3X_CALL CADB_file_exists(const char* path) {
  Log("CADB_file_exists " + std::string(path));
  const auto place = Place(path, false);
  return place && Exists(*place) ? 1 : 0;
}
int CCM3X_CALL CADB_is_dir(const char* path) {
  const auto place = Place(path, false);
  if (!place) return 0;
  const DWORD attributes = ::GetFileAttributesA(place->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}
int CCM3X_CALL CADB_read_file(const char* path, void* buffer, int capacity) {
  Log("CADB_read_file " + std::string(path));
  const auto place = Place(path, true);
  if (!place) return 0;
  FILE* file = std::fopen(place->c_str(), "rb");
  if (file == nullptr) return Fail(kNotFound, std::string("no file ") + path);
  std::vector<char> content(static_cast<size_t>(capacity) + 1);
  const size_t read = std::fread(content.data(), 1, content.size(), file);
  std::fclose(file);
  if (read > static_cast<size_t>(capacity)) return Fail(kReadError, std::string("too large: ") + path);
  std::memcpy(buffer, content.data(), read);
  return static_cast<int>(read);
}
int CCM3X_CALL CADB_write_file(const char* path, const void* data, int length) {
  Log("CADB_write_file " + std::string(path));
  const auto place = Place(path, true);
  if (!place) return 0;
  // Token folders appear as their objects are written.
  for (size_t slash = place->find('\\', 3); slash != std::string::npos;
       slash = place->find('\\', slash + 1))
    ::CreateDirectoryA(place->substr(0, slash).c_str(), nullptr);
  FILE* file = std::fopen(place->c_str(), "wb");
  if (file == nullptr) return Fail(kWriteError, std::string("cannot write ") + path);
  const size_t written = std::fwrite(data, 1, static_cast<size_t>(length), file);
  std::fclose(file);
  return written == static_cast<size_t>(length) ? length : Fail(kWriteError, path);
}
int CCM3X_CALL CADB_erase_file(const char* path) {
  Log("CADB_erase_file " + std::string(path));
  const auto place = Place(path, true);
  if (!place) return 0;
  return ::DeleteFileA(place->c_str()) ? 1 : Fail(kNotFound, std::string("cannot erase ") + path);
}
int CCM3X_CALL CADB_mkdir(const char* path) {
  const auto place = Place(path, true);
  return place && ::CreateDirectoryA(place->c_str(), nullptr) ? 1 : Fail(kWriteError, path);
}
int CCM3X_CALL CADB_rmdir(const char* path) {
  Log("CADB_rmdir " + std::string(path));
  const auto place = Place(path, true);
  if (!place) return 0;
  std::string folder = *place;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return ::RemoveDirectoryA(folder.c_str()) ? 1 : Fail(kAccessError, std::string("not removed ") + path);
}

// Every other name: the kit's tests never call it, and a call is logged as a fault.
int DoubleUnused(void) {
  Log("unexpected call");
  return Fail(30, "not provided by the simulation");
}

}  // extern "C"
