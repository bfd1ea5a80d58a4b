// Sharing of one resource among copies: counted heap blocks and the table of
// shared handles.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/common.h"
#include "platform.h"
#include "tavo_share.h"

namespace tavo {
namespace detail {

namespace {

// The header takes a whole alignment unit, so the block behind it is
// aligned as malloc's blocks are.
constexpr std::size_t kAlign = alignof(std::max_align_t);
constexpr std::size_t kHeaderSize = (sizeof(SharedHeader) + kAlign - 1) / kAlign * kAlign;

char* headerStart(const void* pBlock) { return static_cast<char*>(const_cast<void*>(pBlock)) - kHeaderSize; }

}  // namespace

void* allocShared(std::size_t nBytes) {
  if (nBytes > 0xFFFFFFFFu - kHeaderSize) memfatal("mmalloc");
  char* p = static_cast<char*>(mmalloc(static_cast<unsigned int>(kHeaderSize + nBytes)));
  new (p) SharedHeader{{1}, nullptr};
  return p + kHeaderSize;
}

SharedHeader* sharedHeader(const void* pBlock) {
  return std::launder(reinterpret_cast<SharedHeader*>(headerStart(pBlock)));
}

void retainShared(const void* pBlock) {
  if (pBlock != nullptr) sharedHeader(pBlock)->nHolders.fetch_add(1, std::memory_order_relaxed);
}

bool releaseShared(const void* pBlock) {
  return pBlock != nullptr && sharedHeader(pBlock)->nHolders.fetch_sub(1, std::memory_order_acq_rel) == 1;
}

void freeShared(void* pBlock) {
  sharedHeader(pBlock)->~SharedHeader();
  std::free(headerStart(pBlock));
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

struct Entry {
  std::uintptr_t h;
  unsigned kind;
  int nHolders;  // 0: a free slot; 1: the handle is no longer shared
};

std::mutex gLock;
Entry* gSlots = nullptr;  // gCap slots, gCap a power of two (or 0)
std::size_t gCap = 0;
std::size_t gUsed = 0;
std::atomic<std::size_t> gShared{0};  // gUsed, for the lock-free test

std::size_t slotOf(HandleKind kind, std::uintptr_t h, std::size_t nCap) {
  std::uint64_t x = (static_cast<std::uint64_t>(h) << 2) ^ static_cast<std::uint64_t>(kind);
  x *= 0x9E3779B97F4A7C15ull;
  return static_cast<std::size_t>(x >> 32) & (nCap - 1);
}

// The slot of (kind, h), or the free slot where it would go.  gCap > 0.
std::size_t probe(HandleKind kind, std::uintptr_t h) {
  std::size_t i = slotOf(kind, h, gCap);
  while (gSlots[i].nHolders != 0 && (gSlots[i].h != h || gSlots[i].kind != static_cast<unsigned>(kind)))
    i = (i + 1) & (gCap - 1);
  return i;
}

void grow() {
  const std::size_t nNew = gCap == 0 ? 16 : gCap * 2;
  Entry* pOld = gSlots;
  const std::size_t nOld = gCap;
  gSlots = static_cast<Entry*>(mmalloc(static_cast<unsigned int>(nNew * sizeof(Entry))));
  std::memset(static_cast<void*>(gSlots), 0, nNew * sizeof(Entry));
  gCap = nNew;
  for (std::size_t i = 0; i < nOld; ++i) {
    if (pOld[i].nHolders == 0) continue;
    gSlots[probe(static_cast<HandleKind>(pOld[i].kind), pOld[i].h)] = pOld[i];
  }
  std::free(pOld);
}

// Removes the entry in slot `i`, moving back the entries after it that
// would no longer be found.
void removeAt(std::size_t i) {
  std::size_t j = i;
  for (;;) {
    gSlots[i].nHolders = 0;
    for (;;) {
      j = (j + 1) & (gCap - 1);
      if (gSlots[j].nHolders == 0) return;
      const std::size_t k = slotOf(static_cast<HandleKind>(gSlots[j].kind), gSlots[j].h, gCap);
      // Entry j stays when its home k lies cyclically in (i, j].
      if (i <= j ? (i < k && k <= j) : (i < k || k <= j)) continue;
      break;
    }
    gSlots[i] = gSlots[j];
    i = j;
  }
}

// shareHandle and releaseHandle for a handle the socket array does not take.
void shareInTable(HandleKind kind, std::uintptr_t h) {
  std::lock_guard<std::mutex> lock(gLock);
  if ((gUsed + 1) * 2 > gCap) grow();
  const std::size_t i = probe(kind, h);
  if (gSlots[i].nHolders != 0) {
    ++gSlots[i].nHolders;  // also from 1: shared again
    return;
  }
  gSlots[i] = Entry{h, static_cast<unsigned>(kind), 2};
  ++gUsed;
  gShared.store(gUsed, std::memory_order_release);
}

bool releaseInTable(HandleKind kind, std::uintptr_t h) {
  if (gShared.load(std::memory_order_acquire) == 0) return true;
  std::lock_guard<std::mutex> lock(gLock);
  if (gUsed == 0) return true;
  const std::size_t i = probe(kind, h);
  if (gSlots[i].nHolders == 0) return true;
  if (gSlots[i].nHolders > 1) {
    --gSlots[i].nHolders;
    return false;
  }
  removeAt(i);  // the last holder
  --gUsed;
  gShared.store(gUsed, std::memory_order_release);
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

constexpr std::uintptr_t kStride = platform::kSocketHandleStride;
constexpr std::size_t kBlockBits = 10;
constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
constexpr std::size_t kBlocks = 1024;  // 2^20 numbers in all
std::atomic<std::atomic<int>*> gSocketBlocks[kBlocks];

// The array's index of socket handle `h`; false when it has none.
bool socketNumber(std::uintptr_t h, std::size_t* pN) {
  if (h % kStride != 0 || h / kStride >= kBlocks * kBlockSize) return false;
  *pN = static_cast<std::size_t>(h / kStride);
  return true;
}

// The count of socket number `n`; null when its block was never made and
// `bMake` is false.
std::atomic<int>* socketSlot(std::size_t n, bool bMake) {
  std::atomic<std::atomic<int>*>& rBlock = gSocketBlocks[n >> kBlockBits];
  std::atomic<int>* pBlock = rBlock.load(std::memory_order_acquire);
  if (pBlock == nullptr) {
    if (!bMake) return nullptr;
    auto* pNew = static_cast<std::atomic<int>*>(mmalloc(static_cast<unsigned int>(kBlockSize * sizeof(std::atomic<int>))));
    for (std::size_t i = 0; i < kBlockSize; ++i) new (&pNew[i]) std::atomic<int>(0);
    if (rBlock.compare_exchange_strong(pBlock, pNew, std::memory_order_acq_rel)) {
      pBlock = pNew;
    } else {
      std::free(pNew);  // another thread made it first: pBlock is theirs
    }
  }
  return &pBlock[n & (kBlockSize - 1)];
}

}  // namespace

void shareHandle(HandleKind kind, std::uintptr_t h) {
  std::size_t n;
  if (kind == HandleKind::kSocket && socketNumber(h, &n)) {
    socketSlot(n, true)->fetch_add(1, std::memory_order_relaxed);
    return;
  }
  shareInTable(kind, h);
}

bool releaseHandle(HandleKind kind, std::uintptr_t h) {
  std::size_t n;
  if (kind != HandleKind::kSocket || !socketNumber(h, &n)) return releaseInTable(kind, h);
  std::atomic<int>* p = socketSlot(n, false);
  if (p == nullptr) return true;  // never shared: its block was never made
  // Nobody beyond this holder (0 before): it was the last, and since no
  // other holder is left to copy from, nobody shares it meanwhile; the slot
  // is set back to 0.
  if (p->fetch_sub(1, std::memory_order_acq_rel) > 0) return false;
  p->store(0, std::memory_order_relaxed);
  return true;
}

}  // namespace detail
}  // namespace tavo
