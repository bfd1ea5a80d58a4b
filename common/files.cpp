// Whole-file and directory functions.
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_alloc.h"
#include "tavo_vector.h"
#include "platform.h"
#include "tavo_lines.h"

namespace {

// Heap string holding `a` followed by the `nB` bytes of `b` and a NUL.
char* joined(const char* a, const char* b, size_t nB) {
  size_t nA = strlen(a);
  char* s = static_cast<char*>(mmalloc(tavo::detail::blockBytes(nA + nB + 1ull, "mmalloc")));
  memcpy(s, a, nA);
  memcpy(s + nA, b, nB);
  s[nA + nB] = '\0';
  return s;
}

struct Listing {
  const char* pArg;     // the caller's argument, the prefix of every result
  const char* pPrefix;  // what an entry's name must begin with
  size_t nPrefix;
  char** v;
  int n;
};

void keepEntry(const char* name, void* ctx) {
  Listing* l = static_cast<Listing*>(ctx);
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return;
  if (strncmp(name, l->pPrefix, l->nPrefix) != 0) return;
  l->v = tavo::detail::vectorPush(l->v, l->n, joined(l->pArg, name, strlen(name)));
  ++l->n;
}

}  // namespace

char** read_file(const char* name) { return tavo::detail::readFileLines(name, INT_MAX); }

char** read_file_lines(const char* name, int n) {
  if (n <= 0) return nullptr;
  return tavo::detail::readFileLines(name, n);
}

int write_file(const char* name, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = tavo::detail::writeFormatted(name, "ab+", fmt, ap);
  va_end(ap);
  return n >= 0 ? 1 : 0;
}

int write2file(const char* name, const char* buf, int count) {
  if (count < 0) return 0;
  FILE* fp = fopen(name, "ab+");
  if (fp == nullptr) return 0;
  size_t n = fwrite(buf, 1, static_cast<size_t>(count), fp);
  int nClosed = fclose(fp);
  return (n == static_cast<size_t>(count) && nClosed == 0) ? 1 : 0;
}

char* suffix(const char* name) {
  size_t i = strlen(name);
  while (i != 0 && name[i] != tavo::platform::kDirSep && name[i] != '.') --i;
  if (name[i] != '.') return nullptr;
  return mstrdup(name + i + 1);
}

int addsuffix(char* name, const char* suf) {
  size_t nName = strlen(name);
  size_t nSuf = strlen(suf);
  char* pNew = static_cast<char*>(mmalloc(tavo::detail::blockBytes(nName + nSuf + 2ull, "mmalloc")));
  memcpy(pNew, name, nName);
  pNew[nName] = '.';
  memcpy(pNew + nName + 1, suf, nSuf + 1);
  int r = tavo::platform::renameNoReplace(name, pNew) == 0 ? 1 : 0;
  free(pNew);
  return r;
}

char** fetchfiles(const char* dir) {
  const char* pSep = strrchr(dir, tavo::platform::kDirSep);
  char* pDir;
  Listing l;
  l.pArg = dir;
  if (pSep == nullptr) {
    pDir = mstrdup(".");
    l.pPrefix = dir;
  } else {
    pDir = joined("", dir, static_cast<size_t>(pSep - dir) + 1);
    l.pPrefix = pSep + 1;
  }
  l.nPrefix = strlen(l.pPrefix);
  l.v = nullptr;
  l.n = 0;
  int r = tavo::platform::listDirectory(pDir, keepEntry, &l);
  free(pDir);
  if (r != 0) {
    strfreev(l.v);
    exit(1);
  }
  return l.v;
}
