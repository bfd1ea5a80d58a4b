// tCString3: an ordered list of rows of strings, kept as a string table.
#include "tCString3/tCString3.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_vector.h"

namespace {

// The empty table the object keeps: one slot holding null.
char*** newEmptyTable() {
  char*** t = static_cast<char***>(mrealloc(nullptr, sizeof(char**)));
  t[0] = nullptr;
  return t;
}

// A copy of row `r` with exactly its strings plus the null slot: one pointer
// to start with, then one resize per string.
char** copyRow(char* const* r) {
  char** v = static_cast<char**>(mmalloc(sizeof(char*)));
  v[0] = nullptr;
  for (int j = 0; r[j] != nullptr; ++j) v = tavo::detail::vectorPush(v, j, mstrdup(r[j]));
  return v;
}

// Every row that enters a table by appending comes through here.  The row
// is copied before the outer array is resized; rows never move when the
// outer array does, so `r` may be one of the table's own rows.
void appendRow(char***& t, int& n, char* const* r) {
  char** pCopy = copyRow(r);
  t = tavo::detail::tablePush(t, n, pCopy);
  ++n;
}

// Appends every row of `src`, which may be (a part of) `t` itself.
void appendTable(char***& t, int& n, char** const* src) { tavo::detail::appendEach(t, n, src, appendRow); }

}  // namespace

// ---- Construction and size ------------------------------------------------------

tCString3::tCString3() : m_pppStr(nullptr), m_nLen(0) {
  // After the pointer to the virtual table.
  TAVO_SIZE(tCString3, 3 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCString3, m_pppStr, tavo::detail::kPtr);
  TAVO_LAYOUT(tCString3, m_nLen, 2 * tavo::detail::kPtr);
  InitVar();
}

tCString3::tCString3(char*** pStr) : m_pppStr(nullptr), m_nLen(0) {
  TAVO_ASSERT(pStr);
  InitVar();
  appendTable(m_pppStr, m_nLen, pStr);
}

tCString3::tCString3(const tCString3& oRight) : m_pppStr(nullptr), m_nLen(0) {
  InitVar();
  appendTable(m_pppStr, m_nLen, oRight.m_pppStr);
}

tCString3::~tCString3() {
  strfreevv(m_pppStr);
  m_pppStr = nullptr;
}

int tCString3::InitVar() {
  if (m_pppStr != nullptr) {
    strfreevv(m_pppStr);
    m_pppStr = nullptr;
  }
  m_pppStr = newEmptyTable();
  m_nLen = 0;
  return 1;
}

tCString3::operator char***() const { return m_pppStr; }

int tCString3::GetLength() const { return m_nLen; }

int tCString3::IsEmpty() const { return m_nLen == 0 ? 1 : 0; }

int tCString3::operator!() const { return IsEmpty(); }

int tCString3::Empty() { return InitVar(); }

// ---- Access and editing -----------------------------------------------------------

char** tCString3::operator[](int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos <= m_nLen));
  return m_pppStr[nPos];
}

char** tCString3::GetAt(int nPos) const {
  TAVO_ASSERT((nPos >= 0) && (nPos <= m_nLen));
  return m_pppStr[nPos];
}

int tCString3::SetAt(int nPos, char** pStr) {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen) && pStr);
  // Copy first: pStr may be the very row being replaced.
  char** pCopy = copyRow(pStr);
  strfreev(m_pppStr[nPos]);
  m_pppStr[nPos] = pCopy;
  return 1;
}

int tCString3::Insert(int nIndex, char** pStr) {
  TAVO_ASSERT((nIndex >= 0) && (nIndex <= m_nLen) && pStr);
  char** pCopy = copyRow(pStr);
  // Grow by one slot (the copy lands at the end, the null after it), then
  // move rows nIndex..m_nLen-1 up and put the copy in the gap.
  m_pppStr = tavo::detail::tablePush(m_pppStr, m_nLen, pCopy);
  memmove(m_pppStr + nIndex + 1, m_pppStr + nIndex, static_cast<size_t>(m_nLen - nIndex) * sizeof(char**));
  m_pppStr[nIndex] = pCopy;
  return ++m_nLen;
}

