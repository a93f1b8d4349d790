#include "keystrokes.h"

#include <chrono>
#include <string>

#include "gostr3411_94.h"
#include "provider_error.h"

namespace ccom {
namespace {

uint64_t Now() {
  return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

void Mix(gost::GostR3411_94Secret& hash, uint64_t value) {
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  if (!hash.Update(bytes, sizeof bytes)) Fail(kInternalError, "keystroke hashing failed");
}

// A digit drawn without bias from the system's generator.
int RandomDigit(RandomGenerator::EntropySource entropy) {
  for (;;) {
    uint8_t byte = 0;
    entropy(&byte, 1);
    if (byte < 250) return '0' + byte % 10;
  }
}

}  // namespace

void CollectKeystrokes(const KeystrokeCallback& ask, RandomGenerator::EntropySource entropy,
                       uint8_t seed[32]) {
  if (!ask)
    Fail(kRandInitFailed,
         "the generator state is missing and no random-initialisation callback is registered");
  gost::GostR3411_94Secret hash(gost::HashParams::CryptoPro);
  SecretArray<32> fresh;
  entropy(fresh->data(), fresh->size());
  if (!hash.Update(fresh->data(), fresh->size())) Fail(kInternalError, "keystroke hashing failed");

  int wrong = 0;
  int requested = RandomDigit(entropy);
  for (int index = 1; index <= kKeystrokeCount;) {
    const uint64_t asked = Now();
    const int answer = ask(requested, index, kKeystrokeCount);
    const uint64_t answered = Now();
    if (answer == -1)
      Fail(kRandInitFailed, "the user cancelled the random-generator initialisation");
    if (answer < 0 || answer > 255)
      Fail(kRandInitFailed, "the random-initialisation callback gave no character (answer " +
                                std::to_string(answer) + ")");
    Mix(hash, static_cast<uint64_t>(index) << 16 | static_cast<uint64_t>(requested) << 8 |
                  static_cast<uint64_t>(answer));
    Mix(hash, asked);
    Mix(hash, answered - asked);
    if (answer == requested) {
      ++index;
      requested = RandomDigit(entropy);
    } else if (++wrong > kMaxWrongKeystrokes) {
      Fail(kRandInitFailed,
           "too many wrong characters typed during random-generator initialisation");
    }
  }
  if (!hash.Final(seed)) Fail(kInternalError, "keystroke hashing failed");
}

}  // namespace ccom
