// What the socket files of the platform layer share beyond the platform
// interface (internal header, not installed): the family's spellings of the
// BSD socket interface and the IPv4 address they all build.
#ifndef TAVO_PLATFORM_BSD_NET_H
#define TAVO_PLATFORM_BSD_NET_H

#include "native_sockets.h"

namespace tavo {
namespace platform {

// The socket address of `addr` (four bytes in network order) and `port`.
sockaddr_in makeIpv4Addr(const unsigned char addr[4], int port);

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_BSD_NET_H
