# Cross-builds the Windows program with Debian's MinGW-w64 (x86_64-w64-mingw32).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_mingw x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
