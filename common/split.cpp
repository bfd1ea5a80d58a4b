// Splitting texts into string vectors, and sorting and searching vectors.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_alloc.h"
#include "tavo_text.h"
#include "tavo_vector.h"
#include "tavo_sort.h"

namespace {

using tavo::detail::heapCopy;

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

}  // namespace

char** strsplit(const char* s, const char* sep, int nMax) {
  const size_t nSep = strlen(sep);
  // An empty separator would be found at every position without advancing.
  if (nSep == 0) return nullptr;
  const char* pEnd = s + strlen(s);
  const tavo::detail::SeparatorFinder finder(sep, nSep);
  tavo::detail::VectorBuilder out;
  const char* p = s;
  int nCuts = 0;
  for (const char* pHit = finder.next(p, pEnd); pHit != nullptr; pHit = finder.next(p, pEnd)) {
    const size_t n = static_cast<size_t>(pHit - p);
    out.push(n == 0 ? heapCopy("0", 1) : heapCopy(p, n));
    p = pHit + nSep;
    if (nMax > 0 && ++nCuts == nMax) break;
  }
  if (out.size() == 0) return nullptr;  // no separator at all
  if (p != pEnd) out.push(heapCopy(p, static_cast<size_t>(pEnd - p)));
  return out.release();
}

char** strInc(const char* s, char chOpen, char chClose) {
  char** v = nullptr;
  int n = 0;
  const char* pOpen = nullptr;  // the last opening byte while a text is open
  for (const char* p = s; *p != '\0'; ++p) {
    if (*p == chOpen) {
      pOpen = p;
    } else if (*p == chClose && pOpen != nullptr) {
      v = tavo::detail::vectorPush(v, n++, heapCopy(pOpen + 1, static_cast<size_t>(p - pOpen - 1)));
      pOpen = nullptr;
    }
  }
  return v;
}

void str2sort(char** v, int nFlag) {
  if (nFlag != 1 && nFlag != 2) return;
  tavo::detail::sortStrings<tavo::detail::CaseCompare>(v, countStrings(v), nFlag);
}

int str2forkfind(char** v, const char* key, int nFlag) {
  int n = countStrings(v);
  if (n == 0) return -1;
  if (nFlag == 1 || nFlag == 2) return tavo::detail::halvingFind<tavo::detail::CaseCompare>(v, n, key, nFlag);
  // Any other order: only the first probe can match.
  return strcmp(v[n / 2], key) == 0 ? n / 2 : -1;
}
