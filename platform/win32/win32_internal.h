// Helpers shared by the Windows files of the platform layer (not part of
// the platform interface).
#ifndef TAVO_PLATFORM_WIN32_INTERNAL_H
#define TAVO_PLATFORM_WIN32_INTERNAL_H

namespace tavo {
namespace platform {
namespace win32 {

// The errno value closest to the Windows error code `code` (GetLastError),
// so that callers of the platform layer see one error convention.
int errnoFromWin32(unsigned long code);

// Sets errno from GetLastError() and returns -1.
int failWithLastError();

}  // namespace win32
}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_WIN32_INTERNAL_H
