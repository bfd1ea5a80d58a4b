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

// ---- Sockets (posix_net.cpp / win32_net.cpp) ----------------------------
//
// IPv4 only.  Addresses travel as four bytes in network order
// (`unsigned char[4]`), ports as host-order numbers of which the low 16 bits
// are used.  Every call that may block is repeated when a signal interrupts
// it, so EINTR never reaches the caller.  A failing call returns -1 and
// leaves the platform's error number for socketError() (errno here,
// WSAGetLastError() in a Windows build), which the messages print.

// Starts and ends the system's socket support for one object (Windows
// Sockets 2.2 counts them).  netStartup returns 0 when the support is
// available, non-zero otherwise.  Both do nothing on POSIX.
int netStartup();
void netCleanup();

// The error number of the last failed socket call on this thread.
int socketError();

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

// Calls `fn(addr, ctx)` for every IPv4 address of `host` in the resolver's
// order, each address once.  0 when the name resolved, -1 otherwise (then
// `fn` has not been called).
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
  kConnected = 0,       // connected (and blocking again after a time-out)
  kConnectFailed,       // blocking connect failed (no time-out given)
  kNonBlockFailed,      // the socket could not be made non-blocking
  kConnectTimedOut,     // time-out, refusal or failure; see *err
  kBlockRestoreFailed,  // connected, but the socket could not be made blocking
};

// Connects to `addr`:`port`.  With `timeoutSec` <= 0 a plain blocking
// connect (kConnected or kConnectFailed).  Otherwise the socket is made
// non-blocking and the connection is waited for at most `timeoutSec`
// seconds (the wait is safe for any descriptor number); a refused or failed
// connection ends the wait early.  On kConnectTimedOut `*err` is the
// socket's pending error for a failed connection, or the error number left
// by the connect attempt when the time ran out, and the socket stays
// non-blocking.  On kConnected it is blocking again.
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
// -1.  A datagram longer than `len` is an error (EMSGSIZE), not a silent
// cut: its first `len` bytes are in `buf` and it is consumed.
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
