/*
 * Small runtime pieces that Visual C++'s static runtime library (absent
 * from Debian) gives every DLL and program, for code built with
 * cmake/toolchain-i686-msvc.cmake and linked with /nodefaultlib.  Built into
 * tavo_msvc_support.lib by cmake/msvc/import_libs.cmake.
 */
#include <stdlib.h>

/* The compiler refers to _fltused from every object that uses floating
 * point; Visual C++'s runtime library defines it, and only its presence
 * counts. */
int _fltused = 0x9875;

/*
 * _onexit, for code linked into a DLL (Connector/C's win_crypt.c registers
 * the release of its crypto provider with it).  The runtime's own _onexit
 * would run the function at process exit, after the DLL may have been
 * unloaded; Visual C++'s runtime library gives each DLL its own table, run
 * when the DLL is detached.  This is that table: tavo_msvc_run_onexit runs
 * it, last registered first, from a DLL's entry point at
 * DLL_PROCESS_DETACH or from a program's exit path.  A DLL without an
 * entry point leaves what was registered to process exit, which releases
 * the same handles.
 */
static _onexit_t onexit_table[32];
static int onexit_count;

static _onexit_t __cdecl module_onexit(_onexit_t func) {
  if (!func || onexit_count == (int)(sizeof onexit_table / sizeof onexit_table[0])) return NULL;
  onexit_table[onexit_count++] = func;
  return func;
}

/* The headers declare _onexit dllimport, so callers go through the import
 * slot: it is defined here, pointing at the table above, and the runtime's
 * import library then has nothing to add for it.  (x86 decorates a C name
 * with an underscore, x64 does not.) */
#ifdef _WIN64
#define TAVO_ONEXIT_SLOT "__imp__onexit"
#else
#define TAVO_ONEXIT_SLOT "__imp___onexit"
#endif
_onexit_t(__cdecl *const tavo_msvc_onexit_slot)(_onexit_t) __asm__(TAVO_ONEXIT_SLOT) = module_onexit;

void __cdecl tavo_msvc_run_onexit(void) {
  while (onexit_count > 0) onexit_table[--onexit_count]();
}
