/* The crypto provider's entry points: ccom.dll (algorithms, key containers, file access) and
 * the optional ccomio.dll (a replacement file-access and error set).
 *
 * The provider implements these functions and the kit binds them by name at run time, both
 * from this one header, so the two cannot drift apart. Every entry point is __stdcall and
 * exported undecorated; every integer is 32-bit; handles are pointer-sized.
 *
 * Results: unless a function says otherwise it returns 1 on success; a call that moves bytes
 * returns the number of bytes it was asked to move; a failing _new returns null. On any other
 * result the reason is a provider code from 1 to 90 (5 container unreadable, 6 generator not
 * initialised or initialisation cancelled, 7 signature not confirmed, 19 keys do not match,
 * 25 file not found, 28 access error, 30 operation not supported, ...), read with
 * ERR_get_last_error on the failing thread, and a detailed text from ERR_get_errors.
 *
 * Encodings: a public key or key-agreement value is 65 bytes (0x04, X, Y, big-endian); a
 * signature 64 bytes (s, r, big-endian); a digest 32 bytes; a secret key 36 bytes (the private
 * scalar encrypted under its container's key-encryption key, then a 4-byte MAC), useless
 * without the container that produced it. An S-box is 128 bytes: 8 rows of 16 entries, one
 * 4-bit value per byte. */
#ifndef CCM3X_H_H
#define CCM3X_H_H

