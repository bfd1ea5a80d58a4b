// The BSD socket interface as Windows Sockets 2.2 spells it, for the socket
// code both families share (platform/bsd_net.cpp; internal header, on the
// include path of Windows builds only).  A SOCKET is an int in the library
// (win32_internal.h says why its value fits, on 64-bit Windows too), and
// INVALID_SOCKET becomes -1.
#ifndef TAVO_PLATFORM_WIN32_NATIVE_SOCKETS_H
#define TAVO_PLATFORM_WIN32_NATIVE_SOCKETS_H

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <string.h>

namespace tavo {
namespace platform {
namespace native {

using Socket = SOCKET;
using AddrLen = int;
using NameLen = DWORD;
using HostNameLen = int;
using OptValue = const char*;

inline Socket sock(int fd) { return static_cast<SOCKET>(static_cast<unsigned int>(fd)); }

constexpr int kAfNoSupport = WSAEAFNOSUPPORT;

// Parses dotted IPv4 text as inet_addr does.  True when it is one;
// inet_addr answers INADDR_NONE both for bad text and for the broadcast
// address, which is told apart by its spelling.
inline bool dottedIpv4(const char* text, in_addr* a) {
  unsigned long v = ::inet_addr(text);
  if (v == INADDR_NONE && strcmp(text, "255.255.255.255") != 0) return false;
  memcpy(a, &v, 4);
  return true;
}

}  // namespace native
}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_WIN32_NATIVE_SOCKETS_H
