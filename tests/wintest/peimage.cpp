#include "peimage.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace wintest {
namespace {

// Bounds-checked little-endian reads over the whole file.
class Bytes {
 public:
  explicit Bytes(std::vector<char> data) : data_(std::move(data)) {}

  bool Has(uint64_t offset, uint64_t size) const {
    return offset <= data_.size() && size <= data_.size() - offset;
  }
  template <class T>
  std::optional<T> Read(uint64_t offset) const {
    if (!Has(offset, sizeof(T))) return std::nullopt;
    T value;
    std::memcpy(&value, data_.data() + offset, sizeof(T));
    return value;
  }
  std::optional<std::string> String(uint64_t offset) const {
    if (offset >= data_.size()) return std::nullopt;
    const char* begin = data_.data() + offset;
    const void* end = std::memchr(begin, 0, data_.size() - offset);
    if (end == nullptr) return std::nullopt;
    return std::string(begin, static_cast<const char*>(end));
  }

 private:
  std::vector<char> data_;
};

struct Section {
  uint32_t address, size, fileOffset;
};

std::optional<uint64_t> FileOffset(const std::vector<Section>& sections, uint32_t rva) {
  for (const auto& s : sections)
    if (rva >= s.address && rva - s.address < s.size) return uint64_t{s.fileOffset} + (rva - s.address);
  return std::nullopt;
}

}  // namespace

std::optional<PeImage> ReadPeImage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const Bytes file(std::vector<char>(std::istreambuf_iterator<char>(in), {}));

  const auto pe = file.Read<uint32_t>(0x3C);
  if (file.Read<uint16_t>(0) != 0x5A4D || !pe || file.Read<uint32_t>(*pe) != 0x00004550)
    return std::nullopt;
  const uint64_t coff = uint64_t{*pe} + 4;
  const auto machine = file.Read<uint16_t>(coff);
  const auto sectionCount = file.Read<uint16_t>(coff + 2);
  const auto optionalSize = file.Read<uint16_t>(coff + 16);
  const uint64_t optional = coff + 20;
  const auto magic = file.Read<uint16_t>(optional);
  if (!machine || !sectionCount || !optionalSize || !magic) return std::nullopt;
  const bool plus = *magic == 0x20B;
  if (!plus && *magic != 0x10B) return std::nullopt;

  std::vector<Section> sections;
  const uint64_t table = optional + *optionalSize;
  for (uint64_t i = 0; i < *sectionCount; ++i) {
    const uint64_t at = table + i * 40;
    const auto virtualSize = file.Read<uint32_t>(at + 8), address = file.Read<uint32_t>(at + 12);
    const auto rawSize = file.Read<uint32_t>(at + 16), rawOffset = file.Read<uint32_t>(at + 20);
    if (!virtualSize || !address || !rawSize || !rawOffset) return std::nullopt;
    sections.push_back({*address, std::min(*virtualSize, *rawSize), *rawOffset});
  }

  PeImage image;
  image.machine = *machine;
  const uint64_t directories = optional + (plus ? 112 : 96);
  const auto directoryCount = file.Read<uint32_t>(optional + (plus ? 108 : 92));
  if (!directoryCount) return std::nullopt;
  if (*directoryCount == 0) return image;
  const auto exportRva = file.Read<uint32_t>(directories);
  if (!exportRva) return std::nullopt;
  if (*exportRva == 0) return image;

  const auto exports = FileOffset(sections, *exportRva);
  if (!exports) return std::nullopt;
  const auto nameCount = file.Read<uint32_t>(*exports + 24);
  const auto namesRva = file.Read<uint32_t>(*exports + 32);
  if (!nameCount || !namesRva) return std::nullopt;
  const auto names = FileOffset(sections, *namesRva);
  if (*nameCount > 0 && !names) return std::nullopt;
  for (uint64_t i = 0; i < *nameCount; ++i) {
    const auto nameRva = file.Read<uint32_t>(*names + i * 4);
    const auto nameAt = nameRva ? FileOffset(sections, *nameRva) : std::nullopt;
    const auto name = nameAt ? file.String(*nameAt) : std::nullopt;
    if (!name) return std::nullopt;
    image.exports.push_back(*name);
  }
  return image;
}

std::vector<std::string> ReadDefExports(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> names;
  std::string line;
  bool inExports = false;
  while (std::getline(in, line)) {
    std::istringstream words(line.substr(0, line.find(';')));
    std::string first;
    if (!(words >> first)) continue;
    if (first == "EXPORTS") {
      inExports = true;
    } else if (first == "LIBRARY" || first == "NAME" || first == "DESCRIPTION") {
      inExports = false;
    } else if (inExports) {
      // "Name", "Name @3" or "Name = Internal": the exported name is the first word.
      names.push_back(first.substr(0, first.find('=')));
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace wintest