int tCString3::Remove(int nPos) {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen));
  strfreev(m_pppStr[nPos]);
  // Slots nPos+1..m_nLen (the terminating null included) move down by one.
  memmove(m_pppStr + nPos, m_pppStr + nPos + 1, static_cast<size_t>(m_nLen - nPos) * sizeof(char**));
  --m_nLen;
  return 1;
}

// ---- Assignment and appending ------------------------------------------------------
//
// Assignments build the new table completely before the old one is freed,
// so a source that points into this table (its outer array, a part of it, a
// row or a string) is read while it is still intact.

const tCString3& tCString3::operator=(const tCString3& oRight) {
  TAVO_ASSERT((&oRight) != this);
  return operator=(oRight.m_pppStr);
}

const tCString3& tCString3::operator=(char*** pRight) {
  TAVO_ASSERT(pRight);
  char*** t = newEmptyTable();
  int n = 0;
  for (char*** p = pRight; *p != nullptr; ++p) appendRow(t, n, *p);
  strfreevv(m_pppStr);
  m_pppStr = t;
  m_nLen = n;
  return *this;
}

const tCString3& tCString3::operator=(char** pRight) {
  TAVO_ASSERT(pRight);
  char*** t = newEmptyTable();
  int n = 0;
  appendRow(t, n, pRight);
  strfreevv(m_pppStr);
  m_pppStr = t;
  m_nLen = n;
  return *this;
}

const tCString3& tCString3::operator+=(const tCString3& oRight) {
  appendTable(m_pppStr, m_nLen, oRight.m_pppStr);
  return *this;
}

const tCString3& tCString3::operator+=(char*** pRight) {
  TAVO_ASSERT(pRight);
  appendTable(m_pppStr, m_nLen, pRight);
  return *this;
}

const tCString3& tCString3::operator+=(char** pRight) {
  TAVO_ASSERT(pRight);
  appendRow(m_pppStr, m_nLen, pRight);
  return *this;
}

tCString3 operator+(const tCString3& oLeft, const tCString3& oRight) {
  tCString3 oResult;
  oResult += oLeft;
  oResult += oRight;
  return oResult;
}

tCString3 operator+(const tCString3& oLeft, char*** pRight) {
  TAVO_ASSERT(pRight);
  tCString3 oResult;
  oResult += oLeft;
  oResult += pRight;
  return oResult;
}

tCString3 operator+(char*** pLeft, const tCString3& oRight) {
  TAVO_ASSERT(pLeft);
  tCString3 oResult;
  oResult += pLeft;
  oResult += oRight;
  return oResult;
}

tCString3 operator+(const tCString3& oLeft, char** pRight) {
  TAVO_ASSERT(pRight);
  tCString3 oResult;
  oResult += oLeft;
  oResult += pRight;
  return oResult;
}

tCString3 operator+(char** pLeft, const tCString3& oRight) {
  TAVO_ASSERT(pLeft);
  tCString3 oResult;
  oResult += pLeft;
  oResult += oRight;
  return oResult;
}

// ---- Comparison -----------------------------------------------------------------

int tCString3::operator==(char*** pRight) const {
  TAVO_ASSERT(pRight);
  if (addresslen3(pRight) != m_nLen) return 0;
  for (int i = 0; i < m_nLen; ++i) {
    char** pMine = m_pppStr[i];
    char** pTheirs = pRight[i];
    if (addresslen2(pTheirs) != addresslen2(pMine)) return 0;
    for (int j = 0; pMine[j] != nullptr; ++j)
      if (strcmp(pMine[j], pTheirs[j]) != 0) return 0;
  }
  return 1;
}

int tCString3::operator==(const tCString3& oRight) const { return operator==(oRight.m_pppStr); }

int tCString3::operator!=(char*** pRight) const {
  TAVO_ASSERT(pRight);
  return operator==(pRight) ? 0 : 1;
}

int tCString3::operator!=(const tCString3& oRight) const { return operator==(oRight.m_pppStr) ? 0 : 1; }
