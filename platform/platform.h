// The platform layer: every call into the operating system for sockets,
// file mappings, process launch, file deletion/rename, directory listing,
// stream internals, time and error texts goes through the task-level
// functions declared here (and, where a call runs once per byte, the inline
// ones of platform/stream.h).  One implementation file per concern:
// posix_*.cpp on POSIX systems, win32_*.cpp on Windows, chosen by the build.
#ifndef TAVO_PLATFORM_PLATFORM_H
#define TAVO_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdio>
#include <ctime>

struct stat;

namespace tavo {
namespace platform {

// The directory separator of path names on this platform.
#if defined(_WIN32)
constexpr char kDirSep = '\\';
#else
constexpr char kDirSep = '/';
#endif

// ---- Files and directories (posix_files.cpp / win32_files.cpp) ----------

// Deletes the file `path`.  Returns 0 on success, -1 on failure (errno set).
int removeFile(const char* path);

// Renames `from` to `to` only if `to` does not exist, atomically (no window
// in which an existing `to` could be replaced).  Returns 0 on success, -1 on
// failure with errno set (EEXIST when `to` exists).
int renameNoReplace(const char* from, const char* to);

// Calls `fn(name, ctx)` for every entry of directory `dir` (including "."
// and ".." where the system lists them), names of any length given whole.
// Returns 0 when the directory was listed, -1 when it cannot be opened.
int listDirectory(const char* dir, void (*fn)(const char* name, void* ctx), void* ctx);

// The directory `dir` as the system names it (absolute, symbolic links
// resolved), as a heap string released with free(); null when it cannot be
// resolved.  Does not change the current directory.
char* resolveDirectory(const char* dir);

// Size in bytes of the file `path` (sizes past 2 GiB included), or -1 when
// its status cannot be read.
long long fileSize(const char* path);

// What appendWhole did.
enum class AppendResult { kDone, kOpenFailed, kWriteFailed };

// Appends the `n` bytes at `data` to the file `path` (created when missing,
// as stdio's "a" mode does) with one write of the whole block in append
// mode, so that entries appended this way by several threads or processes
// never interleave.  On failure errno tells why.
AppendResult appendWhole(const char* path, const void* data, std::size_t n);

// ---- Streams (posix_stream.cpp / win32_stream.cpp) ---------------------------

// Writes out output still waiting in the buffer of `fp`, if there is any.
// A stream that is being read keeps its read buffer (flushing it would
// throw the buffered input away).
void flushPendingOutput(FILE* fp);

// Status of the open file of `fp`, pending output written out first.
// Returns 0, or -1 when the query fails.
int streamStatus(FILE* fp, struct stat* pStatus);

// Size in bytes of the open file of `fp`, pending output written out first;
// -1 when it cannot be queried.
long long streamSize(FILE* fp);

// True when `fp` reads or writes a regular file (not a pipe, a device or a
// directory).
bool streamIsRegularFile(FILE* fp);

// Block reading straight from the buffer of a read stream, without a copy
// (the caller holds the stream locked, see platform/stream.h).
// peekBuffered makes the next bytes of `fp` available, reading more when
// its buffer is empty (a read that returns what a pipe holds now, without
// waiting for a full block): returns their count and stores their address
// in `*pp`; 0 at the end of the file or on a read error.  The bytes stay
// unread until consumeBuffered(fp, n) marks the first `n` of them (at most
// the count peeked) as read.
std::size_t peekBuffered(FILE* fp, const char** pp);
void consumeBuffered(FILE* fp, std::size_t n);

// Moves `fp` to the start of its file.  Returns 1 when it is there; 0 when
// the stream cannot seek at all (a pipe or a FIFO: it stays where it
// stands, which for a freshly opened one is its start); -1 when the seek
// failed otherwise.
int rewindStream(FILE* fp);

// ---- Time (posix_time.cpp / win32_time.cpp) ------------------------------------

// The local broken-down time of `t` in `*pOut`.  False when it cannot be
// converted.
bool localTime(std::time_t t, std::tm* pOut);

// ---- Error texts (posix_error.cpp / win32_error.cpp) -------------------------------

// The system's text for error number `errnum`, written into `buf` of `size`
// bytes when the system needs room for it; returns the text, which lives in
// `buf` or in static storage.  Never null; an unknown number gives
// "Unknown error <n>".
const char* errorText(int errnum, char* buf, std::size_t size);

// ---- Named shared memory (posix_shm.cpp) ---------------------------------

// A named block of shared memory held by one handle (opaque; one per
// successful createOrJoinSharedBlock).
struct SharedBlock;

// Creates or joins the named block `name` (1 to 49 bytes, any byte values
// except NUL).  A live block of that name (one with at least one holder) is
// joined whatever its size; otherwise a new zero-filled block of `size`
// bytes is made, and a block whose holders all ended without releasing it
// is not joined: its name is cleared and a new block made in its place
// (views of the old one stay valid).  `size` <= 0 only joins.  Returns the
// handle, or null when the block can be neither joined nor made.
SharedBlock* createOrJoinSharedBlock(const char* name, int size);

// A non-zero number identifying the handle while it is held.
int sharedBlockId(const SharedBlock* block);

// Maps the whole block read/write.  Returns the view's address (valid until
// the process ends or the caller unmaps it, whether or not the handle is
// still held), or null when the system refuses a view.
void* mapSharedBlock(SharedBlock* block);

// Releases the handle (and frees `block`).  The last holder of a block
// removes its name, so that the next create makes a new block.
void releaseSharedBlock(SharedBlock* block);

// ---- Processes (posix_process.cpp) ---------------------------------------

// Starts the program a command line names, detached, and does not wait for
// it: the line is cut into arguments by the Windows rules (blanks and tabs
// separate, double quotes group, backslashes escape a quote), the program is
// searched for on PATH when its name holds no directory separator, and it
// runs in a session of its own with its standard streams on the null device.
// No shell is involved and no child is left to reap.  Returns 0 when the
// program was found and its process made, -1 otherwise (empty line, program
// not found, no process).
int startDetached(const char* cmdLine);

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_PLATFORM_H
