// A library for the loading tests: it only has to exist and be loadable.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall ProbeAnswer() { return 42; }
