// String-vector ordering shared by the list class and the free functions
// (internal header, not installed): the two string orders, a stable sort of
// the pointer slots and the search by halving.
#ifndef TAVO_INTERNAL_TAVO_SORT_H
#define TAVO_INTERNAL_TAVO_SORT_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_bytes.h"
#include "tavo_alloc.h"

namespace tavo {
namespace detail {

// ---- Comparisons ----------------------------------------------------------

// Both comparisons give only the sign, on unsigned byte values.
struct CaseCompare {
  static int compare(const char* a, const char* b) { return strcmp(a, b); }
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

// ---- Stable sorting -----------------------------------------------------------

// Runs below this size are sorted by insertion before merging.
constexpr size_t kInsertionRun = 24;

template <class T, class Less>
void insertionSort(T* a, size_t n, Less less) {
  for (size_t i = 1; i < n; ++i) {
    T x = a[i];
    size_t j = i;
    // Strictly less only: equal items stay behind their predecessors.
    for (; j > 0 && less(x, a[j - 1]); --j) a[j] = a[j - 1];
    a[j] = x;
  }
}

// Stable bottom-up merge sort of a[0..n) using buf[0..n) as scratch.
template <class T, class Less>
void mergeSort(T* a, T* buf, size_t n, Less less) {
  for (size_t i = 0; i < n; i += kInsertionRun) insertionSort(a + i, detail::min(kInsertionRun, n - i), less);
  T* src = a;
  T* dst = buf;
  for (size_t w = kInsertionRun; w < n; w *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * w) {
      size_t mid = detail::min(lo + w, n);
      size_t hi = detail::min(lo + 2 * w, n);
      if (mid == hi || !less(src[mid], src[mid - 1])) {
        copyItems(src + lo, hi - lo, dst + lo);  // already in order
      } else {
        // Taken from the first run on ties: stable.
        mergeRuns(src + lo, src + mid, src + mid, src + hi, dst + lo, less);
      }
    }
    detail::swap(src, dst);
  }
  if (src != a) copyItems(src, n, a);
}

// A slot with its first eight (folded) bytes packed big-endian, so that most
// comparisons are one integer comparison instead of two pointer chases.
// Bytes after the terminator are zero; a zero low byte thus means the string
// ended within the key, and equal keys then mean equal strings.
struct KeyedSlot {
  uint64_t nKey;
  char* pStr;
};

template <class Cmp>
uint64_t packKey(const char* s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  uint64_t nKey = 0;
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
  bool operator()(const KeyedSlot& a, const KeyedSlot& b) const { return KeyedAscending<Cmp>()(b, a); }
};

// Sorts the nLen pointer slots of `v` stably in the order of Cmp: nFlag 1
// ascending, any other value descending.  Equal strings keep their relative
// order, which is exactly where a neighbour-exchange sort leaves them.
template <class Cmp>
void sortStrings(char** v, int nLen, int nFlag) {
  if (nLen < 2) return;
  const size_t n = static_cast<size_t>(nLen);
  // Allocation sizes are unsigned int; beyond that, sort the bare pointers,
  // whose scratch array is never larger than the vector itself (which was
  // itself allocated with an unsigned int size).
  if (fitsBlock(n, 2 * sizeof(KeyedSlot))) {
    KeyedSlot* items = static_cast<KeyedSlot*>(mmalloc(blockBytes(n, 2 * sizeof(KeyedSlot), "mmalloc")));
    for (size_t i = 0; i < n; ++i) items[i] = KeyedSlot{packKey<Cmp>(v[i]), v[i]};
    if (nFlag == 1)
      mergeSort(items, items + n, n, KeyedAscending<Cmp>());
    else
      mergeSort(items, items + n, n, KeyedDescending<Cmp>());
    for (size_t i = 0; i < n; ++i) v[i] = items[i].pStr;
    free(items);
    return;
  }
  char** buf = static_cast<char**>(mmalloc(blockBytes(n, sizeof(char*), "mmalloc")));
  if (nFlag == 1)
    mergeSort(v, buf, n, [](const char* a, const char* b) { return Cmp::compare(a, b) < 0; });
  else
    mergeSort(v, buf, n, [](const char* a, const char* b) { return Cmp::compare(a, b) > 0; });
  free(buf);
}

// ---- Searching ----------------------------------------------------------------

// Search by halving of the nLen sorted slots of `v` (nFlag 1: ascending,
// any other value: descending).  Keeps a range lo..hi, probes lo + size/2
// and returns the first probe equal to pStr, or -1 once the range is empty;
// among equal strings the one the probing meets first wins.
template <class Cmp>
int halvingFind(char* const* v, int nLen, const char* pStr, int nFlag) {
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

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_SORT_H
