#include "provider_objects.h"

#include "export_guard.h"

namespace ccom {

HandleRegistry<PseContext>& Contexts() {
  static HandleRegistry<PseContext> registry("PSE_CTX");
  return registry;
}

HandleRegistry<OpenContainer>& Containers() {
  static HandleRegistry<OpenContainer> registry("PSE");
  return registry;
}

HandleRegistry<SignObject>& Signers() {
  static HandleRegistry<SignObject> registry("ECGOST_SIGN");
  return registry;
}

HandleRegistry<AgreementObject>& Agreements() {
  static HandleRegistry<AgreementObject> registry("ECGOST_DH");
  return registry;
}

HandleRegistry<CipherObject>& Ciphers() {
  static HandleRegistry<CipherObject> registry("GOSTE_CTX");
  return registry;
}

HandleRegistry<HashObject>& Hashes() {
  static HandleRegistry<HashObject> registry("GOSTH_CTX");
  return registry;
}

HandleRegistry<OpaqueKey>& OpaqueKeys() {
  static HandleRegistry<OpaqueKey> registry("OPAQUE_PRIV_KEY");
  return registry;
}

void UnwrapWithContainer(PSE* pse, const unsigned char* secretKey, uint8_t privateKey[32]) {
  const auto open = Containers().Find(pse);
  if (secretKey == nullptr) Fail(kParameterError, "no secret key given");
  std::lock_guard guard(open->lock);
  open->container->UnwrapPrivateKey(secretKey, privateKey);
}

int Unsupported(const char* function, const std::string& why) {
  return Refused(function, kNotSupported, why);
}

}  // namespace ccom
