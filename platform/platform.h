// The platform layer: every call into the operating system for sockets,
// file mappings, process launch, file deletion/rename, directory listing,
// stream internals, the handle table's lock, time and error texts goes through the task-level
// functions declared here.  One implementation file per concern:
// posix_*.cpp on POSIX systems, win32_*.cpp on Windows, chosen by the build.
//
// One result convention throughout: a call that can fail returns 0 on
// success (or what it gives: a count, a size, a handle, all >= 0) and a
// negative number on failure; where a caller must tell failures apart they
// are distinct negative numbers (kAppendOpenFailed, the ConnectResult
// values).  The reason is left in the platform's error number: errno, or
// socketError() for the socket calls; the raw number is handed out only
// where a message prints it (connectIpv4's `err`).  A call that hands out a
// pointer gives null on failure; a predicate gives bool; a call that cannot
// fail returns nothing.
#ifndef TAVO_PLATFORM_PLATFORM_H
#define TAVO_PLATFORM_PLATFORM_H

#include <stddef.h>
#include <stdio.h>
#include <time.h>

#include "platform_traits.h"

struct stat;

namespace tavo {
namespace platform {

// The constants of this family of systems come from its own folder of
// internal headers (platform_traits.h):
//   kDirSep, kSepAfterRoot  the directory separator of path names ('/' or
//       a backslash), and whether a path built from a directory and a name always
//       gets one between them, even after a root directory whose name
//       already ends in it (Windows names a drive's root C:, a backslash,
//       and a file there gets a second backslash), or only when the
//       directory does not end in one ("/f.txt");
//   kSocketHandleStride  socket handles are multiples of it (Windows
//       Sockets hands out kernel handles, multiples of 4; POSIX descriptors
//       are every number).

// ---- Files and directories (posix_files.cpp / win32_files.cpp) ----------

// Renames `from` to `to` only if `to` does not exist, atomically (no window
// in which an existing `to` could be replaced).  Returns 0 on success, -1 on
// failure with errno set (EEXIST when `to` exists).
int renameNoReplace(const char* from, const char* to);

// Calls `fn(name, ctx)` for every entry of directory `dir` (including "."
// and ".." where the system lists them), names of any length given whole.
// Returns 0 when the directory was listed, -1 when it cannot be opened or
// reading it fails part way (the names given so far are then not the
// whole directory).
int listDirectory(const char* dir, void (*fn)(const char* name, void* ctx), void* ctx);

// The directory `dir` as the system names it (absolute, symbolic links
// resolved), as a heap string released with free(); null when it cannot be
// resolved.  Does not change the current directory.
char* resolveDirectory(const char* dir);

// The failures of appendLogEntry.
constexpr int kAppendOpenFailed = -1;
constexpr int kAppendWriteFailed = -2;

// Appends the `n` bytes at `data` to the log file `path` (created when
// missing, as stdio's "a" mode does) with one write of the whole block in
// append mode, so that entries appended by several threads or processes
// never interleave; 0, kAppendOpenFailed or kAppendWriteFailed (errno tells
// why).
//
// The size bound: when the file opened holds more than `nBound` bytes, that
// file, and only that one, is deleted, and the entry starts a new file.
// Should the deletion fail, the entry goes to the old file.  The decision
// and the deletion are made on the file this call opened, while it holds
// the file's own lock (an exclusive lock on one byte far past any data, so
// that nothing anyone reads or writes is locked), and the write is made
// under the same lock: writers of any thread or process take turns, and an
// entry is never appended to a file another writer has just deleted, nor a
// new file deleted before it is over the bound.  A writer that finds the
// name no longer names the file it opened (another writer deleted it
// meanwhile) opens the name again.  Where the system refuses the lock the
// entry is written all the same, unordered.  POSIX: the writers of one
// process also take turns on a process-wide lock, so that no log file is
// open, nor its lock held, when the process forks.
int appendLogEntry(const char* path, const void* data, size_t n, long long nBound);

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

// Locks and unlocks `fp` for the calling thread, so that a run of reads of
// its buffer is not interleaved with another thread's use of the stream.
void lockStream(FILE* fp);
void unlockStream(FILE* fp);

// Holds the lock of a stream for one scope.
class StreamLock {
 public:
  explicit StreamLock(FILE* fp) : fp_(fp) { lockStream(fp_); }
  ~StreamLock() { unlockStream(fp_); }
  StreamLock(const StreamLock&) = delete;
  StreamLock& operator=(const StreamLock&) = delete;

