# The body of the mingw-w64 toolchain files, for either architecture:
# cmake/toolchain-i686-w64-mingw32.cmake (32-bit) and
# cmake/toolchain-x86_64-w64-mingw32.cmake (64-bit) set TAVO_MINGW_ARCH
# (i686 or x86_64) and include this.
#
# The posix-thread-model compilers are used: the win32 model lacks std::mutex
# and std::thread, which GoogleTest and the library's tests need.
if(NOT TAVO_MINGW_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "TAVO_MINGW_ARCH must be i686 or x86_64, not '${TAVO_MINGW_ARCH}'")
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TAVO_MINGW_ARCH})

set(TAVO_MINGW_TRIPLET ${TAVO_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVO_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${TAVO_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${TAVO_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

set(TAVO_WINDOWS_TRIPLET ${TAVO_MINGW_TRIPLET})
include("${CMAKE_CURRENT_LIST_DIR}/../windows_cross.cmake")
