// POSIX implementation of the process calls of the platform layer: a
// command line started the way Windows' WinExec starts one, without a
// shell and without waiting.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1  // close_range
#endif
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The arguments of a command line: `argv` (null-terminated) points into
// `text`, both on the heap and sized for the longest result a line of its
// length can give (no argument is longer than the text it came from, and
// each takes at least one byte of the line).
struct Arguments {
  explicit Arguments(size_t nLine)
      : text(static_cast<char*>(malloc(nLine + 2))),
        argv(static_cast<char**>(malloc((nLine + 2) * sizeof(char*)))) {}
  ~Arguments() {
    free(text);
    free(argv);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  char* text;
  char** argv;
  size_t n = 0;
};

// Cuts a command line into arguments by the rules of the Windows C runtime.
// The program name: double quotes group (and are dropped), a blank outside
// quotes ends it, backslashes are plain.  Every other argument: blanks
// outside quotes separate; 2n backslashes before a quote give n backslashes
// and the quote groups; 2n+1 give n backslashes and a literal quote; two
// quotes inside quotes give one literal quote; other backslashes are plain.
// Fills `args` (made for this line's length).
void splitCommandLine(const char* p, Arguments& args) {
  char* out = args.text;
  while (isBlank(*p)) ++p;
  if (*p == '\0') return;

  args.argv[args.n++] = out;
  bool bQuoted = false;
  for (; *p != '\0' && (bQuoted || !isBlank(*p)); ++p) {
    if (*p == '"') {
      bQuoted = !bQuoted;
    } else {
      *out++ = *p;
    }
  }
  *out++ = '\0';

  for (;;) {
    while (isBlank(*p)) ++p;
    if (*p == '\0') break;
    args.argv[args.n++] = out;
    bQuoted = false;
    while (*p != '\0' && (bQuoted || !isBlank(*p))) {
      size_t nSlashes = 0;
      while (*p == '\\') {
        ++nSlashes;
        ++p;
      }
      if (*p == '"') {
        memset(out, '\\', nSlashes / 2);
        out += nSlashes / 2;
        if (nSlashes % 2 != 0) {
          *out++ = '"';
          ++p;
        } else if (bQuoted && p[1] == '"') {
          *out++ = '"';
          p += 2;
        } else {
          bQuoted = !bQuoted;
          ++p;
        }
      } else {
        memset(out, '\\', nSlashes);
        out += nSlashes;
        if (*p != '\0' && (bQuoted || !isBlank(*p))) *out++ = *p++;
      }
    }
    *out++ = '\0';
  }
  args.argv[args.n] = nullptr;
}

bool isExecutableFile(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISREG(st.st_mode) && ::access(path, X_OK) == 0;
}

// The program's path: as given when it names a directory, else the first
// executable file of that name in the PATH directories (an empty entry is
// the current directory).  A heap string released with free(); null when
// none is found.
char* findProgram(const char* prog) {
  const size_t nProg = strlen(prog);
  if (nProg == 0) return nullptr;
  if (strchr(prog, '/') != nullptr) return isExecutableFile(prog) ? strdup(prog) : nullptr;
  const char* pPath = getenv("PATH");
  if (pPath == nullptr) pPath = "/bin:/usr/bin";
  // The longest candidate: the whole of PATH (or "."), "/", the name.
  char* cand = static_cast<char*>(malloc(strlen(pPath) + nProg + 3));
  if (cand == nullptr) return nullptr;
  for (const char* pDir = pPath;;) {
    const char* pEnd = strchr(pDir, ':');
    const size_t nDir = pEnd != nullptr ? static_cast<size_t>(pEnd - pDir) : strlen(pDir);
    char* out = cand;
    if (nDir == 0) {
      *out++ = '.';
    } else {
      memcpy(out, pDir, nDir);
      out += nDir;
    }
    *out++ = '/';
    memcpy(out, prog, nProg + 1);
    if (isExecutableFile(cand)) return cand;
    if (pEnd == nullptr) break;
    pDir = pEnd + 1;
  }
  free(cand);
  return nullptr;
}

// In the started process, before exec: only async-signal-safe calls.
void closeFromThree() {
  if (::close_range(3, ~0U, 0) == 0) return;
  struct rlimit rl;
  int nMax = (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < 65536)
                 ? static_cast<int>(rl.rlim_cur)
                 : 65536;
  for (int fd = 3; fd < nMax; ++fd) ::close(fd);
}

[[noreturn]] void execDetached(int nNullFd, const char* pPath, char* const* argv) {
  ::setsid();
  // When the starter had a standard stream closed, the null device may
  // itself have opened as 0, 1 or 2, and dup2 onto the same number keeps its
  // close-on-exec flag: clear it, so that all three reach the program.
  for (int fd = 0; fd < 3; ++fd) {
    ::dup2(nNullFd, fd);
    ::fcntl(fd, F_SETFD, 0);
  }
  closeFromThree();
  // A fresh program starts with default signal handling and nothing blocked,
  // whatever its starter had set up.
  struct sigaction sa = {};
  sa.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &sa, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execv(pPath, argv);
  ::_exit(127);
}

}  // namespace

int startDetached(const char* cmdLine) {
  // Everything that allocates happens before the fork.
  Arguments args(strlen(cmdLine));
  if (args.text == nullptr || args.argv == nullptr) return -1;
  splitCommandLine(cmdLine, args);
  if (args.n == 0) return -1;
  char* path = findProgram(args.argv[0]);
  if (path == nullptr) return -1;

  int nNullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (nNullFd < 0) {
    free(path);
    return -1;
  }
  // Started through an intermediate process that ends at once: the program
  // is adopted by the system, so nobody has to reap it later.
  pid_t pid = ::fork();
  if (pid == 0) {
    pid_t nGrandchild = ::fork();
    if (nGrandchild == 0) execDetached(nNullFd, path, args.argv);
    ::_exit(nGrandchild > 0 ? 0 : 1);
  }
  ::close(nNullFd);
  free(path);
  if (pid < 0) return -1;
  int nStatus = 0;
  pid_t r;
  do {
    r = ::waitpid(pid, &nStatus, 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return errno == ECHILD ? 0 : -1;  // reaped already (SIGCHLD ignored)
  return (WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) ? 0 : -1;
}

}  // namespace platform
}  // namespace tavo
