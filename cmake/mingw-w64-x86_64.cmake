# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Programs are linked statically: no MinGW DLL has to sit beside them. Tests
# run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALVEX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALVEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TALVEX_WINE NAMES wine wine64)
if(TALVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TALVEX_WINE})
endif()
