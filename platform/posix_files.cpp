// POSIX implementation of the file and directory calls of the platform layer.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1  // renameat2
#endif
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64  // sizes past 2 GiB on 32-bit systems
#endif
#include <dirent.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>

#include "platform.h"

namespace tavo {
namespace platform {

int removeFile(const char* path) { return ::unlink(path) == 0 ? 0 : -1; }

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

long long fileSize(const char* path) {
  struct stat st;
  if (::stat(path, &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

namespace {

// Opens `path` for appending without ever blocking in the open: a FIFO or
// a socket planted at the path (by another user, in a shared directory)
// would hold the caller for as long as nobody reads it, or hand the
// entries to whoever does.  Only a regular file (or a character device
// such as /dev/null or a terminal, which nobody but the system makes) is
// written to; anything else fails as an open that the system refused
// (ENXIO, what a FIFO without a reader gives).  Symbolic links are
// followed.  The descriptor, blocking again for the write, or -1.
int openForAppending(const char* path) {
  int fd;
  do {
    fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  int e = 0;
  if (::fstat(fd, &st) != 0) {
    e = errno;
  } else if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) {
    e = ENXIO;
  } else {
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl == -1 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) e = errno;
  }
  if (e == 0) return fd;
  ::close(fd);
  errno = e;
  return -1;
}

}  // namespace

int appendWhole(const char* path, const void* data, size_t n) {
  const int fd = openForAppending(path);
  if (fd < 0) return kAppendOpenFailed;
  // One write in append mode lands whole at the end of the file.  A regular
  // file takes it all at once; the loop only finishes what a signal or a
  // full disk cut short, and reports the latter.
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

}  // namespace platform
}  // namespace tavo
