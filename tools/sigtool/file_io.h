// sigtool's files: read whole, written whole (replacing what was there).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sigtool {

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& data);
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

}  // namespace sigtool
