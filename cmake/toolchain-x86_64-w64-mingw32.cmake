# Cross build for 64-bit Windows (x64) with Debian's mingw-w64
# (g++-mingw-w64-x86-64), the twin of toolchain-i686-w64-mingw32.cmake:
#
#   cmake --preset mingw-x86_64    (or: cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake)
#
# The posix-thread-model compilers are used: the win32 model lacks std::mutex
# and std::thread, which GoogleTest and the library's tests need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVO_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${TAVO_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${TAVO_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${TAVO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages (tavo installed to a prefix of its own, for instance) are found
# through CMAKE_PREFIX_PATH as well as in the cross root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Built programs (tests) run under 64-bit Wine.  Debian's wine64 package
# keeps its loader out of PATH, and /usr/bin/wine starts the 32-bit loader
# whenever wine32 is installed too, so the loader is named by its path.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
