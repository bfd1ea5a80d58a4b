# The library's one source list: the portable code of every class and
# family, then the platform layer for this system, as absolute paths.  Used
# by the library itself (CMakeLists.txt) and by the fuzzing build (fuzz/),
# so that both compile exactly the same files.
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
  common/settings.cpp
  common/share.cpp
  common/crypto.cpp
  common/archive.cpp
  tCString/tCString.cpp
  tCString2/tCString2.cpp
  tCString3/tCString3.cpp
  tCFile/tCFile.cpp
  tCFileConf/tCFileConf.cpp
  tCFileIni/tCFileIni.cpp
  tCShm/tCShm.cpp
  database/tCMysql.cpp
  tCTcp/tCTcp.cpp
  tCUdp/tCUdp.cpp
)
list(TRANSFORM TAVO_SOURCES PREPEND "${TAVO_SOURCE_ROOT}/")
# The platform layer: every implementation file of this system's family
# (one per concern), so that a concern is listed exactly when its file exists.
if(WIN32)
  set(TAVO_PLATFORM_FAMILY win32)
else()
  set(TAVO_PLATFORM_FAMILY posix)
endif()
file(GLOB TAVO_PLATFORM_SOURCES CONFIGURE_DEPENDS
  "${TAVO_SOURCE_ROOT}/platform/${TAVO_PLATFORM_FAMILY}_*.cpp")
list(SORT TAVO_PLATFORM_SOURCES)
list(APPEND TAVO_SOURCES ${TAVO_PLATFORM_SOURCES})
