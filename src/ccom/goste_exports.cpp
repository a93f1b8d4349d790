// GOST 28147-89 contexts (GOSTE_ and the CryptoPro CP_GOSTE_ calls), S-box tables, key
// meshing and diversification, and the process generator's RAND_bytes.
#include <climits>
#include <cstring>

#include "ccm3x_h.h"
#include "export_guard.h"
#include "gost28147_modes.h"
#include "keywrap.h"
#include "params.h"
#include "provider_objects.h"
#include "random_generator.h"

using namespace ccom;
using Mode = CipherContext::Mode;

namespace {

std::shared_ptr<CipherObject> Cipher(GOSTE_CTX* ctx) { return Ciphers().Find(ctx); }

// Keys a context; `direction` is GOSTE_ENCRYPT or GOSTE_DECRYPT.
int Init(const char* function, GOSTE_CTX* ctx, Mode mode, int direction, const unsigned char* key,
         const unsigned char* iv, int paramNid) {
  return Guarded(function, 0, [&] {
    if (direction != GOSTE_ENCRYPT && direction != GOSTE_DECRYPT)
      Fail(kParameterError,
           "the direction is 1 (encrypt) or 0 (decrypt), not " + std::to_string(direction));
    const gost::SBoxSet set = RequireCipherSet(paramNid);
    const auto object = Cipher(ctx);
    std::lock_guard guard(object->lock);
    object->context.Init(mode, direction == GOSTE_ENCRYPT, Required(key, "key"), iv, set);
    return 1;
  });
}

// Data through a context. `modes` lists the modes the call serves (None: any cipher mode);
// `direction` is 0 or 1 for the calls that name one, -1 for the direction of the
// initialisation.
int Update(const char* function, GOSTE_CTX* ctx, std::initializer_list<Mode> modes, int direction,
           const unsigned char* in, unsigned char* out, int length) {
  return Guarded(function, -1, [&] {
    RequireLength(length, 0, INT_MAX, "the data length");
    if (length > 0) {
      Required(in, "input");
      Required(out, "output");
    }
    const auto object = Cipher(ctx);
    std::lock_guard guard(object->lock);
    const Mode current = object->context.CurrentMode();
    bool served = false;
    for (Mode mode : modes) served = served || mode == current || mode == Mode::None;
    if (!served) Fail(kUnknownMode, "the context was initialised for another mode");
    if (direction < 0)
      object->context.Process(in, out, static_cast<size_t>(length));
    else
      object->context.Crypt(direction == GOSTE_ENCRYPT, in, out, static_cast<size_t>(length));
    return length;
  });
}

int CopyTable(const char* function, unsigned char* sbox, const uint8_t* table) {
  return Guarded(function, 0, [&] {
    std::memcpy(Required(sbox, "S-box buffer"), table, kSBoxTableSize);
    return 1;
  });
}

const unsigned char* CipherTable(const char* function, int paramNid) {
  return Guarded(function, static_cast<const unsigned char*>(nullptr),
                 [&] { return TableOfSet(RequireCipherSet(paramNid)); });
}

}  // namespace

extern "C" {

GOSTE_CTX* CCM3X_CALL GOSTE_new(void) {
  return Guarded("GOSTE_new", static_cast<GOSTE_CTX*>(nullptr),
                 [] { return static_cast<GOSTE_CTX*>(Ciphers().Make()); });
}

int CCM3X_CALL GOSTE_clean(GOSTE_CTX* ctx) {
  return Guarded("GOSTE_clean", 0, [&] {
    const auto object = Cipher(ctx);
    std::lock_guard guard(object->lock);
    object->context.Clean();
    return 1;
  });
}

void CCM3X_CALL GOSTE_free(GOSTE_CTX* ctx) { Ciphers().Remove(ctx); }

int CCM3X_CALL GOSTE_init(GOSTE_CTX* ctx, int mode, int direction, const unsigned char* key,
                          const unsigned char* iv, int paramNid) {
  constexpr Mode kModes[] = {Mode::SimpleSubstitution, Mode::Gamma, Mode::GammaFeedback, Mode::Mac};
  if (mode < GOSTE_MODE_SIMPLE_SUBST || mode > GOSTE_MODE_MAC)
    return Refused("GOSTE_init", kUnknownMode,
                   "cipher mode " + std::to_string(mode) + " is not known");
  return Init("GOSTE_init", ctx, kModes[mode], direction, key,
              mode == GOSTE_MODE_SIMPLE_SUBST ? nullptr : iv, paramNid);
}

int CCM3X_CALL GOSTE_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                            int length) {
  return Update("GOSTE_update", ctx, {Mode::None}, -1, in, out, length);
}

