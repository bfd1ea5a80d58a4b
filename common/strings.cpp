// In-place edits, tests and counts of plain NUL-terminated strings.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_bytes.h"
#include "tavo_alloc.h"
#include "tavo_text.h"

namespace {

using tavo::detail::isDigit;
using tavo::detail::isSpace;

int clampCount(size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

// True when `pos` indexes a byte of the text `s` (before its NUL).
bool inText(const char* s, int pos) {
  return pos >= 0 && memchr(s, '\0', static_cast<size_t>(pos) + 1) == nullptr;
}

}  // namespace

void strupper(char* s) {
  for (; *s != '\0'; ++s) *s = tavo::detail::toUpper(*s);
}

void strlower(char* s) {
  for (; *s != '\0'; ++s) *s = tavo::detail::toLower(*s);
}

void strreverse(char* s) {
  size_t n = strlen(s);
  if (n < 2) return;
  for (char *a = s, *b = s + n - 1; a < b; ++a, --b) {
    char c = *a;
    *a = *b;
    *b = c;
  }
}

void strltrim(char* s) {
  char* p = s;
  while (isSpace(*p)) ++p;
  if (p != s) memmove(s, p, strlen(p) + 1);
}

void strrtrim(char* s) {
  size_t n = strlen(s);
  while (n > 0 && isSpace(s[n - 1])) s[--n] = '\0';
}

void strtrim(char* s) {
  strltrim(s);
  strrtrim(s);
}

void strswap(char* s1, char* s2) {
  size_t n1 = strlen(s1);
  size_t n2 = strlen(s2);
  size_t nMax = n1 > n2 ? n1 : n2;
  char* pTmp = static_cast<char*>(mmalloc(tavo::detail::blockBytes(nMax + 1ull, "mmalloc")));
  memcpy(pTmp, s1, n1 + 1);
  // memmove: the caller may pass the same buffer twice.
  memmove(s1, s2, n2 + 1);
  memmove(s2, pTmp, n1 + 1);
  free(pTmp);
}

void strsort(char* s, int nFlag) {
  if (nFlag != 1 && nFlag != 2) return;
  tavo::detail::sortBytesSigned(s, strlen(s), nFlag);
}

char* strscpy(char* dst, int size, const char* src) {
  if (size < 1) return dst;
  size_t nSize = static_cast<size_t>(size);
  size_t n = tavo::detail::boundedLength(src, nSize);
  if (n < nSize) {
    memcpy(dst, src, n + 1);
  } else {
    memcpy(dst, src, nSize - 1);
    dst[nSize - 1] = '\0';
  }
  return dst;
}

int strisnum_all(const char* s) {
  if (*s == '\0') return 0;
  for (; *s != '\0'; ++s)
    if (!isDigit(*s)) return 0;
  return 1;
}

int strisnum_pos(const char* s, int pos) { return (inText(s, pos) && isDigit(s[pos])) ? 1 : 0; }

int strischar_all(const char* s) {
  if (*s == '\0') return 0;
  for (; *s != '\0'; ++s)
    if (isDigit(*s)) return 0;
  return 1;
}

int strischar_pos(const char* s, int pos) { return (inText(s, pos) && !isDigit(s[pos])) ? 1 : 0; }

int strsumnum(const char* s) {
  size_t n = 0;
  for (; *s != '\0'; ++s)
    if (isDigit(*s)) ++n;
  return clampCount(n);
}

int strsumchar(const char* s) {
  size_t n = 0;
  for (; *s != '\0'; ++s)
    if (!isDigit(*s)) ++n;
  return clampCount(n);
}
