// Reader of the test-vector files in tests/vectors, shared by the native and the Windows tests.
// A file is a list of records: "[Name]" starts a section, "Name = value" lines fill a record, a
// blank line ends it, and lines starting with "#" are comments. A value is hex, or ASCII text
// in double quotes.
#pragma once

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_hex.h"

namespace gost {

struct TestVector {
  std::string file;
  int line = 0;  // where the record starts
  std::string section;
  std::map<std::string, std::string> fields;

  const std::string& Text(const std::string& name) const {
    const auto it = fields.find(name);
    if (it == fields.end()) throw std::out_of_range(Where() + ": no field " + name);
    return it->second;
  }

  // The bytes of a quoted text, or of hex digits.
  std::vector<uint8_t> Bytes(const std::string& name) const {
    const std::string& value = Text(name);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      return std::vector<uint8_t>(value.begin() + 1, value.end() - 1);
    return FromHex(value);
  }

  std::string Where() const { return file + ":" + std::to_string(line); }
};

// Every record of tests/vectors/<name>; throws when the file cannot be read or is malformed.
inline std::vector<TestVector> ReadTestVectors(const std::string& name) {
  const std::string path = std::string(KIT_TEST_VECTORS_DIR) + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot open " + path);
  std::string text;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
  std::fclose(file);

  std::vector<TestVector> records;
  std::string section;
  bool open = false;
  int number = 0;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty()) {
      open = false;
    } else if (line[0] == '#') {
    } else if (line[0] == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      open = false;
    } else {
      const size_t equals = line.find(" = ");
      if (equals == std::string::npos)
        throw std::runtime_error(name + ":" + std::to_string(number) + ": not Name = value");
      if (!open) records.push_back({name, number, section, {}});
      open = true;
      records.back().fields[line.substr(0, equals)] = line.substr(equals + 3);
    }
  }
  return records;
}

}  // namespace gost
