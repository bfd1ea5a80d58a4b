// Sharing of one resource among copies of the library's objects (internal
// header, not installed).
//
// Copies of an object that owns a stream, a parsed table, a socket, a
// connection, a result set or a mapping refer to the same resource, and the
// last of them to let go releases it, once.  The objects themselves hold
// only the members their interface lists, so the count of holders lives
// outside them, in one of two places:
//   - a heap block the library allocates for a member (the file name of
//     tCFile, the entry table of tCFileConf, the section array of tCFileIni)
//     carries a header in front of it with the count and one pointer of the
//     owner's (a lookup index);
//   - a handle is counted outside the object too: a socket in an array
//     indexed by its number, a connection, a result set or a mapping in a
//     process-wide table that holds only handles that have been shared
//     (copied).  A handle never shared has one holder and costs nothing.
// Both are safe when distinct objects sharing a resource are used on
// different threads.
#ifndef TAVO_INTERNAL_TAVO_SHARE_H
#define TAVO_INTERNAL_TAVO_SHARE_H

#include <stddef.h>
#include <stdint.h>

#include "tavo_cxx.h"

namespace tavo {
namespace detail {

// ---- Heap blocks with the count in front -----------------------------------

struct SharedHeader {
  Atomic<int> nHolders;
  void* pExtra;  // the owner's: what goes with the block (null when nothing)
};

// A block of `nBytes` (from mmalloc) behind a header counting one holder,
// pExtra null.  Returns the block.
void* allocShared(size_t nBytes);
// The header of a block from allocShared.
SharedHeader* sharedHeader(const void* pBlock);
// One more holder.  Null is ignored.
void retainShared(const void* pBlock);
// One holder fewer.  True when it was the last: the caller then releases
// what the block holds and frees it with freeShared.  False for null.
bool releaseShared(const void* pBlock);
// Frees a block from allocShared (the header goes with it).
void freeShared(void* pBlock);

// An object of type T made in a block from allocShared, and its end.
template <class T, class... Args>
T* newShared(Args&&... args) {
  return new (kPlace, allocShared(sizeof(T))) T(detail::forward<Args>(args)...);
}
template <class T>
void deleteShared(T* p) {
  p->~T();
  freeShared(p);
}

// ---- Handles ----------------------------------------------------------------

// What a handle is: the same number may be a socket and a mapping.
enum class HandleKind : unsigned { kSocket, kConnection, kResult, kMapping };

// One more holder of `h` (a second one when it was never shared).
void shareHandle(HandleKind kind, uintptr_t h);
// One holder fewer.  True when the caller was the last holder (also when
// `h` was never shared): the caller then releases the handle.
bool releaseHandle(HandleKind kind, uintptr_t h);

// The same for a socket held in an int member (-1: none, nothing to do).
inline void shareSocket(int fd) {
  if (fd != -1) shareHandle(HandleKind::kSocket, static_cast<uintptr_t>(static_cast<unsigned>(fd)));
}
inline bool releaseSocketShare(int fd) {
  return fd != -1 && releaseHandle(HandleKind::kSocket, static_cast<uintptr_t>(static_cast<unsigned>(fd)));
}

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_SHARE_H
