// Windows implementation of the socket calls of the platform layer, on
// Windows Sockets 2.2.  A SOCKET is an int here (win32_internal.h says why
// its value fits, on 64-bit Windows too), and INVALID_SOCKET becomes -1.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <string.h>

#include "bsd_net.h"
#include "platform.h"
#include "win32_internal.h"

namespace tavo {
namespace platform {

using native::sock;

namespace {

// A new socket as the library stores it: not inherited by the processes
// this one starts, and its value an int.  A value that would not fit is
// closed and fails the call with WSAEMFILE (no more sockets this process
// can hold), rather than being cut short.
int noInherit(SOCKET s) {
  if (s == INVALID_SOCKET) return -1;
  if (!win32::handleFitsInt(static_cast<uintptr_t>(s))) {
    ::closesocket(s);
    ::WSASetLastError(WSAEMFILE);
    return -1;
  }
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

}  // namespace

int netStartup() {
  WSADATA data;
  return ::WSAStartup(MAKEWORD(2, 2), &data) == 0 ? 0 : -1;
}

void netCleanup() { ::WSACleanup(); }

int socketError() { return ::WSAGetLastError(); }
void setSocketError(int e) { ::WSASetLastError(e); }

int openTcpSocket() { return noInherit(::socket(AF_INET, SOCK_STREAM, 0)); }
int openUdpSocket() { return noInherit(::socket(AF_INET, SOCK_DGRAM, 0)); }

void closeSocket(int fd) { ::closesocket(sock(fd)); }

int setSendTimeoutMs(int fd, int ms) { return setTimeout(fd, SO_SNDTIMEO, ms); }
int setRecvTimeoutMs(int fd, int ms) { return setTimeout(fd, SO_RCVTIMEO, ms); }

int acceptSocket(int fd) { return noInherit(::accept(sock(fd), nullptr, nullptr)); }

ConnectResult connectIpv4(int fd, const unsigned char addr[4], int port, int timeoutSec, int* err) {
  sockaddr_in sa = makeIpv4Addr(addr, port);
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
  sockaddr_in sa = makeIpv4Addr(addr, port);
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

}  // namespace platform
}  // namespace tavo
