// tCString: exact-size dynamic byte string.
#include "tCString/tCString.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_bytes.h"
#include "tavo_alloc.h"
#include "tavo_text.h"
#include "tavo_vector.h"
#include "tCString2/tCString2.h"

namespace {

using tavo::detail::checkedInt;
using tavo::detail::isDigit;

// nFlag 0 selects the space alone, anything else the six white-space bytes.
bool isTrimByte(char c, int nFlag) { return nFlag == 0 ? c == ' ' : tavo::detail::isSpace(c); }

char* allocText(int nLen) { return static_cast<char*>(mmalloc(static_cast<unsigned int>(nLen) + 1u)); }

// Finds a non-empty pattern in byte ranges in time linear in the range
// (Knuth-Morris-Pratt), so that repeated searches over a large text - one
// per occurrence in Replace, Remove and Split - never rescan what lies ahead.
// A pattern is a text, so it holds no NUL and never matches across one.
class PatternSearch {
 public:
  PatternSearch(const char* pPat, size_t nPat) : pPat_(pPat), nPat_(nPat), pBorder_(nullptr) {}
  ~PatternSearch() { free(pBorder_); }
  PatternSearch(const PatternSearch&) = delete;
  PatternSearch& operator=(const PatternSearch&) = delete;

  // First occurrence starting in [p, pEnd) and ending by pEnd, or null.
  const char* next(const char* p, const char* pEnd) {
    if (static_cast<size_t>(pEnd - p) < nPat_) return nullptr;
    if (nPat_ > 1 && pBorder_ == nullptr) buildBorders();
    size_t k = 0;  // bytes of the pattern matched so far
    while (p < pEnd) {
      if (k == 0) {
        // Nothing matched yet: jump to the next candidate first byte.
        p = static_cast<const char*>(memchr(p, pPat_[0], static_cast<size_t>(pEnd - p)));
        if (p == nullptr) return nullptr;
        ++p;
        k = 1;
      } else if (*p == pPat_[k]) {
        ++p;
        ++k;
      } else {
        k = pBorder_[k - 1];
        continue;
      }
      if (k == nPat_) return p - nPat_;
    }
    return nullptr;
  }

 private:
  // pBorder_[i]: length of the longest proper prefix of pattern[0..i] that
  // is also its suffix.  Built only for a pattern that fits in the range
  // searched, hence no longer than a text (INT_MAX bytes): 32 bits suffice.
  void buildBorders() {
    pBorder_ =
        static_cast<unsigned int*>(mmalloc(tavo::detail::blockBytes(nPat_, sizeof(unsigned int), "mmalloc")));
    pBorder_[0] = 0;
    unsigned int k = 0;
    for (size_t i = 1; i < nPat_; ++i) {
      while (k > 0 && pPat_[i] != pPat_[k]) k = pBorder_[k - 1];
      if (pPat_[i] == pPat_[k]) ++k;
      pBorder_[i] = k;
    }
  }

  const char* pPat_;
  size_t nPat_;
  unsigned int* pBorder_;
};

}  // namespace

// ---- Construction and conversion ------------------------------------------

// The byte steps behind the members, on the text's two members.

namespace {

// True when p points into the n+1 bytes of the block pStr.
bool pointsIntoText(const char* pStr, int nLen, const char* p) {
  return tavo::detail::pointsInto(p, pStr, static_cast<size_t>(nLen) + 1);
}

// Replaces the block by a new exact-size copy of the n bytes at p.  The new
// block is filled before the old one is released, so p may point into the
// old block.
void assignBytes(char*& rStr, int& rLen, const char* p, int n) {
  char* pNew = allocText(n);
  memcpy(pNew, p, static_cast<size_t>(n));
  pNew[n] = '\0';
  free(rStr);
  rStr = pNew;
  rLen = n;
}

// Appends the n bytes at p after the rLen stored bytes.  The resize may
// move the block, so a source inside it is found again by its offset.  Such
// a source ends at or before the terminating NUL, and the block only grows
// here, so those bytes are still intact after the resize.
void appendBytes(char*& rStr, int& rLen, const char* p, unsigned long long n) {
  int nNew = checkedInt(static_cast<unsigned long long>(rLen) + n, "mrealloc");
  bool bInside = pointsIntoText(rStr, rLen, p);
  ptrdiff_t nOffset = bInside ? p - rStr : 0;
  rStr = static_cast<char*>(mrealloc(rStr, static_cast<unsigned int>(nNew) + 1u));
  if (bInside) p = rStr + nOffset;
  memmove(rStr + rLen, p, static_cast<size_t>(n));
  rLen = nNew;
  rStr[rLen] = '\0';
}

}  // namespace

