// Fault injection for the library's test builds (TAVO_FAULT_INJECTION=ON):
// every call the library makes into the C library, the system or the MySQL
// client library that can fail, and that is listed below, is linked to a
// wrapper here (the linker's --wrap: the library's own references to
// `fopen` resolve to __wrap_fopen, which reaches the real one as
// __real_fopen).  Calls made by the program, by the sanitizers or by the
// client library itself are not touched.  The shipped library never
// contains this file: its interface, its symbols and its speed are those of
// a build without it.
//
// A wrapper counts its call and, when the call is the one chosen, fails it
// the way the real call fails (its failure result, the error number set,
// the stream's error flag set for a stdio read or write) without doing the
// work, except where the real call releases its object even when it
// reports a failure (fclose, close): that release still happens, as it
// does on a real failure.
//
// Controlled from the environment, read at the first call:
//   TAVO_FAULT_NTH=N    fail the N-th counted call (1-based); unset: none
//   TAVO_FAULT_KIND=k   count only the calls of kind `k` (the wrapped
//                       function's name, e.g. fcntl or mysql_query)
//   TAVO_FAULT_ERRNO=e  the error number a failed call leaves (default: a
//                       realistic one for the call, listed with it below)
//   TAVO_FAULT_OUT=path appends "failed <kind>" to `path` when a call is
//                       failed (at once, so that a run that ends abruptly
//                       still tells), and "calls <count>" at exit
// Only the process that first made a counted call counts: a child made by
// fork() neither counts nor fails anything, so a run's numbering does not
// depend on its children.  Counting is atomic; scenarios that want the
// same numbering in every run are single-threaded.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1
#endif
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <errno.h>

#include <mysql.h>

