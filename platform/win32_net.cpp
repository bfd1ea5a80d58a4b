// Windows implementation of the socket calls of the platform layer, on
// Windows Sockets 2.2.  A SOCKET is an int here: handles of a 32-bit
// process fit, and INVALID_SOCKET becomes -1.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {

static_assert(sizeof(sockaddr_in) == 16, "the IPv4 socket address is 16 bytes");

SOCKET sock(int fd) { return static_cast<SOCKET>(static_cast<unsigned int>(fd)); }

sockaddr_in makeAddr(const unsigned char addr[4], int port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<u_short>(port));
  std::memcpy(&sa.sin_addr, addr, 4);
  return sa;
}

// A socket handle is not inherited by the processes this one starts.
int noInherit(SOCKET s) {
  if (s == INVALID_SOCKET) return -1;
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return static_cast<int>(s);
}

int setTimeout(int fd, int opt, int ms) {
  DWORD v = static_cast<DWORD>(ms);
  return ::setsockopt(sock(fd), SOL_SOCKET, opt, reinterpret_cast<const char*>(&v), sizeof v) == 0 ? 0 : -1;
}

int setBlocking(int fd, bool blocking) {
  u_long arg = blocking ? 0 : 1;
  return ::ioctlsocket(sock(fd), FIONBIO, &arg) == SOCKET_ERROR ? -1 : 0;
}

int addrinfoIpv4(const char* host, addrinfo** res) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address, not per socket type
  *res = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, res) != 0 || *res == nullptr) return -1;
  return 0;
}

}  // namespace

int netStartup() {
  WSADATA data;
  return ::WSAStartup(MAKEWORD(2, 2), &data);
}

void netCleanup() { ::WSACleanup(); }

int socketError() { return ::WSAGetLastError(); }
void setSocketError(int e) { ::WSASetLastError(e); }

int openTcpSocket() { return noInherit(::socket(AF_INET, SOCK_STREAM, 0)); }
int openUdpSocket() { return noInherit(::socket(AF_INET, SOCK_DGRAM, 0)); }

void closeSocket(int fd) { ::closesocket(sock(fd)); }

int parseIpv4(const char* text, unsigned char addr[4]) {
  if (text == nullptr) return -1;
  unsigned long a = ::inet_addr(text);
  // inet_addr answers INADDR_NONE both for bad text and for the broadcast
  // address, which is told apart by its spelling.
  if (a == INADDR_NONE && std::strcmp(text, "255.255.255.255") != 0) return -1;
  std::memcpy(addr, &a, 4);
  return 0;
}

int resolveIpv4(const char* host, unsigned char addr[4]) {
  if (parseIpv4(host, addr) == 0) return 0;
  if (host == nullptr) return -1;
  addrinfo* res;
  if (addrinfoIpv4(host, &res) != 0) return -1;
  std::memcpy(addr, &reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr, 4);
  ::freeaddrinfo(res);
  return 0;
}

int forEachIpv4(const char* host, void (*fn)(const unsigned char addr[4], void* ctx), void* ctx) {
  addrinfo* res;
  if (host == nullptr || addrinfoIpv4(host, &res) != 0) return -1;
  for (addrinfo* p = res; p != nullptr; p = p->ai_next) {
    const in_addr& a = reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr;
    fn(reinterpret_cast<const unsigned char*>(&a), ctx);
  }
  ::freeaddrinfo(res);
  return 0;
}

int localHostName(char* buf, int size) {
  if (::gethostname(buf, size) != 0) return -1;
  if (size > 0) buf[size - 1] = '\0';
  return 0;
}

int hostNameOfIpv4(const unsigned char addr[4], char* buf, int size) {
  sockaddr_in sa = makeAddr(addr, 0);
  return ::getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, buf, static_cast<DWORD>(size),
                       nullptr, 0, NI_NAMEREQD) == 0
             ? 0
             : -1;
}

