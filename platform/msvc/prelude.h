/*
 * Forced include (-include) of every C and C++ file built with
 * cmake/toolchain-i686-msvc.cmake, read before any other header.  It makes
 * Wine's C runtime and Windows headers, which the Visual C++-mode build
 * uses in place of Microsoft's, agree with Microsoft's where a client built
 * with real Visual C++ would notice, and with clang-14.
 *
 * The runtime flavour is told by _MSVCR_VER, as Wine's corecrt.h tells it:
 * the toolchain defines _MSVCR_VER=0 for msvcrt.dll and leaves it undefined
 * (140, the Universal CRT) for ucrtbase.dll.
 */
#ifndef TAVO_MSVC_PRELUDE_H
#define TAVO_MSVC_PRELUDE_H

/*
 * time_t.  Wine's corecrt.h makes time_t 32 bits wide on every 32-bit
 * target.  Visual C++ 2005 and later, and so every client of the Universal
 * CRT (Visual C++ 2015 and later), use 64 bits, which changes the layout of
 * struct stat (48 bytes, Visual C++'s _stat64i32, filled by _fstat64i32)
 * and of everything else holding a time_t.  For the UCRT flavour time_t is
 * therefore declared here first, and Wine's automatic _USE_32BIT_TIME_T is
 * withdrawn right after corecrt.h, before time.h and sys/stat.h read it.
 *
 * The msvcrt.dll flavour keeps 32 bits: the Visual C++ that builds programs
 * for msvcrt.dll is Visual C++ 6, whose time_t is 32 bits wide and whose
 * struct stat (36 bytes) is the one msvcrt.dll's _stat and _fstat fill.
 * (Visual C++ 2005 to 2013 use msvcr80.dll to msvcr120.dll, whose FILE and
 * heap are not msvcrt.dll's, so they cannot be clients of that flavour.)
 */
#if !defined(_MSVCR_VER) || _MSVCR_VER >= 140
#define TAVO_MSVC_UCRT 1
#ifndef _TIME_T_DEFINED
typedef __int64 time_t;
#define _TIME_T_DEFINED
#endif
#include <corecrt.h>
#undef _USE_32BIT_TIME_T
#else
#define TAVO_MSVC_UCRT 0
#endif

/*
 * Wine 8's winnt.h defines eight _Interlocked*64 / *Pointer functions as
 * inlines that clang-14 already has as builtins ("definition of builtin
 * function").  Renamed, Wine's inlines are ordinary functions and the
 * Interlocked* names that winnt.h maps onto them keep working.  The
 * #pragma intrinsic lines winnt.h writes for the new names are then not
 * recognised, which is what the warning switched off says.
 */
#define _InterlockedAnd64 tavo_wine_InterlockedAnd64
#define _InterlockedCompareExchangePointer tavo_wine_InterlockedCompareExchangePointer
#define _InterlockedExchangeAdd64 tavo_wine_InterlockedExchangeAdd64
#define _InterlockedExchangePointer tavo_wine_InterlockedExchangePointer
#define _InterlockedIncrement64 tavo_wine_InterlockedIncrement64
#define _InterlockedDecrement64 tavo_wine_InterlockedDecrement64
#define _InterlockedOr64 tavo_wine_InterlockedOr64
#define _InterlockedXor64 tavo_wine_InterlockedXor64
/* The x64 headers add one more (x86 has no 128-bit exchange). */
#define _InterlockedCompareExchange128 tavo_wine_InterlockedCompareExchange128
#pragma clang diagnostic ignored "-Wignored-pragma-intrinsic"

/*
 * localtime_s is an inline of Microsoft's time.h that Wine's lacks.  The
 * UCRT has _localtime64_s; for msvcrt.dll it is built on localtime, whose
 * result msvcrt.dll keeps per thread, so the copy is as safe as the _s
 * function (and needs nothing newer than the msvcrt.dll of Windows XP).
 */
#include <time.h>
#include <errno.h>
#include <string.h>
#ifndef TAVO_MSVC_NO_LOCALTIME_S
static __inline errno_t localtime_s(struct tm *tm, const time_t *t) {
#if TAVO_MSVC_UCRT
  return _localtime64_s(tm, t);
#else
  struct tm *r;
  if (!tm || !t) return EINVAL;
  r = localtime(t);
  if (!r) {
    memset(tm, 0xff, sizeof *tm);
    return EINVAL;
  }
  *tm = *r;
  return 0;
#endif
}
#endif

#endif /* TAVO_MSVC_PRELUDE_H */
