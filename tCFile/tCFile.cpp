// tCFile: a stdio stream on a named file.
#include "tCFile/tCFile.h"

#include <sys/stat.h>

#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_alloc.h"
#include "tavo_share.h"
#include "tavo_lines.h"
#include "platform.h"

namespace {

// Read steps shared by both Read members; `pBuf` holds nCount + 1 bytes.
int readAt(FILE* fp, char* pBuf, int nCount, int nStart) {
  pBuf[0] = '\0';
  if (nStart == __MYFILE_END__) return 0;
  if (nStart >= 0) {
    long long nSize = tavo::platform::streamSize(fp);
    if (nSize < 0) return -1;
    if (nStart >= nSize) return 0;
    if (fseek(fp, nStart, SEEK_SET) != 0) return -1;
  } else {
    // Reading may follow writing on an update stream, which stdio allows
    // only after a positioning call; this one does not move.  A stream that
    // cannot seek (a pipe) refuses it harmlessly.
    fseek(fp, 0, SEEK_CUR);
  }
  size_t n = fread(pBuf, 1, static_cast<size_t>(nCount), fp);
  pBuf[n] = '\0';
  if (n != static_cast<size_t>(nCount) && !feof(fp)) return -1;
  return static_cast<int>(n);
}

int sizeAsInt(long long nSize) { return (nSize < 0 || nSize > INT_MAX) ? -1 : static_cast<int>(nSize); }

// Copies `o` and its NUL into the caller's buffer, which the caller sized.
void copyOut(const tCString& o, char* pOut) {
  memcpy(pOut, static_cast<const char*>(o), static_cast<size_t>(o.GetLength()) + 1);
}

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

// ---- Life cycle -----------------------------------------------------------
//
// The name is a tCString in a counted block (tavo_share.h): the objects
// sharing the stream share the name and its count.

namespace {

// Gives `fp`, just opened, and its name to a closed object.
void attach(FILE*& rFile, tCString*& rName, FILE* fp, const char* pFileName) {
  rName = tavo::detail::newShared<tCString>(pFileName);
  rFile = fp;
}

}  // namespace

tCFile::tCFile() : m_pFile(nullptr), m_oFileName(nullptr) {
  TAVO_SIZE(tCFile, 3 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCFile, m_pFile, tavo::detail::kPtr);
  TAVO_LAYOUT(tCFile, m_oFileName, 2 * tavo::detail::kPtr);
}

tCFile::tCFile(const char* pFileName, const char* pMode) : m_pFile(nullptr), m_oFileName(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  FILE* fp = fopen(pFileName, pMode);
  if (fp != nullptr) attach(m_pFile, m_oFileName, fp, pFileName);
}

tCFile::~tCFile() { Close(); }

tCFile::tCFile(const tCFile& oRight) : m_pFile(oRight.m_pFile), m_oFileName(oRight.m_oFileName) {
  tavo::detail::retainShared(m_oFileName);
}

tCFile& tCFile::operator=(const tCFile& oRight) {
  if (&oRight == this || oRight.m_oFileName == m_oFileName) return *this;
  Close();
  m_pFile = oRight.m_pFile;
  m_oFileName = oRight.m_oFileName;
  tavo::detail::retainShared(m_oFileName);
  return *this;
}

int tCFile::Open(const char* pFileName, const char* pMode) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile != nullptr) return 0;
  FILE* fp = fopen(pFileName, pMode);
  if (fp == nullptr) return 0;
  attach(m_pFile, m_oFileName, fp, pFileName);
  return 1;
}

int tCFile::Close() {
  int r = 1;
  if (tavo::detail::releaseShared(m_oFileName)) {
    // The close writes out what is still buffered: when that fails, bytes
    // the caller wrote are lost, and the caller is told.
    if (fclose(m_pFile) != 0) r = 0;
    tavo::detail::deleteShared(m_oFileName);
  }
  m_pFile = nullptr;
  m_oFileName = nullptr;
  return r;
}

// ---- Reading and writing ----------------------------------------------------

int tCFile::Read(char* pBuf, int nCount, int nStart) const {
  TAVO_ASSERT(m_pFile && pBuf && (nCount > 0) && (nStart >= __MYFILE_CURRENT__));
  return readAt(m_pFile, pBuf, nCount, nStart);
}

