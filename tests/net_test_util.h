// Helpers shared by the socket tests: loopback sockets made directly with
// the system calls (the independent side of every exchange), descriptor
// counting, captured standard output and a signal that interrupts calls.
#ifndef TAVO_TESTS_NET_TEST_UTIL_H
#define TAVO_TESTS_NET_TEST_UTIL_H

#include <gtest/gtest.h>
#ifndef _WIN32
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "test_util.h"

namespace net_test {

using tavo_test::closeSocket;
using tavo_test::openFds;

// The tests make sockets of their own before any object of the library
// starts the socket support.
inline const tavo_test::SocketSupport kSocketSupport;

#if TAVO_TEST_WINDOWS
inline bool fdIsOpen(int fd) {
  int type = 0;
  int len = sizeof type;
  return fd >= 0 &&
         getsockopt(static_cast<SOCKET>(fd), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &len) == 0;
}
#else
inline bool fdIsOpen(int fd) { return fd >= 0 && fcntl(fd, F_GETFD) != -1; }
#endif

inline sockaddr_in loopback(int port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

inline int localPort(int fd) {
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return -1;
  return ntohs(sa.sin_port);
}

// Sets both socket-level time-outs of `fd` so no test call blocks for long.
inline void boundCalls(int fd, int ms = 5000) {
#if TAVO_TEST_WINDOWS
  DWORD tv = static_cast<DWORD>(ms);
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&tv), sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&tv), sizeof tv);
#else
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
#endif
}

// A socket of `type` bound to 127.0.0.1 on a free port (listening when it
// is a stream socket); its port in *port.
inline int boundSocket(int type, int* port) {
  int fd = socket(AF_INET, type, 0);
  if (fd < 0) std::abort();
  sockaddr_in sa = loopback(0);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) std::abort();
  if (type == SOCK_STREAM && listen(fd, 16) != 0) std::abort();
  boundCalls(fd);
  *port = localPort(fd);
  return fd;
}

// A port on 127.0.0.1 where nothing listens (bound and released again).
inline int freePort() {
  int port = 0;
  int fd = boundSocket(SOCK_DGRAM, &port);
  closeSocket(fd);
  return port;
}

// A stream socket connected to 127.0.0.1:port, with bounded calls.
inline int connectTo(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa = loopback(port);
  if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    closeSocket(fd);
    return -1;
  }
  boundCalls(fd);
  return fd;
}

// Accepts one connection within `ms` milliseconds, or -1.
inline int acceptWithin(int lfd, int ms = 5000) {
#if TAVO_TEST_WINDOWS
  WSAPOLLFD p{static_cast<SOCKET>(lfd), POLLIN, 0};
  if (WSAPoll(&p, 1, ms) != 1) return -1;
#else
  pollfd p{lfd, POLLIN, 0};
  if (poll(&p, 1, ms) != 1) return -1;
#endif
  int fd = accept(lfd, nullptr, nullptr);
  if (fd >= 0) boundCalls(fd);
  return fd;
}

// Standard output written while the object lives (printf included).
class CaptureStdout {
 public:
  CaptureStdout() {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
  }
  ~CaptureStdout() {
    if (!taken_) take();
  }
  std::string take() {
    std::fflush(stdout);
    taken_ = true;
    return testing::internal::GetCapturedStdout();
  }

 private:
  bool taken_ = false;
};

#if !TAVO_TEST_WINDOWS
// Installs a SIGUSR1 handler without SA_RESTART, so the signal interrupts
// blocking calls with EINTR; restores the old one at the end.
class InterruptingSignal {
 public:
  InterruptingSignal() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = [](int) {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGUSR1, &sa, &old_);
  }
  ~InterruptingSignal() { sigaction(SIGUSR1, &old_, nullptr); }
  static void send(pthread_t t) { pthread_kill(t, SIGUSR1); }

 private:
  struct sigaction old_;
};

// While it lives, this process can open no new descriptor (the limit is
// lowered to the highest one open and the gaps below it are filled): a real
// EMFILE for socket().
class NoNewDescriptors {
 public:
  NoNewDescriptors() {
    getrlimit(RLIMIT_NOFILE, &old_);
    int highest = 0;
    DIR* d = opendir("/proc/self/fd");
    while (const dirent* e = readdir(d)) {
      int fd = std::atoi(e->d_name);
      if (fd > highest) highest = fd;
    }
    closedir(d);
    rlimit low = old_;
    low.rlim_cur = static_cast<rlim_t>(highest) + 1;
    setrlimit(RLIMIT_NOFILE, &low);
    for (int fd; (fd = dup(0)) >= 0;) fillers_[count_++] = fd;
  }
  ~NoNewDescriptors() {
    while (count_ > 0) close(fillers_[--count_]);
    setrlimit(RLIMIT_NOFILE, &old_);
  }

 private:
  rlimit old_;
  int fillers_[1024];
  int count_ = 0;
};

#endif  // !TAVO_TEST_WINDOWS

// Escapes `text` for the regular expressions of EXPECT_DEATH.
inline std::string literal(const std::string& text) {
  std::string r;
  for (char c : text) {
    if (std::strchr("\\^$.|?*+()[]{}", c) != nullptr) r += '\\';
    r += c;
  }
  return r;
}

}  // namespace net_test

#endif  // TAVO_TESTS_NET_TEST_UTIL_H
