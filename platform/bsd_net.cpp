// The socket calls of the platform layer that the BSD socket interface
// spells alike on POSIX systems and in Windows Sockets: addresses, name
// lookups, peer queries, options, bind and listen.  Built in both families;
// native_sockets.h (one per family) gives the spellings that differ.  The
// calls that differ in behaviour (connect, transfers, waits) are in
// posix_net.cpp and win32_net.cpp.
#include <string.h>

#include "bsd_net.h"
#include "platform.h"

namespace tavo {
namespace platform {

static_assert(sizeof(sockaddr_in) == 16, "the IPv4 socket address is 16 bytes");

using native::sock;

sockaddr_in makeIpv4Addr(const unsigned char addr[4], int port) {
  sockaddr_in sa;
  memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<unsigned short>(port));
  memcpy(&sa.sin_addr, addr, 4);
  return sa;
}

namespace {

// The resolver's IPv4 answer for `host` (one entry per address, not per
// socket type).  0, or -1.
int addrinfoIpv4(const char* host, addrinfo** res) {
  addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  *res = nullptr;
  if (host == nullptr || ::getaddrinfo(host, nullptr, &hints, res) != 0 || *res == nullptr) return -1;
  return 0;
}

}  // namespace

int parseIpv4(const char* text, unsigned char addr[4]) {
  in_addr a;
  if (text == nullptr || !native::dottedIpv4(text, &a)) return -1;
  memcpy(addr, &a, 4);
  return 0;
}

int resolveIpv4(const char* host, unsigned char addr[4]) {
  if (parseIpv4(host, addr) == 0) return 0;
  addrinfo* res;
  if (addrinfoIpv4(host, &res) != 0) return -1;
  memcpy(addr, &reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr, 4);
  ::freeaddrinfo(res);
  return 0;
}

int forEachIpv4(const char* host, void (*fn)(const unsigned char addr[4], void* ctx), void* ctx) {
  addrinfo* res;
  if (addrinfoIpv4(host, &res) != 0) return -1;
  for (addrinfo* p = res; p != nullptr; p = p->ai_next) {
    const in_addr& a = reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr;
    fn(reinterpret_cast<const unsigned char*>(&a), ctx);
  }
  ::freeaddrinfo(res);
  return 0;
}

int localHostName(char* buf, int size) {
  if (::gethostname(buf, static_cast<native::HostNameLen>(size)) != 0) return -1;
  // A cut name may be left unterminated.
  if (size > 0) buf[size - 1] = '\0';
  return 0;
}

int hostNameOfIpv4(const unsigned char addr[4], char* buf, int size) {
  sockaddr_in sa = makeIpv4Addr(addr, 0);
  return ::getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, buf, static_cast<native::NameLen>(size),
                       nullptr, 0, NI_NAMEREQD) == 0
             ? 0
             : -1;
}

int peerIpv4(int fd, unsigned char addr[4], int* port) {
  sockaddr_in sa;
  native::AddrLen len = sizeof sa;
  if (::getpeername(sock(fd), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return -1;
  if (sa.sin_family != AF_INET) {
    setSocketError(native::kAfNoSupport);
    return -1;
  }
  memcpy(addr, &sa.sin_addr, 4);
  if (port != nullptr) *port = ntohs(sa.sin_port);
  return 0;
}

int setReuseAddr(int fd) {
  int one = 1;
  return ::setsockopt(sock(fd), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<native::OptValue>(&one),
                      sizeof one) == 0
             ? 0
             : -1;
}

int bindIpv4(int fd, const unsigned char addr[4], int port) {
  sockaddr_in sa = makeIpv4Addr(addr, port);
  return ::bind(sock(fd), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ? 0 : -1;
}

int listenSocket(int fd, int backlog) { return ::listen(sock(fd), backlog) == 0 ? 0 : -1; }

void fillSockAddr(void* out, const unsigned char addr[4], int port) {
  sockaddr_in sa = makeIpv4Addr(addr, port);
  memcpy(out, &sa, sizeof sa);
}

int bindSockAddr(int fd, const void* sa) {
  sockaddr_in a;
  memcpy(&a, sa, sizeof a);
  return ::bind(sock(fd), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

}  // namespace platform
}  // namespace tavo
