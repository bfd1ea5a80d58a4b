// Sharing of one resource among copies: counted heap blocks and the table of
// shared handles.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/common.h"
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
// entries of its run back, so there are no tombstones.  Only handles with
// two or more holders are in it; while it is empty, letting go of a handle
// takes no lock.

namespace {

struct Entry {
  std::uintptr_t h;
  unsigned kind;
  int nHolders;  // 0: a free slot
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

}  // namespace

void shareHandle(HandleKind kind, std::uintptr_t h) {
  std::lock_guard<std::mutex> lock(gLock);
  if ((gUsed + 1) * 2 > gCap) grow();
  const std::size_t i = probe(kind, h);
  if (gSlots[i].nHolders != 0) {
    ++gSlots[i].nHolders;
    return;
  }
  gSlots[i] = Entry{h, static_cast<unsigned>(kind), 2};
  ++gUsed;
  gShared.store(gUsed, std::memory_order_release);
}

bool releaseHandle(HandleKind kind, std::uintptr_t h) {
  if (gShared.load(std::memory_order_acquire) == 0) return true;
  std::lock_guard<std::mutex> lock(gLock);
  if (gUsed == 0) return true;
  const std::size_t i = probe(kind, h);
  if (gSlots[i].nHolders == 0) return true;
  if (--gSlots[i].nHolders == 1) {
    removeAt(i);
    --gUsed;
    gShared.store(gUsed, std::memory_order_release);
  }
  return false;
}

int handleHolders(HandleKind kind, std::uintptr_t h) {
  std::lock_guard<std::mutex> lock(gLock);
  if (gUsed == 0) return 1;
  const std::size_t i = probe(kind, h);
  return gSlots[i].nHolders != 0 ? gSlots[i].nHolders : 1;
}

}  // namespace detail
}  // namespace tavo
