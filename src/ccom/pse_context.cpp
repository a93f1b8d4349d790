#include "pse_context.h"

#include <cstring>
#include <vector>

#include "keystrokes.h"
#include "object_store.h"
#include "os_random.h"
#include "provider_error.h"
#include "random_generator.h"
#include "token_path.h"

namespace ccom {
namespace {

int Index(ContainerPart part) { return static_cast<int>(part); }

const char* DiskName(ContainerPart part) {
  constexpr const char* kNames[] = {"kek.opq", "masks.opq", "rand.opq", "mk.opq"};
  return kNames[Index(part)];
}

const char* TokenName(ContainerPart part) {
  constexpr const char* kNames[] = {"A001", "B001", "C001", "D001"};
  return kNames[Index(part)];
}

std::string Join(const std::string& place, const char* name, char separator) {
  const char last = place.empty() ? separator : place.back();
  const bool ends = last == '\\' || last == '/' || last == ':';
  return place + (ends ? "" : std::string(1, separator)) + name;
}

// The containers open in this process. A context given the stored parts of one of them (a copy
// of a container, which callers make for every operation) takes its keys from it instead of
// unwrapping the parts again. Only live containers are held, and weakly: once the last context
// holding one frees it, its keys are gone from here too.
class LiveContainers {
 public:
  void Add(const std::shared_ptr<OpenContainer>& open) {
    std::lock_guard guard(lock_);
    std::erase_if(live_, [](const auto& held) { return held.expired(); });
    live_.push_back(open);
  }

  // A container with the keys of the live one whose stored form the parts are; null when none.
  std::unique_ptr<Container> CloneOf(const uint8_t* kek, const uint8_t* masks,
                                     const uint8_t* master, const uint8_t* rand) {
    std::vector<std::shared_ptr<OpenContainer>> candidates;
    {
      std::lock_guard guard(lock_);
      for (const auto& held : live_)
        if (auto open = held.lock()) candidates.push_back(std::move(open));
    }
    for (const auto& open : candidates) {
      std::lock_guard guard(open->lock);
      if (open->container->Stores(kek, masks, master, rand)) return open->container->Clone();
    }
    return nullptr;
  }

