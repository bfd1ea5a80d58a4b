# Builds MariaDB Connector/C (the libmariadb/ directory of Debian's mariadb
# source package) as a static library for one Windows target of libtavo and
# installs it, with its public headers and a CMake file that defines an
# IMPORTED target, into a prefix:
#
#   cmake -DSRC=DIR -DBUILD=DIR -DPREFIX=DIR -DTARGET=TARGET
#         [-DVERSION=TEXT] [-DSTAMP=TEXT] [-DSDK=DIR] -P cmake/mariadb/build.cmake
#
#   SRC     the extracted libmariadb/ (patched here where a target needs it)
#   BUILD   an empty build directory; the logs go beside it
#           (BUILD.configure.log, BUILD.build.log)
#   PREFIX  where the result goes, replaced whole: it is staged in PREFIX.new
#           and moved into place once complete.  A PREFIX that exists, is not
#           empty and holds no .tavo-mariadb.stamp was not made here and is
#           refused.
#   TARGET  mingw-i686, mingw-x86_64 (mingw-w64, gcc's ABI),
#           msvc-msvcrt, msvc-ucrt (Visual C++ mode, x86) or
#           msvc-ucrt-x64 (Visual C++ mode, x64)
#   VERSION the source version, named in the generated files' comments
#   STAMP   the text of PREFIX/.tavo-mariadb.stamp, by which the calling
#           script (scripts/mariadb_win.sh, scripts/mariadb_msvc.sh) knows
#           PREFIX is up to date
#   SDK     Visual C++ mode only: the Wine headers of scripts/msvc_sdk.sh
#
# Result:
#   mingw-*: PREFIX/include/, PREFIX/lib/libmariadbclient.a and
#            PREFIX/tavo-mariadb.cmake (target tavo_mariadb_win)
#   msvc-*:  PREFIX/include/, PREFIX/lib/mariadbclient.lib, the helper
#            libraries of cmake/msvc/import_libs.cmake, PREFIX/link.txt and
#            PREFIX/mariadb-msvc.cmake (target tavo_mariadb_msvc)
#
# Both families take the same options: TLS through Schannel, the login
# plugins MariaDB servers ask for and the shared-memory transport linked
# in, no curl, no unit tests.
cmake_minimum_required(VERSION 3.21)

set(here "${CMAKE_CURRENT_LIST_DIR}")
get_filename_component(root "${here}/../.." ABSOLUTE)

foreach(var SRC BUILD PREFIX TARGET)
  if("${${var}}" STREQUAL "")
    message(FATAL_ERROR "usage: cmake -DSRC=DIR -DBUILD=DIR -DPREFIX=DIR -DTARGET=TARGET"
      " [-DVERSION=TEXT] [-DSTAMP=TEXT] [-DSDK=DIR] -P ${CMAKE_CURRENT_LIST_FILE}")
  endif()
endforeach()
if(NOT EXISTS "${SRC}/CMakeLists.txt")
  message(FATAL_ERROR "${SRC} holds no Connector/C source")
endif()
if(NOT VERSION)
  set(VERSION "(version unknown)")
endif()
string(REGEX REPLACE "/+$" "" PREFIX "${PREFIX}")
# (The name TARGET is also a keyword of if().)
set(target "${TARGET}")
set(stamp_name .tavo-mariadb.stamp)

# --- the target -------------------------------------------------------------

if(target MATCHES "^mingw-(i686|x86_64)$")
  set(family mingw)
  set(arch "${CMAKE_MATCH_1}")
  set(toolchain "${root}/cmake/toolchain-${arch}-w64-mingw32.cmake")
  set(libname libmariadbclient.a)
  set(extra_args "")
