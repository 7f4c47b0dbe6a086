# The MinGW-w64 cross toolchain for the target triplet in _mingw; included by
# toolchain-mingw64.cmake and toolchain-mingw32.cmake.
set(CMAKE_SYSTEM_NAME Windows)

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
