# Cross build for 64-bit Windows (x64) in Visual C++ mode, for programs of
# Visual C++ 2015 and later built with the DLL runtime (/MD): clang 14 with
# --target=x86_64-pc-windows-msvc (Microsoft's x64 name mangling and
# calling convention, LLP64: long is 4 bytes, pointers 8), lld-link
# /machine:x64, Wine's C runtime and Windows headers, the Universal CRT
# (ucrtbase.dll) and mingw-w64's x86_64 import libraries.
#
#   scripts/deps.sh msvc && scripts/msvc_sdk.sh
#   cmake --preset msvc-ucrt-x64   (or: cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-msvc.cmake)
#
# Everything else is as cmake/toolchain-i686-msvc.cmake describes (the body
# both share is cmake/msvc/toolchain.cmake); TAVO_MSVC_CRT is ucrt, the
# only runtime of x64 Visual C++ programs this build serves.
set(TAVO_MSVC_ARCH x64)
include("${CMAKE_CURRENT_LIST_DIR}/msvc/toolchain.cmake")
