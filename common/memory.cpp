// Guarded allocators and the string vector / string table helpers.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_exhausted.h"
#include "tavo_vector.h"

void memfatal(const char* name) {
  fprintf(stderr, "%s: No enough memory.\n", name);
  exit(1);
}

void tavo::detail::memoryExhausted(const char* pWho) { memfatal(pWho); }

// A zero-byte request is served as one byte so that the result is always a
// real block: malloc(0) and realloc(p, 0) may legally return null (and the
// latter frees p), which callers of these functions never expect.
void* mmalloc(unsigned int size) {
  void* p = malloc(size != 0 ? size : 1);
  if (p == nullptr) memfatal("mmalloc");
  return p;
}

void* mrealloc(void* p, unsigned int size) {
  if (size == 0) size = 1;
  void* q = (p == nullptr) ? malloc(size) : realloc(p, size);
  if (q == nullptr) memfatal("mrealloc");
  return q;
}

char* mstrdup(const char* s) {
  size_t n = strlen(s) + 1;
  char* p = static_cast<char*>(malloc(n));
  if (p == nullptr) memfatal("mstrdup");
  memcpy(p, s, n);
  return p;
}

char** mstrdup2(const char** v) {
  char** r = nullptr;
  int n = 0;
  for (; v[n] != nullptr; ++n) r = tavo::detail::vectorPush(r, n, mstrdup(v[n]));
  return r;
}

void strfreev(char** v) {
  if (v == nullptr) return;
  for (char** p = v; *p != nullptr; ++p) free(*p);
  free(v);
}

void strfreevv(char*** t) {
  if (t == nullptr) return;
  for (char*** p = t; *p != nullptr; ++p) strfreev(*p);
  free(t);
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