 private:
  FILE* fp_;
};

// fseek with a 64-bit offset (positions past 2 GiB also where long has 32
// bits).  0, or -1.
int seekStream(FILE* fp, long long offset, int whence);

// Moves `fp` to the start of its file.  Returns 1 when it is there; 0 when
// the stream cannot seek at all (a pipe or a FIFO: it stays where it
// stands, which for a freshly opened one is its start); -1 when the seek
// failed otherwise.
int rewindStream(FILE* fp);

// ---- The lock (posix_lock.cpp / win32_lock.cpp) ---------------------------------

// Take and let go of the lock that guards the table of shared handles
// (internal/share.cpp).  Not recursive.  The lock is static data that is
// ready as the library is loaded: no constructor runs for it (the Visual
// C++-mode DLL has no entry point to run one).  POSIX: it is free in a
// child made by fork(), whatever the parent's other threads were doing.
// (The platform layer's own process-wide locks, those of the log's writers
// and of the live shared blocks, are kept beside their code, fork-safe
// alike.)
void lockHandleTable();
void unlockHandleTable();

// ---- Time (posix_time.cpp / win32_time.cpp) ------------------------------------

// Formats the local time of `t` with strftime's `fmt` into `buf` of `size`
// bytes.  The count of bytes written (without the NUL); 0 when the time
// cannot be converted or the text does not fit.  POSIX: safe to call in a
// child made by fork() whatever the parent's other threads of the library
// were doing.
size_t formatLocalTime(time_t t, const char* fmt, char* buf, size_t size);

// ---- Error texts (posix_error.cpp / win32_error.cpp) -------------------------------

// The system's text for error number `errnum`, written into `buf` of `size`
// bytes when the system needs room for it; returns the text, which lives in
// `buf` or in static storage.  Never null; an unknown number gives the
// system's text for it ("Unknown error <n>" from glibc, "Unknown error" from
// the Windows runtime).
const char* errorText(int errnum, char* buf, size_t size);

// ---- Named shared memory (posix_shm.cpp / win32_shm.cpp) -----------------
//
// On Windows a block is a named file mapping on the paging file: the name is
// the mapping object's own (shared with any program that uses it), and the
// system frees the block when its last handle and view close.

// Creates or joins the named block `name` (1 to 49 bytes, any byte values
// except NUL).  A live block of that name (one with at least one holder) is
// joined whatever its size; otherwise a new zero-filled block of `size`
// bytes is made, and a block whose holders all ended without releasing it
// is not joined: its name is cleared and a new block made in its place
// (views of the old one stay valid).  `size` <= 0 only joins.  Returns the
// handle, a non-zero 32-bit number (the mapping's own handle on Windows),
// or 0 when the block can be neither joined nor made.
int createOrJoinSharedBlock(const char* name, int size);

// Maps the whole block of the handle `id` read/write.  Returns the view's
// address (valid until the process ends or the caller unmaps it, whether
// or not the handle is still held), or null when the system refuses a view
// or `id` is not a held handle.
void* mapSharedBlock(int id);

// Releases the handle `id`.  The last holder of a block removes its name,
// so that the next create makes a new block.
void releaseSharedBlock(int id);

// ---- Processes (posix_process.cpp / win32_process.cpp) -------------------

// Starts the program a command line names, detached, and does not wait for
// it.  Windows: WinExec with a hidden window.  POSIX: the line is cut into arguments by the Windows rules
// (blanks and tabs separate, double quotes group, backslashes escape a quote), the program is searched for on
// PATH when its name holds no directory separator, and it runs in a session of its own with its standard
// streams on the null device. No shell is involved and no child is left to reap.  Returns 0 when the program
// was found and its process made, -1 otherwise (empty line, program not found, no process).
int startDetached(const char* cmdLine);

// ---- Sockets (posix_net.cpp / win32_net.cpp) ----------------------------
//
// IPv4 only.  Addresses travel as four bytes in network order
// (`unsigned char[4]`), ports as host-order numbers of which the low 16 bits
// are used.  On POSIX every call that may block is repeated when a signal
// interrupts it, so EINTR never reaches the caller.  A failing call returns -1 and
// leaves the platform's error number for socketError() (errno here,
// WSAGetLastError() in a Windows build), which the messages print.

// Starts and ends the system's socket support for one object (Windows
// Sockets 2.2 counts them).  netStartup returns 0 when the support is
// available, -1 otherwise.  Both do nothing on POSIX.
int netStartup();
void netCleanup();

// The error number of the last failed socket call on this thread, and its
// setter (for keeping it across a message printed after the failure).
int socketError();
void setSocketError(int e);

// A new IPv4 stream (TCP) or datagram (UDP) socket, not inherited by child
// processes; -1 on failure.
int openTcpSocket();
int openUdpSocket();

// Closes a socket; its result is not needed by any caller.
void closeSocket(int fd);

// Parses dotted IPv4 text as inet_addr() does (no name lookup).  Returns 0
// and fills `addr`, or -1 when `text` is not an address.
int parseIpv4(const char* text, unsigned char addr[4]);

// The first IPv4 address of `host`: dotted text is used as it is, anything
// else is looked up with the thread-safe resolver.  0 and `addr` filled, or
// -1 when the name does not resolve.
int resolveIpv4(const char* host, unsigned char addr[4]);

// Calls `fn(addr, ctx)` for every IPv4 address the resolver gives for
// `host`, in its order (an address may come more than once).  0 when the
// name resolved, -1 otherwise (then `fn` has not been called).
int forEachIpv4(const char* host, void (*fn)(const unsigned char addr[4], void* ctx), void* ctx);

// The local host name into `buf` of `size` bytes.  0, or -1 on failure.
int localHostName(char* buf, int size);

// The host name registered for `addr` (reverse lookup; no numeric
// fallback) into `buf` of `size` bytes.  0, or -1 when there is none.
int hostNameOfIpv4(const unsigned char addr[4], char* buf, int size);

// The IPv4 address and port of the peer of a connected socket.  0, or -1
// (not connected, not IPv4, not a socket).
int peerIpv4(int fd, unsigned char addr[4], int* port);

// Sets SO_REUSEADDR.  0, or -1.
int setReuseAddr(int fd);

// Socket-level send / receive time-out in milliseconds; 0 is no limit.
// 0, or -1.
int setSendTimeoutMs(int fd, int ms);
int setRecvTimeoutMs(int fd, int ms);

// Binds to `addr`:`port`.  0, or -1.
int bindIpv4(int fd, const unsigned char addr[4], int port);

// Starts listening with a backlog of `backlog`.  0, or -1.
int listenSocket(int fd, int backlog);

// Accepts one connection: its socket, or -1.
int acceptSocket(int fd);

// Outcome of connectIpv4().
enum ConnectResult {
  kConnected = 0,            // connected (and blocking again after a time-out)
  kConnectFailed = -1,       // blocking connect failed (no time-out given)
  kNonBlockFailed = -2,      // the socket could not be made non-blocking
  kConnectTimedOut = -3,     // time-out, refusal or failure; see *err
  kBlockRestoreFailed = -4,  // connected, but the socket could not be made blocking
};

// Connects to `addr`:`port`.  With `timeoutSec` <= 0 a plain blocking
// connect (kConnected or kConnectFailed).  Otherwise the socket is made
// non-blocking and the connection is waited for at most `timeoutSec`
// seconds (the wait is safe for any descriptor number).  POSIX: a refused or
// failed connection ends the wait early, and on kConnectTimedOut `*err` is
// the socket's pending error for a failed connection, or the error number
// left by the connect attempt when the time ran out.  Windows: only the
// socket's becoming writable is waited for (select on the write set), so a
// refused connection, which Windows Sockets does not mark writable, is seen
// as a time-out when the time is up; `*err` is GetLastError() then.  Either
// way the socket stays non-blocking on kConnectTimedOut; on kConnected it is
// blocking again.
ConnectResult connectIpv4(int fd, const unsigned char addr[4], int port, int timeoutSec, int* err);

// One send / receive on a connected socket; a send to a peer that has gone
// away fails with an error and never raises a signal.  The count moved, or
// -1.  recvSome returns 0 when the peer closed.
int sendSome(int fd, const void* buf, int len);
int recvSome(int fd, void* buf, int len);

// One datagram to `addr`:`port`, never raising a signal.  The count sent,
// or -1.
int sendDatagram(int fd, const unsigned char addr[4], int port, const void* buf, int len);

// One datagram into `buf` of `len` bytes, from any sender.  Its length, or
// -1.  A datagram longer than `len` is an error (EMSGSIZE, WSAEMSGSIZE on
// Windows), not a silent cut: its first `len` bytes are in `buf` and it is
// consumed.
int recvDatagram(int fd, void* buf, int len);

// Waits until `fd` can be read, at most `timeoutMs` milliseconds in all.
// 1 readable, 0 time-out, -1 error.
int waitReadable(int fd, int timeoutMs);

// Fills the platform's 16-byte IPv4 socket address (family, port in network
// order, address, zero padding) at `out`.
void fillSockAddr(void* out, const unsigned char addr[4], int port);
// Binds to the 16-byte socket address at `sa`.  0, or -1.
int bindSockAddr(int fd, const void* sa);

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_PLATFORM_H
