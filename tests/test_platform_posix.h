// Test helpers whose work differs by platform: the POSIX side.  The build
// chooses this header or test_platform_win32.h as "test_platform.h".
#ifndef TAVO_TESTS_TEST_PLATFORM_POSIX_H
#define TAVO_TESTS_TEST_PLATFORM_POSIX_H

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#define TAVO_TEST_WINDOWS 0

namespace tavo_test {

// Waits for child `pid` at most `seconds`; a child still running then is
// killed.  Its wait status, or -1 for a child that had to be killed.
inline int waitBounded(pid_t pid, int seconds) {
  int status = 0;
  for (int i = 0; i < seconds * 200; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

// The directory separator the library uses.
constexpr char kSep = '/';

// Where temporary files go.
inline std::string tempRoot() { return "/tmp"; }

// A new, empty directory under tempRoot().
inline std::string makeTempDir() {
  char tmpl[] = "/tmp/tavo_test_XXXXXX";
  const char* p = mkdtemp(tmpl);
  if (p == nullptr) std::abort();
  return p;
}

// Removes `path` and everything below it.
inline void removeTree(const std::string& path) { std::system(("rm -rf '" + path + "'").c_str()); }

// Sets (or, with null, removes) an environment variable.
inline void setEnv(const char* name, const char* value) {
  if (value != nullptr)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

// Keeps the system's socket support started while it lives (nothing to do
// here; Windows Sockets needs it).
class SocketSupport {};

// Closes a socket the test made itself.
inline void closeSocket(int fd) { close(fd); }

// The absolute name of the directory `dir` (symbolic links resolved), ""
// when it does not resolve.
inline std::string realDir(const std::string& dir) {
  char* p = realpath(dir.c_str(), nullptr);
  std::string r = p ? p : "";
  std::free(p);
  return r;
}

// Sets the size of the file `path` (extending it without writing data).
inline bool setFileSize(const std::string& path, long long size) {
  return truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

// The local broken-down time of `t`.
inline std::tm localTm(std::time_t t) {
  std::tm r;
  localtime_r(&t, &r);
  return r;
}

// Whether the program runs under Wine (never, here).
inline bool underWine() { return false; }

// Number of open file descriptors of this process: tells whether a stream
// or a socket was closed (stdio keeps unclosed streams reachable, so no leak
// checker would see them).
inline int openFds() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) std::abort();
  while (readdir(d) != nullptr) ++n;
  closedir(d);
  return n;
}

}  // namespace tavo_test

// A test that only makes sense on POSIX systems runs here.
#define TAVO_SKIP_ON_WINDOWS(why) static_cast<void>(0)

// A run of decimal digits in a death test's pattern (POSIX extended
// regular expressions here).
#define TAVO_RE_DIGITS "[0-9]+"

#endif  // TAVO_TESTS_TEST_PLATFORM_POSIX_H
