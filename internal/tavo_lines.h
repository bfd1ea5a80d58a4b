// Line reading and formatted writing on stdio streams, shared by tCFile,
// its parsing subclasses and the whole-file functions (internal header, not
// installed).
//
// Line rules: a line ends at LF, at CR together with the one byte after it
// (whatever that byte is), or at the end of the file; the end is not part
// of the line.  A read error that is not the end of the file is a failure:
// the readers give their failure result, never the lines before it.
#ifndef TAVO_INTERNAL_TAVO_LINES_H
#define TAVO_INTERNAL_TAVO_LINES_H

#include <stdarg.h>
#include <stdio.h>

namespace tavo {
namespace detail {

// Reads lines from the current position of `fp` until its end, at most
// `nMax` of them.  Returns a string vector of exactly count+1 slots (caller
// releases it with strfreev), null when no line was read, when `nMax` is 0
// or less, or when a read failed (then `*pFailed`, if given, is true).  The
// stream is read in blocks: when it stops at `nMax` lines, bytes past the
// last line may have been read too, so the callers either read to the end
// or close the stream.
char** readLines(FILE* fp, int nMax, bool* pFailed = nullptr);

// The lines of the whole open file `fp`, from its start (a stream that
// cannot seek, a pipe, from where it stands), as readLines gives them.
// Null with `*pFailed` (if given) true when the rewind or a read failed.
char** readWholeStream(FILE* fp, bool* pFailed = nullptr);

// The number of lines from the current position of `fp` to its end: the LF
// bytes, plus 1 when the last byte read is not LF.  -1 when a read fails or
// the count does not fit in an int.
int countLines(FILE* fp);

// The next line of `fp` as an exact-size heap string (released with
// free()); null when the stream is at its end before any byte of a line,
// or when a read fails.
char* readOneLine(FILE* fp);

// Opens the file `pFileName` with "rb", reads at most `nMax` lines from its
// start as readLines does, and closes it.  Null when it cannot be opened or
// read.
char** readFileLines(const char* pFileName, int nMax);

// Opens `pFileName` with `pMode`, writes the printf-expanded `fmt` and
// closes the file.  Returns the number of characters written, or -1 when
// the open, the write or the close (which writes out the buffer) failed.
int writeFormatted(const char* pFileName, const char* pMode, const char* fmt, va_list ap);

// What one line of a settings file is.
enum class SettingLine { kIgnored, kHeader, kEntry };

// Classifies a line of a key/value or INI file and cuts it in place: a
// header's name, or an entry's key and value, are left NUL-terminated in
// the line's own storage (`*ppFirst`, `*ppSecond`).  The text ends at its
// first NUL.  Everything from the first '#' on is a comment (a line that
// starts with it is ignored whole); with `bHeaders`, a line of at least 3
// bytes between '[' and ']' is a header; any other line holding exactly
// one '=' is an entry; everything else is ignored.
SettingLine cutSettingLine(char* pLine, bool bHeaders, char** ppFirst, char** ppSecond);

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_LINES_H
