// The line reader and formatted writing shared by the file classes and the
// whole-file functions, and the cutting of settings lines.
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_internal.h"
#include "common/tavo_lines.h"
#include "platform/platform.h"
#include "platform/stream.h"

namespace tavo {
namespace detail {

namespace {

using platform::nextByteLocked;
using platform::StreamLock;

// The largest block the allocators can give.
constexpr std::size_t kMaxBlock = 0xFFFFFFFFu;

// Where the bytes of a line longer than the local block gather: starts at
// 80 bytes and doubles, but never past the largest block, so that a line
// whose exact size fits is never refused for the size of the doubling.
struct LineBuffer {
  char* p = nullptr;
  std::size_t nCap = 0;
  void reserve(std::size_t n) {
    if (n <= nCap) return;
    if (n > kMaxBlock) memfatal("mrealloc");
    std::size_t nNew = nCap == 0 ? 80 : nCap;
    while (nNew < n) nNew = nNew > kMaxBlock / 2 ? kMaxBlock : nNew * 2;
    p = static_cast<char*>(mrealloc(p, blockBytes(nNew, "mrealloc")));
    nCap = nNew;
  }
};

// Exact-size heap copy of the `n` bytes at `p`, NUL-terminated.
char* heapLine(const char* p, std::size_t n) {
  char* s = static_cast<char*>(mmalloc(blockBytes(n + 1ull, "mmalloc")));
  std::memcpy(s, p, n);
  s[n] = '\0';
  return s;
}

// Reads the next line of `fp` and returns it as an exact-size heap string;
// null when the stream is at its end (or fails) before any byte of a line.
// `bEnd` is set when the stream ended or failed on the way (the byte
// swallowed after a CR included): a read error is not sticky, so the next
// read could go on past it, and the caller stops there instead.  `b` holds
// the bytes of long lines on the way.  The caller holds the stream lock.
char* nextLine(FILE* fp, LineBuffer& b, bool& bEnd) {
  // Bytes gather in a small local block first, so that a short line is
  // copied once, straight into its exact-size string.
  char chunk[256];
  std::size_t nChunk = 0;
  std::size_t n = 0;  // bytes already moved into b
  int c;
  for (;;) {
    c = nextByteLocked(fp);
    // EOF is never a byte value (bytes come back as 0..255), so this stops
    // at the end of the file or on a read error, and 0xFF is data.
    if (c == EOF || c == '\n' || c == '\r') break;
    chunk[nChunk++] = static_cast<char>(c);
    if (nChunk == sizeof chunk) {
      b.reserve(n + nChunk);
      std::memcpy(b.p + n, chunk, nChunk);
      n += nChunk;
      nChunk = 0;
    }
  }
  bEnd = (c == EOF);
  if (c == '\r') bEnd = (nextByteLocked(fp) == EOF);  // CR takes the byte after it along
  if (n == 0) return (c == EOF && nChunk == 0) ? nullptr : heapLine(chunk, nChunk);
  b.reserve(n + nChunk);
  std::memcpy(b.p + n, chunk, nChunk);
  return heapLine(b.p, n + nChunk);
}

}  // namespace

char** readLines(FILE* fp, int nMax) {
  char** v = nullptr;
  int n = 0;
  LineBuffer b;
  {
    StreamLock lock(fp);
    bool bEnd = false;
    while (n < nMax && !bEnd) {
      char* s = nextLine(fp, b, bEnd);
      if (s == nullptr) break;
      v = vectorPush(v, n++, s);
    }
  }
  std::free(b.p);
  return v;
}

char* readOneLine(FILE* fp) {
  StreamLock lock(fp);
  if (std::feof(fp)) return nullptr;
  LineBuffer b;
  bool bEnd;
  char* s = nextLine(fp, b, bEnd);
  std::free(b.p);
  return s;
}

char* enlargeReadBuffer(FILE* fp, const char* pMode) {
  constexpr unsigned int kReadBufferSize = 1u << 16;
  if (pMode[0] != 'r' || std::strchr(pMode, '+') != nullptr) return nullptr;
  if (!platform::streamIsRegularFile(fp)) return nullptr;
  char* pBuf = static_cast<char*>(mmalloc(kReadBufferSize));
  if (std::setvbuf(fp, pBuf, _IOFBF, kReadBufferSize) != 0) {
    std::free(pBuf);
    return nullptr;
  }
  return pBuf;
}

FILE* openForReading(const char* pFileName, char** ppBuf) {
  *ppBuf = nullptr;
  FILE* fp = std::fopen(pFileName, "rb");
  if (fp != nullptr) *ppBuf = enlargeReadBuffer(fp, "rb");
  return fp;
}

char** readFileLines(const char* pFileName, int nMax) {
  char* pBuf;
  FILE* fp = openForReading(pFileName, &pBuf);
  if (fp == nullptr) return nullptr;
  char** v = readLines(fp, nMax);
  std::fclose(fp);
  std::free(pBuf);
  return v;
}

int writeFormatted(const char* pFileName, const char* pMode, const char* fmt, va_list ap) {
  FILE* fp = std::fopen(pFileName, pMode);
  if (fp == nullptr) return -1;
  int n = std::vfprintf(fp, fmt, ap);
  // The text is only in the stream's buffer until the close writes it out.
  int nClosed = std::fclose(fp);
  return (n >= 0 && nClosed == 0) ? n : -1;
}

SettingLine cutSettingLine(char* pLine, bool bHeaders, char** ppFirst, char** ppSecond) {
  std::size_t nLen = std::strlen(pLine);
  if (char* pHash = static_cast<char*>(std::memchr(pLine, '#', nLen))) {
    if (pHash == pLine) return SettingLine::kIgnored;
    *pHash = '\0';
    nLen = static_cast<std::size_t>(pHash - pLine);
  }
  if (bHeaders && nLen > 2 && pLine[0] == '[' && pLine[nLen - 1] == ']') {
    pLine[nLen - 1] = '\0';
    *ppFirst = pLine + 1;
    return SettingLine::kHeader;
  }
  char* pEq = static_cast<char*>(std::memchr(pLine, '=', nLen));
  if (pEq == nullptr) return SettingLine::kIgnored;
  if (std::memchr(pEq + 1, '=', nLen - static_cast<std::size_t>(pEq + 1 - pLine)) != nullptr)
    return SettingLine::kIgnored;
  *pEq = '\0';
  *ppFirst = pLine;
  *ppSecond = pEq + 1;
  return SettingLine::kEntry;
}

}  // namespace detail
}  // namespace tavo
