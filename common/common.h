/// \file
/// The free functions of libtavo.
///
/// One header for every free function of the library, grouped by family.
/// Ownership, in short: a string vector (`char**`) or string table
/// (`char***`) returned by a function belongs to the caller, who releases it
/// whole with strfreev / strfreevv; a single heap string is released with
/// free().
#ifndef TAVO_COMMON_COMMON_H
#define TAVO_COMMON_COMMON_H

#include <stdarg.h>
#include <stdio.h>

#include "common/tavo_export.h"

// ---------------------------------------------------------------------------
/// \name Memory and string vectors
///
/// A string vector is a heap array of pointers to heap strings ended by a null
/// slot; the empty vector is either a null pointer or a one-slot array holding
/// only null, and every function here accepts both (but mstrdup2, which needs
/// the array).  A string table is a heap array of string vectors ended by a
/// null slot; its inner vectors are never null.  Vectors grow one string at a
/// time to exactly count+2 slots.
/// @{

/// Writes "<name>: No enough memory.\n" to stderr and exits with status 1.
/// \param name The text before the colon: the name of the call that failed.
TAVO_NORETURN TAVO_API void memfatal(const char* name);

/// malloc that never returns null: on failure calls memfatal("mmalloc").
///
/// A request of 0 bytes yields a valid (1-byte) block, never null.
/// \param size The number of bytes.
/// \return The new block; it belongs to the caller, who releases it with
///         free().
TAVO_API void* mmalloc(unsigned int size);

/// realloc that never returns null: a null `p` allocates as mmalloc.
///
/// Contents are kept up to the smaller size and the block may move.  On
/// failure calls memfatal("mrealloc").  A size of 0 yields a valid (1-byte)
/// block, never null, and never frees `p` behind the caller's back.
/// \param p The block to resize (from mmalloc or mrealloc), or null.
/// \param size The new size in bytes.
/// \return The block, possibly moved (then `p` is no longer valid); it
///         belongs to the caller, who releases it with free().
TAVO_API void* mrealloc(void* p, unsigned int size);

/// New heap copy of `s` (released with free()); `s` must not be null.
///
/// On failure calls memfatal("mstrdup").
/// \param s The string to copy.
/// \return The copy; it belongs to the caller, who releases it with free().
TAVO_API char* mstrdup(const char* s);

/// New string vector copying every string of `v`; null when `v` is empty
/// (its first slot is null).
///
/// `v` itself must not be null.  Released with strfreev.
/// \param v The strings to copy, ended by a null slot.
/// \return A new string vector the caller releases with strfreev; null when
///         `v` is empty.
TAVO_API char** mstrdup2(const char** v);

/// Frees every string of `v`, then the array.  Null `v`: no effect.
/// \param v The string vector to release, or null.
TAVO_API void strfreev(char** v);

/// Frees every inner vector of `t` (strings, then array), then `t`.
///
/// Null `t`: no effect.
/// \param t The string table to release, or null.
TAVO_API void strfreevv(char*** t);

/// Number of strings before the null slot; 0 for a null vector.
/// \param v A string vector, or null.
/// \return The number of strings; 0 for a null or empty vector.
TAVO_API int addresslen2(char** v);

/// Number of vectors before the null slot; 0 for a null table.
/// \param t A string table, or null.
/// \return The number of vectors; 0 for a null or empty table.
TAVO_API int addresslen3(char*** t);

/// @}

// ---------------------------------------------------------------------------
/// \name Log and error reports
///
/// The library keeps no log state: every call names its log file, and each
/// entry is built in memory and written by its own open (appending, created
/// when missing), one write and close, so it is complete in the file when
/// the call returns, and entries of concurrent writers (threads or
/// processes) never interleave.  An entry is the local time
/// as "%Y-%m-%d %X" (19 bytes in the C locale: "2024-01-31 23:59:58"), two
/// spaces, then the caller's expanded text byte for byte; no line end is
/// added.  When the file already holds more than 2000000 bytes it is deleted
/// first and the entry starts a new file (a failed deletion is ignored and
/// the entry is appended to the old file).  The writers of one file take
/// turns on a lock of the file itself for the size check, the deletion and
/// the write, so only a file that really is over the bound is deleted, and
/// no entry is written to a file another writer has just deleted.  Formats
/// follow printf.
/// @{

