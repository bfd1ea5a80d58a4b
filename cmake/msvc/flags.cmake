# The compile flags of the Visual C++-mode build, in one place: read by
# cmake/toolchain-i686-msvc.cmake (for the projects it serves) and by
# cmake/msvc/import_libs.cmake (which compiles its own small objects in
# script mode too).
#
#   tavo_msvc_compile_flags(OUT_VAR CRT SDK)   CRT: msvcrt | ucrt
# sets OUT_VAR to a space-separated string, the same for C and C++.
function(tavo_msvc_compile_flags out crt sdk)
  execute_process(COMMAND clang-14 -print-resource-dir
    OUTPUT_VARIABLE res OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${res}/include/stdarg.h")
    message(FATAL_ERROR "clang-14 gave no builtin include directory: run scripts/deps.sh msvc")
  endif()
  if(NOT crt MATCHES "^(msvcrt|ucrt)$")
    message(FATAL_ERROR "the C runtime must be msvcrt or ucrt, not '${crt}'")
  endif()
  if(NOT EXISTS "${sdk}/include/msvcrt/stdio.h")
    message(FATAL_ERROR "no Wine headers in ${sdk}: run scripts/msvc_sdk.sh")
  endif()
  # clang's builtin headers (stdarg.h, stddef.h, intrinsics) first, then
  # Wine's; -nostdinc keeps the host's /usr/include out.
  set(flags "-nostdinc -isystem ${res}/include -isystem ${sdk}/include/msvcrt -isystem ${sdk}/include/windows")
  if(crt STREQUAL "msvcrt")
    # Wine's headers otherwise assume the UCRT (_MSVCR_VER 140).
    string(APPEND flags " -D_MSVCR_VER=0")
  endif()
  string(APPEND flags " -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601")
  # The prelude is one of the Visual C++-mode runtime shims (platform/msvc/).
  get_filename_component(prelude "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../../platform/msvc/prelude.h" ABSOLUTE)
  string(APPEND flags " -include ${prelude}")
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()

# From a script: prints the flags on standard output.
#   cmake -DCRT=msvcrt|ucrt -DSDK=DIR -P cmake/msvc/flags.cmake
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  tavo_msvc_compile_flags(flags "${CRT}" "${SDK}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${flags}")
endif()
