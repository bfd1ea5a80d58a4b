# What the Windows toolchain files share (cmake/mingw/toolchain.cmake and
# cmake/msvc/toolchain.cmake include it): mingw-w64's cross root for the
# architecture, where headers, libraries and packages are looked for, and
# Wine as the emulator that runs built programs (tests) - 64-bit ones
# through the 64-bit loader, which Debian's wine64 package keeps out of
# PATH (its wine command starts the 32-bit loader whenever wine32 is
# installed too).  Set TAVO_WINDOWS_TRIPLET (i686-w64-mingw32 or
# x86_64-w64-mingw32) first.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVO_WINDOWS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages (tavo installed to a prefix of its own, for instance) are found
# through CMAKE_PREFIX_PATH as well as in the cross root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

if(TAVO_WINDOWS_TRIPLET MATCHES "^i686")
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
