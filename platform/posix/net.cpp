// POSIX implementation of the socket calls of the platform layer.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <errno.h>
#include <string.h>
#include <time.h>

#include "bsd_net.h"
#include "platform.h"

namespace tavo {
namespace platform {

namespace {

// Interrupted calls are repeated: a signal is not a failure.
template <typename F>
auto retryEintr(F f) -> decltype(f()) {
  decltype(f()) r;
  do {
    r = f();
  } while (r == -1 && errno == EINTR);
  return r;
}

int setTimeout(int fd, int opt, int ms) {
  timeval tv;
  tv.tv_sec = ms / 1000;
  tv.tv_usec = (ms % 1000) * 1000;
  return ::setsockopt(fd, SOL_SOCKET, opt, &tv, sizeof tv) == 0 ? 0 : -1;
}

int setBlocking(int fd, bool blocking) {
  int fl = ::fcntl(fd, F_GETFL);
  if (fl == -1) return -1;
  fl = blocking ? (fl & ~O_NONBLOCK) : (fl | O_NONBLOCK);
  return ::fcntl(fd, F_SETFL, fl) == 0 ? 0 : -1;
}

// Nanoseconds on the system's monotonic clock.
long long monotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Waits for `events` on `fd` for at most `timeoutMs` in all, interrupted
// waits resuming with the time that is left.  poll() result: > 0, 0, -1.
int pollFor(int fd, short events, long long timeoutMs, short* revents) {
  const long long end = monotonicNs() + timeoutMs * 1000000;
  pollfd p;
  p.fd = fd;
  p.events = events;
  for (;;) {
    // The time left, in whole milliseconds rounded up from 1 microsecond.
    long long left = (end - monotonicNs() + 999000) / 1000000;
    if (left < 0) left = 0;
    p.revents = 0;
    int r = ::poll(&p, 1, static_cast<int>(left > 0x7fffffff ? 0x7fffffff : left));
    if (r == -1 && errno == EINTR) continue;
    if (r == 0 && monotonicNs() < end) continue;  // woken early by rounding
    if (revents != nullptr) *revents = p.revents;
    return r;
  }
}

// A blocking connect that returned before its outcome (interrupted by a
// signal, or cut short by the socket's send time-out, which Linux applies
// to connect and Windows Sockets does not) goes on in the background: wait
// for that outcome, as long as the system's own connect attempts take,
// instead of calling connect again.
int finishBlockingConnect(int fd) {
  short rev = 0;
  for (;;) {
    int r = pollFor(fd, POLLOUT, 1000LL * 3600, &rev);
    if (r == -1) return -1;
    if (r > 0) break;
  }
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return -1;
  if (err != 0) {
    errno = err;
    return -1;
  }
  return 0;
}

// Whether `fd` is in blocking mode.
bool isBlocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  return flags != -1 && (flags & O_NONBLOCK) == 0;
}

}  // namespace

int netStartup() { return 0; }
void netCleanup() {}

int socketError() { return errno; }
void setSocketError(int e) { errno = e; }

int openTcpSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
int openUdpSocket() { return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); }

void closeSocket(int fd) {
  // Not repeated on EINTR: on Linux the descriptor is gone either way, and
  // a second close could hit a descriptor another thread has just opened.
  ::close(fd);
}

int setSendTimeoutMs(int fd, int ms) { return setTimeout(fd, SO_SNDTIMEO, ms); }
int setRecvTimeoutMs(int fd, int ms) { return setTimeout(fd, SO_RCVTIMEO, ms); }

int acceptSocket(int fd) {
  // Linux ends a blocking accept when the socket's receive time-out runs
  // out; Windows Sockets waits for a connection whatever that time-out.
  for (;;) {
    int r = retryEintr([&] { return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); });
    if (r >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK) || !isBlocking(fd)) return r;
  }
}

ConnectResult connectIpv4(int fd, const unsigned char addr[4], int port, int timeoutSec, int* err) {
  sockaddr_in sa = makeIpv4Addr(addr, port);
  const sockaddr* psa = reinterpret_cast<const sockaddr*>(&sa);
  if (timeoutSec <= 0) {
    if (::connect(fd, psa, sizeof sa) == 0) return kConnected;
    if ((errno == EINTR || errno == EINPROGRESS) && isBlocking(fd) && finishBlockingConnect(fd) == 0)
      return kConnected;
    return kConnectFailed;
  }

  if (setBlocking(fd, false) != 0) return kNonBlockFailed;
  int e = 0;
  if (::connect(fd, psa, sizeof sa) != 0) {
    e = errno;
    // Anything but "in progress" is the final answer: the socket would
    // poll as writable with no pending error left to tell it apart.
    if (e != EINPROGRESS && e != EINTR && e != EALREADY) {
      *err = e;
      return kConnectTimedOut;
    }
    short rev = 0;
    int r = pollFor(fd, POLLOUT, 1000LL * timeoutSec, &rev);
    if (r <= 0) {
      *err = r == 0 ? e : errno;
      if (r == 0) errno = ETIMEDOUT;  // the reason the caller finds in errno
      return kConnectTimedOut;
    }
    int soErr = 0;
    socklen_t len = sizeof soErr;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soErr, &len) != 0) soErr = errno;
    if (soErr == 0 && (rev & (POLLERR | POLLHUP)) != 0) soErr = ECONNREFUSED;
    if (soErr != 0) {
      *err = soErr;
      errno = soErr;
      return kConnectTimedOut;
    }
  }
  if (setBlocking(fd, true) != 0) return kBlockRestoreFailed;
  return kConnected;
}

int sendSome(int fd, const void* buf, int len) {
  ssize_t r = retryEintr([&] { return ::send(fd, buf, static_cast<size_t>(len), MSG_NOSIGNAL); });
  return static_cast<int>(r);
}

int recvSome(int fd, void* buf, int len) {
  ssize_t r = retryEintr([&] { return ::recv(fd, buf, static_cast<size_t>(len), 0); });
  return static_cast<int>(r);
}

int sendDatagram(int fd, const unsigned char addr[4], int port, const void* buf, int len) {
  sockaddr_in sa = makeIpv4Addr(addr, port);
  ssize_t r = retryEintr([&] {
    return ::sendto(fd, buf, static_cast<size_t>(len), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa),
                    sizeof sa);
  });
  return static_cast<int>(r);
}

int recvDatagram(int fd, void* buf, int len) {
  // MSG_TRUNC makes the call return the datagram's real length, so a cut
  // (which Linux otherwise does silently) can be told.
  ssize_t r =
      retryEintr([&] { return ::recvfrom(fd, buf, static_cast<size_t>(len), MSG_TRUNC, nullptr, nullptr); });
  if (r > len) {
    errno = EMSGSIZE;
    return -1;
  }
  return static_cast<int>(r);
}

int waitReadable(int fd, int timeoutMs) {
  short rev = 0;
  int r = pollFor(fd, POLLIN, timeoutMs, &rev);
  if (r > 0 && (rev & POLLNVAL) != 0) {
    errno = EBADF;
    return -1;
  }
  return r > 0 ? 1 : r;
}

}  // namespace platform
}  // namespace tavo
