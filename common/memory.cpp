// Guarded allocators and the string vector / string table helpers.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_internal.h"

void memfatal(const char* name) {
  std::fprintf(stderr, "%s: No enough memory.\n", name);
  std::exit(1);
}

// A zero-byte request is served as one byte so that the result is always a
// real block: malloc(0) and realloc(p, 0) may legally return null (and the
// latter frees p), which callers of these functions never expect.
void* mmalloc(unsigned int size) {
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) memfatal("mmalloc");
  return p;
}

void* mrealloc(void* p, unsigned int size) {
  if (size == 0) size = 1;
  void* q = (p == nullptr) ? std::malloc(size) : std::realloc(p, size);
  if (q == nullptr) memfatal("mrealloc");
  return q;
}

char* mstrdup(const char* s) {
  std::size_t n = std::strlen(s) + 1;
  char* p = static_cast<char*>(std::malloc(n));
  if (p == nullptr) memfatal("mstrdup");
  std::memcpy(p, s, n);
  return p;
}

namespace tavo {
namespace detail {

namespace {
unsigned int slotBytes(int nSlots, unsigned int nSlotSize) {
  // The interface sizes blocks with unsigned int; a vector that would need
  // more cannot be represented, which is as fatal as exhausted memory.
  unsigned long long n = static_cast<unsigned long long>(nSlots) * nSlotSize;
  if (n > 0xFFFFFFFFull) memfatal("mrealloc");
  return static_cast<unsigned int>(n);
}
}  // namespace

char** vectorPush(char** v, int n, char* s) {
  v = static_cast<char**>(mrealloc(v, slotBytes(n + 2, sizeof(char*))));
  v[n] = s;
  v[n + 1] = nullptr;
  return v;
}

char*** tablePush(char*** t, int n, char** pv) {
  t = static_cast<char***>(mrealloc(t, slotBytes(n + 2, sizeof(char**))));
  t[n] = pv;
  t[n + 1] = nullptr;
  return t;
}

}  // namespace detail
}  // namespace tavo

char** mstrdup2(const char** v) {
  char** r = nullptr;
  int n = 0;
  for (; v[n] != nullptr; ++n) r = tavo::detail::vectorPush(r, n, mstrdup(v[n]));
  return r;
}

void strfreev(char** v) {
  if (v == nullptr) return;
  for (char** p = v; *p != nullptr; ++p) std::free(*p);
  std::free(v);
}

void strfreevv(char*** t) {
  if (t == nullptr) return;
  for (char*** p = t; *p != nullptr; ++p) strfreev(*p);
  std::free(t);
}

int addresslen2(char** v) {
  int n = 0;
  if (v != nullptr)
    while (v[n] != nullptr) ++n;
  return n;
}

int addresslen3(char*** t) {
  int n = 0;
  if (t != nullptr)
    while (t[n] != nullptr) ++n;
  return n;
}
