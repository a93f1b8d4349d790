#include "os_random.h"

#include "provider_error.h"

#ifdef _WIN32
#include <windows.h>
#include <bcrypt.h>
#else
#include <sys/random.h>

#include <cerrno>
#endif

namespace ccom {

void OsRandom(uint8_t* out, size_t size) {
#ifdef _WIN32
  while (size > 0) {
    const ULONG chunk = size > 0x10000 ? 0x10000 : static_cast<ULONG>(size);
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
      Fail(kRandInitFailed, "the system random generator (BCryptGenRandom) failed");
    out += chunk;
    size -= chunk;
  }
#else
  while (size > 0) {
    const ssize_t got = ::getrandom(out, size, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(kRandInitFailed, "the system random generator (getrandom) failed");
    }
    out += got;
    size -= static_cast<size_t>(got);
  }
#endif
}

}  // namespace ccom
