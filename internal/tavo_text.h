// Text rules shared inside the library (internal header, not installed):
// the bounded length of a text, the "points into this storage" test and the
// search for a separator.
#ifndef TAVO_INTERNAL_TAVO_TEXT_H
#define TAVO_INTERNAL_TAVO_TEXT_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace tavo {
namespace detail {

// ---- Lengths ---------------------------------------------------------------------

// The length of the text at `s`, or `nMax` when it has no NUL among its
// first `nMax` bytes (which are all it reads): strnlen, which the C runtime
// of a Visual C++ 6 program (msvcrt.dll before Windows Vista) lacks.
inline size_t boundedLength(const char* s, size_t nMax) {
  const void* pNul = memchr(s, '\0', nMax);
  return pNul != nullptr ? static_cast<size_t>(static_cast<const char*>(pNul) - s) : nMax;
}

// ---- Aliasing --------------------------------------------------------------------

// True when `p` lies within the `nBytes` bytes that start at `pBegin`.
// Compared as integers: the pointers may belong to unrelated objects.
inline bool pointsInto(const void* p, const void* pBegin, size_t nBytes) {
  const uintptr_t x = reinterpret_cast<uintptr_t>(p);
  const uintptr_t b = reinterpret_cast<uintptr_t>(pBegin);
  return x >= b && x - b < nBytes;
}

// ---- Separators ------------------------------------------------------------------

// Finds a separator of `nSep` bytes (1 or more, no NUL among them) in
// texts.  Fields between separators are short in the usual case, so the
// first bytes are looked at in a plain loop before a library search is
// called; a long separator is searched for with strstr, which is linear.
class SeparatorFinder {
 public:
  SeparatorFinder(const char* pSep, size_t nSep) : pSep_(pSep), nSep_(nSep) {}

  // The first occurrence that starts in [p, pEnd), where *pEnd is the
  // text's NUL; null when there is none.
  const char* next(const char* p, const char* pEnd) const {
    if (nSep_ > kShortSep) return strstr(p, pSep_);
    const char c = pSep_[0];
    for (;;) {
      p = findByte(p, pEnd, c);
      if (p == nullptr) return nullptr;
      if (nSep_ == 1) return p;
      if (static_cast<size_t>(pEnd - p) < nSep_) return nullptr;
      // The rest of a short separator, compared in place (a call to memcmp
      // costs more than the few bytes).
      size_t k = 1;
      while (k < nSep_ && p[k] == pSep_[k]) ++k;
      if (k == nSep_) return p;
      ++p;
    }
  }

 private:
  // Up to this length a separator is found by its first byte and compared;
  // beyond it, the comparisons could add up.
  static constexpr size_t kShortSep = 16;

  static const char* findByte(const char* p, const char* pEnd, char c) {
    const char* pStop = pEnd - p > 16 ? p + 16 : pEnd;
    for (; p < pStop; ++p)
      if (*p == c) return p;
    if (p == pEnd) return nullptr;
    return static_cast<const char*>(memchr(p, c, static_cast<size_t>(pEnd - p)));
  }

  const char* pSep_;
  size_t nSep_;
};

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_TEXT_H
