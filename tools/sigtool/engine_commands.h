// The commands that work through sigcore.dll, loaded by name as any host loads it.
#pragma once

#include <string>
#include <vector>

#include "engine_session.h"

namespace sigtool {

// Number, name, value, kind and descriptor of every engine parameter.
int ListParams(const std::vector<ParamSetting>& settings);
// The kit's text of each result code.
int ShowErrorTexts(const std::vector<ParamSetting>& settings,
                   const std::vector<std::string>& codes);
// Which provider libraries the engine loaded, whether they are complete, and who made them.
int ShowProvider(const std::vector<ParamSetting>& settings);

}  // namespace sigtool
