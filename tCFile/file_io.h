// Stream helpers shared by tCFile and the whole-file functions (internal
// header, not installed): the line reader and formatted writing.
#ifndef TAVO_TCFILE_FILE_IO_H
#define TAVO_TCFILE_FILE_IO_H

#include <cstdarg>
#include <cstdio>

namespace tavo {
namespace detail {

// Reads lines from the current position of `fp` until its end (or a read
// error), at most `nMax` of them, by the line rules of tCFile.  Returns a
// string vector of exactly count+1 slots (caller releases it with strfreev),
// null when no line was read or `nMax` is 0 or less.
char** readLines(FILE* fp, int nMax);

// Gives `fp`, just opened with `pMode` and not used yet, a larger read
// buffer than stdio's default when it reads a regular file and does not
// write (mode "r" or "rb"): whole-file reads then take a sixteenth of the
// system calls.  Returns the buffer, which the caller frees after closing
// the stream, or null when the stream keeps its own buffering.
char* enlargeReadBuffer(FILE* fp, const char* pMode);

// fopen(pFileName, "rb") with the larger read buffer, which is stored in
// `*ppBuf` (null when none); after fclose the caller frees it.
FILE* openForReading(const char* pFileName, char** ppBuf);

// Opens `pFileName` with `pMode`, writes the printf-expanded `fmt` and
// closes the file.  Returns the number of characters written, or -1 when
// the open, the write or the close (which writes out the buffer) failed.
int writeFormatted(const char* pFileName, const char* pMode, const char* fmt, va_list ap);

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_TCFILE_FILE_IO_H