elseif(target MATCHES "^msvc-(msvcrt|ucrt|ucrt-x64)$")
  set(family msvc)
  set(flavour "${CMAKE_MATCH_1}")
  if(flavour STREQUAL "msvcrt")
    set(crt msvcrt)
    set(crt_dll msvcrt.dll)
    set(crt_lib libmsvcrt.a)
    set(extra_lib tavo_msvcrt_extra.lib)
  else()
    set(crt ucrt)
    set(crt_dll ucrtbase.dll)
    set(crt_lib libucrtbase.a)
    set(extra_lib tavo_ucrtbase_extra.lib)
  endif()
  if(flavour STREQUAL "ucrt-x64")
    set(arch x64)
    set(toolchain_name toolchain-x86_64-msvc.cmake)
    set(mingw_lib /usr/x86_64-w64-mingw32/lib)
    set(machine_flags "/machine:x64")
  else()
    set(arch x86)
    set(toolchain_name toolchain-i686-msvc.cmake)
    set(mingw_lib /usr/i686-w64-mingw32/lib)
    set(machine_flags "/machine:x86 /safeseh:no")
  endif()
  set(toolchain "${root}/cmake/${toolchain_name}")
  set(libname mariadbclient.lib)
  if(NOT SDK OR NOT EXISTS "${SDK}/include")
    message(FATAL_ERROR "TARGET ${target} needs SDK, the Wine headers of scripts/msvc_sdk.sh")
  endif()
  # The configure checks are answered from Connector/C's own
  # cmake/WindowsCache.cmake (preload-msvc.cmake says why).
  # WIN32_LEAN_AND_MEAN and NOGDI are what Connector/C sets for MSVC alone;
  # platform/msvc/mariadb_compat.h fills what Wine's headers lack.
  set(extra_args
    "-DTAVO_MARIADB_WINDOWS_CACHE=${SRC}/cmake/WindowsCache.cmake"
    -C "${here}/preload-msvc.cmake"
    "-DTAVO_MSVC_CRT=${crt}" "-DTAVO_MSVC_SDK=${SDK}"
    "-DTAVO_MSVC_EXTRA_FLAGS=-include ${root}/platform/msvc/mariadb_compat.h -DNOGDI")
else()
  message(FATAL_ERROR "TARGET must be mingw-i686, mingw-x86_64, msvc-msvcrt, msvc-ucrt"
    " or msvc-ucrt-x64, not '${target}'")
endif()

# Only a tree made here (or an empty directory) is ever replaced.
if(EXISTS "${PREFIX}" AND NOT EXISTS "${PREFIX}/${stamp_name}")
  file(GLOB entries LIST_DIRECTORIES true "${PREFIX}/*" "${PREFIX}/.*")
  if(entries)
    message(FATAL_ERROR "${PREFIX} exists and was not made by this build; choose another PREFIX")
  endif()
endif()

# --- the patch (mingw-w64) --------------------------------------------------

if(family STREQUAL "mingw")
  # The variadic mysql_load_plugin is declared in mysql.h without STDCALL
  # but defined with it; for i686 that is a different calling convention,
  # and gcc stops with "conflicting types".  The definition loses the
  # STDCALL (for x86_64, where there is one calling convention, that
  # changes nothing).  A newer Connector/C may have fixed it: the pattern
  # must be found exactly once, or the build stops.
  set(plugin_c "${SRC}/libmariadb/ma_client_plugin.c.in")
  file(READ "${plugin_c}" text)
  set(definition "struct st_mysql_client_plugin \\* STDCALL\n(mysql_load_plugin\\([^\n]*\\.\\.\\.\\)\n)")
  string(REGEX MATCHALL "\n${definition}" found "\n${text}")
  list(LENGTH found count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "ma_client_plugin.c.in: the STDCALL definition of the variadic"
      " mysql_load_plugin was found ${count} times, not once (a new Connector/C?"
      " check whether the patch is still needed)")
  endif()
  string(REGEX REPLACE "\n${definition}" "\nstruct st_mysql_client_plugin *\n\\1" text "\n${text}")
  string(SUBSTRING "${text}" 1 -1 text)
  file(WRITE "${plugin_c}" "${text}")
endif()

# --- configure and build ----------------------------------------------------

# Prints the last lines of LOG that match REGEX (all lines when empty), at
# most COUNT of them.
function(show_log log regex count)
  if(regex)
    file(STRINGS "${log}" lines REGEX "${regex}")
  else()
    file(STRINGS "${log}" lines)
  endif()
  list(LENGTH lines n)
  if(n GREATER count)
    if(regex)
      list(SUBLIST lines 0 ${count} lines)
    else()
      math(EXPR first "${n} - ${count}")
      list(SUBLIST lines ${first} ${count} lines)
    endif()
  endif()
  list(JOIN lines "\n" text)
  message("${text}")
endfunction()

