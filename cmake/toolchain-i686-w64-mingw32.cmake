# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686).
#
#   cmake --preset mingw-i686      (or: cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake)
#
# The posix-thread-model compilers are used: the win32 model lacks std::mutex
# and std::thread, which GoogleTest and the library's tests need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TAVO_MINGW_TRIPLET i686-w64-mingw32)
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

# Built programs (tests) run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
