# The library's one source list: the portable code of every class and
# family, then the platform layer for this system, as absolute paths; and
# the folder of the internal headers.  Used by the library itself
# (CMakeLists.txt) and by the fuzzing build (fuzz/), so that both compile
# exactly the same files.
get_filename_component(TAVO_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(TAVO_SOURCES
  internal/assert.cpp
  internal/share.cpp
  common/memory.cpp
  common/log.cpp
  common/strings.cpp
  common/split.cpp
  common/convert.cpp
  common/lines.cpp
  common/files.cpp
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
# The platform layer: the socket code both families share, then one file
# per concern of this system's family (platform/posix/ or platform/win32/).
if(WIN32)
  set(TAVO_PLATFORM_FAMILY win32)
else()
  set(TAVO_PLATFORM_FAMILY posix)
endif()
list(APPEND TAVO_SOURCES platform/bsd_net.cpp)
foreach(concern error files lock net process shm stream time)
  list(APPEND TAVO_SOURCES platform/${TAVO_PLATFORM_FAMILY}/${concern}.cpp)
endforeach()
# A Visual C++-mode DLL (clang in that mode, cmake/toolchain-i686-msvc.cmake)
# links no C++ runtime library: it brings its own operator new and delete.
if(WIN32 AND (MSVC OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC"))
  list(APPEND TAVO_SOURCES platform/msvc/new.cpp)
endif()
list(TRANSFORM TAVO_SOURCES PREPEND "${TAVO_SOURCE_ROOT}/")
# The internal headers: those of every build (internal/), the platform
# layer's interface (platform/platform.h, with bsd_net.h), and this
# family's own (the spellings of its system interfaces, beside its code in
# platform/posix/ or platform/win32/).
set(TAVO_INTERNAL_INCLUDE_DIRS "${TAVO_SOURCE_ROOT}/internal" "${TAVO_SOURCE_ROOT}/platform"
  "${TAVO_SOURCE_ROOT}/platform/${TAVO_PLATFORM_FAMILY}")
