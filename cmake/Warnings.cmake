option(KIT_WERROR "Treat compiler warnings as errors" OFF)

add_compile_options(-Wall -Wextra)
if(KIT_WERROR)
  add_compile_options(-Werror)
endif()

if(WIN32)
  # User texts are written in UTF-8 sources and must be Windows-1251 bytes in the binaries.
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fexec-charset=CP1251>)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()
