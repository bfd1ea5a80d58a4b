// tCUdp: one IPv4 datagram socket.
#include "tCUdp/tCUdp.h"

#include <stdio.h>
#include <string.h>

#include "tavo_layout.h"
#include "tavo_assert.h"
#include "platform.h"
#include "tavo_socket.h"

namespace net = tavo::platform;
using tavo::detail::releaseSocket;
using tavo::detail::shareSocket;

namespace {

// GBK bytes of the messages.
const char kMsgStartFailed[] = "UDP\xBC\xD3\xD4\xD8\xCA\xA7\xB0\xDC";  // UDP加载失败
const char kMsgNoSocket[] =                                            // UDP创建套接字失败!
    "UDP\xB4\xB4\xBD\xA8\xCC\xD7\xBD\xD3\xD7\xD6\xCA\xA7\xB0\xDC! ";
const char kMsgBindFailed[] = "UDP\xB0\xF3\xB6\xA8\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";  // UDP绑定地址失败!
const char kMsgSendFailed[] = "\xB7\xA2\xCB\xCD\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!\n";  // 发送数据失败!\n
const char kMsgRecvFailed[] = "\xBD\xD3\xCA\xD5\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!\n";  // 接收数据失败!\n

// Text that is not an address reads as INADDR_NONE (255.255.255.255), as
// inet_addr gives it; the caller refuses it (see below).
bool dotted(const char* text, unsigned char addr[4]) {
  if (net::parseIpv4(text, addr) == 0) return true;
  memset(addr, 0xFF, 4);
  return false;
}

}  // namespace

tCUdp::tCUdp() : m_sock(-1) {
  TAVO_SIZE(tCUdp, tavo::detail::ptrAligned(tavo::detail::kPtr + 4 + 16));
  TAVO_LAYOUT(tCUdp, m_sock, tavo::detail::kPtr);
  TAVO_LAYOUT(tCUdp, m_addr, tavo::detail::kPtr + 4);
  memset(m_addr, 0, sizeof m_addr);
  if (net::netStartup() != 0) printf("%s", kMsgStartFailed);
}

tCUdp::~tCUdp() {
  releaseSocket(m_sock);
  net::netCleanup();
}

tCUdp::tCUdp(const tCUdp& oRight) : m_sock(oRight.m_sock) {
  memcpy(m_addr, oRight.m_addr, sizeof m_addr);
  shareSocket(m_sock);
  net::netStartup();
}

tCUdp& tCUdp::operator=(const tCUdp& oRight) {
  if (&oRight == this) return *this;
  if (oRight.m_sock != m_sock) {
    releaseSocket(m_sock);
    m_sock = oRight.m_sock;
    shareSocket(m_sock);
  }
  memcpy(m_addr, oRight.m_addr, sizeof m_addr);
  return *this;
}

int tCUdp::BindAddr(const char* addr, unsigned int port) {
  TAVO_ASSERT((m_sock == -1) && (addr != NULL) && (port > 0));
  m_sock = net::openUdpSocket();
  if (m_sock == -1) {
    printf("%s", kMsgNoSocket);
    return 0;
  }
  unsigned char a[4];
  const bool isAddr = dotted(addr, a);
  net::fillSockAddr(m_addr, a, static_cast<int>(port & 0xFFFF));
  if (net::setReuseAddr(m_sock) != 0) return 0;
  // Linux would bind a datagram socket to 255.255.255.255; text that is not
  // an address is a failed bind, never a socket quietly bound to broadcast.
  if (!isAddr || net::bindSockAddr(m_sock, m_addr) != 0) {
    printf("%s", kMsgBindFailed);
    return 0;
  }
  return 1;
}

int tCUdp::SendDate(const char* addr, unsigned int port, const void* buf, int len) {
  unsigned char a[4];
  // Text that is not an address is never sent to (it would be broadcast).
  const bool isAddr = dotted(addr, a);
  const int nPort = static_cast<int>(port & 0xFFFF);
  // A datagram send never moves 0 bytes; never loop on it.
  const int n = tavo::detail::moveEvery(static_cast<const char*>(buf), len, [&](const char* p, int nLeft) {
    return isAddr ? net::sendDatagram(m_sock, a, nPort, p, nLeft) : -1;
  });
  if (n < len) {
    printf("%s", kMsgSendFailed);
    return 0;
  }
  return 1;
}

int tCUdp::RecvDate(void* buf, int len) {
  // A datagram longer than the room left is an error, never a silent cut;
  // an empty one moves nothing and the wait goes on.
  const int n = tavo::detail::moveEvery(static_cast<char*>(buf), len, [&](char* p, int nLeft) {
    int nGot;
    do nGot = net::recvDatagram(m_sock, p, nLeft);
    while (nGot == 0);
    return nGot;
  });
  if (n < len) {
    printf("%s", kMsgRecvFailed);
    return 0;
  }
  return 1;
}