/// Writes one log entry to the file `path`.
///
/// The entry is written only to a regular file (or a character device such
/// as /dev/null); symbolic links are followed.  A FIFO or a socket at the
/// path (one planted in a shared directory, say) is refused at once, never
/// waited on, and counts as a file that cannot be opened (ENXIO).
///
/// When the file cannot be opened, the entry (timestamp, two spaces, text)
/// goes to stderr instead, followed by the line
/// "logprintf error : fopen <path> error : <system error text>\n";
/// when it was opened but the entry could not be written (a full disk), the
/// same, with "write" in place of "fopen".  The caller is not told.  A null
/// `path` is treated as a file that cannot be opened (the line names
/// "(null)" and the text of EINVAL).  A locale whose "%X" is longer than
/// 8 bytes gets its whole time in the stamp.  errno is left as it was at the
/// call, and a "%m" in `fmt` sees it.  A format the runtime cannot expand (a
/// wide character with no form in the current locale) adds no text: the
/// entry is the timestamp and two spaces.
/// \param path The name of the log file.
/// \param fmt The printf format of the text.
/// \param ap The arguments of `fmt`.
TAVO_API void logvprintf(const char* path, const char* fmt, va_list ap);

/// logvprintf with variable arguments.
/// \param path The name of the log file.
/// \param fmt The printf format of the text, followed by its arguments.
TAVO_API void logprintf(const char* path, const char* fmt, ...) TAVO_PRINTF_FORMAT(2, 3);

/// Error report: expands the text, then adds ": " and the system's text for
/// the errno current at the call.
///
/// The suffix takes the place of a final "\n" and a new "\n" is added after
/// it ("open a.txt\n" -> "open a.txt: No such file or directory\n"); a text
/// without a final "\n" gets the suffix and no line end
/// ("failed" -> "failed: <error text>", "" -> ": <error text>").  The report
/// is written to stderr, then as one log entry to `path` (so on a log that
/// cannot be opened it appears twice on stderr).  Reports of any length are
/// kept whole with their suffix.  errno is left as it was at the call.
/// \param path The name of the log file.
/// \param fmt The printf format of the text, followed by its arguments.
TAVO_API void err_ret(const char* path, const char* fmt, ...) TAVO_PRINTF_FORMAT(2, 3);

/// The report of err_ret, then exit(1).
///
/// Exit handlers run and streams are flushed; the entry is in the log before
/// the process ends.
/// \param path The name of the log file.
/// \param fmt The printf format of the text, followed by its arguments.
TAVO_NORETURN TAVO_API void err_exit(const char* path, const char* fmt, ...) TAVO_PRINTF_FORMAT(2, 3);

/// Debug trace.  Nothing happens unless is_debug is exactly 1.
///
/// Then level 1 writes the expanded text to stderr (no timestamp, no line
/// end added), level 2 writes it as one log entry to `path`, level 3 does
/// both (stderr first, the same text to each), any other level does nothing.
/// The three leading arguments are the settings that get_debug_info reads.
///
/// Many builds define DEBUG as a macro (`-DDEBUG`), which would swallow the
/// function's name.  This header therefore declares it with any such macro
/// set aside and restores the macro afterwards.  A client built that way
/// calls the same function as tavo_debug(...), or undefines DEBUG first
/// (`#undef DEBUG`).
/// \param is_debug 1 to trace; any other value does nothing.
/// \param level 1 stderr, 2 the log file, 3 both; any other value does
///        nothing.
/// \param path The name of the log file (used by levels 2 and 3).
/// \param fmt The printf format of the text, followed by its arguments.
#pragma push_macro("DEBUG")
#undef DEBUG
TAVO_API void DEBUG(int is_debug, int level, const char* path, const char* fmt, ...) TAVO_PRINTF_FORMAT(4, 5);
/// DEBUG under a name no build defines as a macro.  One object for the
/// whole program with C++17; before it, a constant of each source file that
/// includes this header (the same function either way).
#if __cplusplus >= 201703L || (defined(_MSVC_LANG) && _MSVC_LANG >= 201703L)
inline void (*const tavo_debug)(int is_debug, int level, const char* path, const char* fmt, ...) = &DEBUG;
#else
static void (*const tavo_debug)(int is_debug, int level, const char* path, const char* fmt, ...) = &DEBUG;
#endif
#pragma pop_macro("DEBUG")

