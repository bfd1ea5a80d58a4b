// Splitting texts into string vectors, and sorting and searching vectors.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_internal.h"

namespace {

// New heap string holding the n bytes at p and a NUL.
char* copyBytes(const char* p, std::size_t n) {
  // The allocator's size is an unsigned int; a field it cannot hold is as
  // fatal as exhausted memory.
  if (n >= UINT_MAX) memfatal("mmalloc");
  char* r = static_cast<char*>(mmalloc(static_cast<unsigned int>(n + 1)));
  std::memcpy(r, p, n);
  r[n] = '\0';
  return r;
}

// The count of strings, by walking to the null slot.  Nothing records the
// count, so this walk is what a search costs for long vectors; unrolled, as
// the walk is most of str2forkfind's time.  No slot past the null is read.
int countStrings(char* const* v) {
  if (v == nullptr) return 0;
  for (int n = 0;; n += 4) {
    if (v[n] == nullptr) return n;
    if (v[n + 1] == nullptr) return n + 1;
    if (v[n + 2] == nullptr) return n + 2;
    if (v[n + 3] == nullptr) return n + 3;
  }
}

// Next occurrence of the separator at or after `p`; `pEnd` is the text's NUL.
const char* findSep(const char* p, const char* pEnd, const char* sep, std::size_t nSep) {
  if (nSep == 1) return static_cast<const char*>(std::memchr(p, sep[0], static_cast<std::size_t>(pEnd - p)));
  return std::strstr(p, sep);
}

// The string order for one direction: true when a must come before b.
struct Ascending {
  bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
};
struct Descending {
  bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) > 0; }
};

// Stable merge sort of n pointers, with a scratch array of n slots.  Short
// runs are sorted by insertion first, then runs are merged pairwise, moving
// between the vector and the scratch array.  A later element is taken ahead
// of an earlier one only when it strictly comes before it, which keeps equal
// strings in their order: the same order the neighbour-exchange sort gives.
template <typename Before>
void mergeSort(char** v, int n, Before before) {
  const int kRun = 8;
  for (int lo = 0; lo < n; lo += kRun) {
    int hi = (n - lo < kRun) ? n : lo + kRun;
    for (int i = lo + 1; i < hi; ++i) {
      char* x = v[i];
      int j = i;
      for (; j > lo && before(x, v[j - 1]); --j) v[j] = v[j - 1];
      v[j] = x;
    }
  }
  if (n <= kRun) return;

  unsigned long long nBytes = static_cast<unsigned long long>(n) * sizeof(char*);
  if (nBytes > UINT_MAX) memfatal("mmalloc");
  char** pScratch = static_cast<char**>(mmalloc(static_cast<unsigned int>(nBytes)));
  char** pFrom = v;
  char** pTo = pScratch;
  for (int nWidth = kRun; nWidth < n; nWidth *= 2) {
    for (int lo = 0; lo < n; lo += 2 * nWidth) {
      int mid = (n - lo < nWidth) ? n : lo + nWidth;
      int hi = (n - mid < nWidth) ? n : mid + nWidth;
      int i = lo, j = mid, k = lo;
      if (mid < hi && !before(pFrom[mid], pFrom[mid - 1])) {
        // Already in order across the seam: one block copy.
        std::memcpy(pTo + lo, pFrom + lo, static_cast<std::size_t>(hi - lo) * sizeof(char*));
        continue;
      }
      while (i < mid && j < hi) pTo[k++] = before(pFrom[j], pFrom[i]) ? pFrom[j++] : pFrom[i++];
      while (i < mid) pTo[k++] = pFrom[i++];
      while (j < hi) pTo[k++] = pFrom[j++];
    }
    char** t = pFrom;
    pFrom = pTo;
    pTo = t;
  }
  if (pFrom != v) std::memcpy(v, pFrom, static_cast<std::size_t>(n) * sizeof(char*));
  std::free(pScratch);
}

// Search by halving (see the header).  bAscending: the vector ascends, so a
// probe past the key (strcmp > 0) sends the search below it; descending
// vectors mirror that.
template <bool bAscending>
int halvingFind(char* const* v, int n, const char* key) {
  int lo = 0;
  int hi = n - 1;
  while (n > 0) {
    int mid = lo + n / 2;
    int c = std::strcmp(v[mid], key);
    if (c == 0) return mid;
    if (bAscending ? (c > 0) : (c < 0))
      hi = mid - 1;
    else
      lo = mid + 1;
    n = hi - lo + 1;
  }
  return -1;
}

}  // namespace

char** strsplit(const char* s, const char* sep, int nMax) {
  std::size_t nSep = std::strlen(sep);
  // An empty separator would be found at every position without advancing.
  if (nSep == 0) return nullptr;
  const char* pEnd = s + std::strlen(s);
  const char* pHit = findSep(s, pEnd, sep, nSep);
  if (pHit == nullptr) return nullptr;

  char** v = nullptr;
  int n = 0;
  const char* p = s;
  int nCuts = 0;
  for (;;) {
    char* pField = (pHit == p) ? copyBytes("0", 1) : copyBytes(p, static_cast<std::size_t>(pHit - p));
    v = tavo::detail::vectorPush(v, n++, pField);
    p = pHit + nSep;
    if (nMax > 0 && ++nCuts == nMax) break;
    pHit = findSep(p, pEnd, sep, nSep);
    if (pHit == nullptr) break;
  }
  if (p != pEnd) v = tavo::detail::vectorPush(v, n++, copyBytes(p, static_cast<std::size_t>(pEnd - p)));
  return v;
}

char** strInc(const char* s, char chOpen, char chClose) {
  char** v = nullptr;
  int n = 0;
  const char* pOpen = nullptr;  // the last opening byte while a text is open
  for (const char* p = s; *p != '\0'; ++p) {
    if (*p == chOpen) {
      pOpen = p;
    } else if (*p == chClose && pOpen != nullptr) {
      v = tavo::detail::vectorPush(v, n++, copyBytes(pOpen + 1, static_cast<std::size_t>(p - pOpen - 1)));
      pOpen = nullptr;
    }
  }
  return v;
}

void str2sort(char** v, int nFlag) {
  if (nFlag != 1 && nFlag != 2) return;
  int n = countStrings(v);
  if (n < 2) return;
  if (nFlag == 1)
    mergeSort(v, n, Ascending());
  else
    mergeSort(v, n, Descending());
}

int str2forkfind(char** v, const char* key, int nFlag) {
  int n = countStrings(v);
  if (n == 0) return -1;
  if (nFlag == 1) return halvingFind<true>(v, n, key);
  if (nFlag == 2) return halvingFind<false>(v, n, key);
  // Any other order: only the first probe can match.
  return std::strcmp(v[n / 2], key) == 0 ? n / 2 : -1;
}
