// operator new and delete of the Visual C++-mode tavo.dll, which links no
// C++ runtime library (Debian has none for that target).  The library
// itself allocates with the C runtime only; these serve the deleting
// destructors of its classes, which release an object a client made with
// new (its own runtime's operator new, which is malloc in the DLL runtimes
// msvcrt.dll and the Universal CRT) with the same runtime's free().  Built
// into that DLL only (cmake/tavo_sources.cmake); never exported.
#include <stdlib.h>

#include "tavo_exhausted.h"

void* operator new(size_t n) {
  void* p = malloc(n != 0 ? n : 1);
  if (p == nullptr) tavo::detail::memoryExhausted("operator new");
  return p;
}

void* operator new[](size_t n) { return operator new(n); }

void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