#ifdef __cplusplus
extern "C" {
#endif

#define CCM3X_CALL __stdcall

/* Parameter identifiers. */
enum {
  CCM3X_NID_ECGOST_A = 11, /* GOST R 34.10-2001, CryptoPro-A curve */
  CCM3X_NID_GOSTH = 21,    /* GOST R 34.11-94, CryptoPro hash parameters */
  CCM3X_NID_GOSTE_A = 31   /* GOST 28147-89, CryptoPro-A S-box */
};

/* Cipher modes of GOSTE_init, and its directions. */
enum {
  GOSTE_MODE_SIMPLE_SUBST = 0, /* simple substitution (ECB), whole 8-byte blocks */
  GOSTE_MODE_GAMMA = 1,        /* gamma: the standard's counter mode */
  GOSTE_MODE_GAMMA_FB = 2,     /* gamma with feedback (CFB) */
  GOSTE_MODE_MAC = 3           /* the standard's 32-bit imitation insert */
};
enum { GOSTE_DECRYPT = 0, GOSTE_ENCRYPT = 1 };

/* Modes of CADB_access. */
enum {
  CADB_ACCESS_EXISTS = 0,
  CADB_ACCESS_WRITE = 2,
  CADB_ACCESS_READ = 4,
  CADB_ACCESS_READ_WRITE = 6
};

/* Sizes in bytes. */
enum {
  CCM3X_SECRET_KEY_SIZE = 36,
  CCM3X_PUBLIC_KEY_SIZE = 65,
  CCM3X_SIGNATURE_SIZE = 64,
  CCM3X_DIGEST_SIZE = 32,
  CCM3X_SHARED_KEY_SIZE = 32,
  CCM3X_CIPHER_KEY_SIZE = 32,
  CCM3X_IV_SIZE = 8,
  CCM3X_MAC_SIZE = 4,
  CCM3X_SBOX_SIZE = 128,
  /* The four parts of a container, as PSE_CTX_get_kek, _get_masks, _get_rand and _get_mkey
   * deliver them. */
  CCM3X_KEK_SIZE = 36,
  CCM3X_MASKS_SIZE = 224,
  CCM3X_RAND_STATE_SIZE = 36,
  CCM3X_MKEY_SIZE = 262
};

/* Provider objects; the kit only holds pointers to them. */
typedef struct ccm3x_pse_ctx PSE_CTX;   /* a key container being opened, generated or copied */
typedef struct ccm3x_pse PSE;           /* the keys and generator state of an open container */
typedef struct ccm3x_ecgost_sign ECGOST_SIGN;
typedef struct ccm3x_ecgost_dh ECGOST_DH;
typedef struct ccm3x_gosts_sign GOSTS_SIGN;
typedef struct ccm3x_gosts_dh GOSTS_DH;
typedef struct ccm3x_goste_ctx GOSTE_CTX;
typedef struct ccm3x_gosth_ctx GOSTH_CTX;
typedef struct ccm3x_opaque_priv_key OPAQUE_PRIV_KEY;

/* Random-generator initialisation: the provider asks for keystroke `index` of `total`
 * (counting from 1), naming the character it wants typed. The answer is the code of the
 * character typed (0-255), -1 when the user cancelled, -2 when nothing could be typed; -1 and
 * -2 abort the operation with code 6. */
typedef int(CCM3X_CALL* PSE_RAND_CALLBACK)(int requested, int index, int total, void* userData);

/* Container password: write a NUL-terminated password into `buffer` (`size` bytes) and return
 * its length; 0 means none. */
typedef int(CCM3X_CALL* PSE_PASSWD_CALLBACK)(char* buffer, int size, int reserved, void* userData);

/* Token PIN for the object at `objectPath` (such as "ETOKEN0:/1A2F/A001"): write the PIN into
 * `buffer` (at most `size` bytes) and return its length; 0 means no PIN (the call fails). The
 * third argument carries nothing. */
typedef int(CCM3X_CALL* CADB_TOKEN_PASSWD_CALLBACK)(char* buffer, int size, int reserved,
                                                    const char* objectPath);

/* Touch-memory reader events: a code and a text for the user. */
typedef void(CCM3X_CALL* TOUCH_MEMORY_INFO_CALLBACK)(int event, const char* text, void* userData);

/* ---- GOST R 34.10-2001 (ECGOST_) ---- */

/* A new key pair from the container's generator: the 36-byte secret key and the 65-byte
 * public key. Both lengths are capacities on entry and the sizes written on return. */
int CCM3X_CALL ECGOST_generate_key(PSE* pse, int paramNid, unsigned char* secretKey,
                                   int* secretKeyLength, unsigned char* publicKey,
                                   int* publicKeyLength);
/* The public key of a secret key of this container; `flags` is 0. */
int CCM3X_CALL ECGOST_generate_public_key(PSE* pse, int paramNid, const unsigned char* secretKey,
                                          unsigned char* publicKey, int* publicKeyLength,
                                          int flags);
ECGOST_SIGN* CCM3X_CALL ECGOST_SIGN_new(void);
void CCM3X_CALL ECGOST_SIGN_free(ECGOST_SIGN* sig);
/* Forgets the key and the data hashed so far (wiping them); the object can be initialised
 * again. */
int CCM3X_CALL ECGOST_SIGN_clean(ECGOST_SIGN* sig);
/* Prepares signing with a container's secret key: the data given to ECGOST_update is hashed
 * with the hash set `hashNid` (or the S-box `hashSbox` when not null); `flags` is 0. */
int CCM3X_CALL ECGOST_sign_init(ECGOST_SIGN* sig, PSE* pse, const unsigned char* hashSbox,
                                int flags, int hashNid, const unsigned char* secretKey,
                                int paramNid);
/* Prepares verification against a 65-byte public key, hashing as ECGOST_sign_init. */
int CCM3X_CALL ECGOST_verify_init(ECGOST_SIGN* sig, int paramNid, const unsigned char* hashSbox,
                                  int hashNid, const unsigned char* publicKey);
/* Hashes more data; returns `length`. */
int CCM3X_CALL ECGOST_update(ECGOST_SIGN* sig, const void* data, int length);
/* The 64-byte signature of everything hashed; `signatureLength` in/out. */
int CCM3X_CALL ECGOST_sign_final(ECGOST_SIGN* sig, unsigned char* signature, int* signatureLength);
/* 1 when the signature is good; otherwise fails with code 7. */
int CCM3X_CALL ECGOST_verify_final(ECGOST_SIGN* sig, const unsigned char* signature,
                                   int signatureLength);
/* Signs a ready 32-byte digest (read as a little-endian integer). */
int CCM3X_CALL ECGOST_sign_digest(PSE* pse, int paramNid, const unsigned char* secretKey,
                                  const unsigned char* digest, unsigned char* signature,
                                  int* signatureLength);
int CCM3X_CALL ECGOST_verify_digest(int paramNid, const unsigned char* publicKey,
                                    const unsigned char* digest, const unsigned char* signature,
                                    int signatureLength);
/* Key agreement on the curve `paramNid`. */
ECGOST_DH* CCM3X_CALL ECGOST_DH_new(int paramNid);
void CCM3X_CALL ECGOST_DH_free(ECGOST_DH* dh);
/* Gives the object its key pair and returns the 65-byte public value: the container's secret
 * key when `secretKey` is not null (then `pse` is its container), otherwise a fresh ephemeral
 * pair from the process generator (`pse` may be null). */
int CCM3X_CALL ECGOST_DH_generate_key(ECGOST_DH* dh, PSE* pse, const unsigned char* secretKey,
                                      unsigned char* publicValue, int* publicValueLength);
/* The 32-byte shared value (X of the common point) with a peer's 65-byte public value, which
 * is refused unless it is a point of the curve other than infinity. */
int CCM3X_CALL ECGOST_DH_compute_key(ECGOST_DH* dh, const unsigned char* peerPublicValue,
                                     int peerLength, unsigned char* sharedKey,
                                     int* sharedKeyLength);

/* ---- GOST R 34.10-94 (GOSTS_): the same shapes as ECGOST_, for the older standard ---- */

GOSTS_SIGN* CCM3X_CALL GOSTS_SIGN_new(void);
void CCM3X_CALL GOSTS_SIGN_free(GOSTS_SIGN* sig);
int CCM3X_CALL GOSTS_SIGN_clean(GOSTS_SIGN* sig);
int CCM3X_CALL GOSTS_generate_key(PSE* pse, int paramNid, unsigned char* secretKey,
                                  int* secretKeyLength, unsigned char* publicKey,
                                  int* publicKeyLength);
int CCM3X_CALL GOSTS_generate_public_key(PSE* pse, int paramNid, const unsigned char* secretKey,
                                         unsigned char* publicKey, int* publicKeyLength,
                                         int flags);
int CCM3X_CALL GOSTS_sign_init(GOSTS_SIGN* sig, PSE* pse, const unsigned char* hashSbox, int flags,
                               int hashNid, const unsigned char* secretKey, int paramNid);
int CCM3X_CALL GOSTS_verify_init(GOSTS_SIGN* sig, int paramNid, const unsigned char* hashSbox,
                                 int hashNid, const unsigned char* publicKey, int publicKeyLength);
int CCM3X_CALL GOSTS_update(GOSTS_SIGN* sig, const void* data, int length);
int CCM3X_CALL GOSTS_sign_final(GOSTS_SIGN* sig, unsigned char* signature, int* signatureLength);
int CCM3X_CALL GOSTS_verify_final(GOSTS_SIGN* sig, const unsigned char* signature,
                                  int signatureLength);
int CCM3X_CALL GOSTS_sign_digest(PSE* pse, int paramNid, const unsigned char* secretKey,
                                 const unsigned char* digest, unsigned char* signature,
                                 int* signatureLength);
int CCM3X_CALL GOSTS_verify_digest(int paramNid, const unsigned char* publicKey,
                                   int publicKeyLength, const unsigned char* digest,
                                   const unsigned char* signature, int signatureLength);
GOSTS_DH* CCM3X_CALL GOSTS_DH_new(int paramNid);
void CCM3X_CALL GOSTS_DH_free(GOSTS_DH* dh);
int CCM3X_CALL GOSTS_DH_generate_key(GOSTS_DH* dh, PSE* pse, const unsigned char* secretKey,
                                     unsigned char* publicValue, int* publicValueLength);
int CCM3X_CALL GOSTS_DH_compute_key(GOSTS_DH* dh, const unsigned char* peerPublicValue,
                                    int peerLength, unsigned char* sharedKey,
                                    int* sharedKeyLength);
/* ElGamal-style key pair and shared key on the same parameters. */
int CCM3X_CALL GOSTS_EG_generate_key(PSE* pse, int paramNid, unsigned char* secretKey,
                                     int* secretKeyLength, unsigned char* publicKey,
                                     int* publicKeyLength);
int CCM3X_CALL GOSTS_EG_compute_key(PSE* pse, int paramNid, const unsigned char* secretKey,
                                    const unsigned char* peerPublicKey, int peerLength,
                                    unsigned char* sharedKey, int* sharedKeyLength);
/* Domain parameters p, q and a of a parameter set (big-endian; `length` in/out). */
int CCM3X_CALL GOSTS_get_p_parameter(int paramNid, unsigned char* value, int* length);
int CCM3X_CALL GOSTS_get_q_parameter(int paramNid, unsigned char* value, int* length);
int CCM3X_CALL GOSTS_get_a_parameter(int paramNid, unsigned char* value, int* length);
/* The same for the standard's test parameters. */
int CCM3X_CALL GOSTS_get_test_p_parameter(unsigned char* value, int* length);
int CCM3X_CALL GOSTS_get_test_q_parameter(unsigned char* value, int* length);
int CCM3X_CALL GOSTS_get_test_a_parameter(unsigned char* value, int* length);
/* The key-agreement group's modulus and generator. */
int CCM3X_CALL GOSTS_get_dh_p_parameter(int paramNid, unsigned char* value, int* length);
int CCM3X_CALL GOSTS_get_dh_a_parameter(int paramNid, unsigned char* value, int* length);

/* ---- GOST 28147-89 (GOSTE_) ---- */

GOSTE_CTX* CCM3X_CALL GOSTE_new(void);
/* Wipes the key and chaining state; the context can be initialised again. */
int CCM3X_CALL GOSTE_clean(GOSTE_CTX* ctx);
void CCM3X_CALL GOSTE_free(GOSTE_CTX* ctx);
/* Keys the context for `mode` (GOSTE_MODE_) and `direction` with a 32-byte key, an 8-byte
 * start value (null in modes 0 and 3) and the S-box of `paramNid`. */
int CCM3X_CALL GOSTE_init(GOSTE_CTX* ctx, int mode, int direction, const unsigned char* key,
                          const unsigned char* iv, int paramNid);
/* Encrypts or decrypts `length` bytes (whole blocks in mode 0); returns `length`. `in` and
 * `out` may be the same buffer. */
int CCM3X_CALL GOSTE_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                            int length);
int CCM3X_CALL GOSTE_simple_subst_init(GOSTE_CTX* ctx, int direction, const unsigned char* key,
                                       int paramNid);
