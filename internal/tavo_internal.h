// Rules shared inside the library, each written once (internal header, not
// installed): the size guard before an allocation, the "points into this
// storage" test, the exact-size growth of string vectors and tables, the
// search for a separator, and objects placed in guarded allocations.
#ifndef TAVO_COMMON_TAVO_INTERNAL_H
#define TAVO_COMMON_TAVO_INTERNAL_H

#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_cxx.h"

namespace tavo {
namespace detail {

// ---- Size guards -------------------------------------------------------------
//
// The allocators take their size as an unsigned int and the string classes
// keep lengths as int.  A block or a text that cannot be expressed that way
// cannot be had, which is as fatal as exhausted memory: the process ends
// through memfatal, naming the allocator that would have been asked.

// True when `nCount` elements of `nSize` bytes fit in one allocation.
// Compared by division, so the test itself cannot overflow.
constexpr bool fitsBlock(unsigned long long nCount, size_t nSize) {
  return nSize == 0 || nCount <= 0xFFFFFFFFull / nSize;
}

// The byte count of `nCount` elements of `nSize` bytes, as the allocators
// take it; ends the process when it does not fit.
inline unsigned int blockBytes(unsigned long long nCount, size_t nSize, const char* pAllocator) {
  if (!fitsBlock(nCount, nSize)) memfatal(pAllocator);
  return static_cast<unsigned int>(nCount * nSize);
}

// `nBytes` as the allocators take it; ends the process when it does not fit.
inline unsigned int blockBytes(unsigned long long nBytes, const char* pAllocator) {
  return blockBytes(nBytes, 1, pAllocator);
}

// A length or a count as the string classes and vectors keep it (an int);
// ends the process when it would be larger.
inline int checkedInt(unsigned long long nLen, const char* pAllocator) {
  if (nLen > static_cast<unsigned long long>(INT_MAX)) memfatal(pAllocator);
  return static_cast<int>(nLen);
}

// The capacity a scratch block grows to so that it holds `nNeed` elements:
// `nFirst` to start with (when `nCap` is 0), doubled as needed but never
// past `nMax`, the most a block can hold.  Ends the process when `nNeed`
// is beyond that.
inline size_t grownCapacity(size_t nCap, size_t nNeed, size_t nFirst, size_t nMax,
                                 const char* pAllocator) {
  if (nNeed > nMax) memfatal(pAllocator);
  size_t n = nCap == 0 ? nFirst : nCap;
  while (n < nNeed) n = n > nMax / 2 ? nMax : n * 2;
  return n;
}

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

// ---- String vectors and tables -------------------------------------------------------

// Grows the null-terminated array `v`, which holds `n` entries, to exactly
// n+2 slots, stores `x` (ownership passes to the array) in slot n and a null
// pointer in slot n+1.  `v` may be null when `n` is 0.  Returns the array,
// which may have moved.  Used for string vectors (T = char*) and string
// tables (T = char**).
template <class T>
T* pushSlot(T* v, int n, T x) {
  v = static_cast<T*>(mrealloc(v, blockBytes(static_cast<unsigned long long>(n) + 2, sizeof(T), "mrealloc")));
  v[n] = x;
  v[n + 1] = nullptr;
  return v;
}

inline char** vectorPush(char** v, int n, char* s) { return pushSlot(v, n, s); }
inline char*** tablePush(char*** t, int n, char** pv) { return pushSlot(t, n, pv); }

// Appends every entry of the null-terminated array `src` to the array `v`
// of `n` entries with `appendOne(v, n, entry)`, which copies the entry and
// grows `v` by one.  `src` may be (a part of) `v` itself: the array moves
// while it grows and its end moves with it, so the entries are then taken
// by index from the current array, up to the count at the start.  Copies
// are made before `v` grows and entries never move when `v` does.
template <class T, class AppendOne>
void appendEach(T*& v, int& n, T const* src, AppendOne appendOne) {
  if (pointsInto(src, v, (static_cast<size_t>(n) + 1) * sizeof(T))) {
    const int nEnd = n;
    for (int i = static_cast<int>(src - v); i < nEnd; ++i) appendOne(v, n, v[i]);
    return;
  }
  for (; *src != nullptr; ++src) appendOne(v, n, *src);
}

// A string vector built in scratch space that grows geometrically, handed
// out at its exact final size (count + 1 slots): what growing it one
// string at a time would end with, without a reallocation per string.
class VectorBuilder {
 public:
  VectorBuilder() = default;
  ~VectorBuilder() {
    for (size_t i = 0; i < n_; ++i) free(v_[i]);
    free(v_);
  }
  VectorBuilder(const VectorBuilder&) = delete;
  VectorBuilder& operator=(const VectorBuilder&) = delete;

  // Appends `s` (ownership passes to the vector).
  void push(char* s) {
    if (n_ + 1 >= cap_) grow();
    v_[n_++] = s;
  }
  size_t size() const { return n_; }

  // The vector, null when it holds nothing; the builder is left empty.
  char** release() {
    char** v = nullptr;
    if (n_ != 0) {
      v = static_cast<char**>(mrealloc(v_, blockBytes(n_ + 1ull, sizeof(char*), "mrealloc")));
      v[n_] = nullptr;
    } else {
      free(v_);
    }
    v_ = nullptr;
    n_ = cap_ = 0;
    return v;
  }

 private:
  void grow() {
    // The doubling stops at the largest block, so that a vector growing one
    // slot at a time would not have gone further.  (That many slots are
    // fewer than INT_MAX, so the count always fits the vector's int.)
    constexpr size_t kMaxSlots = 0xFFFFFFFFu / sizeof(char*);
    const size_t nCap = grownCapacity(cap_, n_ + 2, 64, kMaxSlots, "mrealloc");
    v_ = static_cast<char**>(mrealloc(v_, blockBytes(nCap, sizeof(char*), "mrealloc")));
    cap_ = nCap;
  }

  char** v_ = nullptr;
  size_t n_ = 0;
  size_t cap_ = 0;
};

// Exact-size heap string holding the `n` bytes at `p` and a NUL.
inline char* heapCopy(const char* p, size_t n) {
  char* s = static_cast<char*>(mmalloc(blockBytes(n + 1ull, "mmalloc")));
  memcpy(s, p, n);
  s[n] = '\0';
  return s;
}

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

// ---- Objects in guarded allocations -------------------------------------------------------

// Constructs a T in a block from mmalloc (the library never throws on
// exhausted memory: it ends the process as every allocation does).
template <class T, class... Args>
T* create(Args&&... args) {
  return new (kPlace, mmalloc(blockBytes(sizeof(T), "mmalloc"))) T(detail::forward<Args>(args)...);
}

// Destroys and frees an object made by create(); null is ignored.
template <class T>
void destroy(T* p) {
  if (p == nullptr) return;
  p->~T();
  free(p);
}

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_COMMON_TAVO_INTERNAL_H
