set(KIT_SANITIZE "" CACHE STRING "Sanitizers for the native build (address;undefined or thread)")

if(KIT_SANITIZE)
  list(JOIN KIT_SANITIZE "," _kit_sanitizers)
  add_compile_options(-fsanitize=${_kit_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_kit_sanitizers})
endif()