int CCM3X_CALL GOSTE_simple_subst_update(GOSTE_CTX* ctx, const unsigned char* in,
                                         unsigned char* out, int length);
/* One 8-byte block of simple substitution, without the length checks; returns 8. */
int CCM3X_CALL _GOSTE_simple_subst_update(GOSTE_CTX* ctx, const unsigned char* in,
                                          unsigned char* out);
int CCM3X_CALL GOSTE_gamma_init(GOSTE_CTX* ctx, const unsigned char* key, const unsigned char* iv,
                                int paramNid);
int CCM3X_CALL GOSTE_gamma_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                  int length);
int CCM3X_CALL GOSTE_gamma_fb_init(GOSTE_CTX* ctx, const unsigned char* key,
                                   const unsigned char* iv, int paramNid);
int CCM3X_CALL GOSTE_gamma_fb_encrypt(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                      int length);
int CCM3X_CALL GOSTE_gamma_fb_decrypt(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                      int length);
/* MAC (imitation insert) with a zero start value, or with `iv` for _init_ex. */
int CCM3X_CALL GOSTE_mac_init(GOSTE_CTX* ctx, const unsigned char* key, int paramNid);
int CCM3X_CALL GOSTE_mac_init_ex(GOSTE_CTX* ctx, const unsigned char* key, const unsigned char* iv,
                                 int paramNid);
