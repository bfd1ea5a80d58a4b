// Splitting texts into string vectors, and sorting and searching vectors.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_internal.h"
#include "common/tavo_sort.h"

namespace {

// New heap string holding the n bytes at p and a NUL.
char* copyBytes(const char* p, std::size_t n) {
  char* r = static_cast<char*>(mmalloc(tavo::detail::blockBytes(n + 1ull, "mmalloc")));
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

// Walks the cuts of `s` (its NUL at `pEnd`), the first at `pHit`: calls
// emit(p, n) for the n bytes of every field before a cut, at most nMax cuts
// when nMax is positive.  Returns where the text after the last cut starts.
template <class Emit>
const char* forEachCut(const char* s, const char* pEnd, const char* pHit, const char* sep,
                       std::size_t nSep, int nMax, Emit emit) {
  const char* p = s;
  int nCuts = 0;
  for (;;) {
    emit(p, static_cast<std::size_t>(pHit - p));
    p = pHit + nSep;
    if (nMax > 0 && ++nCuts == nMax) return p;
    pHit = findSep(p, pEnd, sep, nSep);
    if (pHit == nullptr) return p;
  }
}

}  // namespace

char** strsplit(const char* s, const char* sep, int nMax) {
  std::size_t nSep = std::strlen(sep);
  // An empty separator would be found at every position without advancing.
  if (nSep == 0) return nullptr;
  const char* pEnd = s + std::strlen(s);
  const char* pFirst = findSep(s, pEnd, sep, nSep);
  if (pFirst == nullptr) return nullptr;

  // The fields are counted first and the vector is allocated once at the
  // size that growing it field by field would end with (count + 1 slots):
  // the same result, without a reallocation per field.
  std::size_t nFields = 0;
  const char* pTail = forEachCut(s, pEnd, pFirst, sep, nSep, nMax,
                                 [&nFields](const char*, std::size_t) { ++nFields; });
  if (pTail != pEnd) ++nFields;
  // The count is an int and the block size an unsigned int.
  tavo::detail::checkedInt(nFields + 1ull, "mmalloc");
  char** v = static_cast<char**>(mmalloc(tavo::detail::blockBytes(nFields + 1ull, sizeof(char*), "mmalloc")));

  char** pSlot = v;
  forEachCut(s, pEnd, pFirst, sep, nSep, nMax, [&pSlot](const char* p, std::size_t n) {
    *pSlot++ = (n == 0) ? copyBytes("0", 1) : copyBytes(p, n);
  });
  if (pTail != pEnd) *pSlot++ = copyBytes(pTail, static_cast<std::size_t>(pEnd - pTail));
  *pSlot = nullptr;
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
  tavo::detail::sortStrings<tavo::detail::CaseCompare>(v, countStrings(v), nFlag);
}

int str2forkfind(char** v, const char* key, int nFlag) {
  int n = countStrings(v);
  if (n == 0) return -1;
  if (nFlag == 1 || nFlag == 2) return tavo::detail::halvingFind<tavo::detail::CaseCompare>(v, n, key, nFlag);
  // Any other order: only the first probe can match.
  return std::strcmp(v[n / 2], key) == 0 ? n / 2 : -1;
}
