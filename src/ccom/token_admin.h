// Administration of the simulated tokens, as ccomtoken.exe offers it: put a token with a PIN
// into a slot, list tokens and their objects, change the PIN, unlock, erase, take it out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "token_store.h"

namespace ccom {

// Throws kFileExists when the slot already holds an initialised token.
void CreateToken(const TokenSlot& slot, const std::string& pin, int tries);
// A wrong old PIN counts as a wrong try.
void ChangePin(const TokenSlot& slot, const std::string& oldPin, const std::string& newPin);
// Gives the token all its tries back, and a new PIN when one is given.
void UnlockToken(const TokenSlot& slot, const std::optional<std::string>& newPin);
// Deletes every object; the token and its PIN stay.
void EraseObjects(const TokenSlot& slot);
// Takes the token out of its slot, objects and all.
void RemoveToken(const TokenSlot& slot);

struct TokenObject {
  std::string path;  // "1A2F/EEEE/0001"
  bool folder = false;
  uint64_t size = 0;
};
std::vector<TokenObject> ListObjects(const TokenSlot& slot);
std::vector<TokenSlot> TokensPresent();

}  // namespace ccom
