// tCTcp: one IPv4 stream socket, its queries and the NetBIOS MAC lookup.
#include "tCTcp/tCTcp.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tCTcp/netbios.h"
#include "platform.h"
#include "tavo_socket.h"

namespace net = tavo::platform;

int tCTcp::SOCK_ERROR = -100;
int tCTcp::SOCK_TIMEOUT = -101;

namespace {

// GBK bytes of the Chinese messages.
const char kMsgStartFailed[] = "TCP\xBC\xD3\xD4\xD8\xCA\xA7\xB0\xDC\n";  // TCP加载失败\n
const char kMsgNoPeer[] =                                                // 获取对方主机名出错！\n
    "\xBB\xF1\xC8\xA1\xB6\xD4\xB7\xBD\xD6\xF7\xBB\xFA\xC3\xFB\xB3\xF6\xB4\xED\xA3\xA1\n";
const char kMsgNoHostName[] =  // 获取主机名出错\n
    "\xBB\xF1\xC8\xA1\xD6\xF7\xBB\xFA\xC3\xFB\xB3\xF6\xB4\xED\n";
const char kMsgNoHostAddr[] =  // 获取主机地址出错\n
    "\xBB\xF1\xC8\xA1\xD6\xF7\xBB\xFA\xB5\xD8\xD6\xB7\xB3\xF6\xB4\xED\n";

const int kNetbiosPort = 137;
const int kNetbiosWaitMs = 900;
const int kMacReplySize = 1000;

// NetBIOS node-status request for the wildcard name "*" (RFC 1002 4.2.17):
// transaction id A248, no flags, one question, the first-level encoding of
// "*" and 15 zero bytes, type NBSTAT, class IN.
const unsigned char kNodeStatusRequest[50] = {
    0xA2, 0x48, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 'C',  'K',  'A', 'A',
    'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A', 'A',
    'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  0x00, 0x00, 0x21, 0x00, 0x01};

void formatDotted(const unsigned char a[4], char* out) {
  snprintf(out, 16, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
}

// The addresses of GetHostAddr, each once, in the resolver's order.
struct AddrLines {
  AddrLines() = default;
  ~AddrLines() { free(pSeen); }
  AddrLines(const AddrLines&) = delete;
  AddrLines& operator=(const AddrLines&) = delete;

  uint32_t* pSeen = nullptr;
  size_t n = 0;
  size_t nCap = 0;
};

void appendAddrLine(const unsigned char a[4], void* ctx) {
  AddrLines* lines = static_cast<AddrLines*>(ctx);
  uint32_t key;
  memcpy(&key, a, sizeof key);
  for (size_t i = 0; i < lines->n; ++i)
    if (lines->pSeen[i] == key) return;
  if (lines->n == lines->nCap) {
    // The networking classes stand on the runtime, not on the library's
    // allocators; a host with more addresses than memory can hold ends the
    // process as an exhausted standard container would.
    const size_t nCap = lines->nCap == 0 ? 8 : lines->nCap * 2;
    void* p = realloc(lines->pSeen, nCap * sizeof(uint32_t));
    if (p == nullptr) abort();
    lines->pSeen = static_cast<uint32_t*>(p);
    lines->nCap = nCap;
  }
  lines->pSeen[lines->n++] = key;
}

}  // namespace

tCTcp::tCTcp() : m_nSock(-1) {
  TAVO_SIZE(tCTcp, 2 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCTcp, m_nSock, tavo::detail::kPtr);
  if (net::netStartup() != 0) {
    printf("%s", kMsgStartFailed);
    exit(0);
  }
}

tCTcp::~tCTcp() {
  tCTcp::Close();
  net::netCleanup();
}

// The copy starts the socket support too, so that every destructor's
// clean-up has its start-up.  Copies share the socket, counted outside the
// objects (tavo_share.h): the last of them closes it.
tCTcp::tCTcp(const tCTcp& oRight) : m_nSock(oRight.m_nSock) {
  tavo::detail::shareSocket(m_nSock);
  net::netStartup();
}

tCTcp& tCTcp::operator=(const tCTcp& oRight) {
  if (&oRight == this || oRight.m_nSock == m_nSock) return *this;
  tCTcp::Close();
  m_nSock = oRight.m_nSock;
  tavo::detail::shareSocket(m_nSock);
  return *this;
}

int tCTcp::operator=(int nSockfd) {
  TAVO_ASSERT((m_nSock == -1) && (nSockfd > -1));
  m_nSock = nSockfd;
  return m_nSock;
}

int tCTcp::GetHandle() const { return m_nSock; }

int tCTcp::Open() {
  TAVO_ASSERT(m_nSock == -1);
  m_nSock = net::openTcpSocket();
  if (m_nSock == -1) return 0;
  SetSendTimeout(2000000);
  SetRecvTimeout(2000000);
  return 1;
}

int tCTcp::Close() {
  // A socket a derived class put into m_nSock itself is handled alike: one
  // that was never copied is this object's alone.
  tavo::detail::releaseSocket(m_nSock);
  return 1;
}

int tCTcp::Connect(const char* pHost, int nPort, int nTimeout) const {
  TAVO_ASSERT((m_nSock != -1) && pHost && (nPort > 0));
  unsigned char addr[4];
  if (net::resolveIpv4(pHost, addr) != 0) return 0;
  int err = 0;
  const net::ConnectResult r = net::connectIpv4(m_nSock, addr, nPort & 0xFFFF, nTimeout, &err);
  switch (r) {
    case net::kConnected: return 1;
    case net::kConnectTimedOut:
    case net::kBlockRestoreFailed: {
      // The message must not take the reason away from the caller.
      const int nReason = net::socketError();
      if (r == net::kConnectTimedOut)
        printf("time out:%d!\r\n", err);
      else
        printf("ioctlsocket fail!\r\n");
      net::setSocketError(nReason);
      return 0;
    }
    case net::kConnectFailed:
    case net::kNonBlockFailed: break;
  }
  return 0;
}

int tCTcp::Bind(const char* pHost, int nPort) const {
  TAVO_ASSERT((m_nSock != -1) && (nPort > 0));
  if (net::setReuseAddr(m_nSock) != 0) return 0;
  unsigned char addr[4] = {0, 0, 0, 0};  // any local address
  if (pHost != nullptr && net::resolveIpv4(pHost, addr) != 0) return 0;
  return net::bindIpv4(m_nSock, addr, nPort & 0xFFFF) == 0 ? 1 : 0;
}

int tCTcp::Listen(int nNum) const {
  TAVO_ASSERT((m_nSock != -1) && (nNum > 0));
  return net::listenSocket(m_nSock, nNum) == 0 ? 1 : 0;
}

int tCTcp::SetReuseAddr() {
  TAVO_ASSERT(m_nSock != -1);
  return net::setReuseAddr(m_nSock) == 0 ? 1 : 0;
}

int tCTcp::Accept() const {
  TAVO_ASSERT(m_nSock != -1);
  return net::acceptSocket(m_nSock);
}

int tCTcp::Sendn(const void* pBuf, int nCount, int /*nTimeout*/) const {
  TAVO_ASSERT((m_nSock != -1) && pBuf && (nCount > 0));
  const int n =
      tavo::detail::moveEvery(static_cast<const char*>(pBuf), nCount,
                              [this](const char* p, int nLeft) { return net::sendSome(m_nSock, p, nLeft); });
  if (n == nCount) return nCount;
  printf("send failed! \n");
  return SOCK_ERROR;
}

int tCTcp::Recvn(void* pBuf, int nCount, int /*nTimeout*/) const {
  TAVO_ASSERT((m_nSock != -1) && pBuf && (nCount > 0));
  const int n = tavo::detail::moveEvery(static_cast<char*>(pBuf), nCount, [this](char* p, int nLeft) {
    return net::recvSome(m_nSock, p, nLeft);
  });
  if (n == nCount) return nCount;
  if (n == 0) {
    printf("recvn recv_ 0! \n");
    return 0;
  }
  printf("recvn recv_error! <%d> <%d> \n", n, net::socketError());
  return SOCK_ERROR;
}

int tCTcp::Send(const void* pBuf, int nCount, int /*nTimeout*/) const {
  TAVO_ASSERT((m_nSock != -1) && pBuf && (nCount > 0));
  int n = net::sendSome(m_nSock, pBuf, nCount);
  return n > 0 ? n : SOCK_ERROR;
}

int tCTcp::Recv(void* pBuf, int nCount, int /*nTimeout*/) const {
  TAVO_ASSERT((m_nSock != -1) && pBuf && (nCount > 0));
  int n = net::recvSome(m_nSock, pBuf, nCount);
  if (n < 0) {
    printf("recv recv_error! <%d> <%d> \n", n, net::socketError());
    return SOCK_ERROR;
  }
  return n;
}

int tCTcp::GetHostName(char* pName) const {
  TAVO_ASSERT(pName);
  return net::localHostName(pName, 100) == 0 ? 1 : 0;
}

int tCTcp::GetPeerName(char* pName) const {
  TAVO_ASSERT((m_nSock != -1));
  unsigned char addr[4];
  if (net::peerIpv4(m_nSock, addr, nullptr) != 0) return 0;
  char name[1025];
  if (net::hostNameOfIpv4(addr, name, sizeof name) != 0) return 0;
  strcpy(pName, name);
  return 1;
}

int tCTcp::GetHostAddr(char* pAddr) const {
  char name[100] = {0};
  if (GetHostName(name) == 0) {
    printf("%s", kMsgNoHostName);
    return 0;
  }
  // Collected first, so that a failed lookup leaves pAddr as it was.
  AddrLines lines;
  unsigned char one[4];
  if (net::parseIpv4(name, one) == 0) {
    appendAddrLine(one, &lines);
  } else if (net::forEachIpv4(name, appendAddrLine, &lines) != 0) {
    printf("%s", kMsgNoHostAddr);
    return 0;
  }
  char* pEnd = pAddr + strlen(pAddr);
  for (size_t i = 0; i < lines.n; ++i) {
    unsigned char a[4];
    memcpy(a, &lines.pSeen[i], sizeof a);
    formatDotted(a, pEnd);
    pEnd += strlen(pEnd);
    memcpy(pEnd, "\t\n", 3);
    pEnd += 2;
  }
  return 1;
}

int tCTcp::GetPeerAddr(char* pAddr) const {
  TAVO_ASSERT((m_nSock != -1));
  unsigned char addr[4];
  if (net::peerIpv4(m_nSock, addr, nullptr) != 0) {
    printf("%s", kMsgNoPeer);
    return 0;
  }
  formatDotted(addr, pAddr);
  return 1;
}

int tCTcp::SetSendTimeout(int nTimeout) const {
  TAVO_ASSERT((m_nSock != -1) && (nTimeout > 0));
  return net::setSendTimeoutMs(m_nSock, nTimeout / 1000) == 0 ? 1 : 0;
}

int tCTcp::SetRecvTimeout(int nTimeout) const {
  TAVO_ASSERT((m_nSock != -1) && (nTimeout > 0));
  return net::setRecvTimeoutMs(m_nSock, nTimeout / 1000) == 0 ? 1 : 0;
}

int tCTcp::retrieve_data(const char* pHost, char* pBuf, int nSize) {
  int fd = net::openUdpSocket();
  if (fd < 0) return 0;
  int nGot = 0;
  unsigned char addr[4];
  if (pHost != nullptr && net::resolveIpv4(pHost, addr) == 0) {
    memcpy(pBuf, kNodeStatusRequest, sizeof kNodeStatusRequest);
    // One request, one wait, no retry.  The socket is not connected, so a
    // reply is taken from whichever address the node answers from.
    if (net::sendDatagram(fd, addr, kNetbiosPort, pBuf, sizeof kNodeStatusRequest) >= 0 &&
        net::waitReadable(fd, kNetbiosWaitMs) == 1) {
      int n = net::recvDatagram(fd, pBuf, nSize);
      if (n > 0) nGot = n;
    }
  }
  net::closeSocket(fd);
  return nGot;
}

int tCTcp::GetMacByIp(const char* pIp, char* pMac, char* pSep) {
  unsigned char buf[kMacReplySize];
  memset(buf, 0, sizeof buf);
  // A reply longer than the buffer is refused by retrieve_data (0).
  const int nGot = retrieve_data(pIp, reinterpret_cast<char*>(buf), sizeof buf);
  if (nGot <= 0) return 0;
  return tavo::detail::macFromNodeStatus(buf, static_cast<unsigned int>(nGot), pMac, pSep);
}
