// The constants of the platform layer on Windows (internal header, on the
// include path of this family's builds only).
#ifndef TAVO_PLATFORM_WIN32_PLATFORM_TRAITS_H
#define TAVO_PLATFORM_WIN32_PLATFORM_TRAITS_H

#include <stdint.h>

namespace tavo {
namespace platform {

constexpr char kDirSep = '\\';
constexpr bool kSepAfterRoot = true;

constexpr uintptr_t kSocketHandleStride = 4;

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_WIN32_PLATFORM_TRAITS_H