/// Writes the expanded text to the open stream `fp` unchanged.
///
/// No timestamp, no line end added; the stream stays open.  A null `fp` does
/// nothing.
/// \param fp The stream, or null.
/// \param fmt The printf format of the text, followed by its arguments.
TAVO_API void write_fp(FILE* fp, const char* fmt, ...) TAVO_PRINTF_FORMAT(2, 3);

/// @}

// ---------------------------------------------------------------------------
/// \name In-place string functions
///
/// They work on a caller's NUL-terminated text and never move it to another
/// block.  Byte rules: a digit is '0'..'9' only, any other byte is a
/// character; white space is 0x20 and 0x09..0x0D only; case changes touch
/// A..Z and a..z only (no locale; bytes 0x80..0xFF are never changed).
/// @{

/// Turns every a..z before the NUL into A..Z ("aZ9" -> "AZ9").
/// \param s The text, changed in place.
TAVO_API void strupper(char* s);

/// Turns every A..Z before the NUL into a..z.
/// \param s The text, changed in place.
TAVO_API void strlower(char* s);

/// Reverses the bytes before the NUL ("abc" -> "cba").
/// \param s The text, changed in place.
TAVO_API void strreverse(char* s);

/// Removes leading white space by moving the rest of the text, with its NUL,
/// to the front of the buffer.
/// \param s The text, changed in place.
TAVO_API void strltrim(char* s);

/// Overwrites trailing white space with NUL bytes.
/// \param s The text, changed in place.
TAVO_API void strrtrim(char* s);

/// strltrim(s), then strrtrim(s).
/// \param s The text, changed in place.
TAVO_API void strtrim(char* s);

/// Exchanges the texts of the two buffers through a scratch block from
/// mmalloc.
///
/// Each buffer must be able to hold the longer text and its NUL.  The two
/// may be the same buffer (no change).
/// \param s1 The first buffer.
/// \param s2 The second buffer.
TAVO_API void strswap(char* s1, char* s2);

/// Sorts the bytes before the NUL.
///
/// Bytes order as signed 8-bit values, so in ascending order 0x80..0xFF come
/// before 0x01..0x7F.
/// \param s The text, changed in place.
/// \param nFlag 1 ascending, 2 descending; any other value leaves the text
///        alone.
TAVO_API void strsort(char* s, int nFlag);

/// Copies `src` into the buffer `dst` of `size` bytes, cut to fit.
///
/// `src` is copied whole when its length is below `size`, otherwise its
/// first size-1 bytes followed by a NUL at dst[size-1].  A `size` below 1
/// leaves room for nothing: then nothing is written at all.
/// \param dst The buffer.
/// \param size The size of `dst` in bytes.
/// \param src The text to copy.
/// \return `dst`.
TAVO_API char* strscpy(char* dst, int size, const char* src);

/// 1 when `s` is not empty and every byte is a digit, else 0.
/// \param s The text.
/// \retval 1 `s` is all digits.
/// \retval 0 `s` is empty or holds a non-digit byte.
TAVO_API int strisnum_all(const char* s);

/// 1 when byte `pos` of `s` is a digit, else 0.
///
/// A `pos` outside the text (negative, or at or past its NUL) yields 0;
/// checking that reads no byte beyond the NUL or beyond byte pos.
/// \param s The text.
/// \param pos The index of the byte to test.
/// \retval 1 byte `pos` is a digit.
/// \retval 0 it is not, or `pos` is outside the text.
TAVO_API int strisnum_pos(const char* s, int pos);

/// 1 when `s` is not empty and no byte is a digit, else 0.
/// \param s The text.
/// \retval 1 `s` holds no digit.
/// \retval 0 `s` is empty or holds a digit.
TAVO_API int strischar_all(const char* s);

/// 1 when byte `pos` of `s` is not a digit, else 0.
///
/// A `pos` outside the text (negative, or at or past its NUL) yields 0.
/// \param s The text.
/// \param pos The index of the byte to test.
/// \retval 1 byte `pos` is not a digit.
/// \retval 0 it is a digit, or `pos` is outside the text.
TAVO_API int strischar_pos(const char* s, int pos);

/// Number of digit bytes before the NUL (at most INT_MAX).
/// \param s The text.
/// \return The count of digits, 0 to INT_MAX.
TAVO_API int strsumnum(const char* s);

/// Number of non-digit bytes before the NUL (at most INT_MAX).
/// \param s The text.
/// \return The count of non-digit bytes, 0 to INT_MAX.
TAVO_API int strsumchar(const char* s);

/// @}

