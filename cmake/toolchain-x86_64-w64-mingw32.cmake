# Cross build for 64-bit Windows (x64) with Debian's mingw-w64
# (g++-mingw-w64-x86-64); tests run under 64-bit Wine.
#
#   cmake --preset mingw-x86_64    (or: cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake)
#
# Its twin for 32-bit Windows is cmake/toolchain-i686-w64-mingw32.cmake;
# both read their body from cmake/mingw/toolchain.cmake.
set(TAVO_MINGW_ARCH x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw/toolchain.cmake")