/* Returns `length`. */
int CCM3X_CALL GOSTE_mac_update(GOSTE_CTX* ctx, const void* data, int length);
/* Writes the 4-byte MAC into `mac` (`capacity` at least 4) and returns 4. */
int CCM3X_CALL GOSTE_mac_final(GOSTE_CTX* ctx, unsigned char* mac, int capacity);
/* One-shot MAC of `data`; returns 4. */
int CCM3X_CALL GOSTE_mac(const unsigned char* key, int paramNid, const void* data, int length,
                         unsigned char* mac, int capacity);
int CCM3X_CALL GOSTE_cbc_init(GOSTE_CTX* ctx, int direction, const unsigned char* key,
                              const unsigned char* iv, int paramNid);
int CCM3X_CALL GOSTE_cbc_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out,
                                int length);
/* One 8-byte CBC block, without the length checks; returns 8. */
int CCM3X_CALL _GOSTE_cbc_update(GOSTE_CTX* ctx, const unsigned char* in, unsigned char* out);
/* The context's S-box (128 bytes). */
int CCM3X_CALL GOSTE_get_sbox(GOSTE_CTX* ctx, unsigned char* sbox);
/* The S-box of a cipher parameter set, or null for an unknown identifier. */
const unsigned char* CCM3X_CALL GOSTE_nid2sbox(int paramNid);
/* `length` random bytes from the process generator; returns `length`. */
int CCM3X_CALL RAND_bytes(unsigned char* buffer, int length);

/* ---- GOST R 34.11-94 (GOSTH_) ---- */

GOSTH_CTX* CCM3X_CALL GOSTH_new(void);
void CCM3X_CALL GOSTH_free(GOSTH_CTX* h);
int CCM3X_CALL GOSTH_clean(GOSTH_CTX* h);
/* Starts a hash with the S-box `sbox` (null: the parameter set `paramNid`). */
int CCM3X_CALL GOSTH_hash_init(GOSTH_CTX* h, const unsigned char* sbox, int paramNid);
/* Starts over with the parameters of the last GOSTH_hash_init. */
int CCM3X_CALL GOSTH_init(GOSTH_CTX* h);
/* Returns `length`. */
int CCM3X_CALL GOSTH_update(GOSTH_CTX* h, const void* data, int length);
/* Writes the 32-byte digest and returns 32. */
int CCM3X_CALL GOSTH_final(GOSTH_CTX* h, unsigned char* digest);
/* The digest of a whole file; returns 32. Optional: a provider may lack it. */
int CCM3X_CALL GOSTH_file_digest(const char* path, int paramNid, unsigned char* digest);
/* The hash's known-answer self test: 1 when it passes. */
int CCM3X_CALL GOSTH_check(void);
int CCM3X_CALL GOSTH_get_sbox(GOSTH_CTX* h, unsigned char* sbox);
int CCM3X_CALL GOSTH_get_test_sbox(unsigned char* sbox);
const unsigned char* CCM3X_CALL GOSTH_nid2sbox(int paramNid);
/* One-shot digest; returns 32. */
int CCM3X_CALL GOSTH(const void* data, int length, int paramNid, unsigned char* digest);

/* ---- CryptoPro extensions (CP_): key meshing every kilobyte, key diversification ---- */

int CCM3X_CALL CP_GOSTE_gamma_fb_init(GOSTE_CTX* ctx, const unsigned char* key,
                                      const unsigned char* iv, int paramNid);
int CCM3X_CALL CP_GOSTE_gamma_fb_encrypt(GOSTE_CTX* ctx, const unsigned char* in,
                                         unsigned char* out, int length);
int CCM3X_CALL CP_GOSTE_gamma_fb_decrypt(GOSTE_CTX* ctx, const unsigned char* in,
                                         unsigned char* out, int length);
