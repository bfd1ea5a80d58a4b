// operator new and delete of the test programs.  A Visual C++ program gets
// them from its runtime (msvcrt.dll exports them; Visual C++ 2015 and later
// link a small static piece over ucrtbase.dll's malloc); this build links
// no C++ runtime library, so they are written here the same way: on the
// C runtime's heap, which the DLL shares.
#include <stdio.h>
#include <stdlib.h>

void* operator new(size_t n) {
  void* p = malloc(n != 0 ? n : 1);
  if (p == nullptr) {
    fputs("operator new: out of memory\n", stderr);
    abort();
  }
  return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
