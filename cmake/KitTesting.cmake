# GoogleTest and GoogleMock, compiled from Debian's sources with whichever toolchain builds the
# tree, so the Windows tests use the same framework as the native ones.
include(GoogleTest)
enable_testing()

set(KIT_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${KIT_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)

# Which tree the tests belong to: the prefix of their names and their label, so one CTest run
# over all trees tells them apart.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KIT_TREE win64)
elseif(WIN32)
  set(KIT_TREE win32)
elseif("address" IN_LIST KIT_SANITIZE)
  set(KIT_TREE asan)
elseif("thread" IN_LIST KIT_SANITIZE)
  set(KIT_TREE tsan)
else()
  set(KIT_TREE native)
endif()

# Every test of the tree carries its label.
set_property(DIRECTORY PROPERTY LABELS ${KIT_TREE})

if(WIN32)
  # The Wine runner reads which Wine (32- or 64-bit) and prefix the tree needs from here.
  file(WRITE "${CMAKE_BINARY_DIR}/wine-arch" "${KIT_TREE}\n")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/cmake/wine-env;${CMAKE_BINARY_DIR};test")
endif()

# kit_add_gtest(<name> SOURCES <files...> [LIBRARIES <libs...>] [LABELS <labels...>]
#               [TIMEOUT <seconds>] [RESOURCE_LOCK <name>] [ALONE])
# One test executable; every test case in it becomes its own CTest test with a time limit, so
# a crashing or hanging program fails its tests instead of stalling the run. Tests that change
# one shared thing (the COM classes of a tree's Wine prefix, say) name it as their
# RESOURCE_LOCK and run one at a time. Tests that search and end the processes of their Wine
# prefix (the updater's) run ALONE, so that they never find, or end, another test's program.
function(kit_add_gtest name)
  cmake_parse_arguments(ARG "ALONE" "TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main)
  # The discovery script flattens property values: a second label would be read as a property
  # name. The tree's label comes from the directory instead (see KIT_TREE above).
  list(LENGTH ARG_LABELS label_count)
  if(label_count GREATER 1)
    message(FATAL_ERROR "kit_add_gtest(${name}): one label at most")
  endif()
  set(ARG_LABELS_PROPERTY "")
  if(ARG_LABELS)
    set(ARG_LABELS_PROPERTY LABELS ${ARG_LABELS})
  endif()
  # Windows open on one shared display: one test at a time, so a screenshot shows its own.
  set(lock "")
  if("display" IN_LIST ARG_LABELS)
    set(lock RESOURCE_LOCK display)
  endif()
  if(ARG_RESOURCE_LOCK)
    if(lock)
      message(FATAL_ERROR "kit_add_gtest(${name}): a test takes one lock, and display is one")
    endif()
    set(lock RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
  if(ARG_ALONE)
    list(APPEND lock RUN_SERIAL TRUE)
  endif()
  # Discovery runs the program, under Wine for the Windows build: do it when the tests run,
  # inside the harness that has started the Wine server, not during the build.
  gtest_discover_tests(${name}
    TEST_PREFIX "${KIT_TREE}."
    NO_PRETTY_TYPES
    NO_PRETTY_VALUES
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${ARG_LABELS_PROPERTY} ${lock})
endfunction()
