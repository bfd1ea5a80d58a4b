// Test helpers whose work differs by platform: the Windows side.  The build
// chooses this header or test_platform_posix.h as "test_platform.h".
#ifndef TAVO_TESTS_TEST_PLATFORM_WIN32_H
#define TAVO_TESTS_TEST_PLATFORM_WIN32_H

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <fcntl.h>
#include <direct.h>
#include <io.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#define TAVO_TEST_WINDOWS 1

namespace tavo_test {

// The directory separator the library uses.
constexpr char kSep = '\\';

// Where temporary files go: the user's temporary directory (no separator at
// its end).
inline std::string tempRoot() {
  char buf[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof buf, buf);
  if (n == 0 || n > MAX_PATH) std::abort();
  std::string s(buf, n);
  while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
  return s;
}

// A new, empty directory under tempRoot().
inline std::string makeTempDir() {
  for (int i = 0; i < 100; ++i) {
    std::string name = tempRoot() + "\\tavo_test_XXXXXX";
    if (_mktemp_s(&name[0], name.size() + 1) != 0) std::abort();
    if (CreateDirectoryA(name.c_str(), nullptr)) return name;
  }
  std::abort();
}

// Removes `path` and everything below it.
inline void removeTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

// Sets (or, with null, removes) an environment variable.
inline void setEnv(const char* name, const char* value) { _putenv_s(name, value != nullptr ? value : ""); }

// Number of open runtime descriptors (streams) and sockets of this process:
// tells whether a stream or a socket was closed.  (Not all handles: the
// system opens handles of its own when it likes.)  Sockets are found by
// probing the handle values, multiples of 4.
inline int openFds() {
  int n = 0;
  for (int fd = 0; fd < 2048; ++fd) n += _get_osfhandle(fd) != -1;
  for (std::uintptr_t h = 4; h < (1u << 16); h += 4) {
    int type = 0;
    int len = sizeof type;
    if (getsockopt(static_cast<SOCKET>(h), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &len) == 0)
      ++n;
  }
  return n;
}

// The absolute name of the directory `dir` as the system names it (long
// names), "" when it does not resolve.
inline std::string realDir(const std::string& dir) {
  char full[MAX_PATH + 1];
  DWORD n = GetFullPathNameA(dir.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n > MAX_PATH) return "";
  char longName[MAX_PATH + 1];
  n = GetLongPathNameA(full, longName, sizeof longName);
  if (n == 0 || n > MAX_PATH) return "";
  return longName;
}

// Sets the size of the file `path` (extending it without writing data).
inline bool setFileSize(const std::string& path, long long size) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER li;
  li.QuadPart = size;
  bool ok = SetFilePointerEx(h, li, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}

// The local broken-down time of `t`.
inline std::tm localTm(std::time_t t) {
  std::tm r;
  localtime_s(&r, &t);
  return r;
}

// Whether the program runs under Wine rather than on Windows itself.
inline bool underWine() {
  HMODULE h = GetModuleHandleA("ntdll.dll");
  return h != nullptr && GetProcAddress(h, "wine_get_version") != nullptr;
}

// Keeps Windows Sockets started while it lives, so that a test can make
// its own sockets.
class SocketSupport {
 public:
  SocketSupport() {
    WSADATA d;
    if (WSAStartup(MAKEWORD(2, 2), &d) != 0) std::abort();
  }
  ~SocketSupport() { WSACleanup(); }
  SocketSupport(const SocketSupport&) = delete;
  SocketSupport& operator=(const SocketSupport&) = delete;
};

// Closes a socket the test made itself.
inline void closeSocket(int fd) { closesocket(static_cast<SOCKET>(fd)); }

}  // namespace tavo_test

// The runtime's pipe under its POSIX name, so that tests skipped here still
// compile.
inline int pipe(int fds[2]) { return _pipe(fds, 4096, _O_BINARY); }

// The runtime's mkdir, which takes no mode, under the POSIX signature.
inline int mkdir(const char* path, int) { return _mkdir(path); }

// A test that only makes sense on POSIX systems: skipped here, saying why.
#define TAVO_SKIP_ON_WINDOWS(why) GTEST_SKIP() << "POSIX only: " << (why)

// A run of decimal digits in a death test's pattern (GoogleTest's own
// simple regular expressions here, which have no brackets).
#define TAVO_RE_DIGITS "\\d+"

#endif  // TAVO_TESTS_TEST_PLATFORM_WIN32_H
