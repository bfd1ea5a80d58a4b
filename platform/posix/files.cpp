// POSIX implementation of the file and directory calls of the platform layer.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1  // renameat2
#endif
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64  // sizes past 2 GiB on 32-bit systems
#endif
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "fork_safe_mutex.h"
#include "ofd_lock.h"
#include "platform.h"

namespace tavo {
namespace platform {

int renameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  // Filesystems without RENAME_NOREPLACE fall through to link + unlink,
  // which is just as safe: link() never replaces an existing name.
  if (errno != EINVAL && errno != ENOSYS) return -1;
#endif
  if (::link(from, to) != 0) return -1;
  if (::unlink(from) != 0) {
    int e = errno;
    ::unlink(to);
    errno = e;
    return -1;
  }
  return 0;
}

int listDirectory(const char* dir, void (*fn)(const char* name, void* ctx), void* ctx) {
  DIR* d = ::opendir(dir);
  if (d == nullptr) return -1;
  // readdir gives null at the end and on an error; only an error sets errno.
  int e = 0;
  for (;;) {
    errno = 0;
    const struct dirent* entry = ::readdir(d);
    if (entry == nullptr) {
      e = errno;
      break;
    }
    fn(entry->d_name, ctx);
  }
  ::closedir(d);
  if (e == 0) return 0;
  errno = e;
  return -1;
}

char* resolveDirectory(const char* dir) { return ::realpath(dir, nullptr); }

namespace {

// Opens `path` for appending without ever blocking in the open: a FIFO or
// a socket planted at the path (by another user, in a shared directory)
// would hold the caller for as long as nobody reads it, or hand the
// entries to whoever does.  Only a regular file (or a character device
// such as /dev/null or a terminal, which nobody but the system makes) is
// written to; anything else fails as an open that the system refused
// (ENXIO, what a FIFO without a reader gives).  Symbolic links are
// followed.  The descriptor, blocking again for the write, with the file's
// status in `*pSt`; or -1.
int openForAppending(const char* path, struct stat* pSt) {
  int fd;
  do {
    fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  int e = 0;
  if (::fstat(fd, pSt) != 0) {
    e = errno;
  } else if (!S_ISREG(pSt->st_mode) && !S_ISCHR(pSt->st_mode)) {
    e = ENXIO;
  } else if (::fcntl(fd, F_SETFL, O_APPEND) != 0) {  // O_NONBLOCK off again
    e = errno;
  }
  if (e == 0) return fd;
  ::close(fd);
  errno = e;
  return -1;
}

// Writes the whole block and closes `fd`: 0 or kAppendWriteFailed.  One
// write in append mode lands whole at the end of the file.  A regular file
// takes it all at once; the loop only finishes what a signal or a full disk
// cut short, and reports the latter.
int writeWholeAndClose(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  int r = 0;
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = ENOSPC;
      r = kAppendWriteFailed;
      break;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  int e = errno;
  if (::close(fd) != 0 && r == 0 && errno != EINTR) {
    e = errno;
    r = kAppendWriteFailed;
  }
  errno = e;
  return r;
}

// Writers of the log take turns on the file's own lock: an open-file-
// description lock, which excludes every other open of the file, in this
// process or another, and goes when the descriptor closes (however the
// process ends).  It covers one byte far past any data, as the Windows
// build must (its locks are mandatory); here locks are advisory and only
// the log's writers look at it.  Waits for the writer ahead, whose turn is
// one size check and one write.  False when the system refuses the lock
// (no OFD locks on the filesystem, no memory for one).
bool takeWritersTurn(int fd) { return lockByte(fd, F_WRLCK, 0x7FFFFFFFFFFFFFFELL, true); }

// The writers of this process take turns on this lock as well, from the
// open of the log to its close.  A thread does not need it to be ordered
// with the others (each has a description and a lock of its own), but
// fork() does: a child made while a log file was open would share that
// description, and with it the turn, which would then stay taken for as
// long as the child lived.  The lock is held across fork()
// (fork_safe_mutex.h), so no log file is ever open in the child.
pthread_mutex_t gLogWriters = PTHREAD_MUTEX_INITIALIZER;
__attribute__((constructor)) void installLogForkHandlers() { holdAcrossFork<&gLogWriters>(); }

// Turns taken in one call.  Each new turn follows another writer's
// deletion (or an outsider's replacement) of the file, and a new file
// needs the bound's worth of entries before it can be deleted again, so a
// second turn is rare and a third rarer still; the last one writes
// whatever it opened.
constexpr int kLogTurns = 8;

int appendUnderTurns(const char* path, const void* data, size_t n, long long nBound) {
  for (int nTurn = 1;; ++nTurn) {
    struct stat opened;
    const int fd = openForAppending(path, &opened);
    if (fd < 0) return kAppendOpenFailed;
    // A device (/dev/null) has neither size nor turns.
    if (S_ISREG(opened.st_mode) && nTurn < kLogTurns && takeWritersTurn(fd)) {
      // Under the turn: the name still names the file opened (unless a
      // writer ahead deleted it), and its size is final until we write.
      struct stat named;
      if (::stat(path, &named) != 0) {
        if (errno == ENOENT) {
          ::close(fd);
          continue;  // deleted meanwhile: made anew by the next open
        }
        // Unknown: the entry goes to the file opened, undeleted.
      } else if (named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) {
        ::close(fd);
        continue;
      } else if (named.st_size > nBound && ::unlink(path) == 0) {
        ::close(fd);
        continue;
      }
      // A failed deletion leaves the entry to the old file.
    }
    return writeWholeAndClose(fd, data, n);
  }
}

}  // namespace

int appendLogEntry(const char* path, const void* data, size_t n, long long nBound) {
  lockMutex<&gLogWriters>();
  const int r = appendUnderTurns(path, data, n, nBound);
  const int e = errno;
  unlockMutex<&gLogWriters>();
  errno = e;
  return r;
}

}  // namespace platform
}  // namespace tavo
