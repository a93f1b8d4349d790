// Known-answer self tests of the primitives, run by GOSTH_check and CCLIB_check_environment.
#pragma once

#include <string>

namespace ccom {

// Empty when the hash gives its known answers; otherwise what failed.
std::string HashSelfTest();
// The hash, the cipher, the curve and the system's generator; empty when all work.
std::string EnvironmentSelfTest();

}  // namespace ccom