// ---------------------------------------------------------------------------
/// \name Splitting and string-vector search
///
/// The vectors returned here belong to the caller, who releases them with
/// strfreev; when nothing is produced the result is a null pointer.  Strings
/// order as strcmp orders them (unsigned bytes, case matters); an order flag
/// nFlag is 1 for ascending and 2 for descending.
/// @{

/// Cuts `s` at each occurrence of `sep`.
///
/// An empty field becomes "0"; the text after the last cut is the last field
/// unless it is empty (so a trailing separator adds nothing).  A positive
/// `nMax` cuts at most nMax times, the rest (separators included) being the
/// last field; 0 or a negative nMax sets no limit.  Returns a null pointer
/// when `s` holds no `sep`, and also when `sep` is empty.
///
///     strsplit("a,,b,", ",", 0) -> {"a", "0", "b"}
///     strsplit("a,b,c", ",", 1) -> {"a", "b,c"}
///
/// \param s The text to cut.
/// \param sep The separator text.
/// \param nMax The most cuts made; 0 or less for no limit.
/// \return A new string vector of the fields, which the caller releases with
///         strfreev; null when `s` holds no `sep` or `sep` is empty.
TAVO_API char** strsplit(const char* s, const char* sep, int nMax);

/// Collects every text enclosed between an opening byte chOpen and the next
/// closing byte chClose.
///
/// A second opening byte before the close restarts the text, a close with
/// nothing open and an open never closed add nothing.  An empty enclosure
/// gives "".  Null when nothing was collected, which is always so when
/// chOpen == chClose.
///
///     strInc("x[ab]y[]z[c", '[', ']') -> {"ab", ""}
///     strInc("[a[b]c]", '[', ']')     -> {"b"}
///
/// \param s The text to search.
/// \param chOpen The opening byte.
/// \param chClose The closing byte.
/// \return A new string vector of the enclosed texts, which the caller
///         releases with strfreev; null when nothing was collected.
TAVO_API char** strInc(const char* s, char chOpen, char chClose);

/// Sorts the pointers of `v` in place by the string order.
///
/// Stable: equal strings keep their relative order.  Strings are neither
/// copied nor freed.  A null or empty vector is accepted.
/// \param v The string vector to sort, or null.
/// \param nFlag 1 ascending, 2 descending; any other value changes nothing.
TAVO_API void str2sort(char** v, int nFlag);

/// Finds `key` in `v`, sorted in the order nFlag names, by repeated halving.
///
/// With lo..hi the range left (first 0..count-1), it probes
/// lo + (hi-lo+1)/2 and returns the index of the first probe equal to `key`,
/// so among equal strings the one met first wins.  The count is found by
/// walking `v` to its null slot.
/// \param v The sorted string vector, or null.
/// \param key The string to find.
/// \param nFlag The order of `v`: 1 ascending, 2 descending.
/// \return The index of the first probe equal to `key`; -1 when no probe
///         matches, for a null or empty vector, and for an nFlag other than
///         1 or 2 unless the very first probe matches.
TAVO_API int str2forkfind(char** v, const char* key, int nFlag);

/// @}

// ---------------------------------------------------------------------------
/// \name Conversions, dates and marks
///
/// None of these allocates or keeps state; results go to caller buffers or
/// to stdout.
/// @{

/// Weekday of the date text YYYYMMDD: 1 Monday ... 7 Sunday.
///
/// The fields are read with "%04d%02d%02d" (a field that cannot be read
/// counts as 0) and out-of-range fields are normalised as mktime does:
/// "20240132" is 1 February 2024 (4), month 00 is December of the year
/// before, day 00 the last day of the month before.  The result is computed
/// on the proleptic Gregorian calendar and does not depend on the process's
/// time zone (no daylight-saving change or skipped local day can move the
/// date); every date the format can express is in range, so the result is
/// always 1..7.
/// \param date The date text YYYYMMDD.
/// \return The weekday, 1 (Monday) to 7 (Sunday).
TAVO_API int get_week_day(const char* date);

/// 1 when the time of day `now` (HHMMSS text) lies in the window from `begin`
/// to `end`, else 0.
///
/// All three compare as texts (strcmp).  When begin <= end both bounds are
/// included ("080000".."180000" holds "080000" and "180000").  When
/// begin > end the window wraps past midnight: begin <= now < "240000" or
/// "000000" <= now <= end ("220000".."060000" holds "230000", "000000" and
/// "060000", not "240000").
/// \param begin The start of the window, HHMMSS.
/// \param end The end of the window, HHMMSS.
/// \param now The time of day to test, HHMMSS.
/// \retval 1 `now` lies in the window.
/// \retval 0 it does not.
TAVO_API int between_t(const char* begin, const char* end, const char* now);

