// A key container being opened, generated, copied or written (the PSE_CTX of the entry points).
//
// Its place is a disk folder or a token object path. The four parts live there as
//   disk:  kek.opq, masks.opq, rand.opq (the generator state), mk.opq
//   token: A001 (key-encryption key), B001 (masks), C001 (generator state), D001 (master key)
// unless a part was given a place of its own. Reading a container whose generator state is
// missing, and generating a new one, ask the keystroke callback for a new state; reading
// stores it at once. Generating where a whole container already is opens that container
// instead, so the secret keys it made stay usable; where only some parts are, nothing is
// overwritten and the call fails.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ccm3x_h.h"
#include "container.h"
#include "secret.h"

namespace ccom {

// The keys behind a PSE handle, shared by the context and the calls using them.
struct OpenContainer {
  std::mutex lock;  // held while the container is used or changed
  std::unique_ptr<Container> container;
  std::atomic<void*> handle{nullptr};  // its PSE handle, once registered
};

class PseContext {
 public:
  void SetPlace(const std::string& place);
  void SetPartPlace(ContainerPart part, const std::string& place);
  void SetRandCallback(PSE_RAND_CALLBACK callback, void* userData);
  void SetRandUserData(void* userData);
  void SetOnToken(bool onToken);
  void SetPart(ContainerPart part, const uint8_t* data, int length);
  // `length` is the capacity on entry and the size written on return.
  void GetPart(ContainerPart part, uint8_t* data, int* length);

  void Read();
  void Generate();
  void Write();
  // The open container; null before a successful Read or Generate.
  std::shared_ptr<OpenContainer> Opened();

 private:
  std::string PartPath(ContainerPart part) const;
  bool OnEtoken() const;
  void RequirePlace() const;
  std::unique_ptr<Container> ReadStored();
  void NewRandState(uint8_t state[32]);
  // Makes the container the open one; `seed` gives its generator state to the process generator.
  void Opening(std::unique_ptr<Container> container, bool seed = true);

  std::mutex lock_;
  std::string place_;
  std::optional<std::string> partPlaces_[4];
  std::unique_ptr<SecretBytes> given_[4];
  PSE_RAND_CALLBACK randCallback_ = nullptr;
  void* randUserData_ = nullptr;
  bool onToken_ = false;
  std::shared_ptr<OpenContainer> open_;
};

}  // namespace ccom
