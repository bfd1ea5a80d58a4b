// tCString2: an ordered list of strings kept as a string vector.
#include "tCString2/tCString2.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_alloc.h"
#include "tavo_text.h"
#include "tavo_vector.h"
#include "tavo_sort.h"

namespace {

using tavo::detail::CaseCompare;
using tavo::detail::NoCaseCompare;

// ---- Vector building --------------------------------------------------------

// The empty vector the list keeps: one slot holding null.
char** newEmptyVector() {
  char** v = static_cast<char**>(mrealloc(nullptr, sizeof(char*)));
  v[0] = nullptr;
  return v;
}

// The one "append one string" workhorse: every string that enters a list
// by appending comes through here.  The copy is made before the array is
// resized, and strings never move when the array does, so `s` may be one of
// the vector's own strings.
void appendCopy(char**& v, int& n, const char* s) {
  char* pCopy = mstrdup(s);
  v = tavo::detail::vectorPush(v, n, pCopy);
  ++n;
}

// Appends every string of `src`, which may be (a part of) `v` itself.
void appendVector(char**& v, int& n, char* const* src) { tavo::detail::appendEach(v, n, src, appendCopy); }

// ---- Searching ----------------------------------------------------------------

template <class Cmp>
int findForward(char** v, int nLen, const char* pStr, int nStart) {
  for (int i = nStart; i < nLen; ++i)
    if (Cmp::compare(v[i], pStr) == 0) return i;
  return -1;
}

template <class Cmp>
int findBackward(char** v, const char* pStr, int nStart) {
  for (int i = nStart; i >= 0; --i)
    if (Cmp::compare(v[i], pStr) == 0) return i;
  return -1;
}

}  // namespace

// ---- Construction and size ------------------------------------------------------

tCString2::tCString2() : m_ppStr(nullptr), m_nLen(0) {
  TAVO_SIZE(tCString2, 2 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCString2, m_ppStr, 0);
  TAVO_LAYOUT(tCString2, m_nLen, tavo::detail::kPtr);
  InitVar();
}

tCString2::tCString2(char** pStr) : m_ppStr(nullptr), m_nLen(0) {
  TAVO_ASSERT(pStr);
  InitVar();
  appendVector(m_ppStr, m_nLen, pStr);
}

tCString2::tCString2(const tCString2& oRight) : m_ppStr(nullptr), m_nLen(0) {
  InitVar();
  appendVector(m_ppStr, m_nLen, oRight.m_ppStr);
}

tCString2::~tCString2() {
  strfreev(m_ppStr);
  m_ppStr = nullptr;
}

int tCString2::InitVar() {
  if (m_ppStr != nullptr) {
    strfreev(m_ppStr);
    m_ppStr = nullptr;
  }
  m_ppStr = newEmptyVector();
  m_nLen = 0;
  return 1;
}

tCString2::operator char**() const { return m_ppStr; }

int tCString2::GetLength() const { return m_nLen; }

int tCString2::IsEmpty() const { return m_nLen == 0 ? 1 : 0; }

int tCString2::operator!() const { return IsEmpty(); }

int tCString2::Empty() { return InitVar(); }

// ---- Access -------------------------------------------------------------------

const char* tCString2::operator[](int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos <= m_nLen));
  return m_ppStr[nPos];
}

const char* tCString2::GetAt(int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos <= m_nLen));
  return m_ppStr[nPos];
}

int tCString2::SetAt(int nPos, const char* pStr) {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen) && pStr);
  char*& pSlot = m_ppStr[nPos];
  const size_t nSize = strlen(pStr) + 1;
  if (!tavo::detail::fitsBlock(nSize, 1)) {
    // Too long to resize through the allocator's unsigned size: copy whole.
    char* pCopy = mstrdup(pStr);
    free(pSlot);
    pSlot = pCopy;
    return 1;
  }
  if (tavo::detail::pointsInto(pStr, pSlot, strlen(pSlot) + 1)) {
    // pStr is the tail of the string being replaced: move it to the front
    // before the block is shrunk (shrinking keeps the leading bytes).
    memmove(pSlot, pStr, nSize);
    pSlot = static_cast<char*>(mrealloc(pSlot, static_cast<unsigned int>(nSize)));
    return 1;
  }
  pSlot = static_cast<char*>(mrealloc(pSlot, static_cast<unsigned int>(nSize)));
  memcpy(pSlot, pStr, nSize);
  return 1;
}