/// Writes the six bytes `mac` to `out` as lower-case hexadecimal pairs
/// joined by `sep`, with a NUL.
///
/// {0x00,0x1A,0x2B,0x3C,0x4D,0x5E} with ":" gives "00:1a:2b:3c:4d:5e", with
/// "" gives "001a2b3c4d5e".
/// \param mac The six bytes.
/// \param out The buffer; it must hold 13 + 5 * strlen(sep) bytes.
/// \param sep The text put between the pairs (may be "").
TAVO_API void mac_ntoa(const unsigned char* mac, char* out, const char* sep);

/// Parses the MAC text `text` into the six bytes `mac`.
///
/// The pairs are read at offsets 0, k, 2k, ... with k = strlen(sep) + 2; the
/// bytes between them are skipped without being compared with `sep`, so
/// "00:1A:2B:3C:4D:5E" with "-" parses as well.  Digits are case-insensitive
/// and not validated: '0'..'9' count 0..9, any other byte is upper-cased
/// (a..z only) and counts its value minus 0x37 ('A'..'F' give 10..15); each
/// byte keeps the low 8 bits of high * 16 + low.
/// Input that cannot hold six pairs leaves `mac` untouched: a `sep` longer
/// than 3 bytes, a `text` longer than 29 bytes, or a `text` shorter than
/// 12 + 5 * strlen(sep) bytes.  Bytes after the last pair are ignored.
/// \param text The MAC text.
/// \param mac Receives the six bytes.
/// \param sep The separator the text was written with (only its length
///        counts).
TAVO_API void mac_aton(const char* text, unsigned char* mac, const char* sep);

/// Bit string of the 8 bits of `c` in out[0..7] (0x05 -> "00000101").
///
/// Bit strings: one '0' or '1' per bit, most significant first, no NUL
/// written.
/// \param c The byte.
/// \param out Receives 8 bytes.
TAVO_API void c2bin(char c, char* out);
/// Bit string of the low 16 bits of `n` in out[0..15].
///
/// One '0' or '1' per bit, most significant first, no NUL written.
/// \param n The value; its higher bits are ignored.
/// \param out Receives 16 bytes.
TAVO_API void s2bin(int n, char* out);
/// Bit string of the 32 bits of `n` in out[0..31] (-1 -> 32 '1' bytes).
///
/// One '0' or '1' per bit, most significant first, no NUL written.
/// \param n The value.
/// \param out Receives 32 bytes.
TAVO_API void n2bin(int n, char* out);

/// Prints `len` bytes of `buf` on stdout, 16 per line.
///
/// A line holds the bytes as "%02x" in pairs followed by a space
/// ("0001 0203 ..."), padded to 40 columns on a short last line, then ": ",
/// then each byte as itself when in 0x20..0x7E, else ".", then "\n".
/// {0x41,0x00,0x42} prints "4100 42", 33 spaces, ": A.B\n".  A `len` of 0
/// or less prints nothing.
/// \param buf The bytes.
/// \param len Their count.
TAVO_API void dump_buf(const unsigned char* buf, int len);

/// Number of bytes equal to mark[0] among the first bytes of `s`, up to its
/// NUL or to 1000 bytes, whichever comes first ("a|b|c" with "|" is 2).
///
/// An empty `mark` counts nothing (0).
/// \param s The text.
/// \param mark The text whose first byte is counted.
/// \return The count, 0 to 1000.
TAVO_API int CheckMark(const char* s, const char* mark);

/// @}

// ---------------------------------------------------------------------------
/// \name Whole-file and directory functions
///
/// Each call opens, uses and closes its file; nothing is kept between calls.
/// Lines follow the rules of tCFile (tCFile/tCFile.h): a line ends at LF, at
/// CR together with the one byte after it, or at the end of the file; the end
/// is not part of the line; an empty line is ""; a file without bytes has no
/// line; a read error fails the call (null), never giving the lines before
/// it.  Files are read with "rb" and appended to with "ab+" (a missing file
/// is created), byte for byte.  The directory separator is `tavo::platform::kDirSep` (`/` here,
/// `\` in a Windows build).  No argument is checked: a null name, format or
/// buffer is the caller's error.
/// @{

