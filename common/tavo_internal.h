// Helpers shared inside the library (internal header, not installed).
#ifndef TAVO_COMMON_TAVO_INTERNAL_H
#define TAVO_COMMON_TAVO_INTERNAL_H

namespace tavo {
namespace detail {

// Grows string vector `v`, which holds `n` strings, to exactly n+2 pointer
// slots, stores `s` (ownership passes to the vector) in slot n and a null
// pointer in slot n+1.  `v` may be null when `n` is 0.  Returns the array,
// which may have moved.
char** vectorPush(char** v, int n, char* s);

// Same growth for a string table: stores inner vector `pv` in slot n.
char*** tablePush(char*** t, int n, char** pv);

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_COMMON_TAVO_INTERNAL_H
