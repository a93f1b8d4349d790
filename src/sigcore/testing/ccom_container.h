// A key container made through the provider's entry points, as the keystroke series of a
// person would make it: each digit the provider asks for is typed as asked. For tests and
// benchmarks that need keys made by the kit's own provider without its dialog.
#pragma once

#include <string>

#include "ccm3x_entry_points.h"

namespace sigcore_test {

// Makes and writes a new container at `place` (a disk folder, made when missing, or a token
// path); 0, or the provider's code for the step that failed.
int MakeProviderContainer(const ccm3x::EntryPoints& api, const std::string& place);

}  // namespace sigcore_test