// ---- Assignment and appending ------------------------------------------------------
//
// Assignments build the new vector completely before the old one is freed,
// so a source that points into this list (its vector, a part of it, or one
// of its strings) is read while it is still intact.

const tCString2& tCString2::operator=(const tCString2& oRight) {
  TAVO_ASSERT((&oRight) != this);
  return operator=(oRight.m_ppStr);
}

const tCString2& tCString2::operator=(char** pRight) {
  TAVO_ASSERT(pRight);
  char** v = newEmptyVector();
  int n = 0;
  for (char** p = pRight; *p != nullptr; ++p) appendCopy(v, n, *p);
  strfreev(m_ppStr);
  m_ppStr = v;
  m_nLen = n;
  return *this;
}

const tCString2& tCString2::operator=(const char* pRight) {
  TAVO_ASSERT(pRight);
  char** v = newEmptyVector();
  int n = 0;
  appendCopy(v, n, pRight);
  strfreev(m_ppStr);
  m_ppStr = v;
  m_nLen = n;
  return *this;
}

const tCString2& tCString2::operator+=(const tCString2& oRight) {
  appendVector(m_ppStr, m_nLen, oRight.m_ppStr);
  return *this;
}

const tCString2& tCString2::operator+=(char** pRight) {
  TAVO_ASSERT(pRight);
  appendVector(m_ppStr, m_nLen, pRight);
  return *this;
}

const tCString2& tCString2::operator+=(const char* pRight) {
  TAVO_ASSERT(pRight);
  appendCopy(m_ppStr, m_nLen, pRight);
  return *this;
}

tCString2 operator+(const tCString2& oLeft, const tCString2& oRight) {
  tCString2 oResult;
  oResult += oLeft;
  oResult += oRight;
  return oResult;
}

tCString2 operator+(const tCString2& oLeft, char** pRight) {
  TAVO_ASSERT(pRight);
  tCString2 oResult;
  oResult += oLeft;
  oResult += pRight;
  return oResult;
}

tCString2 operator+(char** pLeft, const tCString2& oRight) {
  TAVO_ASSERT(pLeft);
  tCString2 oResult;
  oResult += pLeft;
  oResult += oRight;
  return oResult;
}

tCString2 operator+(const tCString2& oLeft, const char* pRight) {
  TAVO_ASSERT(pRight);
  tCString2 oResult;
  oResult += oLeft;
  oResult += pRight;
  return oResult;
}

tCString2 operator+(const char* pLeft, const tCString2& oRight) {
  TAVO_ASSERT(pLeft);
  tCString2 oResult;
  oResult += pLeft;
  oResult += oRight;
  return oResult;
}

// ---- Comparison -----------------------------------------------------------------

int tCString2::operator==(char** pRight) const {
  TAVO_ASSERT(pRight);
  if (addresslen2(pRight) != m_nLen) return 0;
  for (int i = 0; i < m_nLen; ++i)
    if (strcmp(m_ppStr[i], pRight[i]) != 0) return 0;
  return 1;
}

int tCString2::operator==(const tCString2& oRight) const { return operator==(oRight.m_ppStr); }

int tCString2::operator!=(char** pRight) const {
  TAVO_ASSERT(pRight);
  return operator==(pRight) ? 0 : 1;
}

int tCString2::operator!=(const tCString2& oRight) const { return operator==(oRight.m_ppStr) ? 0 : 1; }

// ---- Sub-lists ----------------------------------------------------------------------

tCString2 tCString2::Mid(int nFirst, int nCount) const {
  TAVO_ASSERT(nCount > 0);
  tCString2 oResult;
  if (nFirst < 0) nFirst = 0;
  for (; nFirst < m_nLen && nCount > 0; ++nFirst, --nCount)
    appendCopy(oResult.m_ppStr, oResult.m_nLen, m_ppStr[nFirst]);
  return oResult;
}

tCString2 tCString2::Left(int nCount) const {
  TAVO_ASSERT(nCount > 0);
  return Mid(0, nCount);
}

