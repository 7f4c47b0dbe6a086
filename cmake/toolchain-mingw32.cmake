# Compiles the Windows program for 32-bit Windows with Debian's MinGW-w64 (i686-w64-mingw32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(_mingw i686-w64-mingw32)
# Prefer the posix thread model (full C++ threading support) when installed.
find_program(_mingw_cxx NAMES ${_mingw}-g++-posix ${_mingw}-g++ REQUIRED)
find_program(_mingw_cc NAMES ${_mingw}-gcc-posix ${_mingw}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${_mingw_cc})
set(CMAKE_CXX_COMPILER ${_mingw_cxx})
find_program(CMAKE_RC_COMPILER NAMES ${_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
