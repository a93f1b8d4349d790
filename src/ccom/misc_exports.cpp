// What is left of the entry points: secret keys taken apart, byte order, the environment
// check, the provider's texts, and the families this provider does not implement.
#include <algorithm>
#include <climits>
#include <cstring>

#include "ccm3x_h.h"
#include "export_guard.h"
#include "provider_objects.h"
#include "self_test.h"

using namespace ccom;

namespace {

constexpr const char* kNoGost94 =
    "GOST R 34.10-94 is not provided: keys and signatures are GOST R 34.10-2001";

int GetPiece(const char* function, const OPAQUE_PRIV_KEY* key, size_t offset, int size,
             unsigned char* out, int* length) {
  return Guarded(function, 0, [&] {
    const auto object = OpaqueKeys().Find(key);
    Required(length, "length");
    if (*length < size)
      Fail(kParameterError, "the buffer needs " + std::to_string(size) + " bytes");
    std::memcpy(Required(out, "buffer"), object->bytes->data() + offset, static_cast<size_t>(size));
    *length = size;
    return 1;
  });
}

}  // namespace

extern "C" {

OPAQUE_PRIV_KEY* CCM3X_CALL OPAQUE_PRIV_KEY_new(const unsigned char* secretKey, int length) {
  return Guarded("OPAQUE_PRIV_KEY_new", static_cast<OPAQUE_PRIV_KEY*>(nullptr), [&] {
    if (length != 36)
      Fail(kParameterError, "a secret key is 36 bytes, not " + std::to_string(length));
    auto object = std::make_shared<OpaqueKey>();
    std::memcpy(object->bytes->data(), Required(secretKey, "secret key"), 36);
    return static_cast<OPAQUE_PRIV_KEY*>(OpaqueKeys().Add(std::move(object)));
  });
}

void CCM3X_CALL OPAQUE_PRIV_KEY_free(OPAQUE_PRIV_KEY* key) { OpaqueKeys().Remove(key); }

int CCM3X_CALL OPAQUE_PRIV_KEY_get_priv_key(const OPAQUE_PRIV_KEY* key, unsigned char* value,
                                            int* length) {
  return GetPiece("OPAQUE_PRIV_KEY_get_priv_key", key, 0, 32, value, length);
}

int CCM3X_CALL OPAQUE_PRIV_KEY_get_mac(const OPAQUE_PRIV_KEY* key, unsigned char* mac,
                                       int* length) {
  return GetPiece("OPAQUE_PRIV_KEY_get_mac", key, 32, 4, mac, length);
}

int CCM3X_CALL TOUCH_MEMORY_set_info_callback(TOUCH_MEMORY_INFO_CALLBACK, void*) {
  return Unsupported("TOUCH_MEMORY_set_info_callback", "no touch-memory readers are supported");
}

int CCM3X_CALL CCLIB_invert(unsigned char* data, int length) {
  return Guarded("CCLIB_invert", 0, [&] {
    RequireLength(length, 0, INT_MAX, "the length");
    if (length > 0) std::reverse(Required(data, "data"), data + length);
    return 1;
  });
}

int CCM3X_CALL CCLIB_check_environment(void) {
  const std::string failure = EnvironmentSelfTest();
  return failure.empty() ? 1 : Refused("CCLIB_check_environment", kInternalError, failure);
}

const char* CCM3X_CALL CCLIB_get_copyright(void) {
  return "Velmar: crypto provider stand-in of the ZavodIda client crypto kit (GOST 28147-89, "
         "GOST R 34.11-94, GOST R 34.10-2001)";
}

const char* CCM3X_CALL CCLIB_get_lastupdate(void) { return KIT_VERSION_TEXT; }

GOSTS_SIGN* CCM3X_CALL GOSTS_SIGN_new(void) {
  Unsupported("GOSTS_SIGN_new", kNoGost94);
  return nullptr;
}
void CCM3X_CALL GOSTS_SIGN_free(GOSTS_SIGN*) {}
int CCM3X_CALL GOSTS_SIGN_clean(GOSTS_SIGN*) { return Unsupported("GOSTS_SIGN_clean", kNoGost94); }
int CCM3X_CALL GOSTS_generate_key(PSE*, int, unsigned char*, int*, unsigned char*, int*) {
  return Unsupported("GOSTS_generate_key", kNoGost94);
}
int CCM3X_CALL GOSTS_generate_public_key(PSE*, int, const unsigned char*, unsigned char*, int*,
                                         int) {
  return Unsupported("GOSTS_generate_public_key", kNoGost94);
}
int CCM3X_CALL GOSTS_sign_init(GOSTS_SIGN*, PSE*, const unsigned char*, int, int,
                               const unsigned char*, int) {
  return Unsupported("GOSTS_sign_init", kNoGost94);
}
int CCM3X_CALL GOSTS_verify_init(GOSTS_SIGN*, int, const unsigned char*, int, const unsigned char*,
                                 int) {
  return Unsupported("GOSTS_verify_init", kNoGost94);
}
int CCM3X_CALL GOSTS_update(GOSTS_SIGN*, const void*, int) {
  Unsupported("GOSTS_update", kNoGost94);
  return -1;
}
int CCM3X_CALL GOSTS_sign_final(GOSTS_SIGN*, unsigned char*, int*) {
  return Unsupported("GOSTS_sign_final", kNoGost94);
}
int CCM3X_CALL GOSTS_verify_final(GOSTS_SIGN*, const unsigned char*, int) {
  return Unsupported("GOSTS_verify_final", kNoGost94);
}
int CCM3X_CALL GOSTS_sign_digest(PSE*, int, const unsigned char*, const unsigned char*,
                                 unsigned char*, int*) {
  return Unsupported("GOSTS_sign_digest", kNoGost94);
}
int CCM3X_CALL GOSTS_verify_digest(int, const unsigned char*, int, const unsigned char*,
                                   const unsigned char*, int) {
  return Unsupported("GOSTS_verify_digest", kNoGost94);
}
GOSTS_DH* CCM3X_CALL GOSTS_DH_new(int) {
  Unsupported("GOSTS_DH_new", kNoGost94);
  return nullptr;
}
void CCM3X_CALL GOSTS_DH_free(GOSTS_DH*) {}
int CCM3X_CALL GOSTS_DH_generate_key(GOSTS_DH*, PSE*, const unsigned char*, unsigned char*, int*) {
  return Unsupported("GOSTS_DH_generate_key", kNoGost94);
}
int CCM3X_CALL GOSTS_DH_compute_key(GOSTS_DH*, const unsigned char*, int, unsigned char*, int*) {
  return Unsupported("GOSTS_DH_compute_key", kNoGost94);
}
int CCM3X_CALL GOSTS_EG_generate_key(PSE*, int, unsigned char*, int*, unsigned char*, int*) {
  return Unsupported("GOSTS_EG_generate_key", kNoGost94);
}
int CCM3X_CALL GOSTS_EG_compute_key(PSE*, int, const unsigned char*, const unsigned char*, int,
                                    unsigned char*, int*) {
  return Unsupported("GOSTS_EG_compute_key", kNoGost94);
}
int CCM3X_CALL GOSTS_get_p_parameter(int, unsigned char*, int*) {
  return Unsupported("GOSTS_get_p_parameter", kNoGost94);
}
int CCM3X_CALL GOSTS_get_q_parameter(int, unsigned char*, int*) {
  return Unsupported("GOSTS_get_q_parameter", kNoGost94);
}
int CCM3X_CALL GOSTS_get_a_parameter(int, unsigned char*, int*) {
  return Unsupported("GOSTS_get_a_parameter", kNoGost94);
}
int CCM3X_CALL GOSTS_get_test_p_parameter(unsigned char*, int*) {
  return Unsupported("GOSTS_get_test_p_parameter", kNoGost94);
}
int CCM3X_CALL GOSTS_get_test_q_parameter(unsigned char*, int*) {
  return Unsupported("GOSTS_get_test_q_parameter", kNoGost94);
}
int CCM3X_CALL GOSTS_get_test_a_parameter(unsigned char*, int*) {
  return Unsupported("GOSTS_get_test_a_parameter", kNoGost94);
}
int CCM3X_CALL GOSTS_get_dh_p_parameter(int, unsigned char*, int*) {
  return Unsupported("GOSTS_get_dh_p_parameter", kNoGost94);
}
int CCM3X_CALL GOSTS_get_dh_a_parameter(int, unsigned char*, int*) {
  return Unsupported("GOSTS_get_dh_a_parameter", kNoGost94);
}
int CCM3X_CALL CP_R3410_get_p_parameter(int, unsigned char*, int*) {
  return Unsupported("CP_R3410_get_p_parameter", kNoGost94);
}
int CCM3X_CALL CP_R3410_get_q_parameter(int, unsigned char*, int*) {
  return Unsupported("CP_R3410_get_q_parameter", kNoGost94);
}
int CCM3X_CALL CP_R3410_get_a_parameter(int, unsigned char*, int*) {
  return Unsupported("CP_R3410_get_a_parameter", kNoGost94);
}

}  // extern "C"
