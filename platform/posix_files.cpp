// POSIX implementation of the file and directory calls of the platform layer.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1  // renameat2
#endif
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

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
  while (const struct dirent* e = ::readdir(d)) fn(e->d_name, ctx);
  ::closedir(d);
  return 0;
}

char* resolveDirectory(const char* dir) { return ::realpath(dir, nullptr); }

}  // namespace platform
}  // namespace tavo
