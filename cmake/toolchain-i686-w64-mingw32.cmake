# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686).
#
#   cmake --preset mingw-i686      (or: cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake)
#
# Its twin for 64-bit Windows is cmake/toolchain-x86_64-w64-mingw32.cmake;
# both read their body from cmake/mingw/toolchain.cmake.
set(TAVO_MINGW_ARCH i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw/toolchain.cmake")
