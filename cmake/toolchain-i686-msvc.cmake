# Cross build for 32-bit Windows in Visual C++ mode: clang 14 with
# --target=i686-pc-windows-msvc (Microsoft's C++ name mangling, __thiscall,
# Microsoft's struct layout), lld-link and llvm-lib 14, Wine's C runtime and
# Windows headers, and mingw-w64's i686 import libraries for the system DLLs.
#
#   scripts/deps.sh msvc && scripts/msvc_sdk.sh
#   cmake -S . -B build-msvc -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-msvc.cmake \
#         -DTAVO_MSVC_CRT=msvcrt      (or ucrt)
#
# What this file sets, for C and C++ alike:
#   - the compilers, target, archiver (llvm-lib: static libraries are .lib
#     files made with "/out:"), linker (lld-link, through the clang driver
#     as CMake's Windows-Clang rules do);
#   - the headers: -nostdinc, clang's own builtin headers (stdarg.h,
#     stddef.h, intrinsics), then Wine's include/msvcrt and include/windows
#     from TAVO_MSVC_SDK as system includes (-nostdinc also keeps C++
#     standard library directories out: there is no C++ standard library
#     for this target in Debian);
#   - the defines: _MSVCR_VER=0 for msvcrt.dll (Wine's headers otherwise
#     assume the UCRT), WIN32_LEAN_AND_MEAN, NOMINMAX, _WIN32_WINNT=0x0601;
#   - the forced include cmake/msvc/prelude.h (time_t and struct stat as
#     Visual C++ lays them out for the flavour, clang-14 vs Wine 8 builtin
#     clashes, localtime_s).
#   - links with /nodefaultlib /safeseh:no and no standard libraries.
# What it leaves to the project: the language level and the C++ switches
# (-std=c++17 -fno-exceptions -fno-rtti), optimisation, exports, and the
# rest of the link line of a DLL or program: /noentry or an entry point
# (through the clang driver: target_link_options(t PRIVATE "LINKER:/noentry");
# repeated "-Xlinker" words would be merged by CMake),
# the runtime and system libraries (TAVO_MSVC_CRT_LIBS, TAVO_MSVC_LIBDIR)
# and the helper import libraries of cmake/msvc/import_libs.cmake.
#
# Variables for the project:
#   TAVO_MSVC_CRT      msvcrt | ucrt (cache; default msvcrt)
#   TAVO_MSVC_SDK      the tree scripts/msvc_sdk.sh made (cache)
#   TAVO_MSVC_LIBDIR   mingw-w64's i686 import libraries (libkernel32.a,
#                      libws2_32.a, libadvapi32.a, libmsvcrt.a, libucrtbase.a...)
#   TAVO_MSVC_CRT_LIBS the runtime's import library for the flavour (full path)
#   TAVO_MSVC_EXTRA_FLAGS  more compile flags for one build (cache)
#   TAVO_MSVC_DIR      cmake/msvc (prelude.h, import_libs.cmake, .def files)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TAVO_MSVC_TARGET i686-pc-windows-msvc)
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

set(TAVO_MSVC_DIR "${CMAKE_CURRENT_LIST_DIR}/msvc")
get_filename_component(_tavo_msvc_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(TAVO_MSVC_CRT msvcrt CACHE STRING "C runtime of the Visual C++-mode build: msvcrt (msvcrt.dll) or ucrt (ucrtbase.dll)")
set_property(CACHE TAVO_MSVC_CRT PROPERTY STRINGS msvcrt ucrt)
set(TAVO_MSVC_SDK "${_tavo_msvc_root}/build-msvc-deps/sdk" CACHE PATH "Wine's headers, as scripts/msvc_sdk.sh lays them out")
set(TAVO_MSVC_LIBDIR /usr/i686-w64-mingw32/lib CACHE PATH "mingw-w64's i686 import libraries")
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
# /safeseh stays off.  The compile flags reach the link through the clang
# driver, hence the warning switched off there.
foreach(lang C CXX)
  set(CMAKE_${lang}_STANDARD_LIBRARIES "" CACHE STRING "Libraries linked into every program and DLL")
endforeach()
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-Wno-unused-command-line-argument -Wl,/nodefaultlib,/safeseh:no")
endforeach()

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Built programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
