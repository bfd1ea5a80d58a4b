# Cross build for 32-bit Windows (x86) in Visual C++ mode: clang 14 with
# --target=i686-pc-windows-msvc (Microsoft's C++ name mangling, __thiscall,
# Microsoft's struct layout), lld-link and llvm-lib 14, Wine's C runtime and
# Windows headers, and mingw-w64's i686 import libraries for the system DLLs.
#
#   scripts/deps.sh msvc && scripts/msvc_sdk.sh
#   cmake --preset msvc-msvcrt      (or msvc-ucrt; by hand:)
#   cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-msvc.cmake \
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
#   - the forced include platform/msvc/prelude.h (time_t and struct stat as
#     Visual C++ lays them out for the flavour, clang-14 vs Wine 8 builtin
#     clashes, localtime_s).
#   - links with /nodefaultlib /safeseh:no and no standard libraries.
# Its twin for 64-bit Windows is cmake/toolchain-x86_64-msvc.cmake; both
# read their body from cmake/msvc/toolchain.cmake.
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
#   TAVO_MSVC_LIBDIR   mingw-w64's import libraries for the architecture
#                      (libkernel32.a, libws2_32.a, libmsvcrt.a, libucrtbase.a...)
#   TAVO_MSVC_CRT_LIBS the runtime's import library for the flavour (full path)
#   TAVO_MSVC_EXTRA_FLAGS  more compile flags for one build (cache)
#   TAVO_MSVC_DIR      cmake/msvc (flags.cmake, import_libs.cmake; the runtime
#                      shims they build, prelude.h and the .def files, are in
#                      platform/msvc/)
set(TAVO_MSVC_ARCH x86)
include("${CMAKE_CURRENT_LIST_DIR}/msvc/toolchain.cmake")
