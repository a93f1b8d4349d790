// Encryption for a list of recipients and decryption by TCCom3x_DLL: the encrypted buffer's
// layout is encrypted_buffer's, the cryptography the provider's.
#include <cstring>
#include <functional>
#include <limits>

#include "ce_ccm3x.h"
#include "data_pipeline.h"
#include "encrypted_buffer.h"
#include "exceptions.h"

namespace sigcore {
namespace {

constexpr size_t kMacCapacity = 32;

// The envelope's cryptography done by the provider through one binding.
class ProviderEnvelope final : public EnvelopeCrypto {
 public:
  ProviderEnvelope(TCCom3x_DLL& binding, const TCCom3x_UserParam& params)
      : binding_(binding), api_(binding.Api()), params_(params) {}

  int32_t RandomBytes(uint8_t* out, size_t size) override {
    return binding_.GetRandomBytes(params_, out, Length(size));
  }

  int32_t Crypt(int32_t method, bool encrypt, const uint8_t* key, const uint8_t* start,
                const uint8_t* in, uint8_t* out, size_t size) override {
    const ProviderObject<GOSTE_CTX> cipher = NewCipher();
    if (!cipher) return binding_.ProviderFailure(params_);
    if (const int32_t result = InitCipher(cipher.Get(), method, encrypt, key, start);
        result != SIGCORE_OK)
      return result;
    return Update(cipher.Get(), in, out, size);
  }

  int32_t Mac(const uint8_t* key, const uint8_t* data, size_t size, uint8_t* mac) override {
    const ProviderObject<GOSTE_CTX> imitation = NewCipher();
    if (!imitation) return binding_.ProviderFailure(params_);
    return InOrder({[&] { return InitMac(imitation.Get(), key); },
                    [&] { return MacUpdate(imitation.Get(), data, size); },
                    [&] { return MacFinal(imitation.Get(), mac); }});
  }

  // Each chunk is MACed before it is encrypted over itself.
  int32_t SealData(int32_t method, const uint8_t* key, const uint8_t* start, uint8_t* data,
                   size_t size, uint8_t* mac) override {
    return DataPass(method, true, key, start, data, size, mac);
  }

  // Each chunk is MACed once it is decrypted.
  int32_t OpenData(int32_t method, const uint8_t* key, const uint8_t* start, uint8_t* data,
                   size_t size, uint8_t* mac) override {
    return DataPass(method, false, key, start, data, size, mac);
  }

  int32_t RecipientKey(const std::string& uid, uint8_t* key) override {
    gost::Wiped<SharedKey> agreed;
    if (const int32_t result = binding_.AgreedKey(params_, uid, agreed); result != SIGCORE_OK)
      return result;
    std::memcpy(key, agreed->data(), agreed->size());
    return SIGCORE_OK;
  }

  int32_t SenderPublicValue(uint8_t* value) override {
    std::array<uint8_t, CCM3X_PUBLIC_KEY_SIZE> own;
    if (const int32_t result = binding_.AgreementPublicValue(params_, own); result != SIGCORE_OK)
      return result;
    std::memcpy(value, own.data(), own.size());
    return SIGCORE_OK;
  }

  // The own secret key is opened only here, once the buffer is known to be for the user.
  int32_t SenderKey(const uint8_t* senderValue, uint8_t* key) override {
    OperationKey own;
    if (const int32_t result = binding_.OpenKeySession(params_, own); result != SIGCORE_OK)
      return result;
    ECGOST_DH* const created = api_.ECGOST_DH_new(CCM3X_NID_ECGOST_A);
    if (created == nullptr) return binding_.ProviderFailure(params_);
    const ProviderObject<ECGOST_DH> agreement(created, api_.ECGOST_DH_free);
    std::array<uint8_t, CCM3X_PUBLIC_KEY_SIZE> ownValue;
    int ownLength = CCM3X_PUBLIC_KEY_SIZE;
    if (const int32_t result = binding_.Check(
            api_.ECGOST_DH_generate_key(created, api_.PSE_CTX_get_pse(own.Container()),
                                        own.SecretKeyBytes(), ownValue.data(), &ownLength),
            1, params_);
        result != SIGCORE_OK)
      return result;
    TCCom3x_DLL::ReleaseOperationKey(own);

    // The shared value followed by 32 zero bytes, hashed.
    gost::Wiped<std::array<uint8_t, 2 * CCM3X_SHARED_KEY_SIZE>> material;
    int length = CCM3X_SHARED_KEY_SIZE;
    if (const int32_t result = binding_.Check(
            api_.ECGOST_DH_compute_key(created, senderValue, CCM3X_PUBLIC_KEY_SIZE,
                                       material->data(), &length),
            1, params_);
        result != SIGCORE_OK)
      return result;
    if (length != CCM3X_SHARED_KEY_SIZE) throw EProviderError("the shared value is not 32 bytes");
    return binding_.Digest(params_.detailErrorFile, material->data(),
                           static_cast<int32_t>(material->size()), key);
  }

