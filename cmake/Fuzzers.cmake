# libFuzzer targets need clang, while the native tree is built with g++: they are a separate
# CMake project (fuzz/) built by clang as part of the native build, and each target gets a
# short bounded run as a CTest test of the native tree.
find_program(KIT_CLANGXX clang++)
find_program(KIT_CLANG clang)
if(NOT KIT_CLANGXX OR NOT KIT_CLANG)
  message(STATUS "clang not found: fuzz targets are not built")
  return()
endif()

include(ExternalProject)
include(${CMAKE_SOURCE_DIR}/fuzz/targets.cmake)

set(KIT_FUZZ_SECONDS 15 CACHE STRING "Length of each fuzz target's run in the tests")

ExternalProject_Add(fuzzers
  SOURCE_DIR "${CMAKE_SOURCE_DIR}/fuzz"
  BINARY_DIR "${CMAKE_BINARY_DIR}/fuzz"
  CMAKE_ARGS
    -G Ninja
    -DCMAKE_C_COMPILER=${KIT_CLANG}
    -DCMAKE_CXX_COMPILER=${KIT_CLANGXX}
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DKIT_WERROR=${KIT_WERROR}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON)

foreach(target IN LISTS KIT_FUZZ_TARGETS)
  set(corpus "${CMAKE_BINARY_DIR}/fuzz/corpus/${target}")
  file(MAKE_DIRECTORY "${corpus}")
  set(seeds "")
  if(IS_DIRECTORY "${CMAKE_SOURCE_DIR}/fuzz/corpus/${target}")
    set(seeds "${CMAKE_SOURCE_DIR}/fuzz/corpus/${target}")
  endif()
  add_test(NAME fuzz.${target}
    COMMAND "${CMAKE_BINARY_DIR}/fuzz/${target}" -max_total_time=${KIT_FUZZ_SECONDS}
            -rss_limit_mb=2048 -print_final_stats=1 "${corpus}" ${seeds})
  math(EXPR limit "${KIT_FUZZ_SECONDS} * 4 + 60")
  set_tests_properties(fuzz.${target} PROPERTIES TIMEOUT ${limit} LABELS "native;fuzz")
endforeach()
