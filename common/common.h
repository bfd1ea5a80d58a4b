// libtavo free functions.
//
// One header for every free function of the library, grouped by family.
// Ownership, in short: a string vector (char**) or string table (char***)
// returned by a function belongs to the caller, who releases it whole with
// strfreev / strfreevv; a single heap string is released with free().
#ifndef TAVO_COMMON_COMMON_H
#define TAVO_COMMON_COMMON_H

#include <cstdio>

#include "common/tavo_export.h"

// ---------------------------------------------------------------------------
// Memory and string vectors
//
// A string vector is a heap array of pointers to heap strings ended by a null
// slot; the empty vector is either a null pointer or a one-slot array holding
// only null, and every function here accepts both.  A string table is a heap
// array of string vectors ended by a null slot; its inner vectors are never
// null.  Vectors grow one string at a time to exactly count+2 slots.
// ---------------------------------------------------------------------------

// Writes "<name>: No enough memory.\n" to stderr and exits with status 1.
[[noreturn]] TAVO_API void memfatal(const char* name);

// malloc that never returns null: on failure calls memfatal("mmalloc").
// A request of 0 bytes yields a valid (1-byte) block, never null.
TAVO_API void* mmalloc(unsigned int size);

// realloc that never returns null: a null `p` allocates as mmalloc; contents
// are kept up to the smaller size and the block may move.  On failure calls
// memfatal("mrealloc").  A size of 0 yields a valid (1-byte) block, never
// null, and never frees `p` behind the caller's back.
TAVO_API void* mrealloc(void* p, unsigned int size);

// New heap copy of `s` (released with free()); `s` must not be null.
// On failure calls memfatal("mstrdup").
TAVO_API char* mstrdup(const char* s);

// New string vector copying every string of `v`; null when `v` is empty
// (its first slot is null).  `v` itself must not be null.  Released with
// strfreev.
TAVO_API char** mstrdup2(const char** v);

// Frees every string of `v`, then the array.  Null `v`: no effect.
TAVO_API void strfreev(char** v);

// Frees every inner vector of `t` (strings, then array), then `t`.
// Null `t`: no effect.
TAVO_API void strfreevv(char*** t);

// Number of strings before the null slot; 0 for a null vector.
TAVO_API int addresslen2(char** v);

// Number of vectors before the null slot; 0 for a null table.
TAVO_API int addresslen3(char*** t);

// ---------------------------------------------------------------------------
// Log and error reports
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// In-place string functions
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Splitting and string-vector search
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Conversions, dates and marks
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Whole-file and directory functions
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Login and debug settings
// ---------------------------------------------------------------------------

#endif  // TAVO_COMMON_COMMON_H