/// Every line of the file `name`.
/// \param name The file's name.
/// \return A string vector the caller releases with strfreev; null when the
///         file cannot be opened or holds no line.
TAVO_API char** read_file(const char* name);

/// The first `n` lines of the file `name` at most; the rest is not read.
/// \param name The file's name.
/// \param n The most lines read.
/// \return A string vector the caller releases with strfreev; null when `n`
///         is 0 or less (nothing is opened), when the file cannot be opened
///         or when it holds no line.
TAVO_API char** read_file_lines(const char* name, int n);

/// Appends the printf-expanded `fmt` to the file `name`; nothing is added
/// (no line end).
/// \param name The file's name.
/// \param fmt The printf format of the text, followed by its arguments.
/// \retval 1 the file was opened and the text (possibly empty) was written
///         and the file closed without error.
/// \retval 0 it cannot be opened or the write or the close failed (part of
///         the text may then be in the file).
TAVO_API int write_file(const char* name, const char* fmt, ...) TAVO_PRINTF_FORMAT(2, 3);

/// Appends the `count` bytes of `buf` (NUL bytes included) to the file
/// `name`.
/// \param name The file's name.
/// \param buf The bytes.
/// \param count Their count.
/// \retval 1 every byte was written and the file closed without error (a
///         count of 0 writes nothing, creates a missing file and returns 1).
/// \retval 0 the file cannot be opened, on a short or failed write (the
///         bytes written stay) and for a negative count (nothing is opened).
TAVO_API int write2file(const char* name, const char* buf, int count);

/// The suffix of the last path element of `name`.
///
/// "a.b.c" -> "c", ".cfg" -> "cfg", "file." -> "", "dir.d/file" -> null,
/// "" -> null.
/// \param name The path.
/// \return A heap copy (released with free()) of the text after the last dot
///         of the last path element, possibly ""; null when that element
///         has no dot.
TAVO_API char* suffix(const char* name);

/// Renames the file `name` (not changed) to `name` + "." + `suf`, never
/// replacing an existing file.
///
/// Atomically: a file of the new name that appears meanwhile is not
/// replaced either.
/// \param name The file's name; the text itself is not changed.
/// \param suf The suffix added after a dot.
/// \retval 1 the file now bears the new name.
/// \retval 0 the new name exists, `name` does not, or the system refuses the
///         rename.
TAVO_API int addsuffix(char* name, const char* suf);

/// Lists the entries of a directory.
///
/// `dir` is a pattern prefix, normally a directory path ending with the
/// separator ("data/").  The directory part of `dir` (up to and including
/// its last separator; the current directory when it has none) is listed,
/// and every entry whose name begins with the rest of `dir` is kept, "." and
/// ".." excepted: files and subdirectories, hidden ones included, in the
/// order the system lists them.  Each result is `dir` directly followed by
/// the entry's name, whole whatever its length: "data/" gives "data/f" for
/// the entry "f"; "data/lo" keeps the entry "log.txt" of "data/" and gives
/// "data/lolog.txt".
/// When the directory cannot be listed (missing, not a directory, no
/// permission, or reading it fails part way, which would give only some of
/// its entries) the process ends with exit(1), silently.
/// \param dir The directory path, possibly followed by the start of the
///        names kept.
/// \return A string vector the caller releases with strfreev; null when no
///         entry is kept.
TAVO_API char** fetchfiles(const char* dir);

/// @}

// ---------------------------------------------------------------------------
/// \name Login and debug settings
///
/// Readers of a program's standing settings kept in an INI file (the format
/// of tCFileIni).  Each call opens the file with "rb", parses it, reads its
/// keys in the order given and closes it; nothing is cached.  Keys compare
/// byte for byte; there are no defaults.  Reading stops at the first key not
/// found in any section named `pSection`: outputs of the keys before it hold
/// their values, the others are left as the caller set them.  Each buffer is
/// sized by the caller for the value and its NUL (no size is passed), so a
/// settings file with a longer value writes past it: prefer the forms that
/// take each buffer's size, get_login_com_s and get_debug_info_s, which
/// refuse such a file instead.  The
/// file name, the section and every output must not be null (asserted by the
/// tCFileIni lookups: "pFileName && pMode", "pSection && pKey && pValue",
/// "pSection && pKey && nValue").
/// @{

