// ccomio.dll has no code of its own: its .def file forwards every export to ccom.dll, which the
// kit always loads first.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
