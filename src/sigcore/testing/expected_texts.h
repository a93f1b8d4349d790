// The result-code texts as the repository's test data gives them, for comparing what the kit
// says byte for byte.
#pragma once

#include <map>
#include <string>

namespace sigcore_test {

// Code -> text, in UTF-8 as the data file holds them.
const std::map<int, std::string>& ExpectedErrorTexts();

// UTF-8 text in Windows-1251, converted by the system rather than by the compiler.
std::string ToCp1251(const std::string& utf8);

}  // namespace sigcore_test