/// Reads the keys HostName, UserName, PassWord and DbName of section
/// `pSection` of `pFileName` into `pHost`, `pUser`, `pPassWord` and
/// `pDbName`, unchanged (the password is not transformed).
/// \pre Asserts "pFileName && pMode" (opening the file) and
///      "pSection && pKey && pValue" (each lookup).
/// \param pFileName The INI file's name.
/// \param pSection The section's name.
/// \param pHost Receives HostName.
/// \param pUser Receives UserName.
/// \param pPassWord Receives PassWord.
/// \param pDbName Receives DbName.
/// \retval 1 the file was opened and all four were found.
/// \retval 0 otherwise (nothing written when the file cannot be opened or
///         read).
TAVO_API int get_login_com(const char* pFileName, const char* pSection, char* pHost, char* pUser,
                           char* pPassWord, char* pDbName);

/// Reads is_debug and debug_level as integers into `pIsDebug` and
/// `pDebugLevel`, then log_file as a string into `pLogFile`.
///
/// The integers are converted as tCFileIni::GetInteger converts them: "yes"
/// gives 0 and counts as found.
/// \pre Asserts "pFileName && pMode" (opening the file),
///      "pSection && pKey && nValue" (the integer lookups) and
///      "pSection && pKey && pValue" (the string lookup).
/// \param pFileName The INI file's name.
/// \param pSection The section's name.
/// \param pIsDebug Receives is_debug.
/// \param pDebugLevel Receives debug_level.
/// \param pLogFile Receives log_file.
/// \retval 1 the file was opened and all three were found.
/// \retval 0 otherwise (nothing written when the file cannot be opened or
///         read).
TAVO_API int get_debug_info(const char* pFileName, const char* pSection, int* pIsDebug, int* pDebugLevel,
                            char* pLogFile);

/// get_login_com with the size of each buffer: reads HostName, UserName,
/// PassWord and DbName of section `pSection` of `pFileName` and copies them
/// only when all four are found and each fits its buffer with its NUL.
/// \pre Asserts "pFileName && pMode" (opening the file) and
///      "pSection && pKey" (each lookup); the buffers must not be null.
/// \param pFileName The INI file's name.
/// \param pSection The section's name.
/// \param pHost Receives HostName; `nHost` bytes.
/// \param nHost The size of `pHost`.
/// \param pUser Receives UserName; `nUser` bytes.
/// \param nUser The size of `pUser`.
/// \param pPassWord Receives PassWord; `nPassWord` bytes.
/// \param nPassWord The size of `pPassWord`.
/// \param pDbName Receives DbName; `nDbName` bytes.
/// \param nDbName The size of `pDbName`.
/// \retval 1 all four were found and copied.
/// \retval 0 the file cannot be opened or read, a key is missing, or a
///         value does not fit its buffer: then no buffer is written.
TAVO_API int get_login_com_s(const char* pFileName, const char* pSection, char* pHost, int nHost, char* pUser,
                             int nUser, char* pPassWord, int nPassWord, char* pDbName, int nDbName);

/// get_debug_info with the size of the log file's buffer: the three are
/// written only when all are found and log_file fits `pLogFile` with its
/// NUL.
/// \pre Asserts "pFileName && pMode" (opening the file) and
///      "pSection && pKey" (each lookup); the outputs must not be null.
/// \param pFileName The INI file's name.
/// \param pSection The section's name.
/// \param pIsDebug Receives is_debug.
/// \param pDebugLevel Receives debug_level.
/// \param pLogFile Receives log_file; `nLogFile` bytes.
/// \param nLogFile The size of `pLogFile`.
/// \retval 1 all three were found and written.
/// \retval 0 the file cannot be opened or read, a key is missing, or
///         log_file does not fit: then nothing is written.
TAVO_API int get_debug_info_s(const char* pFileName, const char* pSection, int* pIsDebug, int* pDebugLevel,
                              char* pLogFile, int nLogFile);

/// @}

// ---------------------------------------------------------------------------
/// \name Cipher, password transform and archives
/// @{

