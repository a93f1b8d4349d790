// The last failure of each thread: its provider code and a text for the detail log (what
// failed, on which object, why). Threads never see each other's failures.
#pragma once

#include <cstdint>
#include <string>

namespace ccom {

void SetLastFailure(int code, const std::string& text);
// ERR_set_last_error: the code alone, with no text.
void SetLastCode(int code);
int LastFailureCode();
std::string LastFailureText();
// Forgets a thread's failure (0: the calling thread's).
void ForgetThreadFailure(uint32_t threadId);

}  // namespace ccom
