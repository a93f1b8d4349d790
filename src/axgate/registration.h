// The registry entries that make XLoader creatable by its class identifier and by its ProgID,
// and that tell the updater where the installed server lies. Both throw EComError.
#pragma once

namespace axgate {

// Under the classes root: CLSID\{class} "axgate_x", its InprocServer32 (this file's path,
// in short form when the path holds a space, and ThreadingModel "Apartment") and ProgID
// "axgate.XLoader"; axgate.XLoader "axgate_x" with Clsid; and the type library, registered
// with this file's path. Registering again rewrites the same entries.
void RegisterServer();

// Removes all of it. What is already absent counts as removed.
void UnregisterServer();

}  // namespace axgate