tCString::tCString() : m_pStr(nullptr), m_nLen(0) {
  TAVO_SIZE(tCString, 2 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCString, m_pStr, 0);
  TAVO_LAYOUT(tCString, m_nLen, tavo::detail::kPtr);
  InitVar();
}

tCString::tCString(const char* pStr) : m_pStr(nullptr), m_nLen(0) {
  TAVO_ASSERT(pStr);
  assignBytes(m_pStr, m_nLen, pStr, checkedInt(strlen(pStr), "mmalloc"));
}

tCString::tCString(const tCString& oRight) : m_pStr(nullptr), m_nLen(0) {
  assignBytes(m_pStr, m_nLen, oRight.m_pStr, static_cast<int>(strlen(oRight.m_pStr)));
}

tCString::~tCString() {
  if (m_pStr != nullptr) {
    free(m_pStr);
    m_pStr = nullptr;
  }
}

tCString::operator const char*() const { return m_pStr; }

int tCString::GetLength() const { return m_nLen; }

int tCString::IsEmpty() const { return m_nLen == 0 ? 1 : 0; }

int tCString::operator!() const { return IsEmpty(); }

int tCString::Empty() {
  free(m_pStr);
  return InitVar();
}

int tCString::InitVar() {
  m_pStr = allocText(0);
  m_pStr[0] = '\0';
  m_nLen = 0;
  return 1;
}

// ---- Assignment and appending ----------------------------------------------

const tCString& tCString::operator=(const tCString& oRight) {
  TAVO_ASSERT((&oRight) != this);
  assignBytes(m_pStr, m_nLen, oRight.m_pStr, static_cast<int>(strlen(oRight.m_pStr)));
  return *this;
}

const tCString& tCString::operator=(const char* pRight) {
  TAVO_ASSERT(pRight);
  assignBytes(m_pStr, m_nLen, pRight, checkedInt(strlen(pRight), "mmalloc"));
  return *this;
}

const tCString& tCString::operator=(char ch) {
  assignBytes(m_pStr, m_nLen, &ch, 1);
  return *this;
}

const tCString& tCString::operator+=(const tCString& oRight) {
  appendBytes(m_pStr, m_nLen, oRight.m_pStr, strlen(oRight.m_pStr));
  return *this;
}

const tCString& tCString::operator+=(const char* pRight) {
  TAVO_ASSERT(pRight);
  appendBytes(m_pStr, m_nLen, pRight, strlen(pRight));
  return *this;
}

// The hot path of text built byte by byte: kept to one resize and two
// stores, with the members copied to locals so the byte stores cannot force
// them to be re-read.
const tCString& tCString::operator+=(char ch) {
  int n = m_nLen;
  checkedInt(static_cast<unsigned long long>(n) + 1u, "mrealloc");
  char* p = static_cast<char*>(mrealloc(m_pStr, static_cast<unsigned int>(n) + 2u));
  p[n] = ch;
  p[n + 1] = '\0';
  m_pStr = p;
  m_nLen = n + 1;
  return *this;
}

tCString operator+(const tCString& oLeft, const tCString& oRight) {
  tCString oResult;
  oResult += oLeft;
  oResult += oRight;
  return oResult;
}

tCString operator+(const tCString& oLeft, const char* pStr2) {
  TAVO_ASSERT(pStr2);
  tCString oResult;
  oResult += oLeft;
  oResult += pStr2;
  return oResult;
}

tCString operator+(const char* pStr1, const tCString& oRight) {
  TAVO_ASSERT(pStr1);
  tCString oResult;
  oResult += pStr1;
  oResult += oRight;
  return oResult;
}

tCString operator+(const tCString& oLeft, char ch) {
  tCString oResult;
  oResult += oLeft;
  oResult += ch;
  return oResult;
}

tCString operator+(char ch, const tCString& oRight) {
  tCString oResult;
  oResult += ch;
  oResult += oRight;
  return oResult;
}

// ---- Comparison -------------------------------------------------------------

int tCString::Compare(const char* pStr) const {
  TAVO_ASSERT(pStr);
  int c = strcmp(m_pStr, pStr);  // strcmp orders by unsigned bytes
  return (c > 0) - (c < 0);
}

