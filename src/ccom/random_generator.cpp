#include "random_generator.h"

#include <cstring>

#include "gost28147_modes.h"
#include "gostr3411_94.h"
#include "os_random.h"
#include "params.h"
#include "provider_error.h"

namespace ccom {
namespace {

void Check(bool ok) {
  if (!ok) Fail(kInternalError, "the random generator's hash or cipher failed");
}

}  // namespace

void RandomGenerator::Seed(const uint8_t* seed, size_t size) {
  SecretArray<32> fresh;
  entropy_(fresh->data(), fresh->size());
  std::lock_guard guard(lock_);
  gost::GostR3411_94Secret hash(gost::HashParams::CryptoPro);
  Check(hash.Update(state_->data(), state_->size()) && hash.Update(seed, size) &&
        hash.Update(fresh->data(), fresh->size()) && hash.Final(state_->data()));
  seeded_ = true;
}

bool RandomGenerator::Seeded() const {
  std::lock_guard guard(lock_);
  return seeded_;
}

void RandomGenerator::Generate(uint8_t* out, size_t size) {
  SecretArray<32> key;
  entropy_(key->data(), key->size());
  std::lock_guard guard(lock_);
  if (!seeded_)
    Fail(kRandNotInitialised,
         "the random generator has not been initialised: open a key container");
  for (size_t i = 0; i < 32; ++i) (*key)[i] ^= (*state_)[i];
  uint8_t counter[8];
  ++counter_;
  for (int i = 0; i < 8; ++i) counter[i] = static_cast<uint8_t>(counter_ >> (8 * i));
  gost::Gost28147GammaSecret gamma(kContainerSet, key->data(), counter);
  std::memset(state_->data(), 0, state_->size());
  std::memset(out, 0, size);
  Check(gamma.Apply(state_->data(), state_->data(), state_->size()) && gamma.Apply(out, out, size));
}

void RandomGenerator::Close() noexcept {
  std::lock_guard guard(lock_);
  gost::SecureWipe(state_->data(), state_->size());
  seeded_ = false;
}

RandomGenerator& ProcessRandom() {
  static RandomGenerator generator(&OsRandom);
  return generator;
}

}  // namespace ccom
