// The line reader and formatted writing shared by the file classes and the
// whole-file functions, and the cutting of settings lines.
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_alloc.h"
#include "tavo_vector.h"
#include "tavo_lines.h"
#include "platform.h"

namespace tavo {
namespace detail {

namespace {

using platform::StreamLock;

// The largest block the allocators can give.
constexpr size_t kMaxBlock = 0xFFFFFFFFu;

// Where the start of a line that runs over a block's end gathers: starts at
// 80 bytes and doubles, but never past the largest block, so that a line
// whose exact size fits is never refused for the size of the doubling.
struct LineBuffer {
  char* p = nullptr;
  size_t nCap = 0;
  void reserve(size_t n) {
    if (n <= nCap) return;
    const size_t nNew = grownCapacity(nCap, n, 80, kMaxBlock, "mrealloc");
    p = static_cast<char*>(mrealloc(p, blockBytes(nNew, "mrealloc")));
    nCap = nNew;
  }
};

// Reads a stream a block at a time into a buffer of its own.  A regular
// file is read with fread (stdio reads a block this large straight into the
// buffer, without a copy of its own).  Anything else (a pipe, a FIFO, a
// terminal) may hold back its next bytes for as long as its writer likes,
// so a block of it ends with the first line end (LF or CR) that comes:
// the reader never waits for bytes past the line it is cutting.  What is
// read beyond the last line a caller wants is not given back: callers read
// to the end or close the stream.  Nothing more is read after the end of
// the file or a read error: stdio does not keep a read error, and the next
// read could go on past it.  A read error is remembered (failed()): the
// callers report it as a failure, never as an early end of the file.  The
// stream's error flag is cleared first, so that an error of an earlier
// read or write does not count.
// Whether the read of `fp` that just came up short failed: the stream's
// error flag, or no end-of-file flag either (Windows' runtime refuses to
// read a stream opened for writing only without setting its error flag).
bool endedInError(FILE* fp) { return ferror(fp) != 0 || feof(fp) == 0; }

class BlockReader {
 public:
  explicit BlockReader(FILE* fp)
      : fp_(fp), p_(static_cast<char*>(mmalloc(kBlock))), bRegular_(platform::streamIsRegularFile(fp)) {
    clearerr(fp);
  }
  ~BlockReader() { free(p_); }
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // Reads the next block.  False when nothing more can be read.
  bool fill() {
    n_ = 0;
    if (bEnd_) return false;
    if (bRegular_) {
      n_ = fread(p_, 1, kBlock, fp_);
      if (n_ < kBlock) {  // the end of the file, or an error
        bEnd_ = true;
        bFailed_ = endedInError(fp_);
      }
    } else {
      while (n_ < kBlock) {
        const int c = getc(fp_);
        if (c == EOF) {
          bEnd_ = true;
          bFailed_ = endedInError(fp_);
          break;
        }
        p_[n_++] = static_cast<char>(c);
        if (c == '\n' || c == '\r') break;
      }
    }
    return n_ > 0;
  }
  const char* data() const { return p_; }
  size_t size() const { return n_; }
  // True once a read has failed (not merely met the end of the file).
  bool failed() const { return bFailed_; }

 private:
  static constexpr unsigned int kBlock = 1u << 16;
  FILE* fp_;
  char* p_;
  bool bRegular_;
  size_t n_ = 0;
  bool bEnd_ = false;
  bool bFailed_ = false;
};

// The first byte at or after `p` that is `c`, remembered: each end byte is
// looked for once per stretch of a block, so a block whose lines all end
// with LF is scanned once for CR, and one without LF once for LF.
class NextByte {
 public:
  explicit NextByte(char c) : c_(c) {}
  // Forget what was found: a new block.
  void reset() { hit_ = nullptr; }
  // The first `c` in [p, pEnd), or pEnd when there is none.
  const char* find(const char* p, const char* pEnd) {
    if (hit_ == nullptr || hit_ < p) {
      const void* q = memchr(p, c_, static_cast<size_t>(pEnd - p));
      hit_ = q != nullptr ? static_cast<const char*>(q) : pEnd;
    }
    return hit_;
  }