int tCString::CompareNoCase(const char* pStr) const {
  TAVO_ASSERT(pStr);
  const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pStr);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(pStr);
  for (;; ++a, ++b) {
    if (*a != *b) {
      unsigned char fa = tavo::detail::toLower(*a);
      unsigned char fb = tavo::detail::toLower(*b);
      if (fa != fb) return fa < fb ? -1 : 1;
    } else if (*a == '\0') {
      return 0;
    }
  }
}

int tCString::operator==(const tCString& oRight) const { return Compare(oRight.m_pStr) == 0; }
int tCString::operator==(const char* pRight) const {
  TAVO_ASSERT(pRight);
  return Compare(pRight) == 0;
}
int tCString::operator!=(const tCString& oRight) const { return Compare(oRight.m_pStr) != 0; }
int tCString::operator!=(const char* pRight) const {
  TAVO_ASSERT(pRight);
  return Compare(pRight) != 0;
}
int tCString::operator<(const tCString& oRight) const { return Compare(oRight.m_pStr) < 0; }
int tCString::operator<(const char* pRight) const {
  TAVO_ASSERT(pRight);
  return Compare(pRight) < 0;
}
int tCString::operator>(const tCString& oRight) const { return Compare(oRight.m_pStr) > 0; }
int tCString::operator>(const char* pRight) const {
  TAVO_ASSERT(pRight);
  return Compare(pRight) > 0;
}
int tCString::operator<=(const tCString& oRight) const { return Compare(oRight.m_pStr) <= 0; }
int tCString::operator<=(const char* pRight) const {
  TAVO_ASSERT(pRight);
  return Compare(pRight) <= 0;
}
int tCString::operator>=(const tCString& oRight) const { return Compare(oRight.m_pStr) >= 0; }
int tCString::operator>=(const char* pRight) const {
  TAVO_ASSERT(pRight);
  return Compare(pRight) >= 0;
}

// ---- Indexed access ---------------------------------------------------------

char& tCString::operator[](int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos <= m_nLen));
  return m_pStr[nPos];
}

char& tCString::GetAt(int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos <= m_nLen));
  return m_pStr[nPos];
}

int tCString::SetAt(int nPos, char ch) {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen));
  m_pStr[nPos] = ch;
  return 1;
}

// ---- Extraction -------------------------------------------------------------

tCString tCString::Mid(int nFirst, int nCount) const {
  TAVO_ASSERT(nCount > 0);
  tCString oResult;
  if (nFirst < 0) {
    nFirst = 0;
  } else if (nFirst >= m_nLen) {
    return oResult;
  }
  // At most nCount bytes, cut at the end of the block and at the first NUL
  // (the piece is a text).  Written as a subtraction: nFirst + nCount may
  // not fit in an int.
  int nAvail = tavo::detail::min(nCount, m_nLen - nFirst);
  const char* pFrom = m_pStr + nFirst;
  const void* pNul = memchr(pFrom, '\0', static_cast<size_t>(nAvail));
  int nPiece = pNul != nullptr ? static_cast<int>(static_cast<const char*>(pNul) - pFrom) : nAvail;
  assignBytes(oResult.m_pStr, oResult.m_nLen, pFrom, nPiece);
  return oResult;
}

tCString tCString::Left(int nCount) const { return Mid(0, nCount); }

// A count of 0 or less is refused inside Mid; the subtraction is kept out of
// that case, where it could overflow.
tCString tCString::Right(int nCount) const { return Mid(nCount > 0 ? m_nLen - nCount : 0, nCount); }

// ---- Case and order ---------------------------------------------------------

int tCString::MakeUpper() {
  for (char* p = m_pStr; *p != '\0'; ++p) *p = tavo::detail::toUpper(*p);
  return 1;
}

int tCString::MakeLower() {
  for (char* p = m_pStr; *p != '\0'; ++p) *p = tavo::detail::toLower(*p);
  return 1;
}

int tCString::MakeReverse() {
  if (m_nLen >= 2) tavo::detail::reverse(m_pStr, m_pStr + m_nLen);
  return 1;
}

// ---- Replacing and removing -------------------------------------------------

int tCString::Replace(char chOld, char chNew) {
  TAVO_ASSERT(chOld != chNew);
  int nCount = 0;
  for (int i = 0; i < m_nLen; ++i) {
    if (m_pStr[i] == chOld) {
      m_pStr[i] = chNew;
      ++nCount;
    }
  }
  return nCount;
}

