// Hashing and a first-match index for the settings parsers (internal
// header, not installed).
#ifndef TAVO_INTERNAL_TAVO_INDEX_H
#define TAVO_INTERNAL_TAVO_INDEX_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "tavo_alloc.h"

namespace tavo {
namespace detail {

// Hash of the `n` bytes at `p`, continuing from `h`: eight bytes at a time,
// as keys are short and looked up often.  Only ever compared within one
// process, so the byte order of the words does not matter.
inline uint64_t hashBytes(const char* p, size_t n, uint64_t h) {
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  h ^= static_cast<uint64_t>(n) << 56;
  while (n > 8) {
    uint64_t w;
    memcpy(&w, p, 8);
    h = (h ^ w) * kMul;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  // The last 1 to 8 bytes in at most two loads that stay inside the text.
  uint64_t w = 0;
  if (n >= 4) {
    uint32_t a, b;
    memcpy(&a, p, 4);
    memcpy(&b, p + n - 4, 4);
    w = (static_cast<uint64_t>(a) << 32) | b;
  } else if (n > 0) {
    w = (static_cast<uint64_t>(static_cast<unsigned char>(p[0])) << 16) |
        (static_cast<uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8) |
        static_cast<unsigned char>(p[n - 1]);
  }
  h = (h ^ w) * kMul;
  return h ^ (h >> 32);
}

// A text with its length, measured once.
struct Text {
  explicit Text(const char* p) : p(p), n(strlen(p)) {}
  Text(const char* p, size_t n) : p(p), n(n) {}
  const char* p;
  size_t n;
};

inline uint32_t hashOf(const Text& t) { return static_cast<uint32_t>(hashBytes(t.p, t.n, 0)); }

// The hash of a pair of texts (a section and a key).
inline uint32_t hashOf(const Text& a, const Text& b) {
  return static_cast<uint32_t>(hashBytes(b.p, b.n, hashBytes(a.p, a.n, 0x51ED270Bu)) >> 16);
}

// Whether the text of `nLen` bytes at `p` is `t`.
inline bool sameText(const char* p, size_t nLen, const Text& t) {
  return nLen == t.n && memcmp(p, t.p, nLen) == 0;
}

// An open-addressing index of table rows by the hash of their key, for
// lookups in which the first row added under a key wins.  A row is a string
// vector of (key, value, ...) that stays where it is while the index lives;
// the slot keeps the lengths of the row's key and value, so that a lookup
// compares and copies without measuring them again, and a number the owner
// gives meaning to (the row's section, say).  The owner decides when two
// keys are the same.  The table is sized once for the rows it will hold,
// at most half full, so a lookup probes about one slot whatever the number
// of rows.
class FirstMatchIndex {
 public:
  struct Slot {
    uint32_t nHash;
    uint32_t nTag;
    uint32_t nKeyLen;
    uint32_t nValueLen;
    char** pRow;  // null in a free slot
  };

  // Whether an index of `nItems` rows can be had: its table must have a
  // free slot left, within the largest block the allocators can give.
  static bool fits(size_t nItems) { return nItems < maxSlots(); }

  // An index for `nItems` rows; fits(nItems) must hold.  The table is sized
  // for a load of at most a half, or as near to it as the largest block
  // allows.
  explicit FirstMatchIndex(size_t nItems) {
    const size_t nMax = maxSlots();
    size_t n = 8;
    while (n < 2 * nItems && n < nMax) n *= 2;
    slots_ = static_cast<Slot*>(mmalloc(blockBytes(n, sizeof(Slot), "mmalloc")));
    for (size_t i = 0; i < n; ++i) slots_[i].pRow = nullptr;
    mask_ = n - 1;
  }
  ~FirstMatchIndex() { free(slots_); }
  FirstMatchIndex(const FirstMatchIndex&) = delete;
  FirstMatchIndex& operator=(const FirstMatchIndex&) = delete;

  // Adds the row `pRow`, whose key is `key` and whose value is in column
  // `nValue`, with `nTag` under `nHash`, unless a row with the same key is
  // there already; same(slot) tells whether a slot's row has that key.
  // Keys and values longer than 4 GiB - 1 cannot be held by the library's
  // blocks.
  template <class Same>
  void addFirst(uint32_t nHash, uint32_t nTag, char** pRow, const Text& key, int nValue, Same same) {
    Slot* s = probe(nHash, same);
    if (s->pRow == nullptr)
      *s = Slot{nHash, nTag, static_cast<uint32_t>(key.n), static_cast<uint32_t>(strlen(pRow[nValue])), pRow};
  }

  // The slot of the row with the key `same` recognises, or null.
  template <class Same>
  const Slot* find(uint32_t nHash, Same same) const {
    const Slot* s = probe(nHash, same);
    return s->pRow == nullptr ? nullptr : s;
  }

 private:
  // The largest power of two of slots that one block can hold.
  static constexpr size_t maxSlots() {
    size_t n = 8;
    while (fitsBlock(2 * n, sizeof(Slot))) n *= 2;
    return n;
  }

  // The slot of the key, or the free slot where it would go.
  template <class Same>
  Slot* probe(uint32_t nHash, Same& same) const {
    for (size_t i = nHash & mask_;; i = (i + 1) & mask_) {
      Slot* s = &slots_[i];
      if (s->pRow == nullptr || (s->nHash == nHash && same(*s))) return s;
    }
  }

  Slot* slots_;
  size_t mask_;
};

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_INDEX_H
