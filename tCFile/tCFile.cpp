// tCFile: a stdio stream on a named file, and the line reader shared with the
// whole-file functions.
#include "tCFile/tCFile.h"

#include <sys/stat.h>

#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

#include "common/common.h"
#include "common/tavo_assert.h"
#include "common/tavo_internal.h"
#include "platform/platform.h"
#include "tCFile/file_io.h"

#if defined(_WIN32)
#include <io.h>
#define fileno _fileno
#endif

// What copies of one object share; allocated once per successful open.
struct tCFile::Share {
  explicit Share(FILE* fp, const char* pFileName) : pFile(fp), oName(pFileName), nRefs(1) {}
  FILE* pFile;
  tCString oName;
  std::atomic<int> nRefs;
  char* pReadBuf = nullptr;  // the stream's buffer when we gave it one
};

namespace {

// The lines are read a byte at a time straight from the stream's buffer.
// The stream is locked once around a whole run of reads, so the per-byte
// reads need not lock it again.
#if defined(_WIN32)
inline int nextByte(FILE* fp) { return _getc_nolock(fp); }
inline void lockStream(FILE* fp) { _lock_file(fp); }
inline void unlockStream(FILE* fp) { _unlock_file(fp); }
#else
inline int nextByte(FILE* fp) { return getc_unlocked(fp); }
inline void lockStream(FILE* fp) { flockfile(fp); }
inline void unlockStream(FILE* fp) { funlockfile(fp); }
#endif

class StreamLock {
 public:
  explicit StreamLock(FILE* fp) : fp_(fp) { lockStream(fp_); }
  ~StreamLock() { unlockStream(fp_); }
  StreamLock(const StreamLock&) = delete;
  StreamLock& operator=(const StreamLock&) = delete;