namespace {

// Replaces every non-overlapping occurrence of pOld by pNew in the text;
// the count.  Two passes: one to count, one to build the result in a new exact-size
// block.  The old block is released last, so pOld and pNew may point into it.
int replaceAll(char*& pText, int& nText, const char* pOld, const char* pNew) {
  size_t nOld = strlen(pOld);
  if (nOld == 0) return 0;
  size_t nNew = strlen(pNew);
  const char* pEnd = pText + nText;
  PatternSearch oSearch(pOld, nOld);

  int nCount = 0;
  for (const char* q = oSearch.next(pText, pEnd); q != nullptr; q = oSearch.next(q + nOld, pEnd)) ++nCount;
  if (nCount == 0) return 0;

  unsigned long long nResult = static_cast<unsigned long long>(nText) -
                               static_cast<unsigned long long>(nCount) * nOld +
                               static_cast<unsigned long long>(nCount) * nNew;
  int nLen = checkedInt(nResult, "mmalloc");
  char* pOut = allocText(nLen);
  char* w = pOut;
  const char* p = pText;
  for (const char* q = oSearch.next(p, pEnd); q != nullptr; q = oSearch.next(p, pEnd)) {
    memcpy(w, p, static_cast<size_t>(q - p));
    w += q - p;
    memcpy(w, pNew, nNew);
    w += nNew;
    p = q + nOld;
  }
  memcpy(w, p, static_cast<size_t>(pEnd - p));
  pOut[nLen] = '\0';
  free(pText);
  pText = pOut;
  nText = nLen;
  return nCount;
}

}  // namespace

int tCString::Replace(const char* pOld, const char* pNew) {
  TAVO_ASSERT(pOld && pNew);
  return replaceAll(m_pStr, m_nLen, pOld, pNew);
}

int tCString::Remove(const char* pRev) {
  TAVO_ASSERT(pRev);
  return replaceAll(m_pStr, m_nLen, pRev, "");
}

int tCString::Remove(int nPos) {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen));
  // The bytes after nPos and the terminating NUL move one place down.
  memmove(m_pStr + nPos, m_pStr + nPos + 1, static_cast<size_t>(m_nLen - nPos));
  --m_nLen;
  return 1;
}

int tCString::Remove(char ch) {
  int nCount = 0;
  for (int i = 0; i < m_nLen; ++i)
    if (m_pStr[i] == ch) ++nCount;
  int nLen = m_nLen - nCount;
  char* pOut = allocText(nLen);
  char* w = pOut;
  for (int i = 0; i < m_nLen; ++i)
    if (m_pStr[i] != ch) *w++ = m_pStr[i];
  pOut[nLen] = '\0';
  free(m_pStr);
  m_pStr = pOut;
  m_nLen = nLen;
  return nCount;
}

// ---- Inserting --------------------------------------------------------------

int tCString::Insert(int nIndex, char ch) {
  if (nIndex < 0) nIndex = 0;
  if (nIndex > m_nLen) nIndex = m_nLen;
  int nNew = checkedInt(static_cast<unsigned long long>(m_nLen) + 1u, "mrealloc");
  m_pStr = static_cast<char*>(mrealloc(m_pStr, static_cast<unsigned int>(nNew) + 1u));
  memmove(m_pStr + nIndex + 1, m_pStr + nIndex, static_cast<size_t>(m_nLen - nIndex) + 1u);
  m_pStr[nIndex] = ch;
  m_nLen = nNew;
  return m_nLen;
}

int tCString::Insert(int nIndex, const char* pIns) {
  TAVO_ASSERT(pIns);
  if (nIndex < 0) nIndex = 0;
  size_t n = strlen(pIns);
  if (nIndex >= m_nLen) {
    appendBytes(m_pStr, m_nLen, pIns, n);
    return m_nLen;
  }
  int nNew = checkedInt(static_cast<unsigned long long>(m_nLen) + n, "mrealloc");
  // Bytes taken from this very text would move under the tail shift below:
  // copy them out first.
  char* pCopy = nullptr;
  if (pointsIntoText(m_pStr, m_nLen, pIns)) {
    pCopy = static_cast<char*>(mmalloc(static_cast<unsigned int>(n)));
    memcpy(pCopy, pIns, n);
    pIns = pCopy;
  }
  m_pStr = static_cast<char*>(mrealloc(m_pStr, static_cast<unsigned int>(nNew) + 1u));
  memmove(m_pStr + nIndex + n, m_pStr + nIndex, static_cast<size_t>(m_nLen - nIndex) + 1u);
  memcpy(m_pStr + nIndex, pIns, n);
  m_nLen = nNew;
  free(pCopy);
  return m_nLen;
}

// ---- Trimming ---------------------------------------------------------------

