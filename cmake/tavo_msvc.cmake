# The link lines of the Visual C++-mode build (cmake/toolchain-i686-msvc.cmake:
# clang in that mode, lld-link), for the DLL (CMakeLists.txt) and for the
# programs of tests/msvc/.  Included once per project after project().
#
# Everything is linked with /nodefaultlib: there is no Visual C++ runtime
# library in Debian, so what a module needs is named here, in link order:
#   - the helper libraries of cmake/msvc/import_libs.cmake (functions taken
#     straight from the runtime DLL, _fltused and the console entry point,
#     ntdll's 64-bit arithmetic and stack probes);
#   - the runtime's import library for the flavour (TAVO_MSVC_CRT_LIBS:
#     msvcrt.dll or ucrtbase.dll);
#   - the system DLLs' import libraries, mingw-w64's (they serve this mode).
# /safeseh:no (x86 only): the helper objects and mingw-w64's import stubs
# carry no safe-exception-handler tables.  /machine follows the toolchain
# file (TAVO_MSVC_MACHINE: x86 or x64).
#
#   tavo_msvc_dll(TARGET)      a DLL without an entry point (nothing runs
#                              at load or unload; no object may need static
#                              construction or thread-local storage)
#   tavo_msvc_program(TARGET)  a console program started by mainCRTStartup
# Each takes the system libraries it links beside these as further
# arguments (names such as ws2_32, or full paths).
include_guard(GLOBAL)
include("${TAVO_MSVC_DIR}/import_libs.cmake")
tavo_msvc_import_libs("${CMAKE_BINARY_DIR}/msvc-libs" "${TAVO_MSVC_CRT}" "${TAVO_MSVC_SDK}" "${TAVO_MSVC_ARCH}")

# CMake's Windows defaults would add kernel32.lib user32.lib ... by name.
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")
# No C++ runtime library: no exceptions and no RTTI, as the DLL's classes
# were designed (results are integers, never exceptions).
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)

function(_tavo_msvc_link target)
  set(libs "")
  foreach(lib ${ARGN})
    if(IS_ABSOLUTE "${lib}" OR TARGET "${lib}")
      list(APPEND libs "${lib}")
    else()
      list(APPEND libs "${TAVO_MSVC_LIBDIR}/lib${lib}.a")
    endif()
  endforeach()
  target_link_options(${target} PRIVATE "LINKER:/nodefaultlib" "LINKER:/machine:${TAVO_MSVC_MACHINE}")
  if(TAVO_MSVC_MACHINE STREQUAL "x86")
    target_link_options(${target} PRIVATE "LINKER:/safeseh:no")
  endif()
  target_link_libraries(${target} PRIVATE ${libs} ${TAVO_MSVC_IMPORT_LIBS} ${TAVO_MSVC_CRT_LIBS}
    "${TAVO_MSVC_LIBDIR}/libkernel32.a")
endfunction()

function(tavo_msvc_dll target)
  _tavo_msvc_link(${target} ${ARGN})
  target_link_options(${target} PRIVATE "LINKER:/noentry")
  # tavo.dll with tavo.lib beside it, as a Visual C++ developer names them.
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "" IMPORT_SUFFIX ".lib")
endfunction()

function(tavo_msvc_program target)
  _tavo_msvc_link(${target} ${ARGN})
  target_link_options(${target} PRIVATE "LINKER:/entry:mainCRTStartup" "LINKER:/subsystem:console")
endfunction()
