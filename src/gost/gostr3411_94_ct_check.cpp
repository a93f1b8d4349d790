// Constant-time check of HashSecret, run under valgrind memcheck: the message is marked
// undefined, so memcheck reports every branch and memory address that depends on it.
// HashSecret must add no report; the table-driven Hash, run on the same data as a control,
// must add some, which shows the check can see a leak. Exits nonzero otherwise.
#include <valgrind/memcheck.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "gostr3411_94.h"

int main() {
  if (!RUNNING_ON_VALGRIND) {
    std::fprintf(stderr, "run under valgrind\n");
    return 1;
  }
  uint8_t data[100], reference[32], digest[32];
  for (size_t i = 0; i < sizeof data; ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);

  const unsigned before = VALGRIND_COUNT_ERRORS;
  bool same = true;
  for (gost::HashParams params : {gost::HashParams::Test, gost::HashParams::CryptoPro}) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{31}, size_t{32}, size_t{33}, size_t{100}}) {
      bool ok = gost::Hash(params, data, size, reference);
      VALGRIND_MAKE_MEM_UNDEFINED(data, sizeof data);
      ok = gost::HashSecret(params, data, size, digest) && ok;
      VALGRIND_MAKE_MEM_DEFINED(&ok, sizeof ok);
      VALGRIND_MAKE_MEM_DEFINED(data, sizeof data);
      VALGRIND_MAKE_MEM_DEFINED(digest, sizeof digest);
      same = same && ok && std::memcmp(digest, reference, sizeof digest) == 0;
    }
  }
  const unsigned after_secret = VALGRIND_COUNT_ERRORS;

  VALGRIND_MAKE_MEM_UNDEFINED(data, sizeof data);
  const bool controlOk = gost::Hash(gost::HashParams::CryptoPro, data, sizeof data, digest);
  VALGRIND_MAKE_MEM_DEFINED(&controlOk, sizeof controlOk);
  const unsigned after_control = VALGRIND_COUNT_ERRORS;

  std::printf("HashSecret: %u reports, table-driven control: %u reports, digests %s\n",
              after_secret - before, after_control - after_secret, same ? "agree" : "differ");
  return same && controlOk && after_secret == before && after_control > after_secret ? 0 : 1;
}
