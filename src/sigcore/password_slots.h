// The process's password functions and the PIN callback the provider calls for a token.
//
// The provider keeps one token-password callback for the whole process, so the kit keeps one
// function of each kind too: the first binding that receives one keeps it, whichever engine it
// came from, and functions set later on any engine are not handed over again.
#pragma once

#include <string>

#include "ccm3x_h.h"
#include "sigcore_api.h"

namespace sigcore {

// True when the slot was empty and now holds `function` (never for null).
bool FillPasswordSlot(PasswordRequestFunc function);
bool FillKeyDirPasswordSlot(KeyDirPasswordRequestFunc function);
// Whether either slot holds a function.
bool HasPasswordFunction();
// At sigcore's unload: the next load starts with empty slots.
void EmptyPasswordSlots() noexcept;

// The token PIN for `objectPath`: the key-directory function decides alone when it is
// installed; otherwise the on-screen keyboard asks when orvavk.dll loads; otherwise the plain
// function is asked. The PIN is copied into the provider's buffer (at most `size` bytes) and
// its length returned; 0 means no PIN.
int CCM3X_CALL TokenPinCallback(char* buffer, int size, int reserved, const char* objectPath);

// The name of the directory that holds the object: "1A2F" for "ETOKEN0:/1A2F/A001" and
// "KEYS" for "C:\USER\KEYS\kek.opq".
std::string KeyNameOfObjectPath(const std::string& objectPath);

}  // namespace sigcore
