// The lock of one byte of an open file description (F_OFD_SETLK), which
// the POSIX platform files share (internal header, on the include path of
// POSIX builds only): the holders and the guard of a shared block
// (shm.cpp) and the log writers' turn (files.cpp).  Such a lock belongs to
// the description, excludes every other open of the file, in this process
// or another, and goes when the description's last descriptor closes,
// however the process ends.  The including file defines _GNU_SOURCE first.
#ifndef TAVO_PLATFORM_POSIX_OFD_LOCK_H
#define TAVO_PLATFORM_POSIX_OFD_LOCK_H

#include <errno.h>
#include <fcntl.h>
#include <string.h>

namespace tavo {
namespace platform {

// Sets (F_RDLCK, F_WRLCK) or clears (F_UNLCK) the lock of byte `nByte`,
// waiting for a conflicting lock to go when `bWait`, trying once
// otherwise.  False when it could not be had (errno says why).
inline bool lockByte(int fd, short nType, off_t nByte, bool bWait) {
  struct flock fl;
  memset(&fl, 0, sizeof fl);
  fl.l_type = nType;
  fl.l_whence = SEEK_SET;
  fl.l_start = nByte;
  fl.l_len = 1;
  for (;;) {
    if (::fcntl(fd, bWait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_POSIX_OFD_LOCK_H
