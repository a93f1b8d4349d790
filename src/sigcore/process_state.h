// What sigcore keeps for the whole process, and how it goes when sigcore unloads.
#pragma once

namespace sigcore {

// Frees the provider bindings and libraries, orvavk.dll, the keystroke dialogs and the
// password functions. When the process is ending (`processExit`), the bindings only wipe their
// secrets and no library is unloaded: the others may be detached already, and nothing may be
// unloaded under the loader lock.
void ReleaseProcessState(bool processExit) noexcept;

}  // namespace sigcore
