// POSIX implementation of the stream calls of the platform layer.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64  // sizes past 2 GiB on 32-bit systems
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <errno.h>
#include <stdio.h>

#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

#include "platform.h"

namespace tavo {
namespace platform {

void flushPendingOutput(FILE* fp) {
#if defined(__GLIBC__)
  if (__fpending(fp) == 0) return;
#endif
  fflush(fp);
}

int streamStatus(FILE* fp, struct stat* pStatus) {
  flushPendingOutput(fp);
  return ::fstat(::fileno(fp), pStatus) == 0 ? 0 : -1;
}

long long streamSize(FILE* fp) {
  struct stat st;
  if (streamStatus(fp, &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

bool streamIsRegularFile(FILE* fp) {
  struct stat st;
  return ::fstat(::fileno(fp), &st) == 0 && S_ISREG(st.st_mode);
}

void lockStream(FILE* fp) { ::flockfile(fp); }
void unlockStream(FILE* fp) { ::funlockfile(fp); }

int seekStream(FILE* fp, long long offset, int whence) {
  return ::fseeko(fp, static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
}

int rewindStream(FILE* fp) {
  if (fseek(fp, 0, SEEK_SET) == 0) return 1;
  if (errno != ESPIPE) return -1;
  return 0;  // a pipe or a FIFO: stdio refused without touching the stream
}

}  // namespace platform
}  // namespace tavo
