// libgcrypt, the independent implementation our benchmarks are compared with.
#pragma once

#include <gcrypt.h>

#include <cstdlib>

namespace gost_bench {

inline void InitGcrypt() {
  static const bool ready = [] {
    if (!gcry_check_version(GCRYPT_VERSION)) std::abort();
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)ready;
}

}  // namespace gost_bench
