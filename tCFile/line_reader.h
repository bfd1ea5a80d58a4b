// The line reader shared by tCFile and the whole-file functions (internal
// header, not installed).
#ifndef TAVO_TCFILE_LINE_READER_H
#define TAVO_TCFILE_LINE_READER_H

#include <cstdio>

namespace tavo {
namespace detail {

// Reads lines from the current position of `fp` until its end (or a read
// error), at most `nMax` of them, by the line rules of tCFile.  Returns a
// string vector of exactly count+1 slots (caller releases it with strfreev),
// null when no line was read or `nMax` is 0 or less.
char** readLines(FILE* fp, int nMax);

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_TCFILE_LINE_READER_H
