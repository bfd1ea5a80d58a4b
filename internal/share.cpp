// Sharing of one resource among copies: counted heap blocks and the table of
// shared handles.
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "platform.h"
#include "tavo_share.h"

namespace tavo {
namespace detail {

namespace {

// The header takes a whole alignment unit, so the block behind it is
// aligned as malloc's blocks are.
// (What max_align_t's alignment is: the most any plain type needs.)
union MostAligned {
  long double ld;
  long long ll;
  double d;
  void* p;
};
constexpr size_t kAlign = alignof(MostAligned);
constexpr size_t kHeaderSize = (sizeof(SharedHeader) + kAlign - 1) / kAlign * kAlign;

char* headerStart(const void* pBlock) { return static_cast<char*>(const_cast<void*>(pBlock)) - kHeaderSize; }

}  // namespace

void* allocShared(size_t nBytes) {
  if (nBytes > 0xFFFFFFFFu - kHeaderSize) memfatal("mmalloc");
  char* p = static_cast<char*>(mmalloc(static_cast<unsigned int>(kHeaderSize + nBytes)));
  new (kPlace, p) SharedHeader{{1}, nullptr};
  return p + kHeaderSize;
}

SharedHeader* sharedHeader(const void* pBlock) {
  return __builtin_launder(reinterpret_cast<SharedHeader*>(headerStart(pBlock)));
}

void retainShared(const void* pBlock) {
  if (pBlock != nullptr) sharedHeader(pBlock)->nHolders.fetch_add(1, kRelaxed);
}

bool releaseShared(const void* pBlock) {
  return pBlock != nullptr && sharedHeader(pBlock)->nHolders.fetch_sub(1, kAcqRel) == 1;
}

void freeShared(void* pBlock) {
  sharedHeader(pBlock)->~SharedHeader();
  free(headerStart(pBlock));
}

// ---- The table of shared handles --------------------------------------------
//
// Open addressing with linear probing; an entry is removed by shifting the
// entries of its run back, so there are no tombstones.  A handle gets an
// entry when it is first shared, and keeps it, down to one holder, until its
// last holder lets go: a handle copied and dropped again and again (a copy
// passed by value) finds its entry in place.  While the table is empty,
// letting go of a handle takes no lock.

namespace {

// The table's lock (the platform's, ready without any start-up code), held
// for the life of a TableLock.
struct TableLock {
  TableLock() { platform::lockHandleTable(); }
  ~TableLock() { platform::unlockHandleTable(); }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
};

struct Entry {
  uintptr_t h;
  unsigned kind;
  int nHolders;  // 0: a free slot; 1: the handle is no longer shared
};

Entry* gSlots = nullptr;  // gCap slots, gCap a power of two (or 0)
size_t gCap = 0;
size_t gUsed = 0;
Atomic<size_t> gShared{0};  // gUsed, for the lock-free test

size_t slotOf(HandleKind kind, uintptr_t h, size_t nCap) {
  uint64_t x = (static_cast<uint64_t>(h) << 2) ^ static_cast<uint64_t>(kind);
  x *= 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(x >> 32) & (nCap - 1);
}

// The slot of (kind, h), or the free slot where it would go.  gCap > 0.
size_t probe(HandleKind kind, uintptr_t h) {
  size_t i = slotOf(kind, h, gCap);
  while (gSlots[i].nHolders != 0 && (gSlots[i].h != h || gSlots[i].kind != static_cast<unsigned>(kind)))
    i = (i + 1) & (gCap - 1);
  return i;
}

void grow() {
  const size_t nNew = gCap == 0 ? 16 : gCap * 2;
  Entry* pOld = gSlots;
  const size_t nOld = gCap;
  gSlots = static_cast<Entry*>(mmalloc(static_cast<unsigned int>(nNew * sizeof(Entry))));
  memset(static_cast<void*>(gSlots), 0, nNew * sizeof(Entry));
  gCap = nNew;
  for (size_t i = 0; i < nOld; ++i) {
    if (pOld[i].nHolders == 0) continue;
    gSlots[probe(static_cast<HandleKind>(pOld[i].kind), pOld[i].h)] = pOld[i];
  }
  free(pOld);
}

// Removes the entry in slot `i`, moving back the entries after it that
// would no longer be found.
void removeAt(size_t i) {
  size_t j = i;
  for (;;) {
    gSlots[i].nHolders = 0;
    for (;;) {
      j = (j + 1) & (gCap - 1);
      if (gSlots[j].nHolders == 0) return;
      const size_t k = slotOf(static_cast<HandleKind>(gSlots[j].kind), gSlots[j].h, gCap);
      // Entry j stays when its home k lies cyclically in (i, j].
      if (i <= j ? (i < k && k <= j) : (i < k || k <= j)) continue;
      break;
    }
    gSlots[i] = gSlots[j];
    i = j;
  }
}

// shareHandle and releaseHandle for a handle the socket array does not take.
void shareInTable(HandleKind kind, uintptr_t h) {
  TableLock lock;
  if ((gUsed + 1) * 2 > gCap) grow();
  const size_t i = probe(kind, h);
  if (gSlots[i].nHolders != 0) {
    ++gSlots[i].nHolders;  // also from 1: shared again
    return;
  }
  gSlots[i] = Entry{h, static_cast<unsigned>(kind), 2};
  ++gUsed;
  gShared.store(gUsed, kRelease);
}

bool releaseInTable(HandleKind kind, uintptr_t h) {
  if (gShared.load(kAcquire) == 0) return true;
  TableLock lock;
  if (gUsed == 0) return true;
  const size_t i = probe(kind, h);
  if (gSlots[i].nHolders == 0) return true;
  if (gSlots[i].nHolders > 1) {
    --gSlots[i].nHolders;
    return false;
  }
  removeAt(i);  // the last holder
  --gUsed;
  gShared.store(gUsed, kRelease);
  return true;
}

// ---- Sockets: counts indexed by the handle's number ------------------------
//
// Socket handles are small numbers (POSIX descriptors; Windows Sockets
// handles, multiples of 4), copied and dropped far more often than the
// other handles: their counts sit in a two-level array indexed by the
// number, updated with atomic operations only, no lock.  A slot counts the
// holders beyond the first (0: one holder, or none).  Blocks of the array
// are made on first use and kept until the process ends; a handle whose
// number falls outside goes to the table like any other handle.

constexpr uintptr_t kStride = platform::kSocketHandleStride;
constexpr size_t kBlockBits = 10;
constexpr size_t kBlockSize = size_t{1} << kBlockBits;
constexpr size_t kBlocks = 1024;  // 2^20 numbers in all
Atomic<Atomic<int>*> gSocketBlocks[kBlocks];

// The array's index of socket handle `h`; false when it has none.
bool socketNumber(uintptr_t h, size_t* pN) {
  if (h % kStride != 0 || h / kStride >= kBlocks * kBlockSize) return false;
  *pN = static_cast<size_t>(h / kStride);
  return true;
}

// The count of socket number `n`; null when its block was never made and
// `bMake` is false.
Atomic<int>* socketSlot(size_t n, bool bMake) {
  Atomic<Atomic<int>*>& rBlock = gSocketBlocks[n >> kBlockBits];
  Atomic<int>* pBlock = rBlock.load(kAcquire);
  if (pBlock == nullptr) {
    if (!bMake) return nullptr;
    auto* pNew =
        static_cast<Atomic<int>*>(mmalloc(static_cast<unsigned int>(kBlockSize * sizeof(Atomic<int>))));
    for (size_t i = 0; i < kBlockSize; ++i) new (kPlace, &pNew[i]) Atomic<int>(0);
    if (rBlock.compare_exchange_strong(pBlock, pNew, kAcqRel)) {
      pBlock = pNew;
    } else {
      free(pNew);  // another thread made it first: pBlock is theirs
    }
  }
  return &pBlock[n & (kBlockSize - 1)];
}

}  // namespace

void shareHandle(HandleKind kind, uintptr_t h) {
  size_t n;
  if (kind == HandleKind::kSocket && socketNumber(h, &n)) {
    socketSlot(n, true)->fetch_add(1, kRelaxed);
    return;
  }
  shareInTable(kind, h);
}

bool releaseHandle(HandleKind kind, uintptr_t h) {
  size_t n;
  if (kind != HandleKind::kSocket || !socketNumber(h, &n)) return releaseInTable(kind, h);
  Atomic<int>* p = socketSlot(n, false);
  if (p == nullptr) return true;  // never shared: its block was never made
  // Nobody beyond this holder (0 before): it was the last, and since no
  // other holder is left to copy from, nobody shares it meanwhile; the slot
  // is set back to 0.
  if (p->fetch_sub(1, kAcqRel) > 0) return false;
  p->store(0, kRelaxed);
  return true;
}

}  // namespace detail
}  // namespace tavo
