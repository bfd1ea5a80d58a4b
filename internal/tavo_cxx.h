// The few pieces of the C++ standard library that the library's sources
// use, written here (internal header, not installed) so that every source
// compiles with the C runtime's headers alone: the Visual C++-mode build of
// tavo.dll has no C++ standard library to include, and the objects of a DLL
// without an entry point may hold no static constructors.  Each piece does
// what its standard counterpart does for the types the library gives it.
//   - placement: new (kPlace, p) T(...) builds a T in storage the library
//     allocated (a tag of our own, so that it never meets the standard
//     placement operator new that <new> defines inline);
//   - forward, move, swap, min, reverse;
//   - copyItems and mergeRuns, the two algorithms of the merge sort;
//   - Atomic<T>, an integer or pointer updated with the compilers' __atomic
//     builtins (GCC and clang have them on every target).  Its default
//     constructor is trivial, so a static one is zero from the start
//     without any constructor running.
#ifndef TAVO_INTERNAL_TAVO_CXX_H
#define TAVO_INTERNAL_TAVO_CXX_H

#include <stddef.h>
#include <string.h>

namespace tavo {
namespace detail {

struct PlaceTag {};
constexpr PlaceTag kPlace{};

}  // namespace detail
}  // namespace tavo

inline void* operator new(size_t, tavo::detail::PlaceTag, void* p) noexcept { return p; }
// The matching release, which a failing constructor would call; the library
// builds without exceptions, so it is never called.
inline void operator delete(void*, tavo::detail::PlaceTag, void*) noexcept {}

namespace tavo {
namespace detail {

// ---- Values ---------------------------------------------------------------------

template <class T>
struct NoRef {
  using type = T;
};
template <class T>
struct NoRef<T&> {
  using type = T;
};
template <class T>
struct NoRef<T&&> {
  using type = T;
};

template <class T>
constexpr T&& forward(typename NoRef<T>::type& t) noexcept {
  return static_cast<T&&>(t);
}
template <class T>
constexpr T&& forward(typename NoRef<T>::type&& t) noexcept {
  return static_cast<T&&>(t);
}
template <class T>
constexpr typename NoRef<T>::type&& move(T&& t) noexcept {
  return static_cast<typename NoRef<T>::type&&>(t);
}

template <class T>
void swap(T& a, T& b) {
  T t = detail::move(a);
  a = detail::move(b);
  b = detail::move(t);
}

template <class T>
constexpr const T& min(const T& a, const T& b) {
  return b < a ? b : a;
}

// Reverses [first, last) in place.
template <class T>
void reverse(T* first, T* last) {
  while (first != last && first != --last) detail::swap(*first++, *last);
}

// ---- Ranges of plain items ---------------------------------------------------------

// Copies the `n` items at `src` to `dst` (the ranges do not overlap), as
// bytes: the items are plain data (pointers, keys).  A single item, common
// at the end of a merge, is assigned rather than passed to memcpy.
template <class T>
void copyItems(const T* src, size_t n, T* dst) {
  static_assert(__is_trivially_copyable(T), "copyItems copies plain data only");
  if (n > 1) {
    memmove(static_cast<void*>(dst), static_cast<const void*>(src), n * sizeof(T));
  } else if (n == 1) {
    *dst = *src;
  }
}

// Merges the sorted ranges [a, aEnd) and [b, bEnd) into `out`, taking from
// the first range on ties (stable).  Returns the end of the output.
template <class T, class Less>
T* mergeRuns(const T* a, const T* aEnd, const T* b, const T* bEnd, T* out, Less less) {
  for (; a != aEnd && b != bEnd; ++out) {
    if (less(*b, *a)) {
      *out = *b;
      ++b;
    } else {
      *out = *a;
      ++a;
    }
  }
  copyItems(a, static_cast<size_t>(aEnd - a), out);
  out += aEnd - a;
  copyItems(b, static_cast<size_t>(bEnd - b), out);
  return out + (bEnd - b);
}

// ---- Atomic values --------------------------------------------------------------------

enum MemoryOrder : int {
  kRelaxed = __ATOMIC_RELAXED,
  kAcquire = __ATOMIC_ACQUIRE,
  kRelease = __ATOMIC_RELEASE,
  kAcqRel = __ATOMIC_ACQ_REL,
};

// An int, a size or a pointer read and changed atomically, as std::atomic
// of the same type (lock-free: naturally aligned, at most a machine word).
template <class T>
class Atomic {
 public:
  Atomic() = default;
  constexpr Atomic(T v) : v_(v) {}  // NOLINT: an aggregate member starts as {value}
  Atomic(const Atomic&) = delete;
  Atomic& operator=(const Atomic&) = delete;

  T load(MemoryOrder order) const { return __atomic_load_n(&v_, order); }
  void store(T v, MemoryOrder order) { __atomic_store_n(&v_, v, order); }
  // std::atomic's own names, as this stands in for it.
  // NOLINTBEGIN(readability-identifier-naming)
  T fetch_add(T d, MemoryOrder order) { return __atomic_fetch_add(&v_, d, order); }
  T fetch_sub(T d, MemoryOrder order) { return __atomic_fetch_sub(&v_, d, order); }
  // Stores `desired` when the value is `expected`; otherwise loads the value
  // into `expected`.  The failed case orders as std::atomic's does (acquire
  // for acquire-release, relaxed for release).
  bool compare_exchange_strong(T& expected, T desired, MemoryOrder order) {
    const int failure = order == kAcqRel ? kAcquire : order == kRelease ? kRelaxed : order;
    return __atomic_compare_exchange_n(&v_, &expected, desired, false, order, failure);
  }
  // NOLINTEND(readability-identifier-naming)

 private:
  static_assert(sizeof(T) <= sizeof(void*), "a machine word at most, so that no runtime helper is needed");
  alignas(sizeof(T)) T v_;
};

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_CXX_H
