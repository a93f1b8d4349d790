// The operating system's random generator, the one source of fresh entropy of the provider.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ccom {

// Fills `out`; throws ProviderError(kRandInitFailed) when the system cannot.
void OsRandom(uint8_t* out, size_t size);

}  // namespace ccom
