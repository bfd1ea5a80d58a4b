# Preloaded (cmake -C) into Connector/C's configure in Visual C++ mode by
# cmake/mariadb/build.cmake, which names the source's cmake/WindowsCache.cmake
# in TAVO_MARIADB_WINDOWS_CACHE.
#
# Connector/C answers its configure checks for Windows from that file, but
# reads it only when MSVC is set, which CMake does not set for clang; and the
# checks themselves only compile (nothing links without the project's link
# line), so every function would be "found" (langinfo.h, say).  The cache
# is read here instead, with MSVC set for that file alone.
if(NOT EXISTS "${TAVO_MARIADB_WINDOWS_CACHE}")
  message(FATAL_ERROR "TAVO_MARIADB_WINDOWS_CACHE must name Connector/C's cmake/WindowsCache.cmake")
endif()
set(MSVC 1)
include("${TAVO_MARIADB_WINDOWS_CACHE}")
unset(MSVC)