int peerIpv4(int fd, unsigned char addr[4], int* port) {
  sockaddr_in sa;
  int len = sizeof sa;
  if (::getpeername(sock(fd), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return -1;
  if (sa.sin_family != AF_INET) {
    ::WSASetLastError(WSAEAFNOSUPPORT);
    return -1;
  }
  std::memcpy(addr, &sa.sin_addr, 4);
  if (port != nullptr) *port = ntohs(sa.sin_port);
  return 0;
}

int setReuseAddr(int fd) {
  int one = 1;
  return ::setsockopt(sock(fd), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one) == 0
             ? 0
             : -1;
}

int setSendTimeoutMs(int fd, int ms) { return setTimeout(fd, SO_SNDTIMEO, ms); }
int setRecvTimeoutMs(int fd, int ms) { return setTimeout(fd, SO_RCVTIMEO, ms); }

int bindIpv4(int fd, const unsigned char addr[4], int port) {
  sockaddr_in sa = makeAddr(addr, port);
  return ::bind(sock(fd), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ? 0 : -1;
}

int listenSocket(int fd, int backlog) { return ::listen(sock(fd), backlog) == 0 ? 0 : -1; }

int acceptSocket(int fd) { return noInherit(::accept(sock(fd), nullptr, nullptr)); }

ConnectResult connectIpv4(int fd, const unsigned char addr[4], int port, int timeoutSec, int* err) {
  sockaddr_in sa = makeAddr(addr, port);
  const sockaddr* psa = reinterpret_cast<const sockaddr*>(&sa);
  if (timeoutSec <= 0) return ::connect(sock(fd), psa, sizeof sa) == 0 ? kConnected : kConnectFailed;

  if (setBlocking(fd, false) != 0) return kNonBlockFailed;
  // The outcome is learnt from select alone: a socket becomes writable when
  // it is connected.  A refused or failed connection is not writable (it is
  // marked in the exception set, which is not watched), so it ends the
  // same way as a peer that never answers: when the time is up.
  ::connect(sock(fd), psa, sizeof sa);
  fd_set wr;
  FD_ZERO(&wr);
  FD_SET(sock(fd), &wr);
  timeval tv;
  tv.tv_sec = timeoutSec;
  tv.tv_usec = 0;
  int n = ::select(0, nullptr, &wr, nullptr, &tv);
  if (n <= 0) {
    *err = static_cast<int>(GetLastError());
    if (n == 0) ::WSASetLastError(WSAETIMEDOUT);  // the reason the caller finds
    return kConnectTimedOut;
  }
  if (setBlocking(fd, true) != 0) return kBlockRestoreFailed;
  return kConnected;
}

int sendSome(int fd, const void* buf, int len) {
  return ::send(sock(fd), static_cast<const char*>(buf), len, 0);
}

int recvSome(int fd, void* buf, int len) { return ::recv(sock(fd), static_cast<char*>(buf), len, 0); }

int sendDatagram(int fd, const unsigned char addr[4], int port, const void* buf, int len) {
  sockaddr_in sa = makeAddr(addr, port);
  return ::sendto(sock(fd), static_cast<const char*>(buf), len, 0, reinterpret_cast<const sockaddr*>(&sa),
                  sizeof sa);
}

int recvDatagram(int fd, void* buf, int len) {
  // Windows Sockets fails a datagram longer than the buffer with
  // WSAEMSGSIZE, after filling the buffer and discarding the rest.
  return ::recvfrom(sock(fd), static_cast<char*>(buf), len, 0, nullptr, nullptr);
}

int waitReadable(int fd, int timeoutMs) {
  fd_set rd;
  FD_ZERO(&rd);
  FD_SET(sock(fd), &rd);
  timeval tv;
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  int r = ::select(0, &rd, nullptr, nullptr, &tv);
  if (r < 0) return -1;
  return FD_ISSET(sock(fd), &rd) ? 1 : 0;
}

void fillSockAddr(void* out, const unsigned char addr[4], int port) {
  sockaddr_in sa = makeAddr(addr, port);
  std::memcpy(out, &sa, sizeof sa);
}

int bindSockAddr(int fd, const void* sa) {
  sockaddr_in a;
  std::memcpy(&a, sa, sizeof a);
  return ::bind(sock(fd), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

}  // namespace platform
}  // namespace tavo