int CCM3X_CALL CP_GOSTE_mac_init(GOSTE_CTX* ctx, const unsigned char* key, int paramNid);
int CCM3X_CALL CP_GOSTE_mac_update(GOSTE_CTX* ctx, const void* data, int length);
int CCM3X_CALL CP_GOSTE_mac_final(GOSTE_CTX* ctx, unsigned char* mac, int capacity);
/* The CryptoPro diversification of a 32-byte key by an 8-byte user keying material. */
int CCM3X_CALL CP_GOSTE_key_diversify(const unsigned char* key, const unsigned char* ukm,
                                      unsigned char* diversified, int paramNid);
/* One CryptoPro key meshing step, in place on the 32-byte key and the 8-byte start value. */
int CCM3X_CALL CP_GOSTE_key_mesh(unsigned char* key, unsigned char* iv, int paramNid);
/* The CryptoPro hash S-box. */
int CCM3X_CALL CP_GOSTH_get_sbox(unsigned char* sbox);
/* The S-box of a CryptoPro cipher parameter set. */
int CCM3X_CALL CP_GOSTE_get_sbox(int paramNid, unsigned char* sbox);
/* Replaces the context's S-box. */
int CCM3X_CALL CP_GOSTE_set_sbox(GOSTE_CTX* ctx, const unsigned char* sbox);
int CCM3X_CALL CP_GOSTE_get_sbox_A(unsigned char* sbox);
int CCM3X_CALL CP_GOSTE_get_sbox_B(unsigned char* sbox);
int CCM3X_CALL CP_GOSTE_get_sbox_C(unsigned char* sbox);
int CCM3X_CALL CP_GOSTE_get_sbox_D(unsigned char* sbox);
const unsigned char* CCM3X_CALL CP_GOSTE_nid2sbox(int paramNid);
/* The identifier of a known S-box, 0 for another one. */
int CCM3X_CALL CP_GOSTE_sbox2nid(const unsigned char* sbox);
/* CryptoPro GOST R 34.10-94 domain parameters (big-endian; `length` in/out). */
int CCM3X_CALL CP_R3410_get_p_parameter(int paramNid, unsigned char* value, int* length);
int CCM3X_CALL CP_R3410_get_q_parameter(int paramNid, unsigned char* value, int* length);
int CCM3X_CALL CP_R3410_get_a_parameter(int paramNid, unsigned char* value, int* length);

/* ---- The process generator and container keys (PSE_) ---- */

/* Prepares and releases the provider's process-wide container state. */
int CCM3X_CALL PSE_init(void);
void CCM3X_CALL PSE_close(void);
/* A new key-encryption key, or a known one, for the container. */
int CCM3X_CALL PSE_generate_kek(PSE* pse);
int CCM3X_CALL PSE_load_kek(PSE* pse, const unsigned char* kek, int length);
/* A new master key for the container. */
int CCM3X_CALL PSE_generate_mkey(PSE* pse);
/* Seeds the process generator from a hardware source of the given type. */
int CCM3X_CALL PSE_rand_init_hardware(int type);
int CCM3X_CALL PSE_pseudo_rand_init_hardware(int type);
/* Seeds the process generator from the caller's bytes. */
int CCM3X_CALL PSE_pseudo_rand_init(const unsigned char* seed, int length);
/* Non-zero once the process generator is seeded (opening any container seeds it). */
int CCM3X_CALL PSE_rand_inited(void);
/* The kind of the process generator's source, and of an installed hardware source (0: none). */
int CCM3X_CALL PSE_get_rand_type(void);
int CCM3X_CALL PSE_get_hwrand_type(void);
/* Stores the generator state back into the container. */
int CCM3X_CALL PSE_rand_save_state(PSE* pse);
/* Wipes the process generator; it must be seeded again. */
void CCM3X_CALL PSE_rand_close(void);

/* ---- Key containers (PSE_CTX_; PSE_CTX_new, _read and _write are in the I/O set) ---- */

/* Frees the context and wipes every key it holds. */
void CCM3X_CALL PSE_CTX_free(PSE_CTX* ctx);
/* The open container's keys, for the signing and key-agreement calls; null before a
 * successful PSE_CTX_read or PSE_CTX_generate. */
PSE* CCM3X_CALL PSE_CTX_get_pse(PSE_CTX* ctx);
int CCM3X_CALL PSE_CTX_set_masks_num(PSE_CTX* ctx, int count);
/* The container's place: a disk folder or a token object path such as "ETOKEN0:/1A2F";
 * `length` -1 means NUL-terminated. */