 private:
  FILE* fp_;
};

// Block sizes go through the allocators' unsigned int; a block that would
// need more cannot be had, which is as fatal as exhausted memory.
unsigned int blockSize(std::size_t n, const char* pAllocator) {
  if (n > UINT_MAX) memfatal(pAllocator);
  return static_cast<unsigned int>(n);
}

// Where the bytes of a line longer than the local block gather: starts at
// 80 bytes and doubles.
struct LineBuffer {
  char* p = nullptr;
  std::size_t nCap = 0;
  void reserve(std::size_t n) {
    if (n <= nCap) return;
    if (nCap == 0) nCap = 80;
    while (nCap < n) nCap *= 2;
    p = static_cast<char*>(mrealloc(p, blockSize(nCap, "mrealloc")));
  }
};

// Exact-size heap copy of the `n` bytes at `p`, NUL-terminated.
char* heapLine(const char* p, std::size_t n) {
  char* s = static_cast<char*>(mmalloc(blockSize(n + 1, "mmalloc")));
  std::memcpy(s, p, n);
  s[n] = '\0';
  return s;
}

// Reads the next line of `fp` and returns it as an exact-size heap string
// (released with free()); null when the stream is at its end (or fails)
// before any byte of a line.  `bEnd` is set when the stream ended or failed
// on the way (the byte swallowed after a CR included): a read error is not
// sticky, so the next read could go on past it, and the caller stops there
// instead.  `b` holds the bytes of long lines on the way.  The caller holds
// the stream lock.
char* nextLine(FILE* fp, LineBuffer& b, bool& bEnd) {
  // Bytes gather in a small local block first, so that a short line is
  // copied once, straight into its exact-size string.
  char chunk[256];
  std::size_t nChunk = 0;
  std::size_t n = 0;  // bytes already moved into b
  int c;
  for (;;) {
    c = nextByte(fp);
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
  if (c == '\r') bEnd = (nextByte(fp) == EOF);  // CR takes the byte after it along
  if (n == 0) return (c == EOF && nChunk == 0) ? nullptr : heapLine(chunk, nChunk);
  b.reserve(n + nChunk);
  std::memcpy(b.p + n, chunk, nChunk);
  return heapLine(b.p, n + nChunk);
}

// Output still waiting in the stream's buffer belongs to the file's size and
// status; flush it so that fstat sees it.  Only when there is some: flushing
// a stream that is being read would throw its read buffer away.
void flushPendingOutput(FILE* fp) {
#if defined(__GLIBC__)
  if (__fpending(fp) == 0) return;
#endif
  std::fflush(fp);
}

// Size of the file of `fp` in bytes, or -1 when it cannot be queried.
long long fileSize(FILE* fp) {
  flushPendingOutput(fp);
  struct stat st;
  if (fstat(fileno(fp), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

// Read steps shared by both Read members; `pBuf` holds nCount + 1 bytes.
int readAt(FILE* fp, char* pBuf, int nCount, int nStart) {
  pBuf[0] = '\0';
  if (nStart == __MYFILE_END__) return 0;
  if (nStart >= 0) {
    long long nSize = fileSize(fp);
    if (nSize < 0 || nStart >= nSize) return 0;
    if (std::fseek(fp, nStart, SEEK_SET) != 0) return -1;
  } else {
    // Reading may follow writing on an update stream, which stdio allows
    // only after a positioning call; this one does not move.  A stream that
    // cannot seek (a pipe) refuses it harmlessly.
    std::fseek(fp, 0, SEEK_CUR);
  }
  std::size_t n = std::fread(pBuf, 1, static_cast<std::size_t>(nCount), fp);
  pBuf[n] = '\0';
  if (n != static_cast<std::size_t>(nCount) && !std::feof(fp)) return -1;
  return static_cast<int>(n);
}

// Line count from the current position to the end (or a read error).
int countLines(FILE* fp) {
  StreamLock lock(fp);
  long long nCount = 0;
  bool bLastWasLF = true;
  int c;
  while ((c = nextByte(fp)) != EOF) {
    bLastWasLF = (c == '\n');
    if (bLastWasLF) ++nCount;
  }
  if (!bLastWasLF) ++nCount;
  return nCount > INT_MAX ? -1 : static_cast<int>(nCount);
}

int sizeAsInt(long long nSize) { return (nSize < 0 || nSize > INT_MAX) ? -1 : static_cast<int>(nSize); }

// Splits the stored name at its last separator.  Without one the directory
// is "." and the name is all of it; a name that ends with the separator has
// an empty bare name.
void splitName(const tCString& oStored, tCString& oDir, tCString& oName) {
  int nLen = oStored.GetLength();
  int nPos = oStored.ReverseFind(tavo::platform::kDirSep);
  if (nPos < 0) {
    oDir = ".";
    oName = oStored;
    return;
  }
  oDir = oStored.Left(nPos + 1);
  if (nPos == nLen - 1)
    oName = "";
  else
    oName = oStored.Right(nLen - nPos - 1);
}

}  // namespace

namespace tavo {
namespace detail {

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

char* enlargeReadBuffer(FILE* fp, const char* pMode) {
  constexpr unsigned int kReadBufferSize = 1u << 16;
  if (pMode[0] != 'r' || std::strchr(pMode, '+') != nullptr) return nullptr;
  struct stat st;
  if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
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

int writeFormatted(const char* pFileName, const char* pMode, const char* fmt, va_list ap) {
  FILE* fp = std::fopen(pFileName, pMode);
  if (fp == nullptr) return -1;
  int n = std::vfprintf(fp, fmt, ap);
  // The text is only in the stream's buffer until the close writes it out.
  int nClosed = std::fclose(fp);
  return (n >= 0 && nClosed == 0) ? n : -1;
}

}  // namespace detail
}  // namespace tavo

// ---- Life cycle -----------------------------------------------------------

tCFile::tCFile() : m_pFile(nullptr), m_oFileName(nullptr), m_pShare(nullptr) {}

tCFile::tCFile(const char* pFileName, const char* pMode)
    : m_pFile(nullptr), m_oFileName(nullptr), m_pShare(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  FILE* fp = std::fopen(pFileName, pMode);
  if (fp != nullptr) attach(fp, pFileName, pMode);
}

tCFile::~tCFile() { Close(); }

tCFile::tCFile(const tCFile& oRight)
    : m_pFile(oRight.m_pFile), m_oFileName(oRight.m_oFileName), m_pShare(oRight.m_pShare) {
  if (m_pShare != nullptr) m_pShare->nRefs.fetch_add(1, std::memory_order_relaxed);
}

tCFile& tCFile::operator=(const tCFile& oRight) {
  if (&oRight == this || oRight.m_pShare == m_pShare) return *this;
  Close();
  m_pFile = oRight.m_pFile;
  m_oFileName = oRight.m_oFileName;
  m_pShare = oRight.m_pShare;
  if (m_pShare != nullptr) m_pShare->nRefs.fetch_add(1, std::memory_order_relaxed);
  return *this;
}

void tCFile::attach(FILE* fp, const char* pFileName, const char* pMode) {
  void* pBlock = mmalloc(sizeof(Share));
  m_pShare = new (pBlock) Share(fp, pFileName);
  m_pShare->pReadBuf = tavo::detail::enlargeReadBuffer(fp, pMode);
  m_pFile = fp;
  m_oFileName = &m_pShare->oName;
}

int tCFile::Open(const char* pFileName, const char* pMode) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile != nullptr) return 0;
  FILE* fp = std::fopen(pFileName, pMode);
  if (fp == nullptr) return 0;
  attach(fp, pFileName, pMode);
  return 1;
}

int tCFile::Close() {
  if (m_pShare != nullptr && m_pShare->nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    std::fclose(m_pShare->pFile);
    std::free(m_pShare->pReadBuf);
    m_pShare->~Share();
    std::free(m_pShare);
  }
  m_pShare = nullptr;
  m_pFile = nullptr;
  m_oFileName = nullptr;
  return 1;
}

// ---- Reading and writing ----------------------------------------------------

int tCFile::Read(char* pBuf, int nCount, int nStart) const {
  TAVO_ASSERT(m_pFile && pBuf && (nCount > 0) && (nStart >= __MYFILE_CURRENT__));
  return readAt(m_pFile, pBuf, nCount, nStart);
}

int tCFile::Read(tCString& oBuf, int nCount, int nStart) const {
  TAVO_ASSERT(m_pFile && (nCount > 0) && (nStart >= __MYFILE_CURRENT__));
  oBuf = "";
  std::size_t nBytes = static_cast<std::size_t>(nCount) + 1;
  char* pBuf = static_cast<char*>(mmalloc(blockSize(nBytes, "mmalloc")));
  int n = readAt(m_pFile, pBuf, nCount, nStart);
  if (n > 0) oBuf = pBuf;
  std::free(pBuf);
  return n;
}

char* tCFile::_ReadOneLine(FILE* fp) {
  TAVO_ASSERT(fp);
  StreamLock lock(fp);
  if (std::feof(fp)) return nullptr;
  LineBuffer b;
  bool bEnd;
  char* s = nextLine(fp, b, bEnd);
  std::free(b.p);
  return s;
}

char** tCFile::ReadLines() const {
  TAVO_ASSERT(m_pFile);
  if (std::fseek(m_pFile, 0, SEEK_SET) != 0) return nullptr;
  return tavo::detail::readLines(m_pFile, INT_MAX);
}

char** tCFile::ReadLines(const char* pFileName) {
  TAVO_ASSERT(pFileName);
  char* pBuf;
  FILE* fp = tavo::detail::openForReading(pFileName, &pBuf);
  if (fp == nullptr) return nullptr;
  char** v = tavo::detail::readLines(fp, INT_MAX);
  std::fclose(fp);
  std::free(pBuf);
  return v;
}

int tCFile::Write(const char* fmt, ...) const {
  TAVO_ASSERT(m_pFile && fmt);
  if (std::fseek(m_pFile, 0, SEEK_END) != 0) return 0;
  va_list ap;
  va_start(ap, fmt);
  int n = std::vfprintf(m_pFile, fmt, ap);
  va_end(ap);
  return n > 0 ? 1 : 0;
}

int tCFile::Write(const char* pFileName, const char* pMode, const char* fmt, ...) {
  TAVO_ASSERT(pFileName && pMode && fmt);
  va_list ap;
  va_start(ap, fmt);
  int n = tavo::detail::writeFormatted(pFileName, pMode, fmt, ap);
  va_end(ap);
  return n > 0 ? 1 : 0;
}

int tCFile::Seek(int nOffset, int nStart) const {
  TAVO_ASSERT(m_pFile && (nStart >= __MYFILE_CURRENT__));
  int r;
  if (nStart >= 0)
    r = std::fseek(m_pFile, static_cast<long>(nOffset) + nStart, SEEK_SET);
  else if (nStart == __MYFILE_END__)
    r = std::fseek(m_pFile, nOffset, SEEK_END);
  else
    r = std::fseek(m_pFile, nOffset, SEEK_CUR);
  return r == 0 ? 1 : 0;
}

// ---- Queries ------------------------------------------------------------------

int tCFile::_GetLines(FILE* fp) {
  TAVO_ASSERT(fp);
  if (std::fseek(fp, 0, SEEK_SET) != 0) return -1;
  return countLines(fp);
}

int tCFile::GetLines() const { return _GetLines(m_pFile); }

int tCFile::GetLines(const char* pFileName) {
  TAVO_ASSERT(pFileName);
  char* pBuf;
  FILE* fp = tavo::detail::openForReading(pFileName, &pBuf);
  if (fp == nullptr) return -1;
  int n = _GetLines(fp);
  std::fclose(fp);
  std::free(pBuf);
  return n;
}

int tCFile::_GetLength(FILE* fp) {
  TAVO_ASSERT(fp);
  return sizeAsInt(fileSize(fp));
}

int tCFile::GetLength() const {
  TAVO_ASSERT(m_pFile);
  return _GetLength(m_pFile);
}

int tCFile::GetLength(const char* pFileName) {
  TAVO_ASSERT(pFileName);
  FILE* fp = std::fopen(pFileName, "rb");
  if (fp == nullptr) return -1;
  int n = _GetLength(fp);
  std::fclose(fp);
  return n;
}

int tCFile::_GetStatus(FILE* fp, struct stat* sBuff) {
  TAVO_ASSERT(fp && sBuff);
  flushPendingOutput(fp);
  return fstat(fileno(fp), sBuff) == 0 ? 1 : 0;
}

int tCFile::GetStatus(struct stat* sBuff) const {
  TAVO_ASSERT(m_pFile && sBuff);
  return _GetStatus(m_pFile, sBuff);
}

int tCFile::GetStatus(const char* pFileName, struct stat* sBuff) {
  TAVO_ASSERT(pFileName && sBuff);
  FILE* fp = std::fopen(pFileName, "rb");
  if (fp == nullptr) return 0;
  int r = _GetStatus(fp, sBuff);
  std::fclose(fp);
  return r;
}

// ---- Names ----------------------------------------------------------------------

int tCFile::GetFilePath(tCString& oFilePath) const {
  if (m_oFileName == nullptr) return 0;
  tCString oDir, oName;
  splitName(*m_oFileName, oDir, oName);
  char* pResolved = tavo::platform::resolveDirectory(oDir);
  if (pResolved == nullptr) return 0;
  tCString oPath(pResolved);
  std::free(pResolved);
  int nLen = oPath.GetLength();
  if (nLen == 0 || static_cast<const char*>(oPath)[nLen - 1] != tavo::platform::kDirSep) oPath += tavo::platform::kDirSep;
  oPath += oName;
  oFilePath = oPath;
  return 1;
}

int tCFile::GetFilePath(char* pFilePath) const {
  TAVO_ASSERT(pFilePath);
  tCString oPath;
  if (!GetFilePath(oPath)) return 0;
  std::memcpy(pFilePath, static_cast<const char*>(oPath), static_cast<std::size_t>(oPath.GetLength()) + 1);
  return 1;
}

int tCFile::GetFileName(tCString& oFileName) const {
  if (m_oFileName == nullptr) return 0;
  tCString oDir, oName;
  splitName(*m_oFileName, oDir, oName);
  oFileName = oName;
  return 1;
}

int tCFile::GetFileName(char* pFileName) const {
  TAVO_ASSERT(pFileName);
  tCString oName;
  if (!GetFileName(oName)) return 0;
  std::memcpy(pFileName, static_cast<const char*>(oName), static_cast<std::size_t>(oName.GetLength()) + 1);
  return 1;
}