namespace {

struct FaultState {
  bool bReady;
  pid_t nPid;         // the counting process
  long nNth;          // the call to fail, 0 for none
  const char* pKind;  // counted kind, null for all
  int nErrno;         // chosen error number, 0 for each call's own
  const char* pOut;   // where the summary goes at exit
  long nCalls;        // calls counted so far
};

FaultState gState;

extern "C" int __real_open(const char* path, int flags, ...);
extern "C" ssize_t __real_write(int fd, const void* buf, size_t n);
extern "C" int __real_close(int fd);

void setUp() {
  if (gState.bReady) return;
  const char* p = getenv("TAVO_FAULT_NTH");
  gState.nNth = p != nullptr ? strtol(p, nullptr, 10) : 0;
  gState.pKind = getenv("TAVO_FAULT_KIND");
  if (gState.pKind != nullptr && *gState.pKind == '\0') gState.pKind = nullptr;
  p = getenv("TAVO_FAULT_ERRNO");
  gState.nErrno = p != nullptr ? static_cast<int>(strtol(p, nullptr, 10)) : 0;
  gState.pOut = getenv("TAVO_FAULT_OUT");
  gState.nPid = getpid();
  gState.bReady = true;
}

// Appends one line to the run's summary file, if there is one.
void report(const char* fmt, ...) {
  if (gState.pOut == nullptr) return;
  char buf[200];
  va_list ap;
  va_start(ap, fmt);
  const int n = vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  const int fd = __real_open(gState.pOut, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  (void)__real_write(fd, buf, static_cast<size_t>(n));
  __real_close(fd);
}

// Counts a call of `kind`; true when it is the one to fail, with errno set
// to the chosen error or `nDefault`.
bool shouldFail(const char* kind, int nDefault) {
  const int e = errno;
  setUp();
  bool bFail = false;
  if (getpid() == gState.nPid && (gState.pKind == nullptr || strcmp(gState.pKind, kind) == 0)) {
    const long n = __atomic_add_fetch(&gState.nCalls, 1, __ATOMIC_RELAXED);
    bFail = n == gState.nNth;
  }
  if (!bFail) {
    errno = e;
    return false;
  }
  report("failed %s\n", kind);
  errno = gState.nErrno != 0 ? gState.nErrno : nDefault;
  return true;
}

// The count of the run, for the driver that chooses the call to fail.
__attribute__((destructor)) void writeCount() {
  if (gState.bReady && getpid() == gState.nPid) report("calls %ld\n", gState.nCalls);
}

// Marks a stdio stream as having met an error, as a failed read or write
// does (glibc keeps the flag in _flags).
void setStreamError(FILE* fp) { fp->_flags |= _IO_ERR_SEEN; }

}  // namespace

// TAVO_WRAP(result type, name, (parameters), (arguments), failure result,
// default error number): a wrapper that fails without calling through.  The
// build reads the names from these lines for its --wrap options.
#define TAVO_WRAP(R, name, params, args, failed, err) \
  extern "C" R __real_##name params;                  \
  extern "C" R __wrap_##name params {                 \
    if (shouldFail(#name, err)) return failed;        \
    return __real_##name args;                        \
  }

// ---- Files and streams --------------------------------------------------
TAVO_WRAP(FILE*, fopen, (const char* p, const char* m), (p, m), nullptr, EMFILE)
TAVO_WRAP(int, fflush, (FILE * fp), (fp), EOF, EIO)
TAVO_WRAP(int, fseek, (FILE * fp, long o, int w), (fp, o, w), -1, EIO)
TAVO_WRAP(int, fseeko64, (FILE * fp, off64_t o, int w), (fp, o, w), -1, EIO)
TAVO_WRAP(int, fstat, (int fd, struct stat* st), (fd, st), -1, EIO)
TAVO_WRAP(int, fstat64, (int fd, struct stat64* st), (fd, st), -1, EIO)
TAVO_WRAP(int, stat, (const char* p, struct stat* st), (p, st), -1, EIO)
TAVO_WRAP(int, stat64, (const char* p, struct stat64* st), (p, st), -1, EIO)
TAVO_WRAP(int, unlink, (const char* p), (p), -1, EACCES)
TAVO_WRAP(int, link, (const char* a, const char* b), (a, b), -1, EIO)
TAVO_WRAP(int, renameat2, (int a, const char* b, int c, const char* d, unsigned f), (a, b, c, d, f), -1, EIO)
TAVO_WRAP(DIR*, opendir, (const char* p), (p), nullptr, EMFILE)
TAVO_WRAP(struct dirent64*, readdir64, (DIR * d), (d), nullptr, EIO)
TAVO_WRAP(char*, realpath, (const char* p, char* r), (p, r), nullptr, EIO)
TAVO_WRAP(ssize_t, write, (int fd, const void* b, size_t n), (fd, b, n), -1, ENOSPC)
TAVO_WRAP(int, posix_fallocate, (int fd, off_t o, off_t n), (fd, o, n), ENOSPC, 0)
TAVO_WRAP(struct tm*, localtime_r, (const time_t* t, struct tm* r), (t, r), nullptr, EOVERFLOW)

extern "C" size_t __real_fread(void* p, size_t s, size_t n, FILE* fp);
extern "C" size_t __wrap_fread(void* p, size_t s, size_t n, FILE* fp) {
  if (!shouldFail("fread", EIO)) return __real_fread(p, s, n, fp);
  setStreamError(fp);
  return 0;
}

extern "C" size_t __real_fwrite(const void* p, size_t s, size_t n, FILE* fp);
extern "C" size_t __wrap_fwrite(const void* p, size_t s, size_t n, FILE* fp) {
  if (!shouldFail("fwrite", ENOSPC)) return __real_fwrite(p, s, n, fp);
  setStreamError(fp);
  return 0;
}

extern "C" int __real_vfprintf(FILE* fp, const char* fmt, va_list ap);
extern "C" int __wrap_vfprintf(FILE* fp, const char* fmt, va_list ap) {
  if (!shouldFail("vfprintf", ENOSPC)) return __real_vfprintf(fp, fmt, ap);
  setStreamError(fp);
  return -1;
}

extern "C" int __real_getc(FILE* fp);
extern "C" int __wrap_getc(FILE* fp) {
  if (!shouldFail("getc", EIO)) return __real_getc(fp);
  setStreamError(fp);
  return EOF;
}

// A close that fails has still released the stream or the descriptor.  A
// stream's close fails when writing out its buffer fails: what was still
// buffered is lost.
extern "C" int __real_fclose(FILE* fp);
extern "C" int __wrap_fclose(FILE* fp) {
  const bool bFail = shouldFail("fclose", ENOSPC);
  const int e = errno;
  if (bFail) __fpurge(fp);
  const int r = __real_fclose(fp);
  if (!bFail) return r;
  errno = e;
  return EOF;
}

extern "C" int __wrap_close(int fd) {
  const bool bFail = shouldFail("close", EIO);
  const int e = errno;
  const int r = __real_close(fd);
  if (!bFail) return r;
  errno = e;
  return -1;
}

// open and open64 take a mode only when they may create the file.
#define TAVO_WRAP_OPEN(name)                                       \
  extern "C" int __real_##name(const char* path, int flags, ...);  \
  extern "C" int __wrap_##name(const char* path, int flags, ...) { \
    mode_t mode = 0;                                               \
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) {                    \
      va_list ap;                                                  \
      va_start(ap, flags);                                         \
      mode = static_cast<mode_t>(va_arg(ap, int));                 \
      va_end(ap);                                                  \
    }                                                              \
    if (shouldFail(#name, EMFILE)) return -1;                      \
    return __real_##name(path, flags, mode);                       \
  }
TAVO_WRAP_OPEN(open)
TAVO_WRAP_OPEN(open64)

// fcntl's third argument is an int or a pointer, passed on as it came; a
// refused lock fails as the system's lock table being full does.
#define TAVO_WRAP_FCNTL(name)                                                                      \
  extern "C" int __real_##name(int fd, int cmd, ...);                                              \
  extern "C" int __wrap_##name(int fd, int cmd, ...) {                                             \
    va_list ap;                                                                                    \
    va_start(ap, cmd);                                                                             \
    void* arg = va_arg(ap, void*);                                                                 \
    va_end(ap);                                                                                    \
    if (shouldFail(#name, cmd == F_OFD_SETLK || cmd == F_OFD_SETLKW ? ENOLCK : EINVAL)) return -1; \
    return __real_##name(fd, cmd, arg);                                                            \
  }
TAVO_WRAP_FCNTL(fcntl)
TAVO_WRAP_FCNTL(fcntl64)

// ---- Shared memory --------------------------------------------------------
TAVO_WRAP(int, shm_open, (const char* n, int f, mode_t m), (n, f, m), -1, EMFILE)
TAVO_WRAP(int, shm_unlink, (const char* n), (n), -1, EACCES)
TAVO_WRAP(void*, mmap, (void* a, size_t n, int p, int f, int fd, off_t o), (a, n, p, f, fd, o), MAP_FAILED,
          ENOMEM)
TAVO_WRAP(int, nanosleep, (const struct timespec* a, struct timespec* b), (a, b), -1, EINTR)

// ---- Processes -------------------------------------------------------------
TAVO_WRAP(pid_t, fork, (), (), -1, EAGAIN)
TAVO_WRAP(pid_t, waitpid, (pid_t p, int* s, int o), (p, s, o), -1, EINTR)
TAVO_WRAP(int, access, (const char* p, int m), (p, m), -1, EACCES)
TAVO_WRAP(int, sigprocmask, (int h, const sigset_t* a, sigset_t* b), (h, a, b), -1, EINVAL)
TAVO_WRAP(int, getrlimit, (__rlimit_resource_t r, struct rlimit* l), (r, l), -1, EINVAL)

// ---- Sockets and names -------------------------------------------------------
TAVO_WRAP(int, socket, (int d, int t, int p), (d, t, p), -1, EMFILE)
TAVO_WRAP(int, setsockopt, (int fd, int l, int o, const void* v, socklen_t n), (fd, l, o, v, n), -1, ENOBUFS)
TAVO_WRAP(int, getsockopt, (int fd, int l, int o, void* v, socklen_t* n), (fd, l, o, v, n), -1, ENOBUFS)
TAVO_WRAP(int, bind, (int fd, const struct sockaddr* a, socklen_t n), (fd, a, n), -1, EADDRINUSE)
TAVO_WRAP(int, listen, (int fd, int n), (fd, n), -1, EADDRINUSE)
TAVO_WRAP(int, accept4, (int fd, struct sockaddr* a, socklen_t* n, int f), (fd, a, n, f), -1, EMFILE)
TAVO_WRAP(int, connect, (int fd, const struct sockaddr* a, socklen_t n), (fd, a, n), -1, ECONNREFUSED)
TAVO_WRAP(int, poll, (struct pollfd * p, nfds_t n, int t), (p, n, t), -1, ENOMEM)
TAVO_WRAP(ssize_t, send, (int fd, const void* b, size_t n, int f), (fd, b, n, f), -1, ECONNRESET)
TAVO_WRAP(ssize_t, recv, (int fd, void* b, size_t n, int f), (fd, b, n, f), -1, ECONNRESET)
TAVO_WRAP(ssize_t, sendto, (int fd, const void* b, size_t n, int f, const struct sockaddr* a, socklen_t l),
          (fd, b, n, f, a, l), -1, ENOBUFS)
TAVO_WRAP(ssize_t, recvfrom, (int fd, void* b, size_t n, int f, struct sockaddr* a, socklen_t* l),
          (fd, b, n, f, a, l), -1, EIO)
TAVO_WRAP(int, getpeername, (int fd, struct sockaddr* a, socklen_t* n), (fd, a, n), -1, ENOTCONN)
TAVO_WRAP(int, gethostname, (char* b, size_t n), (b, n), -1, ENAMETOOLONG)
TAVO_WRAP(int, getaddrinfo, (const char* h, const char* s, const struct addrinfo* i, struct addrinfo** r),
          (h, s, i, r), EAI_AGAIN, 0)
TAVO_WRAP(int, getnameinfo,
          (const struct sockaddr* a, socklen_t n, char* h, socklen_t hn, char* s, socklen_t sn, int f),
          (a, n, h, hn, s, sn, f), EAI_AGAIN, 0)

// ---- The MySQL client library -------------------------------------------------
TAVO_WRAP(MYSQL*, mysql_init, (MYSQL * m), (m), nullptr, 0)
TAVO_WRAP(int, mysql_options, (MYSQL * m, enum mysql_option o, const void* v), (m, o, v), 1, 0)
TAVO_WRAP(MYSQL*, mysql_real_connect,
          (MYSQL * m, const char* h, const char* u, const char* p, const char* d, unsigned int port,
           const char* s, unsigned long f),
          (m, h, u, p, d, port, s, f), nullptr, 0)
TAVO_WRAP(int, mysql_query, (MYSQL * m, const char* q), (m, q), 1, 0)
TAVO_WRAP(int, mysql_real_query, (MYSQL * m, const char* q, unsigned long n), (m, q, n), 1, 0)
TAVO_WRAP(int, mysql_send_query, (MYSQL * m, const char* q, unsigned long n), (m, q, n), 1, 0)
TAVO_WRAP(my_bool, mysql_read_query_result, (MYSQL * m), (m), 1, 0)

// A result set that cannot be kept (out of memory while reading it) has
// still been read off the connection, which stays usable: the real call
// runs and its result is dropped.
extern "C" MYSQL_RES* __real_mysql_store_result(MYSQL* m);
extern "C" MYSQL_RES* __wrap_mysql_store_result(MYSQL* m) {
  const bool bFail = shouldFail("mysql_store_result", 0);
  MYSQL_RES* r = __real_mysql_store_result(m);
  if (!bFail) return r;
  if (r != nullptr) mysql_free_result(r);
  return nullptr;
}
extern "C" MYSQL_RES* __real_mysql_use_result(MYSQL* m);
extern "C" MYSQL_RES* __wrap_mysql_use_result(MYSQL* m) {
  const bool bFail = shouldFail("mysql_use_result", 0);
  MYSQL_RES* r = __real_mysql_use_result(m);
  if (!bFail) return r;
  if (r != nullptr) mysql_free_result(r);  // reads and drops the rows
  return nullptr;
}
TAVO_WRAP(int, mysql_ping, (MYSQL * m), (m), 1, 0)
TAVO_WRAP(int, mysql_next_result, (MYSQL * m), (m), 1, 0)