 private:
  char c_;
  const char* hit_ = nullptr;
};

}  // namespace

char** readLines(FILE* fp, int nMax, bool* pFailed) {
  if (pFailed != nullptr) *pFailed = false;
  if (nMax <= 0) return nullptr;
  VectorBuilder out;
  LineBuffer b;         // the start of a line that runs over a block's end
  size_t nPending = 0;  // its bytes so far (a line is only carried over with some)
  StreamLock lock(fp);
  BlockReader r(fp);
  NextByte lf('\n');
  NextByte cr('\r');
  bool bSwallow = false;  // the byte after a CR is still to be dropped
  while (out.size() < static_cast<size_t>(nMax) && r.fill()) {
    const char* p = r.data();
    const char* pEnd = p + r.size();
    lf.reset();
    cr.reset();
    if (bSwallow) {
      ++p;
      bSwallow = false;
    }
    while (p < pEnd && out.size() < static_cast<size_t>(nMax)) {
      const char* pLf = lf.find(p, pEnd);
      const char* pCr = cr.find(p, pEnd);
      const char* pHit = pCr < pLf ? pCr : pLf;
      if (pHit == pEnd) {
        // The line goes on in the next block.
        b.reserve(nPending + static_cast<size_t>(pEnd - p));
        memcpy(b.p + nPending, p, static_cast<size_t>(pEnd - p));
        nPending += static_cast<size_t>(pEnd - p);
        break;
      }
      const size_t n = static_cast<size_t>(pHit - p);
      if (nPending == 0) {
        out.push(heapCopy(p, n));
      } else {
        b.reserve(nPending + n);
        memcpy(b.p + nPending, p, n);
        out.push(heapCopy(b.p, nPending + n));
        nPending = 0;
      }
      p = pHit + 1;
      if (*pHit == '\r') {
        if (p < pEnd)
          ++p;  // CR takes the byte after it along
        else
          bSwallow = true;
      }
    }
  }
  if (r.failed()) {
    // Lines read before a failed read are not the file's lines.
    free(b.p);
    strfreev(out.release());
    if (pFailed != nullptr) *pFailed = true;
    return nullptr;
  }
  // The last line ends at the end of the file.
  if (nPending != 0 && out.size() < static_cast<size_t>(nMax)) out.push(heapCopy(b.p, nPending));
  free(b.p);
  return out.release();
}

char** readWholeStream(FILE* fp, bool* pFailed) {
  if (platform::rewindStream(fp) < 0) {
    if (pFailed != nullptr) *pFailed = true;
    return nullptr;
  }
  return readLines(fp, INT_MAX, pFailed);
}

int countLines(FILE* fp) {
  StreamLock lock(fp);
  BlockReader r(fp);
  long long nCount = 0;
  bool bLastWasLF = true;
  while (r.fill()) {
    const char* p = r.data();
    const char* pEnd = p + r.size();
    while (const void* q = memchr(p, '\n', static_cast<size_t>(pEnd - p))) {
      ++nCount;
      p = static_cast<const char*>(q) + 1;
    }
    bLastWasLF = pEnd[-1] == '\n';
  }
  if (r.failed()) return -1;
  if (!bLastWasLF) ++nCount;
  return nCount > INT_MAX ? -1 : static_cast<int>(nCount);
}

char* readOneLine(FILE* fp) {
  // A byte at a time, so that the stream is left just after the line (and
  // the byte a CR takes along) for the next reader.
  // A read error gives null, as the end of the file does: the bytes read
  // before it are not a whole line.
  LineBuffer b;
  size_t n = 0;
  StreamLock lock(fp);
  clearerr(fp);
  int c = getc(fp);
  if (c == EOF) return nullptr;
  for (; c != EOF && c != '\n'; c = getc(fp)) {
    if (c == '\r') {
      c = getc(fp);  // CR takes the byte after it along
      break;
    }
    b.reserve(n + 1);
    b.p[n++] = static_cast<char>(c);
  }
  if (c == EOF && endedInError(fp)) {
    free(b.p);
    return nullptr;
  }
  char* s = heapCopy(n != 0 ? b.p : "", n);
  free(b.p);
  return s;
}

char** readFileLines(const char* pFileName, int nMax) {
  FILE* fp = fopen(pFileName, "rb");
  if (fp == nullptr) return nullptr;
  char** v = readLines(fp, nMax);
  fclose(fp);
  return v;
}

int writeFormatted(const char* pFileName, const char* pMode, const char* fmt, va_list ap) {
  FILE* fp = fopen(pFileName, pMode);
  if (fp == nullptr) return -1;
  int n = vfprintf(fp, fmt, ap);
  // The text is only in the stream's buffer until the close writes it out.
  int nClosed = fclose(fp);
  return (n >= 0 && nClosed == 0) ? n : -1;
}

SettingLine cutSettingLine(char* pLine, bool bHeaders, char** ppFirst, char** ppSecond) {
  size_t nLen = strlen(pLine);
  if (char* pHash = static_cast<char*>(memchr(pLine, '#', nLen))) {
    if (pHash == pLine) return SettingLine::kIgnored;
    *pHash = '\0';
    nLen = static_cast<size_t>(pHash - pLine);
  }
  if (bHeaders && nLen > 2 && pLine[0] == '[' && pLine[nLen - 1] == ']') {
    pLine[nLen - 1] = '\0';
    *ppFirst = pLine + 1;
    return SettingLine::kHeader;
  }
  char* pEq = static_cast<char*>(memchr(pLine, '=', nLen));
  if (pEq == nullptr) return SettingLine::kIgnored;
  if (memchr(pEq + 1, '=', nLen - static_cast<size_t>(pEq + 1 - pLine)) != nullptr)
    return SettingLine::kIgnored;
  *pEq = '\0';
  *ppFirst = pLine;
  *ppSecond = pEq + 1;
  return SettingLine::kEntry;
}

}  // namespace detail
}  // namespace tavo
