#include "decoys.h"

#include <windows.h>
#include <bcrypt.h>

#include "orvavkcnst.h"

namespace orvavk {
namespace {

uint32_t SystemSeed() {
  uint32_t seed = 0;
  if (BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&seed), sizeof seed,
                                       BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return seed;
  // Without the system generator, the moment of loading still differs from run to run.
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<uint32_t>(counter.QuadPart) ^ ::GetCurrentProcessId() ^ ::GetTickCount();
}

// Constructed while the library loads, before any form can ask for a decoy.
TLcgRandom libraryRandom(SystemSeed());

wchar_t DecoyCharacter(TLcgRandom& random) {
  return kMaskAlphabet[random.Next(kDecoyAlphabetSize)];
}

}  // namespace

TLcgRandom& LibraryRandom() { return libraryRandom; }

std::wstring DecoyString(size_t length, TLcgRandom& random) {
  std::wstring decoy(length, L'\0');
  for (wchar_t& c : decoy) c = DecoyCharacter(random);
  return decoy;
}

std::wstring DecoyFor(std::wstring_view real, TLcgRandom& random) {
  std::wstring decoy(real.size(), L'\0');
  for (size_t i = 0; i < real.size(); ++i) {
    do {
      decoy[i] = DecoyCharacter(random);
    } while (decoy[i] == real[i]);
  }
  return decoy;
}

}  // namespace orvavk
