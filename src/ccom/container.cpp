#include "container.h"

#include <cstring>
#include <iterator>

#include "gost28147_mac.h"
#include "gostr3411_94.h"
#include "params.h"
#include "provider_error.h"

namespace ccom {
namespace {

constexpr uint8_t kMagic[4] = {'C', 'C', 'M', 'K'};
constexpr uint8_t kVersion = 1;
constexpr size_t kMaskedKeyOffset = 16;
constexpr size_t kCheckOffset = 48;
constexpr size_t kReservedOffset = 52;

void Check(bool ok) {
  if (!ok) Fail(kInternalError, "a GOST primitive refused the container's keys");
}

void MaskDigest(const uint8_t* masks, uint8_t digest[32]) {
  Check(
      gost::HashSecret(gost::HashParams::CryptoPro, masks, PartSize(ContainerPart::Masks), digest));
}

void MasterCheck(const uint8_t master[32], const uint8_t* part, uint8_t mac[4]) {
  gost::Gost28147MacSecret imit(kContainerSet, master, part + 8);
  Check(imit.Update(part, kCheckOffset) && imit.Final(mac));
}

void Xor(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t size) {
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(a[i] ^ b[i]);
}

// Where a part lies in the stored form, which keeps the parts in the order of kContainerParts.
size_t PartOffset(ContainerPart part) {
  size_t offset = 0;
  for (ContainerPart before : kContainerParts) {
    if (before == part) break;
    offset += PartSize(before);
  }
  return offset;
}

}  // namespace

size_t PartSize(ContainerPart part) {
  switch (part) {
    case ContainerPart::Kek:
      return 36;
    case ContainerPart::Masks:
      return 224;
    case ContainerPart::Rand:
      return 36;
    case ContainerPart::Master:
      return 262;
  }
  return 0;
}

const char* PartName(ContainerPart part) {
  switch (part) {
    case ContainerPart::Kek:
      return "key-encryption key";
    case ContainerPart::Masks:
      return "masks";
    case ContainerPart::Rand:
      return "generator state";
    case ContainerPart::Master:
      return "master key";
  }
  return "";
}

std::unique_ptr<Container> Container::Create(RandomGenerator& random, const uint8_t randState[32]) {
  std::unique_ptr<Container> container(new Container);
  random.Generate(container->ukm_.data(), container->ukm_.size());
  random.Generate(container->master_->data(), 32);
  random.Generate(container->masks_->data(), container->masks_->size());
  random.Generate(container->kek_->data(), 32);
  container->SetRandState(randState);
  container->DeriveKeys();
  container->StoreKeys();
  return container;
}

std::unique_ptr<Container> Container::Open(const uint8_t* kek, const uint8_t* masks,
                                           const uint8_t* master, const uint8_t* rand) {
  if (std::memcmp(master, kMagic, 4) != 0 || master[4] != kVersion || master[5] != kCurveNid ||
      master[6] != kCipherNid || master[7] != kHashNid)
    Fail(kContainerUnreadable, "the master key part is not one of this provider's containers");
  for (size_t i = kReservedOffset; i < PartSize(ContainerPart::Master); ++i)
    if (master[i] != 0) Fail(kContainerUnreadable, "the master key part is damaged");

  std::unique_ptr<Container> container(new Container);
  std::memcpy(container->ukm_.data(), master + 8, 8);
  std::memcpy(container->masks_->data(), masks, container->masks_->size());
  SecretArray<32> digest;
  MaskDigest(masks, digest->data());
  Xor(container->master_->data(), master + kMaskedKeyOffset, digest->data(), 32);
  uint8_t mac[4];
  MasterCheck(container->master_->data(), master, mac);
  if (!SecretEqual(mac, master + kCheckOffset, 4))
    Fail(kContainerUnreadable, "the master key part and the masks do not belong together");

  SecretArray<32> partKey;
  container->KekPartKey(partKey->data());
  if (!UnwrapKey(kContainerSet, partKey->data(), container->ukm_.data(), kek,
                 container->kek_->data()))
    Fail(kContainerUnreadable, "the key-encryption key does not belong to the master key");
  if (rand != nullptr) {
    container->RandPartKey(partKey->data());
    if (!UnwrapKey(kContainerSet, partKey->data(), container->ukm_.data(), rand,
                   container->rand_->data()))
      Fail(kRandNotInitialised, "the generator state does not belong to the master key");
    container->hasRand_ = true;
    std::memcpy(container->StoredPart(ContainerPart::Rand), rand, PartSize(ContainerPart::Rand));
  }
  container->DeriveKeys();
  std::memcpy(container->StoredPart(ContainerPart::Kek), kek, PartSize(ContainerPart::Kek));
  std::memcpy(container->StoredPart(ContainerPart::Masks), masks, PartSize(ContainerPart::Masks));
  std::memcpy(container->StoredPart(ContainerPart::Master), master,
              PartSize(ContainerPart::Master));
  return container;
}

void Container::DeriveKeys() {
  DiversifyKey(kContainerSet, kek_->data(), ukm_.data(), wrapKey_->data());
}

void Container::KekPartKey(uint8_t out[32]) const {
  DiversifyKey(kContainerSet, master_->data(), ukm_.data(), out);
}

void Container::RandPartKey(uint8_t out[32]) const {
  uint8_t ukm[8];
  for (int i = 0; i < 8; ++i) ukm[i] = static_cast<uint8_t>(~ukm_[i]);
  DiversifyKey(kContainerSet, master_->data(), ukm, out);
}

uint8_t* Container::StoredPart(ContainerPart part) noexcept {
  return stored_->data() + PartOffset(part);
}

const uint8_t* Container::StoredPart(ContainerPart part) const noexcept {
  return stored_->data() + PartOffset(part);
}

void Container::StoreKeys() {
  SecretArray<32> partKey;
  KekPartKey(partKey->data());
  WrapKey(kContainerSet, partKey->data(), ukm_.data(), kek_->data(),
          StoredPart(ContainerPart::Kek));
  std::memcpy(StoredPart(ContainerPart::Masks), masks_->data(), masks_->size());
  uint8_t* const out = StoredPart(ContainerPart::Master);
  std::memset(out, 0, PartSize(ContainerPart::Master));
  std::memcpy(out, kMagic, 4);
  out[4] = kVersion;
  out[5] = kCurveNid;
  out[6] = kCipherNid;
  out[7] = kHashNid;
  std::memcpy(out + 8, ukm_.data(), 8);
  SecretArray<32> digest;
  MaskDigest(masks_->data(), digest->data());
  Xor(out + kMaskedKeyOffset, master_->data(), digest->data(), 32);
  MasterCheck(master_->data(), out, out + kCheckOffset);
  // The generator state is wrapped under the master key too.
  if (hasRand_) StoreRand();
}

void Container::StoreRand() {
  SecretArray<32> partKey;
  RandPartKey(partKey->data());
  WrapKey(kContainerSet, partKey->data(), ukm_.data(), rand_->data(),
          StoredPart(ContainerPart::Rand));
}

void Container::WritePart(ContainerPart part, uint8_t* out) const {
  if (part == ContainerPart::Rand && !hasRand_)
    Fail(kRandNotInitialised, "the container has no generator state");
  std::memcpy(out, StoredPart(part), PartSize(part));
}

bool Container::Stores(const uint8_t* kek, const uint8_t* masks, const uint8_t* master,
                       const uint8_t* rand) const noexcept {
  const uint8_t* const given[] = {kek, masks, rand, master};
  bool same = hasRand_;
  for (size_t i = 0; i < std::size(kContainerParts); ++i) {
    const ContainerPart part = kContainerParts[i];
    same &= SecretEqual(given[i], StoredPart(part), PartSize(part));
  }
  return same;
}

std::unique_ptr<Container> Container::Clone() const {
  std::unique_ptr<Container> copy(new Container);
  *copy->master_ = *master_;
  *copy->masks_ = *masks_;
  *copy->kek_ = *kek_;
  *copy->wrapKey_ = *wrapKey_;
  *copy->rand_ = *rand_;
  copy->ukm_ = ukm_;
  copy->hasRand_ = hasRand_;
  *copy->stored_ = *stored_;
  return copy;
}

void Container::RandState(uint8_t out[32]) const {
  if (!hasRand_) Fail(kRandNotInitialised, "the container has no generator state");
  std::memcpy(out, rand_->data(), 32);
}

void Container::SetRandState(const uint8_t state[32]) {
  std::memcpy(rand_->data(), state, 32);
  hasRand_ = true;
  StoreRand();
}

void Container::WrapPrivateKey(const uint8_t privateKey[32],
                               uint8_t secretKey[kWrappedKeySize]) const {
  WrapKey(kContainerSet, wrapKey_->data(), ukm_.data(), privateKey, secretKey);
}

void Container::UnwrapPrivateKey(const uint8_t secretKey[kWrappedKeySize],
                                 uint8_t privateKey[32]) const {
  if (!UnwrapKey(kContainerSet, wrapKey_->data(), ukm_.data(), secretKey, privateKey))
    Fail(kKeysDoNotMatch, "the secret key was not made by this key container, or is damaged");
}

void Container::NewKek(RandomGenerator& random) {
  random.Generate(kek_->data(), 32);
  DeriveKeys();
  StoreKeys();
}

void Container::LoadKek(const uint8_t kekPart[kWrappedKeySize]) {
  SecretArray<32> partKey, kek;
  KekPartKey(partKey->data());
  if (!UnwrapKey(kContainerSet, partKey->data(), ukm_.data(), kekPart, kek->data()))
    Fail(kKeysDoNotMatch, "the key-encryption key was not made under this container's master key");
  std::memcpy(kek_->data(), kek->data(), 32);
  DeriveKeys();
  StoreKeys();
}

void Container::NewMasterKey(RandomGenerator& random) {
  // The UKM stays: the secret keys are wrapped under a key diversified by it.
  random.Generate(master_->data(), 32);
  random.Generate(masks_->data(), masks_->size());
  StoreKeys();
}

}  // namespace ccom