int CCM3X_CALL PSE_CTX_set_path(PSE_CTX* ctx, const char* path, int length);
/* The keystroke callback for initialising a new generator state (see PSE_RAND_CALLBACK). */
int CCM3X_CALL PSE_CTX_set_rand_callback(PSE_CTX* ctx, PSE_RAND_CALLBACK callback);
int CCM3X_CALL PSE_CTX_set_passwd_callback(PSE_CTX* ctx, PSE_PASSWD_CALLBACK callback);
/* The values handed to the password and keystroke callbacks. */
int CCM3X_CALL PSE_CTX_set_user_data(PSE_CTX* ctx, void* userData);
int CCM3X_CALL PSE_CTX_set_rand_user_data(PSE_CTX* ctx, void* userData);
/* Non-zero: the container lives on a token. */
int CCM3X_CALL PSE_CTX_set_etoken(PSE_CTX* ctx, int onToken);
int CCM3X_CALL PSE_CTX_set_passwd(PSE_CTX* ctx, const char* password, int length);
/* Separate places for the master key, masks, key-encryption key and generator state. */
int CCM3X_CALL PSE_CTX_set_mk_path(PSE_CTX* ctx, const char* path, int length);
int CCM3X_CALL PSE_CTX_set_masks_path(PSE_CTX* ctx, const char* path, int length);
int CCM3X_CALL PSE_CTX_set_kek_path(PSE_CTX* ctx, const char* path, int length);
int CCM3X_CALL PSE_CTX_set_rand_path(PSE_CTX* ctx, const char* path, int length);
/* The container's four parts, given directly (copying a container: set all four, then
 * PSE_CTX_read), or taken from an open container (`length` in/out). */
int CCM3X_CALL PSE_CTX_set_mkey(PSE_CTX* ctx, const unsigned char* data, int length);
int CCM3X_CALL PSE_CTX_set_masks(PSE_CTX* ctx, const unsigned char* data, int length);
int CCM3X_CALL PSE_CTX_set_kek(PSE_CTX* ctx, const unsigned char* data, int length);
int CCM3X_CALL PSE_CTX_set_rand(PSE_CTX* ctx, const unsigned char* data, int length);
int CCM3X_CALL PSE_CTX_get_mkey(PSE_CTX* ctx, unsigned char* data, int* length);
int CCM3X_CALL PSE_CTX_get_masks(PSE_CTX* ctx, unsigned char* data, int* length);
int CCM3X_CALL PSE_CTX_get_kek(PSE_CTX* ctx, unsigned char* data, int* length);
int CCM3X_CALL PSE_CTX_get_rand(PSE_CTX* ctx, unsigned char* data, int* length);
/* Creates a new container at the context's place (asking for keystrokes); PSE_CTX_write
 * stores it. */
int CCM3X_CALL PSE_CTX_generate(PSE_CTX* ctx);

/* ---- Other ccom.dll entry points ---- */

/* Prints the error text to a C stream of the provider's own run-time library. */
int CCM3X_CALL ERR_print_errors_fp(void* stream);
/* A 36-byte secret key split into its encrypted scalar (32 bytes) and MAC (4 bytes). */
OPAQUE_PRIV_KEY* CCM3X_CALL OPAQUE_PRIV_KEY_new(const unsigned char* secretKey, int length);
void CCM3X_CALL OPAQUE_PRIV_KEY_free(OPAQUE_PRIV_KEY* key);
int CCM3X_CALL OPAQUE_PRIV_KEY_get_priv_key(const OPAQUE_PRIV_KEY* key, unsigned char* value,
                                            int* length);
int CCM3X_CALL OPAQUE_PRIV_KEY_get_mac(const OPAQUE_PRIV_KEY* key, unsigned char* mac,
                                       int* length);
int CCM3X_CALL TOUCH_MEMORY_set_info_callback(TOUCH_MEMORY_INFO_CALLBACK callback, void* userData);
/* Reverses the byte order of `data` in place (big- to little-endian and back). */
int CCM3X_CALL CCLIB_invert(unsigned char* data, int length);
/* 1 when the provider can work here: self tests pass and a random source exists. */
int CCM3X_CALL CCLIB_check_environment(void);
int CCM3X_CALL CCOM_init(void);
void CCM3X_CALL CCOM_close(void);
/* Static texts naming the provider and its release; never freed. */
const char* CCM3X_CALL CCLIB_get_copyright(void);
const char* CCM3X_CALL CCLIB_get_lastupdate(void);
/* Called once when ccom.dll is loaded and once before it is unloaded. */
int CCM3X_CALL CADB_init(void);
void CCM3X_CALL CADB_close(void);

/* ---- The I/O set: in ccom.dll, and again in ccomio.dll, which replaces them all ---- */

PSE_CTX* CCM3X_CALL PSE_CTX_new(void);
/* Reads or writes the container at the context's place. */
int CCM3X_CALL PSE_CTX_read(PSE_CTX* ctx);
int CCM3X_CALL PSE_CTX_write(PSE_CTX* ctx);
void CCM3X_CALL ERR_set_last_error(int code);
/* The code of the calling thread's last failure (0: none). */
int CCM3X_CALL ERR_get_last_error(void);
/* Writes the detailed text of the last failure into a file. */
int CCM3X_CALL ERR_print_errors_file(const char* path);
/* The detailed text of the calling thread's last failure (what failed, on which object, why),
 * NUL-terminated, allocated by the provider: release it with CCLIB_mem_free. Null when there
 * is none. */
char* CCM3X_CALL ERR_get_errors(void);
/* Forgets the error state of a thread (0: the calling one). */
void CCM3X_CALL ERR_remove_state(unsigned int threadId);
void CCM3X_CALL CCLIB_mem_free(void* block);
/* Overwrites `length` bytes with zeros before releasing them. */
void CCM3X_CALL CCLIB_mem_clear_free(void* block, int length);
/* Files on disk paths and token object paths ("ETOKEN0:/1A2F/EEEE/0001"). Writing replaces
 * the file and returns `length`; reading returns the byte count (an object larger than
 * `capacity` fails). */
