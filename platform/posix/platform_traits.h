// The constants of the platform layer on POSIX systems (internal header, on the
// include path of this family's builds only).
#ifndef TAVO_INTERNAL_POSIX_PLATFORM_TRAITS_H
#define TAVO_INTERNAL_POSIX_PLATFORM_TRAITS_H

#include <cstdint>

namespace tavo {
namespace platform {

constexpr char kDirSep = '/';
constexpr bool kSepAfterRoot = false;

constexpr std::uintptr_t kSocketHandleStride = 1;

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_INTERNAL_POSIX_PLATFORM_TRAITS_H
