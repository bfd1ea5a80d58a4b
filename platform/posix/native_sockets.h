// The BSD socket interface as this family of systems spells it, for the
// socket code both families share (platform/bsd_net.cpp; internal header,
// on the include path of POSIX builds only).
#ifndef TAVO_PLATFORM_POSIX_NATIVE_SOCKETS_H
#define TAVO_PLATFORM_POSIX_NATIVE_SOCKETS_H

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <errno.h>
#include <stddef.h>

namespace tavo {
namespace platform {
namespace native {

using Socket = int;
using AddrLen = socklen_t;  // socket address lengths
using NameLen = socklen_t;  // getnameinfo's buffer length
using HostNameLen = size_t;
using OptValue = const void*;  // setsockopt's value

inline Socket sock(int fd) { return fd; }

constexpr int kAfNoSupport = EAFNOSUPPORT;

// Parses dotted IPv4 text (inet_aton's forms).  True when it is one.
inline bool dottedIpv4(const char* text, in_addr* a) { return ::inet_aton(text, a) != 0; }

}  // namespace native
}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_POSIX_NATIVE_SOCKETS_H
