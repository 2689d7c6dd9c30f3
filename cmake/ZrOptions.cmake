# Warnings and the sanitizer switch shared by every target.
set(ZR_SANITIZE "" CACHE STRING "Sanitizers for the native build: address,undefined or thread")

add_library(zr_options INTERFACE)
target_compile_options(zr_options INTERFACE -Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
target_include_directories(zr_options INTERFACE ${PROJECT_SOURCE_DIR})

if(WIN32)
  target_compile_definitions(zr_options INTERFACE _WIN32_WINNT=0x0601 WINVER=0x0601)
  # One self-contained set of DLLs: no libstdc++, libgcc or winpthread DLLs to ship.
  # -static: libgcc, libstdc++ and winpthread from their archives; the system
  # DLLs and our own still come through their import libraries.
  target_link_options(zr_options INTERFACE -static)
endif()

if(ZR_SANITIZE)
  target_compile_options(zr_options INTERFACE -fsanitize=${ZR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(zr_options INTERFACE -fsanitize=${ZR_SANITIZE})
endif()
