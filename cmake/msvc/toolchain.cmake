# The body of the Visual C++-mode toolchain files, for either architecture:
# cmake/toolchain-i686-msvc.cmake (x86) and cmake/toolchain-x86_64-msvc.cmake
# (x64) set TAVO_MSVC_ARCH and include this.  What it sets and the
# variables it gives the project are described in those files.
#
# Besides those: TAVO_MSVC_ARCH (x86 | x64), TAVO_MSVC_TARGET (clang's
# target triple) and TAVO_MSVC_MACHINE (lld-link's /machine).
set(CMAKE_SYSTEM_NAME Windows)
if(TAVO_MSVC_ARCH STREQUAL "x86")
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(TAVO_MSVC_TARGET i686-pc-windows-msvc)
  set(_tavo_mingw_triplet i686-w64-mingw32)
elseif(TAVO_MSVC_ARCH STREQUAL "x64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
  set(TAVO_MSVC_TARGET x86_64-pc-windows-msvc)
  set(_tavo_mingw_triplet x86_64-w64-mingw32)
else()
  message(FATAL_ERROR "TAVO_MSVC_ARCH must be x86 or x64 (cmake/toolchain-i686-msvc.cmake, cmake/toolchain-x86_64-msvc.cmake)")
endif()
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${TAVO_MSVC_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${TAVO_MSVC_TARGET})
set(CMAKE_AR llvm-lib-14 CACHE FILEPATH "Archiver")
set(CMAKE_LINKER lld-link CACHE FILEPATH "Linker")
set(CMAKE_RC_COMPILER llvm-rc-14 CACHE FILEPATH "Resource compiler")
set(CMAKE_MT llvm-mt-14 CACHE FILEPATH "Manifest tool")
# Configure checks compile only: a test program could not link without the
# project's own link line.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# CMake reads clang-14 as a GNU-style compiler and would archive with
# "qc"; llvm-lib takes Microsoft's syntax.
foreach(lang C CXX)
  set(CMAKE_${lang}_CREATE_STATIC_LIBRARY "<CMAKE_AR> /nologo /out:<TARGET> <OBJECTS>")
endforeach()

set(TAVO_MSVC_DIR "${CMAKE_CURRENT_LIST_DIR}")
get_filename_component(_tavo_msvc_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
if(TAVO_MSVC_ARCH STREQUAL "x86")
  set(TAVO_MSVC_CRT msvcrt CACHE STRING "C runtime of the Visual C++-mode build: msvcrt (msvcrt.dll) or ucrt (ucrtbase.dll)")
  set_property(CACHE TAVO_MSVC_CRT PROPERTY STRINGS msvcrt ucrt)
else()
  # 64-bit programs of Visual C++ (2015 and later) use the Universal CRT.
  set(TAVO_MSVC_CRT ucrt CACHE STRING "C runtime of the Visual C++-mode build: ucrt (ucrtbase.dll) for x64")
  set_property(CACHE TAVO_MSVC_CRT PROPERTY STRINGS ucrt)
  if(NOT TAVO_MSVC_CRT STREQUAL "ucrt")
    message(FATAL_ERROR "the x64 Visual C++-mode build is for the Universal CRT only (TAVO_MSVC_CRT=ucrt)")
  endif()
endif()
set(TAVO_MSVC_SDK "${_tavo_msvc_root}/build/deps/msvc/sdk" CACHE PATH "Wine's headers, as scripts/msvc_sdk.sh lays them out")
set(TAVO_MSVC_LIBDIR /usr/${_tavo_mingw_triplet}/lib CACHE PATH "mingw-w64's import libraries for the architecture")
# try_compile projects read this file again; they need the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAVO_MSVC_CRT TAVO_MSVC_SDK TAVO_MSVC_LIBDIR)

include("${TAVO_MSVC_DIR}/flags.cmake")
tavo_msvc_compile_flags(_tavo_flags "${TAVO_MSVC_CRT}" "${TAVO_MSVC_SDK}")
if(TAVO_MSVC_CRT STREQUAL "msvcrt")
  set(TAVO_MSVC_CRT_LIBS "${TAVO_MSVC_LIBDIR}/libmsvcrt.a")
else()
  set(TAVO_MSVC_CRT_LIBS "${TAVO_MSVC_LIBDIR}/libucrtbase.a")
endif()

# TAVO_MSVC_EXTRA_FLAGS: more flags of the same kind for one build (a
# forced include of its own, say), kept apart from CMAKE_C_FLAGS, which
# given on the command line would replace these.
set(TAVO_MSVC_EXTRA_FLAGS "" CACHE STRING "More compile flags for C and C++, after the toolchain's")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAVO_MSVC_EXTRA_FLAGS)
set(CMAKE_C_FLAGS_INIT "${_tavo_flags} ${TAVO_MSVC_EXTRA_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${_tavo_flags} ${TAVO_MSVC_EXTRA_FLAGS}")

# Links: only what the project names.  CMake's Windows defaults (kernel32.lib
# and nine more, the runtime that clang's /DEFAULTLIB directives name) do
# not exist under those names here; the project lists the runtime and
# system libraries itself (TAVO_MSVC_CRT_LIBS, TAVO_MSVC_LIBDIR).
# mingw-w64's import libraries carry no safe exception handler tables, so
# /safeseh stays off on x86 (x64 has no such tables: its unwinding is
# table-driven).  The compile flags reach the link through the clang
# driver, hence the warning switched off there.
foreach(lang C CXX)
  set(CMAKE_${lang}_STANDARD_LIBRARIES "" CACHE STRING "Libraries linked into every program and DLL")
endforeach()
if(TAVO_MSVC_ARCH STREQUAL "x86")
  set(TAVO_MSVC_MACHINE x86)
  set(_tavo_link_init "-Wno-unused-command-line-argument -Wl,/nodefaultlib,/safeseh:no")
else()
  set(TAVO_MSVC_MACHINE x64)
  set(_tavo_link_init "-Wno-unused-command-line-argument -Wl,/nodefaultlib")
endif()
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "${_tavo_link_init}")
endforeach()

set(TAVO_WINDOWS_TRIPLET ${_tavo_mingw_triplet})
include("${TAVO_MSVC_DIR}/../windows_cross.cmake")