# Runs one step, COMMAND..., with its output in LOG, saying what it does
# and how long it took; on a failure prints the lines of LOG that match
# REGEX (the last ones when empty), at most 30, and stops.
function(run_step name what log regex)
  string(TIMESTAMP t0 "%s")
  message(STATUS "${what} (log: ${log})")
  execute_process(COMMAND ${ARGN} OUTPUT_FILE "${log}" ERROR_FILE "${log}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    show_log("${log}" "${regex}" 30)
    message(FATAL_ERROR "${name} failed (log: ${log})")
  endif()
  string(TIMESTAMP now "%s")
  math(EXPR secs "${now} - ${t0}")
  message(STATUS "${name}: ${secs} s")
endfunction()

run_step(configure "configuring Connector/C for ${target}" "${BUILD}.configure.log" ""
  "${CMAKE_COMMAND}" ${extra_args} -S "${SRC}" -B "${BUILD}"
  "-DCMAKE_TOOLCHAIN_FILE=${toolchain}" -DCMAKE_BUILD_TYPE=Release
  -DWITH_UNIT_TESTS=OFF -DWITH_CURL=OFF -DWITH_SSL=SCHANNEL
  -DCLIENT_PLUGIN_CLIENT_ED25519=STATIC -DCLIENT_PLUGIN_CACHING_SHA2_PASSWORD=STATIC
  -DCLIENT_PLUGIN_SHA256_PASSWORD=STATIC -DCLIENT_PLUGIN_MYSQL_CLEAR_PASSWORD=STATIC
  -DCLIENT_PLUGIN_PVIO_SHMEM=STATIC
  -DCLIENT_PLUGIN_DIALOG=OFF -DCLIENT_PLUGIN_AUTH_GSSAPI_CLIENT=OFF)
run_step(build "building ${libname}" "${BUILD}.build.log" "error|Error"
  "${CMAKE_COMMAND}" --build "${BUILD}" --target mariadbclient -j2)
file(GLOB_RECURSE lib "${BUILD}/${libname}")
list(SORT lib)
list(LENGTH lib n)
if(n EQUAL 0)
  message(FATAL_ERROR "the build made no ${libname}")
endif()
list(GET lib 0 lib)

# --- the prefix, staged beside it -------------------------------------------

set(staged "${PREFIX}.new")
file(REMOVE_RECURSE "${staged}")
file(MAKE_DIRECTORY "${staged}/lib" "${staged}/include/mysql" "${staged}/include/mariadb")
file(COPY_FILE "${lib}" "${staged}/lib/${libname}")

# The public headers, laid out as Connector/C's own install lays them out.
foreach(h mysql.h mariadb_com.h mariadb_stmt.h ma_pvio.h ma_tls.h ma_list.h errmsg.h
          mariadb_dyncol.h mariadb_ctype.h mariadb_rpl.h mysqld_error.h
          mysql/client_plugin.h mysql/plugin_auth.h mariadb/ma_io.h)
  if(NOT EXISTS "${SRC}/include/${h}")
    message(FATAL_ERROR "header ${h} missing from the source")
  endif()
  file(COPY_FILE "${SRC}/include/${h}" "${staged}/include/${h}")
endforeach()
if(NOT EXISTS "${BUILD}/include/mariadb_version.h")
  message(FATAL_ERROR "generated mariadb_version.h missing")
endif()
file(COPY_FILE "${BUILD}/include/mariadb_version.h" "${staged}/include/mariadb_version.h")

if(family STREQUAL "mingw")
  configure_file("${here}/tavo-mariadb.cmake.in" "${staged}/tavo-mariadb.cmake" @ONLY)
else()
  include("${root}/cmake/msvc/import_libs.cmake")
  tavo_msvc_import_libs("${staged}/lib" "${crt}" "${SDK}" "${arch}")
  file(GLOB objs "${staged}/lib/*.obj")
  if(objs)
    file(REMOVE ${objs})
  endif()
  # The link order: the library, then the helpers (their runtime imports
  # must win over mingw-w64's replacements), the runtime and the system's
  # import libraries (lld-link searches each library once, in order).
  set(own lib/mariadbclient.lib lib/${extra_lib} lib/tavo_msvc_support.lib lib/ntdll.lib)
  set(system "${mingw_lib}/${crt_lib}")
  foreach(l ws2_32 advapi32 shlwapi crypt32 secur32 bcrypt kernel32)
    list(APPEND system "${mingw_lib}/lib${l}.a")
  endforeach()
  list(JOIN own "\n" link_own)
  list(JOIN system "\n" link_system)
  list(TRANSFORM own PREPEND "\${_d}/")
  set(interface_libs ${own} ${system})
  configure_file("${here}/link.txt.in" "${staged}/link.txt" @ONLY)
  configure_file("${here}/mariadb-msvc.cmake.in" "${staged}/mariadb-msvc.cmake" @ONLY)
endif()

if(DEFINED STAMP)
  file(WRITE "${staged}/${stamp_name}" "${STAMP}\n")
else()
  file(WRITE "${staged}/${stamp_name}" "target ${target}\n")
endif()

file(REMOVE_RECURSE "${PREFIX}")
file(RENAME "${staged}" "${PREFIX}")
message(STATUS "installed: ${PREFIX}")
