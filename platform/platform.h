// The platform layer: every call into the operating system for sockets,
// file mappings, process launch, file deletion/rename and directory listing
// goes through the task-level functions declared here.  One implementation
// file per concern: posix_*.cpp on POSIX systems, win32_*.cpp on Windows,
// chosen by the build.
#ifndef TAVO_PLATFORM_PLATFORM_H
#define TAVO_PLATFORM_PLATFORM_H

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
