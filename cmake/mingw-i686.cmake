# The 32-bit Windows build: what the kit ships to 32-bit hosts.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KIT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