int CCM3X_CALL GOSTE_simple_subst_init(GOSTE_CTX* ctx, int direction, const unsigned char* key,
                                       int paramNid) {
  return Init("GOSTE_simple_subst_init", ctx, Mode::SimpleSubstitution, direction, key, nullptr,
              paramNid);
}

int CCM3X_CALL GOSTE_simple_subst_update(GOSTE_CTX* ctx, const unsigned char* in,
                                         unsigned char* out, int length) {
  return Update("GOSTE_simple_subst_update", ctx, {Mode::SimpleSubstitution}, -1, in, out, length);
}

int CCM3X_CALL _GOSTE_simple_subst_update(GOSTE_CTX* ctx, const unsigned char* in,
                                          unsigned char* out) {
  return Update("_GOSTE_simple_subst_update", ctx, {Mode::SimpleSubstitution}, -1, in, out, 8);
}

int CCM3X_CALL GOSTE_gamma_init(GOSTE_CTX* ctx, const unsigned char* key, const unsigned char* iv,
                                int paramNid) {
  return Init("GOSTE_gamma_init", ctx, Mode::Gamma, GOSTE_ENCRYPT, key, iv, paramNid);
}

int CCM3X_CALL GOSTE_gamma_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                  int length) {
  return Update("GOSTE_gamma_update", ctx, {Mode::Gamma}, -1, in, out, length);
}

int CCM3X_CALL GOSTE_gamma_fb_init(GOSTE_CTX* ctx, const unsigned char* key,
                                   const unsigned char* iv, int paramNid) {
  return Init("GOSTE_gamma_fb_init", ctx, Mode::GammaFeedback, GOSTE_ENCRYPT, key, iv, paramNid);
}

int CCM3X_CALL GOSTE_gamma_fb_encrypt(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                      int length) {
  return Update("GOSTE_gamma_fb_encrypt", ctx, {Mode::GammaFeedback}, GOSTE_ENCRYPT, in, out,
                length);
}

int CCM3X_CALL GOSTE_gamma_fb_decrypt(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                      int length) {
  return Update("GOSTE_gamma_fb_decrypt", ctx, {Mode::GammaFeedback}, GOSTE_DECRYPT, in, out,
                length);
}

int CCM3X_CALL GOSTE_mac_init(GOSTE_CTX* ctx, const unsigned char* key, int paramNid) {
  return Init("GOSTE_mac_init", ctx, Mode::Mac, GOSTE_ENCRYPT, key, nullptr, paramNid);
}

int CCM3X_CALL GOSTE_mac_init_ex(GOSTE_CTX* ctx, const unsigned char* key, const unsigned char* iv,
                                 int paramNid) {
  if (iv == nullptr) return Refused("GOSTE_mac_init_ex", kParameterError, "no start value given");
  return Init("GOSTE_mac_init_ex", ctx, Mode::Mac, GOSTE_ENCRYPT, key, iv, paramNid);
}

int CCM3X_CALL GOSTE_mac_update(GOSTE_CTX* ctx, const void* data, int length) {
  return Guarded("GOSTE_mac_update", -1, [&] {
    RequireLength(length, 0, INT_MAX, "the data length");
    if (length > 0) Required(data, "data");
    const auto object = Cipher(ctx);
    std::lock_guard guard(object->lock);
    object->context.MacUpdate(static_cast<const uint8_t*>(data), static_cast<size_t>(length));
    return length;
  });
}

