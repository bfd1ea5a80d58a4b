// A tiny echo exchange between two tCTcp objects on the loopback address.
//
// A server object binds 127.0.0.1:<port> and listens; a client object
// connects to it with a 3-second time-out; the server accepts the
// connection and gives the new handle to a third object with operator=(int),
// which tells the peer's address, receives the message whole with Recvn and
// sends it back with Sendn; the client receives the echo with Recvn.  The
// listen queue holds the connection until it is accepted, so one thread
// does it all.
//
// A failing call leaves its reason in errno (WSAGetLastError() in a Windows
// build), which the messages print.
//
//   usage: tcp_echo [port] [message]      (defaults: 50007 "hello, tavo")
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tCTcp/tCTcp.h"

namespace {

int fail(const char* pWhat) {
  std::fprintf(stderr, "%s failed: %s\n", pWhat, std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int nPort = argc > 1 ? std::atoi(argv[1]) : 50007;
  const char* pMsg = argc > 2 ? argv[2] : "hello, tavo";
  const int nLen = static_cast<int>(std::strlen(pMsg));
  if (nPort <= 0 || nPort > 65535 || nLen == 0) {
    std::fprintf(stderr, "usage: tcp_echo [port 1-65535] [non-empty message]\n");
    return 2;
  }

  tCTcp oServer;
  if (!oServer.Open() || !oServer.Bind("127.0.0.1", nPort) || !oServer.Listen(5)) {
    std::fprintf(stderr, "cannot listen on 127.0.0.1:%d: %s\n", nPort, std::strerror(errno));
    return 1;
  }
  std::printf("server: listening on 127.0.0.1:%d\n", nPort);

  tCTcp oClient;
  if (!oClient.Open() || !oClient.Connect("127.0.0.1", nPort, 3)) {
    std::fprintf(stderr, "client: cannot connect to 127.0.0.1:%d: %s\n", nPort, std::strerror(errno));
    return 1;
  }

  const int nHandle = oServer.Accept();
  if (nHandle == -1) {
    std::fprintf(stderr, "server: accept failed: %s\n", std::strerror(errno));
    return 1;
  }
  tCTcp oConn;
  oConn = nHandle;  // the accepted connection now belongs to oConn
  char szPeer[16];
  if (oConn.GetPeerAddr(szPeer)) std::printf("server: connection from %s\n", szPeer);

  if (oClient.Sendn(pMsg, nLen, 0) != nLen) return fail("client: send");
  std::printf("client: sent     \"%s\" (%d bytes)\n", pMsg, nLen);

  std::vector<char> got(nLen + 1, '\0');
  if (oConn.Recvn(got.data(), nLen, 0) != nLen) return fail("server: receive");
  if (oConn.Sendn(got.data(), nLen, 0) != nLen) return fail("server: send");
  std::printf("server: echoed   \"%s\"\n", got.data());

  std::vector<char> echo(nLen + 1, '\0');
  if (oClient.Recvn(echo.data(), nLen, 0) != nLen) return fail("client: receive");
  std::printf("client: received \"%s\"\n", echo.data());
  return std::strcmp(echo.data(), pMsg) == 0 ? 0 : 1;
}
