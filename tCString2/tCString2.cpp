// tCString2: an ordered list of strings kept as a string vector.
#include "tCString2/tCString2.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "common/common.h"
#include "common/tavo_assert.h"
#include "common/tavo_internal.h"

namespace {

// ---- Comparisons ----------------------------------------------------------

// Case folding for comparison: 'A'-'Z' to 'a'-'z', every other byte as is.
struct FoldTable {
  unsigned char map[256];
  constexpr FoldTable() : map() {
    for (int i = 0; i < 256; ++i)
      map[i] = static_cast<unsigned char>((i >= 'A' && i <= 'Z') ? i + ('a' - 'A') : i);
  }
};
constexpr FoldTable kFold;

// Both comparisons give only the sign, on unsigned byte values.
struct CaseCompare {
  static int compare(const char* a, const char* b) { return std::strcmp(a, b); }
  static unsigned char fold(unsigned char c) { return c; }
};

struct NoCaseCompare {
  static int compare(const char* a, const char* b) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    for (;; ++p, ++q) {
      unsigned char c = kFold.map[*p];
      unsigned char d = kFold.map[*q];
      if (c != d) return c < d ? -1 : 1;
      if (c == 0) return 0;
    }
  }
  static unsigned char fold(unsigned char c) { return kFold.map[c]; }
};

// ---- Vector building --------------------------------------------------------

// True when `p` lies within the `nBytes` bytes that start at `pBegin`.
// Compared as integers: the pointers may belong to unrelated objects.
bool pointsInto(const void* p, const void* pBegin, std::size_t nBytes) {
  std::uintptr_t x = reinterpret_cast<std::uintptr_t>(p);
  std::uintptr_t b = reinterpret_cast<std::uintptr_t>(pBegin);
  return x >= b && x - b < nBytes;
}

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

// Appends every string of `src`.  When `src` is (a part of) `v` itself, the
// array moves while it grows and its end moves with it, so the strings are
// then taken by index from the current array, up to the count at the start.
void appendVector(char**& v, int& n, char* const* src) {
  if (pointsInto(src, v, (static_cast<std::size_t>(n) + 1) * sizeof(char*))) {
    const int nFirst = static_cast<int>(src - v);
    const int nEnd = n;
    for (int i = nFirst; i < nEnd; ++i) appendCopy(v, n, v[i]);
    return;
  }
  for (; *src != nullptr; ++src) appendCopy(v, n, *src);
}

// ---- Stable sorting -----------------------------------------------------------

// Runs below this size are sorted by insertion before merging.
constexpr std::size_t kInsertionRun = 24;

template <class T, class Less>
void insertionSort(T* a, std::size_t n, Less less) {
  for (std::size_t i = 1; i < n; ++i) {
    T x = a[i];
    std::size_t j = i;
    // Strictly less only: equal items stay behind their predecessors.
    for (; j > 0 && less(x, a[j - 1]); --j) a[j] = a[j - 1];
    a[j] = x;
  }
}

// Stable bottom-up merge sort of a[0..n) using buf[0..n) as scratch.
template <class T, class Less>
void mergeSort(T* a, T* buf, std::size_t n, Less less) {
  for (std::size_t i = 0; i < n; i += kInsertionRun)
    insertionSort(a + i, std::min(kInsertionRun, n - i), less);
  T* src = a;
  T* dst = buf;
  for (std::size_t w = kInsertionRun; w < n; w *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * w) {
      std::size_t mid = std::min(lo + w, n);
      std::size_t hi = std::min(lo + 2 * w, n);
      if (mid == hi || !less(src[mid], src[mid - 1])) {
        std::copy(src + lo, src + hi, dst + lo);  // already in order
      } else {
        // std::merge takes from the first range on ties: stable.
        std::merge(src + lo, src + mid, src + mid, src + hi, dst + lo, less);
      }
    }
    std::swap(src, dst);
  }
  if (src != a) std::copy(src, src + n, a);
}

// A slot with its first eight (folded) bytes packed big-endian, so that most
// comparisons are one integer comparison instead of two pointer chases.
// Bytes after the terminator are zero; a zero low byte thus means the string
// ended within the key, and equal keys then mean equal strings.
struct KeyedSlot {
  std::uint64_t nKey;
  char* pStr;
};

template <class Cmp>
std::uint64_t packKey(const char* s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  std::uint64_t nKey = 0;
  bool bEnded = false;
  for (int i = 0; i < 8; ++i) {
    unsigned char c = bEnded ? 0 : Cmp::fold(p[i]);
    if (c == 0) bEnded = true;
    nKey = (nKey << 8) | c;
  }
  return nKey;
}

template <class Cmp>
struct KeyedAscending {
  bool operator()(const KeyedSlot& a, const KeyedSlot& b) const {
    if (a.nKey != b.nKey) return a.nKey < b.nKey;
    if ((a.nKey & 0xFF) == 0) return false;
    return Cmp::compare(a.pStr + 8, b.pStr + 8) < 0;
  }
};

template <class Cmp>
struct KeyedDescending {
  bool operator()(const KeyedSlot& a, const KeyedSlot& b) const {
    return KeyedAscending<Cmp>()(b, a);
  }
};

