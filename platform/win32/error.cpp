// Windows implementation of the error texts of the platform layer.
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "platform.h"
#include "win32_internal.h"

namespace tavo {
namespace platform {

const char* errorText(int errnum, char* buf, size_t size) {
  buf[0] = '\0';
  if (strerror_s(buf, size, errnum) != 0) snprintf(buf, size, "Unknown error %d", errnum);
  return buf;
}

namespace win32 {

int errnoFromWin32(unsigned long code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_COMMITMENT_LIMIT: return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_HANDLE: return EBADF;
    default: return EINVAL;
  }
}

int failWithLastError() {
  errno = errnoFromWin32(GetLastError());
  return -1;
}

}  // namespace win32

}  // namespace platform
}  // namespace tavo
