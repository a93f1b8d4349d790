// The texts of result codes: the provider's codes 0..90 and the kit's negative codes.
#pragma once

#include <cstdint>
#include <string>

namespace sigcore {

// The Windows-1251 text of `code`. The text of -2 is followed by `lastException`, the detail
// of the exception that produced it; an unknown code gets a text that names it.
std::string ResultCodeText(int32_t code, const std::string& lastException);

}  // namespace sigcore