int tCFile::Read(tCString& oBuf, int nCount, int nStart) const {
  TAVO_ASSERT(m_pFile && (nCount > 0) && (nStart >= __MYFILE_CURRENT__));
  oBuf = "";
  size_t nBytes = static_cast<size_t>(nCount) + 1;
  char* pBuf = static_cast<char*>(mmalloc(tavo::detail::blockBytes(nBytes, "mmalloc")));
  int n = readAt(m_pFile, pBuf, nCount, nStart);
  if (n > 0) oBuf = pBuf;
  free(pBuf);
  return n;
}

char* tCFile::_ReadOneLine(FILE* fp) {
  TAVO_ASSERT(fp);
  return tavo::detail::readOneLine(fp);
}

char** tCFile::ReadLines() const {
  TAVO_ASSERT(m_pFile);
  // A pipe cannot go back to its start: it is read from where it stands.
  return tavo::detail::readWholeStream(m_pFile);
}

char** tCFile::ReadLines(const char* pFileName) {
  TAVO_ASSERT(pFileName);
  return tavo::detail::readFileLines(pFileName, INT_MAX);
}

int tCFile::Write(const char* fmt, ...) const {
  TAVO_ASSERT(m_pFile && fmt);
  if (fseek(m_pFile, 0, SEEK_END) != 0) return 0;
  // A runtime may count characters it could not write (Windows' does, on a
  // stream opened for reading only); the stream's error flag, cleared
  // first so that an earlier read error does not count, tells.
  clearerr(m_pFile);
  va_list ap;
  va_start(ap, fmt);
  int n = vfprintf(m_pFile, fmt, ap);
  va_end(ap);
  return (n > 0 && !ferror(m_pFile)) ? 1 : 0;
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
  // nOffset + nStart may pass INT_MAX (and a 32-bit long): 64-bit positions.
  int r;
  if (nStart >= 0)
    r = tavo::platform::seekStream(m_pFile, static_cast<long long>(nOffset) + nStart, SEEK_SET);
  else if (nStart == __MYFILE_END__)
    r = tavo::platform::seekStream(m_pFile, nOffset, SEEK_END);
  else
    r = tavo::platform::seekStream(m_pFile, nOffset, SEEK_CUR);
  return r == 0 ? 1 : 0;
}

// ---- Queries ------------------------------------------------------------------

int tCFile::_GetLines(FILE* fp) {
  TAVO_ASSERT(fp);
  if (fseek(fp, 0, SEEK_SET) != 0) return -1;
  return tavo::detail::countLines(fp);
}

int tCFile::GetLines() const { return _GetLines(m_pFile); }

int tCFile::GetLines(const char* pFileName) {
  TAVO_ASSERT(pFileName);
  FILE* fp = fopen(pFileName, "rb");
  if (fp == nullptr) return -1;
  int n = _GetLines(fp);
  fclose(fp);
  return n;
}

int tCFile::_GetLength(FILE* fp) {
  TAVO_ASSERT(fp);
  return sizeAsInt(tavo::platform::streamSize(fp));
}

int tCFile::GetLength() const {
  TAVO_ASSERT(m_pFile);
  return _GetLength(m_pFile);
}

int tCFile::GetLength(const char* pFileName) {
  TAVO_ASSERT(pFileName);
  FILE* fp = fopen(pFileName, "rb");
  if (fp == nullptr) return -1;
  int n = _GetLength(fp);
  fclose(fp);
  return n;
}

int tCFile::_GetStatus(FILE* fp, struct stat* sBuff) {
  TAVO_ASSERT(fp && sBuff);
  return tavo::platform::streamStatus(fp, sBuff) == 0 ? 1 : 0;
}

int tCFile::GetStatus(struct stat* sBuff) const {
  TAVO_ASSERT(m_pFile && sBuff);
  return _GetStatus(m_pFile, sBuff);
}

int tCFile::GetStatus(const char* pFileName, struct stat* sBuff) {
  TAVO_ASSERT(pFileName && sBuff);
  FILE* fp = fopen(pFileName, "rb");
  if (fp == nullptr) return 0;
  int r = _GetStatus(fp, sBuff);
  fclose(fp);
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
  free(pResolved);
  int nLen = oPath.GetLength();
  if (tavo::platform::kSepAfterRoot || nLen == 0 ||
      static_cast<const char*>(oPath)[nLen - 1] != tavo::platform::kDirSep)
    oPath += tavo::platform::kDirSep;
  oPath += oName;
  oFilePath = oPath;
  return 1;
}

int tCFile::GetFilePath(char* pFilePath) const {
  TAVO_ASSERT(pFilePath);
  tCString oPath;
  if (!GetFilePath(oPath)) return 0;
  copyOut(oPath, pFilePath);
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
  copyOut(oName, pFileName);
  return 1;
}
