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

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Cuts a command line into arguments by the rules of the Windows C runtime.
// The program name: double quotes group (and are dropped), a blank outside
// quotes ends it, backslashes are plain.  Every other argument: blanks
// outside quotes separate; 2n backslashes before a quote give n backslashes
// and the quote groups; 2n+1 give n backslashes and a literal quote; two
// quotes inside quotes give one literal quote; other backslashes are plain.
std::vector<std::string> splitCommandLine(const char* p) {
  std::vector<std::string> args;
  while (isBlank(*p)) ++p;
  if (*p == '\0') return args;

  std::string prog;
  bool bQuoted = false;
  for (; *p != '\0' && (bQuoted || !isBlank(*p)); ++p) {
    if (*p == '"') {
      bQuoted = !bQuoted;
    } else {
      prog += *p;
    }
  }
  args.push_back(prog);

  for (;;) {
    while (isBlank(*p)) ++p;
    if (*p == '\0') break;
    std::string arg;
    bQuoted = false;
    while (*p != '\0' && (bQuoted || !isBlank(*p))) {
      std::size_t nSlashes = 0;
      while (*p == '\\') {
        ++nSlashes;
        ++p;
      }
      if (*p == '"') {
        arg.append(nSlashes / 2, '\\');
        if (nSlashes % 2 != 0) {
          arg += '"';
          ++p;
        } else if (bQuoted && p[1] == '"') {
          arg += '"';
          p += 2;
        } else {
          bQuoted = !bQuoted;
          ++p;
        }
      } else {
        arg.append(nSlashes, '\\');
        if (*p != '\0' && (bQuoted || !isBlank(*p))) arg += *p++;
      }
    }
    args.push_back(arg);
  }
  return args;
}

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program's path: as given when it names a directory, else the first
// executable file of that name in the PATH directories (an empty entry is
// the current directory).  Empty when none is found.
std::string findProgram(const std::string& prog) {
  if (prog.empty()) return std::string();
  if (prog.find('/') != std::string::npos) return isExecutableFile(prog) ? prog : std::string();
  const char* pPath = std::getenv("PATH");
  std::string path = pPath != nullptr ? pPath : "/bin:/usr/bin";
  std::size_t nStart = 0;
  for (;;) {
    std::size_t nEnd = path.find(':', nStart);
    std::string dir = path.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd - nStart);
    std::string cand = (dir.empty() ? std::string(".") : dir) + "/" + prog;
    if (isExecutableFile(cand)) return cand;
    if (nEnd == std::string::npos) return std::string();
    nStart = nEnd + 1;
  }
}

// In the started process, before exec: only async-signal-safe calls.
void closeFromThree() {
  if (::close_range(3, ~0U, 0) == 0) return;
  struct rlimit rl;
  int nMax = (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY &&
              rl.rlim_cur < 65536)
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
  std::vector<std::string> args = splitCommandLine(cmdLine);
  if (args.empty()) return -1;
  std::string path = findProgram(args[0]);
  if (path.empty()) return -1;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  int nNullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (nNullFd < 0) return -1;
  // Started through an intermediate process that ends at once: the program
  // is adopted by the system, so nobody has to reap it later.
  pid_t pid = ::fork();
  if (pid == 0) {
    pid_t nGrandchild = ::fork();
    if (nGrandchild == 0) execDetached(nNullFd, path.c_str(), argv.data());
    ::_exit(nGrandchild > 0 ? 0 : 1);
  }
  ::close(nNullFd);
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
