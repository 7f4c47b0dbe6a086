# Compiles the Windows program for 32-bit Windows with Debian's MinGW-w64 (i686-w64-mingw32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(_mingw i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