int CCM3X_CALL GOSTE_mac_final(GOSTE_CTX* ctx, unsigned char* mac, int capacity) {
  return Guarded("GOSTE_mac_final", 0, [&] {
    if (capacity < 4) Fail(kParameterError, "a MAC needs 4 bytes");
    const auto object = Cipher(ctx);
    std::lock_guard guard(object->lock);
    object->context.MacFinal(Required(mac, "MAC buffer"));
    return 4;
  });
}

int CCM3X_CALL GOSTE_mac(const unsigned char* key, int paramNid, const void* data, int length,
                         unsigned char* mac, int capacity) {
  return Guarded("GOSTE_mac", 0, [&] {
    RequireLength(length, 0, INT_MAX, "the data length");
    if (length > 0) Required(data, "data");
    if (capacity < 4) Fail(kParameterError, "a MAC needs 4 bytes");
    CipherContext context;
    context.Init(Mode::Mac, true, Required(key, "key"), nullptr, RequireCipherSet(paramNid));
    context.MacUpdate(static_cast<const uint8_t*>(data), static_cast<size_t>(length));
    context.MacFinal(Required(mac, "MAC buffer"));
    return 4;
  });
}

int CCM3X_CALL GOSTE_cbc_init(GOSTE_CTX* ctx, int direction, const unsigned char* key,
                              const unsigned char* iv, int paramNid) {
  return Init("GOSTE_cbc_init", ctx, Mode::Cbc, direction, key, iv, paramNid);
}

int CCM3X_CALL GOSTE_cbc_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                int length) {
  return Update("GOSTE_cbc_update", ctx, {Mode::Cbc}, -1, in, out, length);
}

int CCM3X_CALL _GOSTE_cbc_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out) {
  return Update("_GOSTE_cbc_update", ctx, {Mode::Cbc}, -1, in, out, 8);
}

int CCM3X_CALL GOSTE_get_sbox(GOSTE_CTX* ctx, unsigned char* sbox) {
  return Guarded("GOSTE_get_sbox", 0, [&] {
    const auto object = Cipher(ctx);
    std::lock_guard guard(object->lock);
    std::memcpy(Required(sbox, "S-box buffer"), TableOfSet(object->context.Set()), kSBoxTableSize);
    return 1;
  });
}

const unsigned char* CCM3X_CALL GOSTE_nid2sbox(int paramNid) {
  return CipherTable("GOSTE_nid2sbox", paramNid);
}

int CCM3X_CALL RAND_bytes(unsigned char* buffer, int length) {
  return Guarded("RAND_bytes", -1, [&] {
    RequireLength(length, 0, INT_MAX, "the length");
    if (length > 0)
      ProcessRandom().Generate(Required(buffer, "buffer"), static_cast<size_t>(length));
    return length;
  });
}

int CCM3X_CALL CP_GOSTE_gamma_fb_init(GOSTE_CTX* ctx, const unsigned char* key,
                                      const unsigned char* iv, int paramNid) {
  return Init("CP_GOSTE_gamma_fb_init", ctx, Mode::GammaFeedbackMeshed, GOSTE_ENCRYPT, key, iv,
              paramNid);
}

int CCM3X_CALL CP_GOSTE_gamma_fb_encrypt(GOSTE_CTX* ctx, const unsigned char* in,
                                         unsigned char* out, int length) {
  return Update("CP_GOSTE_gamma_fb_encrypt", ctx, {Mode::GammaFeedbackMeshed}, GOSTE_ENCRYPT, in,
                out, length);
}

int CCM3X_CALL CP_GOSTE_gamma_fb_decrypt(GOSTE_CTX* ctx, const unsigned char* in,
                                         unsigned char* out, int length) {
  return Update("CP_GOSTE_gamma_fb_decrypt", ctx, {Mode::GammaFeedbackMeshed}, GOSTE_DECRYPT, in,
                out, length);
}

