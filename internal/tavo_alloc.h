// Allocation rules shared inside the library, each written once (internal
// header, not installed): the size guard before an allocation, exact-size
// heap copies, and objects placed in guarded allocations.
#ifndef TAVO_INTERNAL_TAVO_ALLOC_H
#define TAVO_INTERNAL_TAVO_ALLOC_H

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
inline size_t grownCapacity(size_t nCap, size_t nNeed, size_t nFirst, size_t nMax, const char* pAllocator) {
  if (nNeed > nMax) memfatal(pAllocator);
  size_t n = nCap == 0 ? nFirst : nCap;
  while (n < nNeed) n = n > nMax / 2 ? nMax : n * 2;
  return n;
}

// Exact-size heap string holding the `n` bytes at `p` and a NUL.
inline char* heapCopy(const char* p, size_t n) {
  char* s = static_cast<char*>(mmalloc(blockBytes(n + 1ull, "mmalloc")));
  memcpy(s, p, n);
  s[n] = '\0';
  return s;
}

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

#endif  // TAVO_INTERNAL_TAVO_ALLOC_H