int tCString::LTrim(int nFlag) {
  size_t nText = strlen(m_pStr);
  size_t nSkip = 0;
  while (nSkip < nText && isTrimByte(m_pStr[nSkip], nFlag)) ++nSkip;
  memmove(m_pStr, m_pStr + nSkip, nText - nSkip + 1);
  m_nLen = static_cast<int>(nText - nSkip);
  return 1;
}

// Starts from the end of the text rather than from m_nLen: a NUL stored as
// a character would otherwise stop the walk before any white space is seen.
int tCString::RTrim(int nFlag) {
  size_t nText = strlen(m_pStr);
  while (nText > 0 && isTrimByte(m_pStr[nText - 1], nFlag)) m_pStr[--nText] = '\0';
  m_nLen = static_cast<int>(nText);
  return 1;
}

int tCString::Trim(int nFlag) {
  LTrim(nFlag);
  return RTrim(nFlag);
}

// ---- Search -----------------------------------------------------------------

int tCString::Find(char ch, int nStart) const {
  TAVO_ASSERT(nStart >= 0);
  if (nStart >= m_nLen) return -1;
  const char* p = strchr(m_pStr + nStart, ch);
  return p != nullptr ? static_cast<int>(p - m_pStr) : -1;
}

int tCString::Find(const char* pStr, int nStart) const {
  TAVO_ASSERT(nStart >= 0);
  if (nStart >= m_nLen) return -1;
  if (pStr[0] == '\0') return nStart;
  const char* pFrom = m_pStr + nStart;
  PatternSearch oSearch(pStr, strlen(pStr));
  const char* p = oSearch.next(pFrom, pFrom + strlen(pFrom));
  return p != nullptr ? static_cast<int>(p - m_pStr) : -1;
}

int tCString::ReverseFind(char ch) const {
  const char* p = strrchr(m_pStr, ch);
  return p != nullptr ? static_cast<int>(p - m_pStr) : -1;
}

// ---- Classification and counting --------------------------------------------

int tCString::IsNumber() const {
  if (m_pStr[0] == '\0') return 0;
  for (const char* p = m_pStr; *p != '\0'; ++p)
    if (!isDigit(*p)) return 0;
  return 1;
}

int tCString::IsNumber(int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen));
  return isDigit(m_pStr[nPos]) ? 1 : 0;
}

int tCString::IsCharacter() const {
  if (m_pStr[0] == '\0') return 0;
  for (const char* p = m_pStr; *p != '\0'; ++p)
    if (isDigit(*p)) return 0;
  return 1;
}

int tCString::IsCharacter(int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen));
  return isDigit(m_pStr[nPos]) ? 0 : 1;
}

int tCString::SumNumber() const {
  int n = 0;
  for (const char* p = m_pStr; *p != '\0'; ++p)
    if (isDigit(*p)) ++n;
  return n;
}

int tCString::SumCharacter() const {
  int n = 0;
  for (const char* p = m_pStr; *p != '\0'; ++p)
    if (!isDigit(*p)) ++n;
  return n;
}

// ---- Sorting and splitting --------------------------------------------------

int tCString::Sort(int nFlag) {
  if (nFlag != 1 && nFlag != 2) return 0;
  tavo::detail::sortBytesSigned(m_pStr, static_cast<size_t>(m_nLen), nFlag);
  return 1;
}

int tCString::Split(tCString2& oList, const char* pStr) const {
  TAVO_ASSERT(pStr);
  // The separator may live in oList, which is emptied first: keep a copy.
  char* pSep = mstrdup(pStr);
  oList.Empty();
  const size_t nSep = strlen(pSep);
  const char* pEnd = m_pStr + strlen(m_pStr);
  const tavo::detail::SeparatorFinder finder(pSep, nSep);
  const char* q = nSep != 0 ? finder.next(m_pStr, pEnd) : nullptr;
  if (q == nullptr) {
    free(pSep);
    return 0;
  }
  // The pieces go straight into a vector that the list then takes over.
  tavo::detail::VectorBuilder out;
  const char* p = m_pStr;
  for (; q != nullptr; q = finder.next(p, pEnd)) {
    out.push(tavo::detail::heapCopy(p, static_cast<size_t>(q - p)));
    p = q + nSep;
  }
  out.push(tavo::detail::heapCopy(p, static_cast<size_t>(pEnd - p)));
  // The list takes the vector over whole (tCString is its friend).
  const int nPieces = static_cast<int>(out.size());
  strfreev(oList.m_ppStr);
  oList.m_ppStr = out.release();
  oList.m_nLen = nPieces;
  free(pSep);
  return 1;
}