 private:
  std::mutex lock_;
  std::vector<std::weak_ptr<OpenContainer>> live_;
};

LiveContainers& Live() {
  static LiveContainers live;
  return live;
}

}  // namespace

void PseContext::SetPlace(const std::string& place) {
  std::lock_guard guard(lock_);
  place_ = place;
}

void PseContext::SetPartPlace(ContainerPart part, const std::string& place) {
  std::lock_guard guard(lock_);
  partPlaces_[Index(part)] = place;
}

void PseContext::SetRandCallback(PSE_RAND_CALLBACK callback, void* userData) {
  std::lock_guard guard(lock_);
  randCallback_ = callback;
  if (userData != nullptr) randUserData_ = userData;
}

void PseContext::SetRandUserData(void* userData) {
  std::lock_guard guard(lock_);
  randUserData_ = userData;
}

void PseContext::SetOnToken(bool onToken) {
  std::lock_guard guard(lock_);
  onToken_ = onToken;
}

void PseContext::SetPart(ContainerPart part, const uint8_t* data, int length) {
  if (length != static_cast<int>(PartSize(part)))
    Fail(kParameterError, std::string("the ") + PartName(part) + " of a container is " +
                              std::to_string(PartSize(part)) + " bytes, not " +
                              std::to_string(length));
  std::lock_guard guard(lock_);
  auto copy = std::make_unique<SecretBytes>(PartSize(part));
  std::memcpy(copy->data(), data, copy->size());
  given_[Index(part)] = std::move(copy);
}

void PseContext::GetPart(ContainerPart part, uint8_t* data, int* length) {
  const auto open = Opened();
  if (!open) Fail(kParameterError, "the container has not been read or generated");
  if (*length < static_cast<int>(PartSize(part)))
    Fail(kParameterError, std::string("the ") + PartName(part) + " needs " +
                              std::to_string(PartSize(part)) + " bytes, not " +
                              std::to_string(*length));
  std::lock_guard guard(open->lock);
  open->container->WritePart(part, data);
  *length = static_cast<int>(PartSize(part));
}

std::shared_ptr<OpenContainer> PseContext::Opened() {
  std::lock_guard guard(lock_);
  return open_;
}

std::string PseContext::PartPath(ContainerPart part) const {
  if (partPlaces_[Index(part)]) return *partPlaces_[Index(part)];
  return IsTokenPath(place_) ? Join(place_, TokenName(part), '/')
                             : Join(place_, DiskName(part), '\\');
}

bool PseContext::OnEtoken() const {
  return IsTokenPath(place_) && ParseTokenPath(place_).device == "ETOKEN";
}

void PseContext::RequirePlace() const {
  bool everyPart = true;
  for (const auto& place : partPlaces_) everyPart = everyPart && place.has_value();
  if (place_.empty() && !everyPart) Fail(kParameterError, "the container has no place");
  if (onToken_ && !place_.empty() && !IsTokenPath(place_))
    Fail(kParameterError, place_ + " is marked as a token container but is no token path");
}

void PseContext::NewRandState(uint8_t state[32]) {
  const PSE_RAND_CALLBACK callback = randCallback_;
  void* const userData = randUserData_;
  KeystrokeCallback ask;
  if (callback != nullptr)
    ask = [callback, userData](int requested, int index, int total) {
      return callback(requested, index, total, userData);
    };
  CollectKeystrokes(ask, &OsRandom, state);
}

std::unique_ptr<Container> PseContext::ReadStored() {
  std::unique_ptr<SecretBytes> stored[4];
  for (ContainerPart part : kContainerParts) {
    const std::string path = PartPath(part);
    if (part == ContainerPart::Rand && !ObjectExists(path)) continue;
    std::vector<uint8_t> bytes;
    try {
      bytes = ReadObject(path, PartSize(part));
    } catch (const ProviderError& e) {
      if (e.code() != kFileNotFound) throw;
      Fail(kContainerUnreadable, "no key container at " + place_ + ": its " + PartName(part) +
                                     " (" + path + ") is missing");
    }
    stored[Index(part)] = std::make_unique<SecretBytes>(PartSize(part));
    const bool whole = bytes.size() == PartSize(part);
    std::memcpy(stored[Index(part)]->data(), bytes.data(), whole ? bytes.size() : 0);
    gost::SecureWipe(bytes.data(), bytes.size());
    if (!whole)
      Fail(kContainerUnreadable, path + " is not the " + PartName(part) + " of a container");
  }
  const auto at = [&](ContainerPart part) {
    return stored[Index(part)] ? stored[Index(part)]->data() : nullptr;
  };
  auto container = Container::Open(at(ContainerPart::Kek), at(ContainerPart::Masks),
                                   at(ContainerPart::Master), at(ContainerPart::Rand));
  if (!container->HasRandState()) {
    SecretArray<32> state;
    NewRandState(state->data());
    container->SetRandState(state->data());
    SecretArray<36> part;
    container->WritePart(ContainerPart::Rand, part->data());
    try {
      WriteObject(PartPath(ContainerPart::Rand), part->data(), part->size());
    } catch (const ProviderError& e) {
      Fail(kRandInitFailed, std::string("the new generator state cannot be stored: ") + e.what());
    }
  }
  return container;
}

void PseContext::Opening(std::unique_ptr<Container> container, bool seed) {
  if (seed) {
    SecretArray<32> state;
    container->RandState(state->data());
    ProcessRandom().Seed(state->data(), state->size());
  }
  auto open = std::make_shared<OpenContainer>();
  open->container = std::move(container);
  Live().Add(open);
  open_ = std::move(open);
}

void PseContext::Read() {
  std::lock_guard guard(lock_);
  int given = 0;
  for (const auto& part : given_) given += part ? 1 : 0;
  if (given > 0) {
    if (given < 4) Fail(kParameterError, "a container given by its parts needs all four");
    const uint8_t* const kek = given_[Index(ContainerPart::Kek)]->data();
    const uint8_t* const masks = given_[Index(ContainerPart::Masks)]->data();
    const uint8_t* const rand = given_[Index(ContainerPart::Rand)]->data();
    const uint8_t* const master = given_[Index(ContainerPart::Master)]->data();
    // A copy of a container open here: the generator took its state when that one was read.
    if (auto copy = Live().CloneOf(kek, masks, master, rand)) {
      Opening(std::move(copy), !ProcessRandom().Seeded());
      return;
    }
    Opening(Container::Open(kek, masks, master, rand));
    return;
  }
  RequirePlace();
  Opening(ReadStored());
}

void PseContext::Generate() {
  std::lock_guard guard(lock_);
  RequirePlace();
  std::string present, missing;
  for (ContainerPart part : {ContainerPart::Kek, ContainerPart::Masks, ContainerPart::Master})
    (ObjectExists(PartPath(part)) ? present : missing) += std::string(" ") + PartName(part) + ";";
  if (missing.empty()) {
    Opening(ReadStored());
    return;
  }
  if (!present.empty())
    Fail(kContainerUnreadable, place_ + " holds part of a key container (present:" + present +
                                   " missing:" + missing + "); it is not overwritten");
  SecretArray<32> seed, state;
  NewRandState(seed->data());
  ProcessRandom().Seed(seed->data(), seed->size());
  ProcessRandom().Generate(state->data(), state->size());
  Opening(Container::Create(ProcessRandom(), state->data()));
}

void PseContext::Write() {
  std::lock_guard guard(lock_);
  if (!open_)
    Fail(kParameterError, "nothing to write: the container has not been read or generated");
  RequirePlace();
  if (OnEtoken() && TakeInjectedFault(kFaultWriteFailures))
    Fail(kWriteError, place_ + ": the token did not take the container (injected fault)");
  // The parts only work together: a container is replaced whole or not at all.
  std::lock_guard openGuard(open_->lock);
  size_t total = 0;
  for (ContainerPart part : kContainerParts) total += PartSize(part);
  SecretBytes bytes(total);
  std::vector<ObjectWrite> writes;
  size_t at = 0;
  for (ContainerPart part : kContainerParts) {
    open_->container->WritePart(part, bytes.data() + at);
    writes.push_back({PartPath(part), bytes.data() + at, PartSize(part)});
    at += PartSize(part);
  }
  WriteObjects(writes);
}

}  // namespace ccom