/// RC4 as published (no key-stream bytes dropped, no framing).
///
/// Copies `nDataLen` bytes of `pData` to `pOut` and combines them with the
/// key stream of the `nKeyLen` bytes of `pKey` (any values, zero bytes
/// included; at most the first 256 are used).  Enciphering and deciphering
/// are the same call; every call starts the key stream afresh.  `nKeyLen`
/// must be at least 1 and `nDataLen` 0 or more: a `nDataLen` of 0 or less,
/// or a `nKeyLen` below 1, writes nothing to `pOut` (the data is never
/// passed through unenciphered).  `pOut` may be `pData` itself (in place);
/// otherwise the two must not overlap.
/// \param pKey The key bytes.
/// \param nKeyLen Their count, at least 1.
/// \param pData The data to encipher or decipher.
/// \param nDataLen Its byte count.
/// \param pOut Receives `nDataLen` bytes; may be `pData`.
TAVO_API void trc4(const unsigned char* pKey, int nKeyLen, const unsigned char* pData, int nDataLen,
                   unsigned char* pOut);

/// Turns the password `pSrc` into its stored form, a text of digits and of
/// the letters C to L, three bytes per password byte ("ab" -> 6 bytes).
///
/// No NUL is written: the caller passes a zero-filled `pDst` of at least
/// 3 * strlen(pSrc) + 1 bytes.  The transform has no key argument: its key
/// is a fixed pair of 150-entry tables of the library's own, so stored forms
/// made by another implementation do not read back here.
/// Writes nothing (an empty password included) unless MyGetPW can give the
/// password back: the password is at most 50 bytes long, and for each byte
/// c (read as a signed 8-bit value) at position i, (c + i + 100) * 3 lies in
/// 100..999.  Printable ASCII (32..126) always qualifies; bytes 0x80..0xBD
/// at position 0 do not, while 0xBE..0xFF do.  `pSrc` is not changed.
/// \param pSrc The password.
/// \param pDst Receives the stored form (zero-filled by the caller).
TAVO_API void MySetPW(char* pSrc, char* pDst);

/// Turns the stored form `pSrc` back into the password, one byte per group
/// of three stored bytes.
///
/// No NUL is written: the caller passes a zero-filled `pDst` of at least
/// (strlen(pSrc) + 2) / 3 + 1 bytes.  Writes nothing when the stored form is
/// empty, longer than 150 bytes or holds a byte that is neither a digit nor
/// a letter C to L.  `pSrc` is not changed.
/// \param pSrc The stored form, as MySetPW wrote it.
/// \param pDst Receives the password (zero-filled by the caller).
TAVO_API void MyGetPW(char* pSrc, char* pDst);

/// Unpacks the archive `pArchive` into the directory `pDir` by starting an
/// archiver chosen from the archive's name.
///
/// The text after the first '.' of `pArchive` (wherever it is, even in a
/// directory part) holding "rar" anywhere starts
///
///     unrar e -y <pArchive> <pDir>
///
/// else holding "zip" starts
///
///     unzip -o -d <pDir> <pArchive>
///
/// else nothing starts ("rar" is looked for first; the tests are
/// case-sensitive: A.ZIP starts nothing; a name without '.' neither).
/// Both texts go into the command line as they are: a name with blanks must
/// carry its own double quotes ("\"my file.zip\"").  The command line is cut
/// into arguments the Windows way (blanks separate, double quotes group, a
/// backslash escapes a quote), and the archiver, found on PATH, runs
/// detached with its standard streams on the null device.  No shell is
/// involved, so ';', '|', `$(...)` or backquotes reach the archiver as text.
/// The call does not wait for the archiver and learns nothing of its
/// outcome.
///
/// Names must come from the program, never from a user: the texts are cut
/// into words, so a name can bring the archiver options of its own
/// ("-T -TT \"cmd\"" makes zip run a command), which no quoting by the
/// library could prevent while the command line stays as it is.
/// \param pArchive The archive's name.
/// \param pDir The directory to unpack into.
/// \return Always 1: also when nothing starts, when the archiver cannot be
///         found, and when the command line would be longer than 255 bytes
///         (then nothing starts).
TAVO_API int MyUnZIP(const char* pArchive, const char* pDir);

/// Packs what `pFiles` names (a file, a directory or a wildcard pattern the
/// archiver expands) into the archive `pArchive`.
///
/// The archiver is chosen from `pArchive` as MyUnZIP chooses it.  The
/// archive comes first on the command line and the files second, where the
/// archivers expect them:
///
///     rar a -y <pArchive> <pFiles>
///     zip -u -r -j <pArchive> <pFiles>
///
/// Started, quoted and refused as for MyUnZIP.
/// \param pArchive The archive's name.
/// \param pFiles What to pack.
/// \return Always 1.
TAVO_API int MyZIP(const char* pArchive, const char* pFiles);

/// @}

#endif  // TAVO_COMMON_COMMON_H
