// Timestamped log entries, error reports and the debug trace.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64  // sizes of logs past 2 GiB on 32-bit systems
#endif
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/common.h"
#include "platform/platform.h"

namespace {

// A log larger than this many bytes is deleted before the next entry.
constexpr long long kLogSizeBound = 2000000;

// "%Y-%m-%d %X" is 19 bytes in the C locale; the room beyond that keeps a
// whole timestamp in locales whose "%X" is longer ("11:59:58 PM").
constexpr std::size_t kTimestampSize = 64;

// Error reports up to this size are built on the stack; longer ones on the
// heap, so the suffix is never cut off.
constexpr std::size_t kReportSize = 1000;

// strerror_r comes in two shapes: XSI returns 0 or an error number and fills
// the buffer, GNU returns the text (which may or may not be the buffer).
// Overloading on the result type accepts whichever the system declares.
[[maybe_unused]] const char* pickErrorText(int rc, char* buf, std::size_t size, int errnum) {
  if (rc != 0) std::snprintf(buf, size, "Unknown error %d", errnum);
  return buf;
}
[[maybe_unused]] const char* pickErrorText(const char* text, char*, std::size_t, int) { return text; }

const char* systemErrorText(int errnum, char* buf, std::size_t size) {
  buf[0] = '\0';
  return pickErrorText(strerror_r(errnum, buf, size), buf, size, errnum);
}

void formatTimestamp(char* ts, std::size_t size) {
  std::time_t now = std::time(nullptr);
  std::tm local;
  if (localtime_r(&now, &local) == nullptr || std::strftime(ts, size, "%Y-%m-%d %X", &local) == 0)
    ts[0] = '\0';
}

// Builds "<text>: <error text>[\n]" for err_ret and err_exit, writes it to
// stderr and to the log.
void errorReport(const char* path, const char* fmt, va_list ap) {
  const int saved = errno;
  char errBuf[256];
  const char* errText = systemErrorText(saved, errBuf, sizeof errBuf);

  char local[kReportSize];
  char* buf = local;
  char* heap = nullptr;
  va_list again;
  va_copy(again, ap);
  errno = saved;  // the caller's format may use %m
  int n = std::vsnprintf(local, sizeof local, fmt, ap);
  if (n < 0) {  // an output error leaves nothing usable: report the error alone
    n = 0;
    local[0] = '\0';
  }
  const std::size_t errLen = std::strlen(errText);
  const std::size_t need = static_cast<std::size_t>(n) + 2 + errLen + 2;  // ": ", "\n", NUL
  if (need > sizeof local) {
    heap = static_cast<char*>(mmalloc(static_cast<unsigned int>(need)));
    if (static_cast<std::size_t>(n) < sizeof local) {
      std::memcpy(heap, local, static_cast<std::size_t>(n) + 1);
    } else {
      errno = saved;
      if (std::vsnprintf(heap, static_cast<std::size_t>(n) + 1, fmt, again) < 0) heap[0] = '\0';
    }
    buf = heap;
  }
  va_end(again);

  // A NUL produced by the text (say "%c" of 0) ends it there, as it would
  // for any string: the suffix follows the visible text.
  std::size_t len = std::strlen(buf);
  bool lineEnd = false;
  if (len > 0 && buf[len - 1] == '\n') {
    --len;
    lineEnd = true;
  }
  char* p = buf + len;
  *p++ = ':';
  *p++ = ' ';
  std::memcpy(p, errText, errLen);
  p += errLen;
  if (lineEnd) *p++ = '\n';
  *p = '\0';

  std::fprintf(stderr, "%s", buf);
  logprintf(path, "%s", buf);
  std::free(heap);
  errno = saved;
}

}  // namespace

void logvprintf(const char* path, const char* fmt, va_list ap) {
  const int saved = errno;
  char ts[kTimestampSize];
  formatTimestamp(ts, sizeof ts);

  std::FILE* fp = nullptr;
  int openErrno = EINVAL;
  if (path != nullptr) {
    struct stat st;
    if (::stat(path, &st) == 0 && static_cast<long long>(st.st_size) > kLogSizeBound) {
      // Failure is ignored on purpose: the entry then goes to the old file.
      (void)tavo::platform::removeFile(path);
    }
    fp = std::fopen(path, "ab+");
    if (fp == nullptr) openErrno = errno;
  }

  errno = saved;  // the caller's format may use %m
  if (fp != nullptr) {
    std::fprintf(fp, "%s  ", ts);
    std::vfprintf(fp, fmt, ap);
    std::fclose(fp);
    errno = saved;
    return;
  }
  std::fprintf(stderr, "%s  ", ts);
  std::vfprintf(stderr, fmt, ap);
  char errBuf[256];
  std::fprintf(stderr, "logprintf error : fopen %s error : %s\n", path != nullptr ? path : "(null)",
               systemErrorText(openErrno, errBuf, sizeof errBuf));
  errno = saved;
}

void logprintf(const char* path, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  logvprintf(path, fmt, ap);
  va_end(ap);
}

void err_ret(const char* path, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  errorReport(path, fmt, ap);
  va_end(ap);
}

void err_exit(const char* path, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  errorReport(path, fmt, ap);
  va_end(ap);
  std::exit(1);
}

void DEBUG(int is_debug, int level, const char* path, const char* fmt, ...) {
  if (is_debug != 1 || level < 1 || level > 3) return;
  const int saved = errno;
  va_list ap;
  va_start(ap, fmt);
  if (level != 2) {
    va_list copy;
    va_copy(copy, ap);
    std::vfprintf(stderr, fmt, copy);
    va_end(copy);
    errno = saved;  // both destinations expand %m alike
  }
  if (level != 1) logvprintf(path, fmt, ap);
  va_end(ap);
}

void write_fp(FILE* fp, const char* fmt, ...) {
  if (fp == nullptr) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(fp, fmt, ap);
  va_end(ap);
}
