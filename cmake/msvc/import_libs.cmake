# The helper libraries every DLL or program linked in Visual C++ mode needs
# besides the system's import libraries, made one way for every build (the
# library's CMake code and cmake/mariadb/build.cmake alike):
#   ntdll.lib                 64-bit arithmetic and stack-probe helpers
#                             (platform/msvc/ntdll.def; x64: ntdll_x64.def, the stack probe)
#   tavo_<crt>_extra.lib      runtime functions imported straight from the
#                             runtime DLL (platform/msvc/msvcrt.def, ucrtbase.def)
#   tavo_msvc_support.lib     _fltused, the module's _onexit table, and the
#                             console entry point mainCRTStartup
#                             (platform/msvc/support.c, exe_start.c)
#
# In a project configured with cmake/toolchain-i686-msvc.cmake:
#   include(${TAVO_MSVC_DIR}/import_libs.cmake)
#   tavo_msvc_import_libs(${CMAKE_BINARY_DIR}/msvc-libs ${TAVO_MSVC_CRT} ${TAVO_MSVC_SDK}
#                         ${TAVO_MSVC_ARCH})
# which sets TAVO_MSVC_IMPORT_LIBS to the three libraries, in link order,
# to be placed before the runtime's and the system's import libraries.
# The architecture (x86 or x64) defaults to x86.
#
# From a script:
#   cmake -DOUTDIR=DIR -DCRT=msvcrt|ucrt -DSDK=DIR [-DARCH=x86|x64] -P cmake/msvc/import_libs.cmake
#
# The libraries are made at configure time (a few hundred milliseconds) and
# again only when a source file is newer.
include("${CMAKE_CURRENT_LIST_DIR}/flags.cmake")

function(tavo_msvc_import_libs outdir crt sdk)
  set(arch x86)
  if(ARGC GREATER 3)
    set(arch "${ARGV3}")
  endif()
  if(arch STREQUAL "x86")
    set(machine i386)
    set(target i686-pc-windows-msvc)
    set(ntdll_def ntdll.def)
  elseif(arch STREQUAL "x64")
    set(machine i386:x86-64)
    set(target x86_64-pc-windows-msvc)
    set(ntdll_def ntdll_x64.def)
  else()
    message(FATAL_ERROR "the architecture must be x86 or x64, not '${arch}'")
  endif()
  # The .def files and the support sources are the Visual C++-mode runtime
  # shims of platform/msvc/; this file and flags.cmake say how they are built.
  set(here "${CMAKE_CURRENT_FUNCTION_LIST_DIR}")
  get_filename_component(dir "${here}/../../platform/msvc" ABSOLUTE)
  file(MAKE_DIRECTORY "${outdir}")
  if(crt STREQUAL "msvcrt")
    set(def msvcrt)
  else()
    set(def ucrtbase)
  endif()
  set(out_ntdll "${outdir}/ntdll.lib")
  set(out_extra "${outdir}/tavo_${def}_extra.lib")
  set(out_support "${outdir}/tavo_msvc_support.lib")

  # Import libraries from the .def files.
  # (A stamp names the architecture the libraries were made for: a folder
  # reused for the other one is made again.)
  set(stamp "${outdir}/.tavo-arch")
  if(EXISTS "${stamp}")
    file(READ "${stamp}" made_for)
  else()
    set(made_for "")
  endif()
  if(NOT made_for STREQUAL arch)
    file(REMOVE "${out_ntdll}" "${out_extra}" "${out_support}")
    file(WRITE "${stamp}" "${arch}")
  endif()
  foreach(pair "${ntdll_def}|${out_ntdll}" "${def}.def|${out_extra}")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 src)
    list(GET pair 1 lib)
    if(NOT EXISTS "${lib}" OR "${dir}/${src}" IS_NEWER_THAN "${lib}")
      execute_process(COMMAND llvm-dlltool-14 -m ${machine} -d "${dir}/${src}" -l "${lib}"
        RESULT_VARIABLE rc ERROR_VARIABLE err)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "llvm-dlltool-14 failed on ${src}: ${err}")
      endif()
    endif()
  endforeach()

  # The support objects, compiled as the toolchain compiles C.
  if(EXISTS "${out_support}")
    set(stale FALSE)
    foreach(src "${dir}/support.c" "${dir}/exe_start.c" "${dir}/prelude.h" "${here}/flags.cmake"
                "${here}/import_libs.cmake")
      if("${src}" IS_NEWER_THAN "${out_support}")
        set(stale TRUE)
      endif()
    endforeach()
  else()
    set(stale TRUE)
  endif()
  if(stale)
    tavo_msvc_compile_flags(flags "${crt}" "${sdk}")
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(objs "")
    foreach(src support.c exe_start.c)
      get_filename_component(name "${src}" NAME_WE)
      set(obj "${outdir}/${name}.obj")
      execute_process(COMMAND clang-14 --target=${target} ${flags} -O2
          -c "${dir}/${src}" -o "${obj}"
        RESULT_VARIABLE rc ERROR_VARIABLE err)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "compiling ${src} failed: ${err}")
      endif()
      list(APPEND objs "${obj}")
    endforeach()
    file(REMOVE "${out_support}")
    execute_process(COMMAND llvm-lib-14 /nologo "/out:${out_support}" ${objs}
      RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "llvm-lib-14 failed: ${err}")
    endif()
  endif()

  set(TAVO_MSVC_IMPORT_LIBS "${out_extra};${out_support};${out_ntdll}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT OUTDIR OR NOT CRT OR NOT SDK)
    message(FATAL_ERROR "usage: cmake -DOUTDIR=DIR -DCRT=msvcrt|ucrt -DSDK=DIR -P ${CMAKE_CURRENT_LIST_FILE}")
  endif()
  if(NOT ARCH)
    set(ARCH x86)
  endif()
  tavo_msvc_import_libs("${OUTDIR}" "${CRT}" "${SDK}" "${ARCH}")
endif()