template <class Cmp>
void sortVector(char** v, int nLen, int nFlag) {
  if (nLen < 2) return;
  const std::size_t n = static_cast<std::size_t>(nLen);
  // Allocation sizes are unsigned int; beyond that, sort the bare pointers,
  // whose scratch array is never larger than the vector itself.
  if (n * 2 * sizeof(KeyedSlot) <= 0xFFFFFFFFu) {
    KeyedSlot* items = static_cast<KeyedSlot*>(
        mmalloc(static_cast<unsigned int>(n * 2 * sizeof(KeyedSlot))));
    for (std::size_t i = 0; i < n; ++i) items[i] = KeyedSlot{packKey<Cmp>(v[i]), v[i]};
    if (nFlag == 1)
      mergeSort(items, items + n, n, KeyedAscending<Cmp>());
    else
      mergeSort(items, items + n, n, KeyedDescending<Cmp>());
    for (std::size_t i = 0; i < n; ++i) v[i] = items[i].pStr;
    std::free(items);
    return;
  }
  char** buf = static_cast<char**>(mmalloc(static_cast<unsigned int>(n * sizeof(char*))));
  if (nFlag == 1)
    mergeSort(v, buf, n, [](const char* a, const char* b) { return Cmp::compare(a, b) < 0; });
  else
    mergeSort(v, buf, n, [](const char* a, const char* b) { return Cmp::compare(a, b) > 0; });
  std::free(buf);
}

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

// Halving over lo..hi, probing lo + size/2 and returning the first probe
// that matches.
template <class Cmp>
int forkFind(char** v, int nLen, const char* pStr, int nFlag) {
  int nLo = 0;
  int nHi = nLen - 1;
  int n = nLen;
  while (n > 0) {
    const int nMid = nLo + n / 2;
    const int c = Cmp::compare(v[nMid], pStr);
    if (c == 0) return nMid;
    if (nFlag == 1 ? c > 0 : c < 0)
      nHi = nMid - 1;
    else
      nLo = nMid + 1;
    n = nHi - nLo + 1;
  }
  return -1;
}

}  // namespace

// ---- Construction and size ------------------------------------------------------

tCString2::tCString2() : m_ppStr(nullptr), m_nLen(0) { InitVar(); }

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
  const std::size_t nSize = std::strlen(pStr) + 1;
  if (nSize > 0xFFFFFFFFu) {
    // Too long to resize through the allocator's unsigned size: copy whole.
    char* pCopy = mstrdup(pStr);
    std::free(pSlot);
    pSlot = pCopy;
    return 1;
  }
  if (pointsInto(pStr, pSlot, std::strlen(pSlot) + 1)) {
    // pStr is the tail of the string being replaced: move it to the front
    // before the block is shrunk (shrinking keeps the leading bytes).
    std::memmove(pSlot, pStr, nSize);
    pSlot = static_cast<char*>(mrealloc(pSlot, static_cast<unsigned int>(nSize)));
    return 1;
  }
  pSlot = static_cast<char*>(mrealloc(pSlot, static_cast<unsigned int>(nSize)));
  std::memcpy(pSlot, pStr, nSize);
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
    if (std::strcmp(m_ppStr[i], pRight[i]) != 0) return 0;
  return 1;
}

int tCString2::operator==(const tCString2& oRight) const { return operator==(oRight.m_ppStr); }

int tCString2::operator!=(char** pRight) const {
  TAVO_ASSERT(pRight);
  return operator==(pRight) ? 0 : 1;
}

int tCString2::operator!=(const tCString2& oRight) const {
  return operator==(oRight.m_ppStr) ? 0 : 1;
}

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
  std::memmove(m_ppStr + nIndex + 1, m_ppStr + nIndex,
               static_cast<std::size_t>(m_nLen - nIndex) * sizeof(char*));
  m_ppStr[nIndex] = pCopy;
  return ++m_nLen;
}

int tCString2::Remove(int nPos) {
  TAVO_ASSERT((nPos >= 0) && (nPos < m_nLen));
  std::free(m_ppStr[nPos]);
  // Slots nPos+1..m_nLen (the terminating null included) move down by one.
  std::memmove(m_ppStr + nPos, m_ppStr + nPos + 1,
               static_cast<std::size_t>(m_nLen - nPos) * sizeof(char*));
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
    if (std::strcmp(m_ppStr[i], pStr) == 0)
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
  if (m_nLen >= 2) std::reverse(m_ppStr, m_ppStr + m_nLen);
  return 1;
}

int tCString2::Sort(int nFlag) {
  TAVO_ASSERT((nFlag == 1) || (nFlag == 2));
  sortVector<CaseCompare>(m_ppStr, m_nLen, nFlag);
  return 1;
}

int tCString2::SortNoCase(int nFlag) {
  TAVO_ASSERT((nFlag == 1) || (nFlag == 2));
  sortVector<NoCaseCompare>(m_ppStr, m_nLen, nFlag);
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
  return forkFind<CaseCompare>(m_ppStr, m_nLen, pStr, nFlag);
}

int tCString2::ForkFindNoCase(const char* pStr, int nFlag) {
  TAVO_ASSERT(pStr && ((nFlag == 1) || (nFlag == 2)));
  return forkFind<NoCaseCompare>(m_ppStr, m_nLen, pStr, nFlag);
}
