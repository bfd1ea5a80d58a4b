// Helpers shared by the Windows files of the platform layer (not part of
// the platform interface).
#ifndef TAVO_PLATFORM_WIN32_WIN32_INTERNAL_H
#define TAVO_PLATFORM_WIN32_WIN32_INTERNAL_H

#include <limits.h>
#include <stdint.h>

namespace tavo {
namespace platform {
namespace win32 {

// The library keeps sockets (tCTcp::m_nSock, tCUdp::m_sock) and mapping
// handles (tCShm::m_nShmID) in an int, on 64-bit Windows too, where SOCKET
// and HANDLE are 64 bits wide: Windows keeps the values of kernel handles
// and sockets within 32 bits (so that a 64-bit process can hand them to a
// 32-bit one), and a value it gives always fits.  The library still checks
// each one as it stores it: a handle outside 1..INT_MAX would read as a
// failure (negative, or 0 for a mapping) or lose its high bits, so it is
// refused; its caller closes it and fails the call.
inline bool handleFitsInt(uintptr_t value) { return value != 0 && value <= static_cast<uintptr_t>(INT_MAX); }

// The errno value closest to the Windows error code `code` (GetLastError),
// so that callers of the platform layer see one error convention.
int errnoFromWin32(unsigned long code);

// Sets errno from GetLastError() and returns -1.
int failWithLastError();

}  // namespace win32
}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_WIN32_WIN32_INTERNAL_H