int CCM3X_CALL CP_GOSTE_mac_init(GOSTE_CTX*, const unsigned char*, int) {
  return Unsupported("CP_GOSTE_mac_init", "a MAC with CryptoPro key meshing is not provided");
}

int CCM3X_CALL CP_GOSTE_mac_update(GOSTE_CTX*, const void*, int) {
  Unsupported("CP_GOSTE_mac_update", "a MAC with CryptoPro key meshing is not provided");
  return -1;
}

int CCM3X_CALL CP_GOSTE_mac_final(GOSTE_CTX*, unsigned char*, int) {
  return Unsupported("CP_GOSTE_mac_final", "a MAC with CryptoPro key meshing is not provided");
}

int CCM3X_CALL CP_GOSTE_key_diversify(const unsigned char* key, const unsigned char* ukm,
                                      unsigned char* diversified, int paramNid) {
  return Guarded("CP_GOSTE_key_diversify", 0, [&] {
    DiversifyKey(RequireCipherSet(paramNid), Required(key, "key"), Required(ukm, "UKM"),
                 Required(diversified, "output"));
    return 1;
  });
}

int CCM3X_CALL CP_GOSTE_key_mesh(unsigned char* key, unsigned char* iv, int paramNid) {
  return Guarded("CP_GOSTE_key_mesh", 0, [&] {
    if (!gost::CryptoProKeyMeshing(RequireCipherSet(paramNid), Required(key, "key"),
                                   Required(iv, "start value")))
      Fail(kInternalError, "key meshing failed");
    return 1;
  });
}

int CCM3X_CALL CP_GOSTH_get_sbox(unsigned char* sbox) {
  return CopyTable("CP_GOSTH_get_sbox", sbox, TableOfSet(gost::SBoxSet::CryptoProHash));
}

int CCM3X_CALL CP_GOSTE_get_sbox(int paramNid, unsigned char* sbox) {
  return Guarded("CP_GOSTE_get_sbox", 0, [&] {
    const uint8_t* table = TableOfSet(RequireCipherSet(paramNid));
    std::memcpy(Required(sbox, "S-box buffer"), table, kSBoxTableSize);
    return 1;
  });
}

int CCM3X_CALL CP_GOSTE_set_sbox(GOSTE_CTX* ctx, const unsigned char* sbox) {
  return Guarded("CP_GOSTE_set_sbox", 0, [&] {
    const auto set = SetOfTable(Required(sbox, "S-box"));
    if (!set || NidOfCipherSet(*set) == 0)
      Fail(kNotSupported, "only the S-boxes of the cipher parameter sets 30 to 34 can be used");
    const auto object = Cipher(ctx);
    std::lock_guard guard(object->lock);
    object->context.ChangeSet(*set);
    return 1;
  });
}

int CCM3X_CALL CP_GOSTE_get_sbox_A(unsigned char* sbox) {
  return CopyTable("CP_GOSTE_get_sbox_A", sbox, TableOfSet(gost::SBoxSet::CryptoProA));
}

int CCM3X_CALL CP_GOSTE_get_sbox_B(unsigned char* sbox) {
  return CopyTable("CP_GOSTE_get_sbox_B", sbox, TableOfSet(gost::SBoxSet::CryptoProB));
}

int CCM3X_CALL CP_GOSTE_get_sbox_C(unsigned char* sbox) {
  return CopyTable("CP_GOSTE_get_sbox_C", sbox, TableOfSet(gost::SBoxSet::CryptoProC));
}

int CCM3X_CALL CP_GOSTE_get_sbox_D(unsigned char* sbox) {
  return CopyTable("CP_GOSTE_get_sbox_D", sbox, TableOfSet(gost::SBoxSet::CryptoProD));
}

const unsigned char* CCM3X_CALL CP_GOSTE_nid2sbox(int paramNid) {
  return CipherTable("CP_GOSTE_nid2sbox", paramNid);
}

int CCM3X_CALL CP_GOSTE_sbox2nid(const unsigned char* sbox) {
  const auto set = SetOfTable(sbox);
  return set ? NidOfCipherSet(*set) : 0;
}

}  // extern "C"
