// The constants of the platform layer on POSIX systems (internal header, on the
// include path of this family's builds only).
#ifndef TAVO_INTERNAL_POSIX_PLATFORM_TRAITS_H
#define TAVO_INTERNAL_POSIX_PLATFORM_TRAITS_H

#include <cstdint>

namespace tavo {
namespace platform {

// The directory separator of path names, and whether a path built from a
// directory and a name always gets one between them, even after a root
// directory whose name already ends in it (Windows names a drive's root
// "C:\" and a file there is given as "C:\\f.txt"), or only when the
// directory does not end in one ("/f.txt").
constexpr char kDirSep = '/';
constexpr bool kSepAfterRoot = false;

// Socket handles are multiples of this number (Windows Sockets hands out
// kernel handles, multiples of 4; POSIX descriptors are every number).
constexpr std::uintptr_t kSocketHandleStride = 1;

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_INTERNAL_POSIX_PLATFORM_TRAITS_H