int CCM3X_CALL CADB_write_file(const char* path, const void* data, int length);
int CCM3X_CALL CADB_read_file(const char* path, void* buffer, int capacity);
/* Non-zero when the file exists, the path is a folder, the path is accessible for `mode`
 * (CADB_ACCESS_). These never ask for a PIN. */
int CCM3X_CALL CADB_file_exists(const char* path);
int CCM3X_CALL CADB_is_dir(const char* path);
int CCM3X_CALL CADB_access(const char* path, int mode);
int CCM3X_CALL CADB_erase_file(const char* path);
int CCM3X_CALL CADB_mkdir(const char* path);
int CCM3X_CALL CADB_rmdir(const char* path);
/* Registers the function asked for a token PIN: ETOKEN_set_passwd_callback in ccom.dll,
 * CADB_set_token_passwd_callback in ccomio.dll. */
int CCM3X_CALL ETOKEN_set_passwd_callback(CADB_TOKEN_PASSWD_CALLBACK callback);
int CCM3X_CALL CADB_set_token_passwd_callback(CADB_TOKEN_PASSWD_CALLBACK callback);

/* ---- ccomio.dll only (optional) ---- */

/* Forgets the PIN of a token slot ("ETOKEN0:\"): the next access asks again. */
int CCM3X_CALL CADB_token_logout(const char* slotPath);
/* The serial identifier of the token in a slot, NUL-terminated; `length` in/out. */
int CCM3X_CALL CADB_token_get_id(const char* slotPath, char* id, int* length);

/* ---- The names the kit binds, one X(name) per line ---- */

