// The byte rules of the whole library, in one place (internal header, not
// installed).  Text is single bytes; no rule consults the locale (<cctype>
// does, and is undefined for negative char values):
//   - a digit is exactly '0' to '9';
//   - white space is exactly 0x20 and 0x09 to 0x0D;
//   - case conversion touches only 'A'-'Z' and 'a'-'z'; folding for a
//     comparison is to lower case;
//   - a character sort orders bytes as signed 8-bit values.
// Every function and class that classifies, converts, folds or sorts bytes
// uses these; the exhaustive 0..255 tests of the public functions guard them.
#ifndef TAVO_INTERNAL_TAVO_BYTES_H
#define TAVO_INTERNAL_TAVO_BYTES_H

#include <stddef.h>
#include <string.h>

namespace tavo {
namespace detail {

constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool isSpace(unsigned char c) { return c == 0x20 || (c >= 0x09 && c <= 0x0D); }
constexpr unsigned char toLower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}
constexpr unsigned char toUpper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

inline bool isDigit(char c) { return isDigit(static_cast<unsigned char>(c)); }
inline bool isSpace(char c) { return isSpace(static_cast<unsigned char>(c)); }
inline char toLower(char c) { return static_cast<char>(toLower(static_cast<unsigned char>(c))); }
inline char toUpper(char c) { return static_cast<char>(toUpper(static_cast<unsigned char>(c))); }

// The case folding of comparisons as a table, for loops over long texts.
struct FoldTable {
  unsigned char map[256];
  constexpr FoldTable() : map() {
    for (int i = 0; i < 256; ++i) map[i] = toLower(static_cast<unsigned char>(i));
  }
};
inline constexpr FoldTable kFold;

// Sorts the `n` bytes at `p` by their signed value: ascending (-128 .. 127)
// for nFlag 1, descending otherwise.  Equal bytes cannot be told apart, so
// counting gives exactly what any stable sort would, in linear time.
inline void sortBytesSigned(char* p, size_t n, int nFlag) {
  size_t aCount[256] = {};
  for (size_t i = 0; i < n; ++i) ++aCount[static_cast<unsigned char>(p[i])];
  for (int k = 0; k < 256; ++k) {
    const int nValue = (nFlag == 1) ? k - 128 : 127 - k;
    const unsigned char c = static_cast<unsigned char>(static_cast<signed char>(nValue));
    memset(p, c, aCount[c]);
    p += aCount[c];
  }
}

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_BYTES_H
