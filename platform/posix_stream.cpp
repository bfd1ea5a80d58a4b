// POSIX implementation of the stream calls of the platform layer.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64  // sizes past 2 GiB on 32-bit systems
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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
  std::fflush(fp);
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

#if defined(__GLIBC__)
// glibc keeps the unread part of a read buffer between _IO_read_ptr and
// _IO_read_end; gnulib's freadptr and freadseek use the same fields.
std::size_t peekBuffered(FILE* fp, const char** pp) {
  if (fp->_IO_read_ptr >= fp->_IO_read_end) {
    // Refill through stdio itself: one read, of what is there now.
    if (getc_unlocked(fp) == EOF) return 0;
    --fp->_IO_read_ptr;  // the byte stays in the buffer, unread
  }
  *pp = fp->_IO_read_ptr;
  return static_cast<std::size_t>(fp->_IO_read_end - fp->_IO_read_ptr);
}

void consumeBuffered(FILE* fp, std::size_t n) { fp->_IO_read_ptr += n; }
#else
// Elsewhere: one byte at a time through the portable call.
namespace {
thread_local char tPeeked;
thread_local bool tHavePeeked = false;
}  // namespace

std::size_t peekBuffered(FILE* fp, const char** pp) {
  if (!tHavePeeked) {
    int c = getc_unlocked(fp);
    if (c == EOF) return 0;
    tPeeked = static_cast<char>(c);
    tHavePeeked = true;
  }
  *pp = &tPeeked;
  return 1;
}

void consumeBuffered(FILE*, std::size_t n) {
  if (n != 0) tHavePeeked = false;
}
#endif

int seekStream(FILE* fp, long long offset, int whence) {
  return ::fseeko(fp, static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
}

int rewindStream(FILE* fp) {
  if (std::fseek(fp, 0, SEEK_SET) == 0) return 1;
  if (errno != ESPIPE) return -1;
  return 0;  // a pipe or a FIFO: stdio refused without touching the stream

}

}  // namespace platform
}  // namespace tavo
