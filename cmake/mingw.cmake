# Cross build of the Windows deliverables with MinGW-w64 (posix thread model, so that
# std::thread and std::mutex exist), for the architecture that the including toolchain file
# names in KIT_MINGW_TRIPLET. Everything is linked statically: at run time the binaries need
# nothing but the Windows system libraries.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KIT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KIT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KIT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KIT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
