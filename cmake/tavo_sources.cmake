# The library's one source list: the portable code of every class and
# family, then the platform layer for this system, as absolute paths; and
# the folder of the internal headers.  Used by the library itself
# (CMakeLists.txt) and by the fuzzing build (fuzz/), so that both compile
# exactly the same files.
get_filename_component(TAVO_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(TAVO_SOURCES
  common/assert.cpp
  common/memory.cpp
  common/log.cpp
  common/strings.cpp
  common/split.cpp
  common/convert.cpp
  common/lines.cpp
  common/files.cpp
  common/share.cpp
  common/crypto.cpp
  common/archive.cpp
  tCString/tCString.cpp
  tCString2/tCString2.cpp
  tCString3/tCString3.cpp
  tCFile/tCFile.cpp
  tCFileConf/tCFileConf.cpp
  tCFileIni/tCFileIni.cpp
  tCFileIni/settings.cpp
  tCShm/tCShm.cpp
  database/tCMysql.cpp
  tCTcp/tCTcp.cpp
  tCTcp/netbios.cpp
  tCUdp/tCUdp.cpp
)
# The platform layer: one file per concern and family.
if(WIN32)
  set(TAVO_PLATFORM_FAMILY win32)
else()
  set(TAVO_PLATFORM_FAMILY posix)
endif()
list(APPEND TAVO_SOURCES
  platform/bsd_net.cpp
  platform/${TAVO_PLATFORM_FAMILY}_error.cpp
  platform/${TAVO_PLATFORM_FAMILY}_files.cpp
  platform/${TAVO_PLATFORM_FAMILY}_lock.cpp
  platform/${TAVO_PLATFORM_FAMILY}_net.cpp
  platform/${TAVO_PLATFORM_FAMILY}_process.cpp
  platform/${TAVO_PLATFORM_FAMILY}_shm.cpp
  platform/${TAVO_PLATFORM_FAMILY}_stream.cpp
  platform/${TAVO_PLATFORM_FAMILY}_time.cpp
)
# A Visual C++-mode DLL (clang in that mode, cmake/toolchain-i686-msvc.cmake)
# links no C++ runtime library: it brings its own operator new and delete.
if(WIN32 AND (MSVC OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC"))
  list(APPEND TAVO_SOURCES platform/win32_msvc_new.cpp)
endif()
list(TRANSFORM TAVO_SOURCES PREPEND "${TAVO_SOURCE_ROOT}/")
# The internal headers: those of every build, and the platform layer's own
# for this family (the spellings of its system interfaces), which live in
# platform/ with the rest of the code that differs by platform.
set(TAVO_INTERNAL_INCLUDE_DIRS "${TAVO_SOURCE_ROOT}/internal" "${TAVO_SOURCE_ROOT}/platform/${TAVO_PLATFORM_FAMILY}")
