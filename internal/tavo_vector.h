// The exact-size growth of string vectors and tables, and vectors built in
// scratch space (internal header, not installed).
#ifndef TAVO_INTERNAL_TAVO_VECTOR_H
#define TAVO_INTERNAL_TAVO_VECTOR_H

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_alloc.h"
#include "tavo_text.h"

namespace tavo {
namespace detail {

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

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_VECTOR_H