/* Everything else the kit takes from ccom.dll. */
#define CCM3X_CCOM_ENTRY_POINTS(X) \
  X(ECGOST_generate_key)           \
  X(ECGOST_generate_public_key)    \
  X(ECGOST_SIGN_new)               \
  X(ECGOST_SIGN_free)              \
  X(ECGOST_SIGN_clean)             \
  X(ECGOST_sign_init)              \
  X(ECGOST_verify_init)            \
  X(ECGOST_update)                 \
  X(ECGOST_sign_final)             \
  X(ECGOST_verify_final)           \
  X(ECGOST_sign_digest)            \
  X(ECGOST_verify_digest)          \
  X(ECGOST_DH_new)                 \
  X(ECGOST_DH_free)                \
  X(ECGOST_DH_generate_key)        \
  X(ECGOST_DH_compute_key)         \
  X(GOSTS_SIGN_new)                \
  X(GOSTS_SIGN_free)               \
  X(GOSTS_SIGN_clean)              \
  X(GOSTS_generate_key)            \
  X(GOSTS_generate_public_key)     \
  X(GOSTS_sign_init)               \
  X(GOSTS_verify_init)             \
  X(GOSTS_update)                  \
  X(GOSTS_sign_final)              \
  X(GOSTS_verify_final)            \
  X(GOSTS_sign_digest)             \
  X(GOSTS_verify_digest)           \
  X(GOSTS_DH_new)                  \
  X(GOSTS_DH_free)                 \
  X(GOSTS_DH_generate_key)         \
  X(GOSTS_DH_compute_key)          \
  X(GOSTS_EG_generate_key)         \
  X(GOSTS_EG_compute_key)          \
  X(GOSTS_get_p_parameter)         \
  X(GOSTS_get_q_parameter)         \
  X(GOSTS_get_a_parameter)         \
  X(GOSTS_get_test_p_parameter)    \
  X(GOSTS_get_test_q_parameter)    \
  X(GOSTS_get_test_a_parameter)    \
  X(GOSTS_get_dh_p_parameter)      \
  X(GOSTS_get_dh_a_parameter)      \
  X(GOSTE_new)                     \
  X(GOSTE_clean)                   \
  X(GOSTE_free)                    \
  X(GOSTE_init)                    \
  X(GOSTE_update)                  \
  X(GOSTE_simple_subst_init)       \
  X(GOSTE_simple_subst_update)     \
  X(GOSTE_gamma_init)              \
  X(GOSTE_gamma_update)            \
  X(GOSTE_gamma_fb_init)           \
  X(GOSTE_gamma_fb_encrypt)        \
  X(GOSTE_gamma_fb_decrypt)        \
  X(GOSTE_mac_init)                \
  X(GOSTE_mac_init_ex)             \
  X(GOSTE_mac_update)              \
  X(GOSTE_mac_final)               \
  X(GOSTE_mac)                     \
  X(GOSTE_cbc_init)                \
  X(GOSTE_cbc_update)              \
  X(GOSTE_get_sbox)                \
  X(GOSTE_nid2sbox)                \
  X(_GOSTE_simple_subst_update)    \
  X(_GOSTE_cbc_update)             \
  X(RAND_bytes)                    \
  X(GOSTH_new)                     \
  X(GOSTH_free)                    \
  X(GOSTH_clean)                   \
  X(GOSTH_hash_init)               \
  X(GOSTH_init)                    \
  X(GOSTH_update)                  \
  X(GOSTH_final)                   \
  X(GOSTH_file_digest)             \
  X(GOSTH_check)                   \
  X(GOSTH_get_sbox)                \
  X(GOSTH_get_test_sbox)           \
  X(GOSTH_nid2sbox)                \
  X(GOSTH)                         \
  X(CP_GOSTE_gamma_fb_init)        \
  X(CP_GOSTE_gamma_fb_encrypt)     \
  X(CP_GOSTE_gamma_fb_decrypt)     \
  X(CP_GOSTE_mac_init)             \
  X(CP_GOSTE_mac_update)           \
  X(CP_GOSTE_mac_final)            \
  X(CP_GOSTE_key_diversify)        \
  X(CP_GOSTE_key_mesh)             \
  X(CP_GOSTH_get_sbox)             \
  X(CP_GOSTE_get_sbox)             \
  X(CP_GOSTE_set_sbox)             \
  X(CP_GOSTE_get_sbox_A)           \
  X(CP_GOSTE_get_sbox_B)           \
  X(CP_GOSTE_get_sbox_C)           \
  X(CP_GOSTE_get_sbox_D)           \
  X(CP_GOSTE_nid2sbox)             \
  X(CP_GOSTE_sbox2nid)             \
  X(CP_R3410_get_p_parameter)      \
  X(CP_R3410_get_q_parameter)      \
  X(CP_R3410_get_a_parameter)      \
  X(PSE_init)                      \
  X(PSE_close)                     \
  X(PSE_generate_kek)              \
  X(PSE_load_kek)                  \
  X(PSE_generate_mkey)             \
  X(PSE_rand_init_hardware)        \
  X(PSE_pseudo_rand_init_hardware) \
  X(PSE_pseudo_rand_init)          \
  X(PSE_rand_inited)               \
  X(PSE_get_rand_type)             \
  X(PSE_rand_save_state)           \
  X(PSE_rand_close)                \
  X(PSE_get_hwrand_type)           \
  X(PSE_CTX_free)                  \
  X(PSE_CTX_get_pse)               \
  X(PSE_CTX_set_masks_num)         \
  X(PSE_CTX_set_path)              \
  X(PSE_CTX_set_rand_callback)     \
  X(PSE_CTX_set_passwd_callback)   \
  X(PSE_CTX_set_user_data)         \
  X(PSE_CTX_set_rand_user_data)    \
  X(PSE_CTX_set_etoken)            \
  X(PSE_CTX_set_passwd)            \
  X(PSE_CTX_set_mk_path)           \
  X(PSE_CTX_set_masks_path)        \
  X(PSE_CTX_set_kek_path)          \
  X(PSE_CTX_set_rand_path)         \
  X(PSE_CTX_set_mkey)              \
  X(PSE_CTX_set_masks)             \
  X(PSE_CTX_set_kek)               \
  X(PSE_CTX_set_rand)              \
  X(PSE_CTX_get_mkey)              \
  X(PSE_CTX_get_masks)             \
  X(PSE_CTX_get_kek)               \
  X(PSE_CTX_get_rand)              \
  X(PSE_CTX_generate)              \
  X(ERR_print_errors_fp)           \
  X(OPAQUE_PRIV_KEY_new)           \
  X(OPAQUE_PRIV_KEY_free)          \
  X(OPAQUE_PRIV_KEY_get_priv_key)  \
  X(OPAQUE_PRIV_KEY_get_mac)       \
  X(TOUCH_MEMORY_set_info_callback) \
  X(CCLIB_invert)                  \
  X(CCLIB_check_environment)       \
  X(CCOM_init)                     \
  X(CCOM_close)                    \
  X(CCLIB_get_copyright)           \
  X(CCLIB_get_lastupdate)

/* The I/O set: bound from ccomio.dll when it exports all of these and its token-password
 * setter, otherwise from ccom.dll. */
#define CCM3X_IO_ENTRY_POINTS(X) \
  X(PSE_CTX_new)                 \
  X(PSE_CTX_write)               \
  X(PSE_CTX_read)                \
  X(ERR_set_last_error)          \
  X(ERR_get_last_error)          \
  X(ERR_print_errors_file)       \
  X(ERR_get_errors)              \
  X(ERR_remove_state)            \
  X(CCLIB_mem_free)              \
  X(CCLIB_mem_clear_free)        \
  X(CADB_write_file)             \
  X(CADB_read_file)              \
  X(CADB_file_exists)            \
  X(CADB_is_dir)                 \
  X(CADB_access)                 \
  X(CADB_erase_file)             \
  X(CADB_mkdir)                  \
  X(CADB_rmdir)

/* What ccomio.dll alone gives. */
#define CCM3X_CCOMIO_ENTRY_POINTS(X) \
  X(CADB_token_logout)               \
  X(CADB_token_get_id)

#ifdef __cplusplus
}
#endif

#endif
