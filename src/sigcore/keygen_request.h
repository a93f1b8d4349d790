// What a key generation or a renewal asks for, read from the engine's key-generation
// parameters: the TCCom3x_KeyGenParam record with its subject text, and the names of renewal
// requests, which carry the moment they were made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keygen_params.h"

namespace sigcore {

// The subject lines "CN=", "C=", "S=", "L=", "O=", "OU=", "T=", "E=" of the parameters that are
// not blank, each value trimmed and cut to its limit (2 characters for the country, 100 for the
// rest), joined by CR LF.
std::string KeyGenSubject(const std::vector<std::string>& values);

// Builds the record from the parameter values and the root path: 0, or -39 when the new key's
// token key directory is a name the token reserves.
int32_t LoadKeyGenParams(const std::vector<std::string>& values, const std::string& rootPath,
                         TCCom3x_KeyGenParam& request);

struct LocalMoment {
  int year, month, day, hour, minute, second;
};

// " (dd-mm-yyyy hh-nn-ss)": 22 characters that tell one request of a subscriber from the next.
std::string RequestNameSuffix(const LocalMoment& moment);

// The name without a trailing suffix of that shape (22 characters whose last 21 begin with "("
// and that end with ")"); other names come back whole.
std::string WithoutRequestNameSuffix(const std::string& name);

}  // namespace sigcore
