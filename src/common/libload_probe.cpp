// A library for the loading and image tests: it is loadable and exports one undecorated
// __stdcall name through its .def file, as the kit's DLLs do.
#include <windows.h>

extern "C" int __stdcall ProbeAnswer() { return 42; }
