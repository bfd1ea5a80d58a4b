// The constants of the platform layer on POSIX systems (internal header, on the
// include path of this family's builds only).
#ifndef TAVO_PLATFORM_POSIX_PLATFORM_TRAITS_H
#define TAVO_PLATFORM_POSIX_PLATFORM_TRAITS_H

#include <stdint.h>

namespace tavo {
namespace platform {

constexpr char kDirSep = '/';
constexpr bool kSepAfterRoot = false;

constexpr uintptr_t kSocketHandleStride = 1;

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_POSIX_PLATFORM_TRAITS_H
