// A key container: the keys that protect the secret keys it produces, and its generator state.
//
// Stored as four parts (what copying a container moves, in this order):
//   key-encryption key, 36 bytes: the KEK wrapped (keywrap.h) under Diversify(MK, UKM);
//   masks, 224 bytes: random; their digest masks the master key;
//   generator state, 36 bytes: 32 bytes of state wrapped under Diversify(MK, UKM xor FF..FF);
//   master key, 262 bytes:
//      0  4  "CCMK"          4  1  format version 1
//      5  1  curve 11         6  1  cipher set 31       7  1  hash set 21
//      8  8  UKM             16 32  MK xor H(masks)    48  4  MAC of bytes 0..47 under MK,
//                                                              started from the UKM
//     52 210 zero
// H is GOST R 34.11-94 with the CryptoPro parameters; wrapping and MACs use the cipher set 31.
// Neither the master key part nor the masks alone give the master key.
//
// A secret key that the container produces (36 bytes) is the private scalar, big-endian,
// wrapped under Diversify(KEK, UKM): useless without the container. The KEK, the master key and
// the generator state are held in wiped memory while the container is open, beside the stored
// form of the four parts: copying a container hands out these bytes, and recognising them again
// lets a copy skip the unwrapping (Clone).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "keywrap.h"
#include "random_generator.h"
#include "secret.h"

namespace ccom {

enum class ContainerPart { Kek, Masks, Rand, Master };
inline constexpr ContainerPart kContainerParts[] = {ContainerPart::Kek, ContainerPart::Masks,
                                                    ContainerPart::Rand, ContainerPart::Master};
inline constexpr size_t kMaxPartSize = 262;
inline constexpr size_t kStoredContainerSize = 36 + 224 + 36 + 262;

size_t PartSize(ContainerPart part);
// "key-encryption key", "masks", "generator state", "master key"
const char* PartName(ContainerPart part);

class Container {
 public:
  // A new container around the generator state `randState`; its keys come from `random`.
  static std::unique_ptr<Container> Create(RandomGenerator& random, const uint8_t randState[32]);
  // Opens stored parts (each PartSize bytes); a null `rand` opens a container whose generator
  // state is missing, to be given with SetRandState. Throws kContainerUnreadable for parts that
  // do not form a container, kRandNotInitialised when only the generator state is damaged.
  static std::unique_ptr<Container> Open(const uint8_t* kek, const uint8_t* masks,
                                         const uint8_t* master, const uint8_t* rand);

  // The stored form of a part; `out` holds PartSize(part) bytes.
  void WritePart(ContainerPart part, uint8_t* out) const;
  // Whether the parts (each PartSize bytes, in the order of Open) are this container's stored
  // form, compared in constant time; never for a container without a generator state.
  bool Stores(const uint8_t* kek, const uint8_t* masks, const uint8_t* master,
              const uint8_t* rand) const noexcept;
  // The same keys in a container of its own: what Open of the stored parts gives, without
  // unwrapping them again.
  std::unique_ptr<Container> Clone() const;

  bool HasRandState() const noexcept { return hasRand_; }
  void RandState(uint8_t out[32]) const;
  void SetRandState(const uint8_t state[32]);

  void WrapPrivateKey(const uint8_t privateKey[32], uint8_t secretKey[kWrappedKeySize]) const;
  // Throws kKeysDoNotMatch when the secret key was not made by this container.
  void UnwrapPrivateKey(const uint8_t secretKey[kWrappedKeySize], uint8_t privateKey[32]) const;

  // A new key-encryption key: secret keys made before can no longer be unwrapped.
  void NewKek(RandomGenerator& random);
  // Takes the key-encryption key of a stored part made under this container's master key.
  void LoadKek(const uint8_t kekPart[kWrappedKeySize]);
  // A new master key and masks; the key-encryption key, and so the secret keys, stay.
  void NewMasterKey(RandomGenerator& random);

 private:
  Container() = default;
  void DeriveKeys();
  void KekPartKey(uint8_t out[32]) const;
  void RandPartKey(uint8_t out[32]) const;
  uint8_t* StoredPart(ContainerPart part) noexcept;
  const uint8_t* StoredPart(ContainerPart part) const noexcept;
  // Recomputes the stored form of the parts that wrap the KEK, the masks and the master key.
  void StoreKeys();
  void StoreRand();

  SecretArray<32> master_;
  SecretArray<224> masks_;
  SecretArray<32> kek_;
  SecretArray<32> wrapKey_;  // Diversify(KEK, UKM)
  SecretArray<32> rand_;
  std::array<uint8_t, 8> ukm_{};
  bool hasRand_ = false;
  SecretArray<kStoredContainerSize> stored_;  // the parts in the order of kContainerParts
};

}  // namespace ccom
