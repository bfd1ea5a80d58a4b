// Timestamped log entries, error reports and the debug trace.
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "common/common.h"
#include "tavo_alloc.h"
#include "platform.h"

namespace {

// A log larger than this many bytes is deleted before the next entry.
constexpr long long kLogSizeBound = 2000000;

// "%Y-%m-%d %X" is 19 bytes in the C locale; the room beyond that keeps a
// whole timestamp in locales whose "%X" is longer ("11:59:58 PM").
constexpr size_t kTimestampSize = 64;

// A text built in memory before it is handed to the system in one write, so
// that an entry never reaches a file or stderr in pieces another writer
// could land between.  Short texts stay on the stack.
class Text {
 public:
  Text() : p_(local_), n_(0), cap_(sizeof local_) { local_[0] = '\0'; }
  ~Text() {
    if (p_ != local_) free(p_);
  }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  const char* data() const { return p_; }
  char* data() { return p_; }
  size_t size() const { return n_; }

  void append(const char* s, size_t n) {
    reserve(n_ + n);
    memcpy(p_ + n_, s, n);
    n_ += n;
    p_[n_] = '\0';
  }
  void append(const char* s) { append(s, strlen(s)); }

  // Appends the printf expansion of `fmt` (NUL bytes it produces included).
  // errno is `nErrno` for each expansion, so a "%m" sees the caller's.  An
  // output error appends nothing.
  void appendf(int nErrno, const char* fmt, va_list ap) {
    va_list again;
    va_copy(again, ap);
    errno = nErrno;
    int n = vsnprintf(p_ + n_, cap_ - n_, fmt, ap);
    if (n >= 0 && static_cast<size_t>(n) >= cap_ - n_) {
      reserve(n_ + static_cast<size_t>(n));
      errno = nErrno;
      n = vsnprintf(p_ + n_, cap_ - n_, fmt, again);
    }
    va_end(again);
    if (n < 0) {
      p_[n_] = '\0';
      return;
    }
    n_ += static_cast<size_t>(n);
  }

  // Cuts the text at its first NUL, as any string built from it would be.
  void cutAtNul() { n_ = strlen(p_); }
  void truncate(size_t n) {
    n_ = n;
    p_[n_] = '\0';
  }

 private:
  // Room for `n` bytes and a NUL.
  void reserve(size_t n) {
    if (n < cap_) return;
    const size_t nCap = tavo::detail::grownCapacity(cap_, n + 1, cap_, 0xFFFFFFFFu, "mmalloc");
    char* q = static_cast<char*>(mmalloc(tavo::detail::blockBytes(nCap, "mmalloc")));
    memcpy(q, p_, n_ + 1);
    if (p_ != local_) free(p_);
    p_ = q;
    cap_ = nCap;
  }

  char local_[1024];
  char* p_;
  size_t n_;
  size_t cap_;
};

// Writes the text to stderr in one piece.
void toStderr(const Text& t) { fwrite(t.data(), 1, t.size(), stderr); }

void appendTimestamp(Text& t) {
  char ts[kTimestampSize];
  if (tavo::platform::formatLocalTime(time(nullptr), "%Y-%m-%d %X", ts, sizeof ts) == 0) ts[0] = '\0';
  t.append(ts);
}

// Builds "<text>: <error text>[\n]" for err_ret and err_exit, writes it to
// stderr and to the log.
void errorReport(const char* path, const char* fmt, va_list ap) {
  const int saved = errno;
  char errBuf[256];
  const char* errText = tavo::platform::errorText(saved, errBuf, sizeof errBuf);

  Text report;
  report.appendf(saved, fmt, ap);
  // A NUL produced by the text (say "%c" of 0) ends it there, as it would
  // for any string: the suffix follows the visible text.
  report.cutAtNul();
  bool lineEnd = report.size() > 0 && report.data()[report.size() - 1] == '\n';
  if (lineEnd) report.truncate(report.size() - 1);
  report.append(": ");
  report.append(errText);
  if (lineEnd) report.append("\n");

  toStderr(report);
  logprintf(path, "%s", report.data());
  errno = saved;
}

}  // namespace

void logvprintf(const char* path, const char* fmt, va_list ap) {
  const int saved = errno;
  Text entry;
  appendTimestamp(entry);
  entry.append("  ");
  entry.appendf(saved, fmt, ap);

  const char* pFailed = "fopen";
  int nError = EINVAL;
  if (path != nullptr) {
    // The size check, the deletion and the append are one step, made in
    // turn with every other writer of the file (see appendLogEntry): two
    // writers that both find the file over the bound cannot each delete a
    // file, the second one the first one's new file with its entries.
    const int nAppended = tavo::platform::appendLogEntry(path, entry.data(), entry.size(), kLogSizeBound);
    if (nAppended == 0) {
      errno = saved;
      return;
    }
    nError = errno;
    if (nAppended == tavo::platform::kAppendWriteFailed) pFailed = "write";
  }
  // The entry could not be stored: it goes to stderr, with the reason.
  char errBuf[256];
  entry.append("logprintf error : ");
  entry.append(pFailed);
  entry.append(" ");
  entry.append(path != nullptr ? path : "(null)");
  entry.append(" error : ");
  entry.append(tavo::platform::errorText(nError, errBuf, sizeof errBuf));
  entry.append("\n");
  toStderr(entry);
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
  exit(1);
}

void DEBUG(int isDebug, int level, const char* path, const char* fmt, ...) {
  if (isDebug != 1 || level < 1 || level > 3) return;
  const int saved = errno;
  va_list ap;
  va_start(ap, fmt);
  if (level != 2) {
    va_list copy;
    va_copy(copy, ap);
    Text t;
    t.appendf(saved, fmt, copy);
    va_end(copy);
    toStderr(t);
    errno = saved;  // both destinations expand %m alike
  }
  if (level != 1) logvprintf(path, fmt, ap);
  va_end(ap);
}

void write_fp(FILE* fp, const char* fmt, ...) {
  if (fp == nullptr) return;
  va_list ap;
  va_start(ap, fmt);
  vfprintf(fp, fmt, ap);
  va_end(ap);
}