tCString2 tCString2::Right(int nCount) const {
  TAVO_ASSERT(nCount > 0);
  return Mid(m_nLen - nCount, nCount);
}

// ---- Editing --------------------------------------------------------------------------

int tCString2::Insert(int nIndex, const char* pStr) {
  TAVO_ASSERT((nIndex >= 0) && (nIndex <= m_nLen) && pStr);
  char* pCopy = mstrdup(pStr);
  // Grow by one slot (the copy lands at the end, the null after it), then
  // move slots nIndex..m_nLen-1 up and put the copy in the gap.
  m_ppStr = tavo::detail::vectorPush(m_ppStr, m_nLen, pCopy);
  memmove(m_ppStr + nIndex + 1, m_ppStr + nIndex, static_cast<size_t>(m_nLen - nIndex) * sizeof(char*));
  m_ppStr[nIndex] = pCopy;
  return ++m_nLen;
}

int tCString2::Remove(int nPos) {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen));
  free(m_ppStr[nPos]);
  // Slots nPos+1..m_nLen (the terminating null included) move down by one.
  memmove(m_ppStr + nPos, m_ppStr + nPos + 1, static_cast<size_t>(m_nLen - nPos) * sizeof(char*));
  --m_nLen;
  return 1;
}

int tCString2::Remove(const char* pStr) {
  TAVO_ASSERT(pStr);
  // Rebuilt from copies of the strings kept; pStr may be one of ours, so
  // the old strings are freed only after every comparison.
  char** v = newEmptyVector();
  int n = 0;
  int nRemoved = 0;
  for (int i = 0; i < m_nLen; ++i) {
    if (strcmp(m_ppStr[i], pStr) == 0)
      ++nRemoved;
    else
      appendCopy(v, n, m_ppStr[i]);
  }
  strfreev(m_ppStr);
  m_ppStr = v;
  m_nLen = n;
  return nRemoved;
}

int tCString2::MakeReverse() {
  if (m_nLen >= 2) tavo::detail::reverse(m_ppStr, m_ppStr + m_nLen);
  return 1;
}

int tCString2::Sort(int nFlag) {
  TAVO_ASSERT((nFlag == 1) || (nFlag == 2));
  tavo::detail::sortStrings<CaseCompare>(m_ppStr, m_nLen, nFlag);
  return 1;
}

int tCString2::SortNoCase(int nFlag) {
  TAVO_ASSERT((nFlag == 1) || (nFlag == 2));
  tavo::detail::sortStrings<NoCaseCompare>(m_ppStr, m_nLen, nFlag);
  return 1;
}

// ---- Search ---------------------------------------------------------------------------

int tCString2::Find(const char* pStr, int nStart) const {
  TAVO_ASSERT(pStr && (nStart >= 0));
  return findForward<CaseCompare>(m_ppStr, m_nLen, pStr, nStart);
}

int tCString2::FindNoCase(const char* pStr, int nStart) const {
  TAVO_ASSERT(pStr && (nStart >= 0));
  return findForward<NoCaseCompare>(m_ppStr, m_nLen, pStr, nStart);
}

int tCString2::ReverseFind(const char* pStr, int nStart) const {
  if (nStart == -1) nStart = m_nLen - 1;
  TAVO_ASSERT(pStr && (nStart <= (m_nLen - 1)));
  return findBackward<CaseCompare>(m_ppStr, pStr, nStart);
}

int tCString2::ReverseFindNoCase(const char* pStr, int nStart) const {
  if (nStart == -1) nStart = m_nLen - 1;
  TAVO_ASSERT(pStr && (nStart <= (m_nLen - 1)));
  return findBackward<NoCaseCompare>(m_ppStr, pStr, nStart);
}

int tCString2::ForkFind(const char* pStr, int nFlag) {
  TAVO_ASSERT(pStr && ((nFlag == 1) || (nFlag == 2)));
  return tavo::detail::halvingFind<tavo::detail::CaseCompare>(m_ppStr, m_nLen, pStr, nFlag);
}

int tCString2::ForkFindNoCase(const char* pStr, int nFlag) {
  TAVO_ASSERT(pStr && ((nFlag == 1) || (nFlag == 2)));
  return tavo::detail::halvingFind<tavo::detail::NoCaseCompare>(m_ppStr, m_nLen, pStr, nFlag);
}