 private:
  static int32_t Length(size_t size) {
    if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
      throw EProviderError("more data than the provider takes in one call");
    return static_cast<int32_t>(size);
  }
  static int32_t InOrder(std::initializer_list<std::function<int32_t()>> steps) {
    for (const auto& step : steps)
      if (const int32_t result = step(); result != SIGCORE_OK) return result;
    return SIGCORE_OK;
  }
  ProviderObject<GOSTE_CTX> NewCipher() const {
    return ProviderObject<GOSTE_CTX>(api_.GOSTE_new(), api_.GOSTE_free);
  }
  int32_t InitCipher(GOSTE_CTX* cipher, int32_t method, bool encrypt, const uint8_t* key,
                     const uint8_t* start) const {
    return binding_.Check(api_.GOSTE_init(cipher, method, encrypt ? GOSTE_ENCRYPT : GOSTE_DECRYPT,
                                          key, start, CCM3X_NID_GOSTE_A),
                          1, params_);
  }
  int32_t Update(GOSTE_CTX* cipher, const uint8_t* in, uint8_t* out, size_t size) const {
    const int32_t length = Length(size);
    return binding_.Check(api_.GOSTE_update(cipher, in, out, length), length, params_);
  }
  int32_t InitMac(GOSTE_CTX* imitation, const uint8_t* key) const {
    return binding_.Check(
        api_.GOSTE_init(imitation, GOSTE_MODE_MAC, GOSTE_ENCRYPT, key, nullptr, CCM3X_NID_GOSTE_A),
        1, params_);
  }
  int32_t MacUpdate(GOSTE_CTX* imitation, const uint8_t* data, size_t size) const {
    const int32_t length = Length(size);
    return binding_.Check(api_.GOSTE_mac_update(imitation, data, length), length, params_);
  }
  int32_t MacFinal(GOSTE_CTX* imitation, uint8_t* mac) const {
    std::array<uint8_t, kMacCapacity> out{};
    if (const int32_t result = binding_.Check(
            api_.GOSTE_mac_final(imitation, out.data(), static_cast<int>(out.size())),
            CCM3X_MAC_SIZE, params_);
        result != SIGCORE_OK)
      return result;
    std::memcpy(mac, out.data(), CCM3X_MAC_SIZE);
    return SIGCORE_OK;
  }

  // The data in place through one cipher context and one MAC context, the MAC over the
  // plaintext: before the encryption of a chunk, after its decryption. What was put through the
  // cipher when a step fails is put back through it the other way.
  int32_t DataPass(int32_t method, bool encrypt, const uint8_t* key, const uint8_t* start,
                   uint8_t* data, size_t size, uint8_t* mac) {
    const ProviderObject<GOSTE_CTX> cipher = NewCipher();
    const ProviderObject<GOSTE_CTX> imitation = NewCipher();
    if (!cipher || !imitation) return binding_.ProviderFailure(params_);
    if (const int32_t result = InOrder({[&] { return InitCipher(cipher.Get(), method, encrypt,
                                                                key, start); },
                                        [&] { return InitMac(imitation.Get(), key); }});
        result != SIGCORE_OK)
      return result;
    size_t crypted = 0;
    const ChunkPass cipherPass = [&](size_t offset, size_t length) {
      const int32_t result = Update(cipher.Get(), data + offset, data + offset, length);
      if (result == SIGCORE_OK) crypted += length;
      return result;
    };
    const ChunkPass macPass = [&](size_t offset, size_t length) {
      return MacUpdate(imitation.Get(), data + offset, length);
    };
    int32_t result = encrypt ? RunPipelined(size, macPass, cipherPass)
                             : RunPipelined(size, cipherPass, macPass);
    if (result == SIGCORE_OK) result = MacFinal(imitation.Get(), mac);
    if (result != SIGCORE_OK && crypted > 0) Crypt(method, !encrypt, key, start, data, data, crypted);
    return result;
  }

  TCCom3x_DLL& binding_;
  const ccm3x::EntryPoints& api_;
  const TCCom3x_UserParam& params_;
};

}  // namespace

int32_t TCCom3x_DLL::EncodeData(const TCCom3x_UserParam& params, const char* method,
                                const char* recipients, uint8_t* data, int32_t* length) {
  if (data == nullptr || length == nullptr || *length <= 0) return SIGCORE_BAD_ARGUMENT;
  const int32_t methodNumber = CipherMethodByName(method != nullptr ? method : "");
  if (methodNumber == 0) return SIGCORE_METHOD_NOT_SUPPORTED;
  if (recipients == nullptr || recipients[0] == '\0') return SIGCORE_BAD_RECIPIENT_LIST;
  const std::vector<std::string> list = SplitRecipientList(recipients);
  std::string ownUid;
  if (const int32_t result = GetOwnUID(params, ownUid); result != SIGCORE_OK) return result;

  // Hosts size the buffer by this bound; UIDs of at most 254 characters keep within it.
  const int64_t capacity = int64_t{*length} + MaxEncryptionGrowth(static_cast<int64_t>(list.size()));
  if (capacity > std::numeric_limits<int32_t>::max()) return SIGCORE_BAD_ARGUMENT;
  ProviderEnvelope crypto(*this, params);
  size_t sealed = 0;
  if (const int32_t result =
          SealEnvelopeInPlace(crypto, methodNumber, ownUid, list, data,
                              static_cast<size_t>(*length), static_cast<size_t>(capacity), sealed);
      result != SIGCORE_OK)
    return result;
  *length = static_cast<int32_t>(sealed);
  return SIGCORE_OK;
}

int32_t TCCom3x_DLL::DecodeData(const TCCom3x_UserParam& params, uint8_t* data,
                                int32_t* length) {
  if (data == nullptr || length == nullptr || *length <= 0) return SIGCORE_BAD_ARGUMENT;
  TCCom3x_CashNode own;
  if (const int32_t result = GetOwnNode(params, own); result != SIGCORE_OK) return result;
  ProviderEnvelope crypto(*this, params);
  size_t opened = 0;
  if (const int32_t result =
          OpenEnvelopeInPlace(crypto, own.uid, data, static_cast<size_t>(*length), opened);
      result != SIGCORE_OK)
    return result;
  *length = static_cast<int32_t>(opened);
  return SIGCORE_OK;
}

}  // namespace sigcore
