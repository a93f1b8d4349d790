// What a test needs to know of a built Windows image: the machine it is for and the names it
// exports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

struct PeImage {
  uint16_t machine = 0;              // IMAGE_FILE_MACHINE_I386 or IMAGE_FILE_MACHINE_AMD64
  std::vector<std::string> exports;  // export names in the image's (sorted) name table
};

// Reads the image's headers and export names; nothing when the file is missing or any
// structure lies outside the file.
std::optional<PeImage> ReadPeImage(const std::string& path);

// The exported names a .def file lists, sorted.
std::vector<std::string> ReadDefExports(const std::string& path);

}  // namespace wintest
