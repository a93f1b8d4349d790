# The 64-bit Windows build: what 64-bit hosts load.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KIT_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
