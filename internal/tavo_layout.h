// The binary layout of the exported classes (internal header, not
// installed).
//
// Client programs hold the library's objects themselves (on their stack,
// inside their own structs, as bases of their own classes) and read members
// such as m_Row, m_szErr, m_nSock and m_oConf at fixed offsets, so each
// class is exactly the members its interface lists, in order, after the
// pointer to its virtual table when it has one.  Every class's source
// checks its size and the offset of each member with TAVO_LAYOUT, for the
// 32-bit Windows build and for 64-bit systems alike (kPtr is the size of a
// pointer there).
#ifndef TAVO_INTERNAL_TAVO_LAYOUT_H
#define TAVO_INTERNAL_TAVO_LAYOUT_H

#include <stddef.h>

// Offsets of members of classes with a virtual table: well defined for the
// compilers the library is built with, which place the table pointer first.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace tavo {
namespace detail {

constexpr size_t kPtr = sizeof(void*);
static_assert(kPtr == 4 || kPtr == 8, "a 32-bit or a 64-bit system");

// n rounded up to a multiple of a pointer's alignment.
constexpr size_t ptrAligned(size_t n) { return (n + kPtr - 1) / kPtr * kPtr; }

}  // namespace detail
}  // namespace tavo

// The member `m` of class `T` is at byte `off`.  Used inside a member
// function of T, so that private and protected members can be named.
#define TAVO_LAYOUT(T, m, off) \
  static_assert(__builtin_offsetof(T, m) == (off), #T "::" #m " must stay where client programs read it")

// The class `T` is `n` bytes: client programs allocate exactly that.
#define TAVO_SIZE(T, n) \
  static_assert(sizeof(T) == (n), "sizeof(" #T ") must stay what client programs allocate")

#endif  // TAVO_INTERNAL_TAVO_LAYOUT_H
