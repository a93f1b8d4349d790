// The keystroke dialog that seeds the provider's random generator. The binding registers
// RandomInitCallback on every key container it opens; when the container's generator state is
// new, the provider calls it once per keystroke it wants, naming the character to type. Each
// call shows the "Crypto Com 3.x" window (created on the first call of a series and kept
// between calls), disables the windows that owned the foreground while it waits, and returns
// what was typed. The choice of characters and what is made of them are the provider's.
#pragma once

#include "ccm3x_h.h"

namespace sigcore {

// The code of the character typed (0-255), -1 when the user cancelled, -2 when the dialog
// window disappeared before anything was typed. Runs a message loop on the calling thread
// until the user answers. Each thread has its own dialog, so that a series on one thread never
// waits for a window whose messages another thread would have to dispatch.
int CCM3X_CALL RandomInitCallback(int requested, int index, int total, void* userData);

// At sigcore's unload, on the unloading thread: destroys the dialogs and their window class.
void ReleaseRandomInitDialogs() noexcept;

}  // namespace sigcore
