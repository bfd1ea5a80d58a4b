/// \file
/// The class tCUdp: one IPv4 datagram (UDP) socket.
#ifndef TAVO_TCUDP_TCUDP_H
#define TAVO_TCUDP_TCUDP_H

#include "common/tavo_export.h"

/**
 * One IPv4 datagram (UDP) socket, created and bound in one step.
 *
 * BindAddr creates the socket and binds it to a local dotted address;
 * SendDate sends a whole buffer to a dotted address, as many datagrams as
 * it takes; RecvDate receives datagrams from any sender, laid one after
 * another into the buffer, until it is full.  Addresses are dotted IPv4
 * text only (no name lookup); text that is not an address (a null `addr` of
 * SendDate included) makes BindAddr and SendDate fail as a refused bind or
 * send would, where Linux would otherwise bind or send to the broadcast
 * address 255.255.255.255.  Messages go to standard output (printf) as GBK
 * bytes.  A call interrupted by a signal is repeated, never reported as a
 * failure.  No time-out is set on the socket: RecvDate waits until its
 * bytes have arrived.
 *
 * Why a call failed: the system's reason is in errno (WSAGetLastError() in
 * a Windows build) right after the call; text that is not an address gives
 * no system error.
 *
 * Copies: a copy (copy construction or assignment) refers to the same
 * socket and local address as its source.  The objects sharing a socket are
 * counted and the socket is closed when the last of them is destroyed (or
 * assigned another socket), so a descriptor is never closed twice.
 *
 * The precondition of BindAddr is checked with the library's assertion,
 * which stops the program with the expression text.
 */
class TAVO_API tCUdp {
 public:
  /// Starts the system's socket support (nothing to do on POSIX); no socket.
  ///
  /// If the support cannot start, writes "UDP加载失败" and goes on.
  tCUdp();

  /// Lets go of the socket (closing it when no copy shares it) and ends this
  /// object's use of the socket support.
  virtual ~tCUdp();

  /// A copy refers to the socket and local address of `oRight`.
  ///
  /// It makes its own start-up of the socket support, balancing its
  /// destructor.
  /// \param oRight The object copied.
  tCUdp(const tCUdp& oRight);
  /// Makes this object refer to the socket and local address of `oRight`.
  ///
  /// Assignment first lets go of this object's own socket.
  /// \param oRight The object copied.
  /// \return *this.
  tCUdp& operator=(const tCUdp& oRight);

  /// Creates the socket, sets SO_REUSEADDR and binds it to `addr` port
  /// `port`.
  /// \pre Asserts "(m_sock == -1) && (addr != NULL) && (port > 0)".
  /// \param addr A local address, dotted IPv4 text.
  /// \param port The port (low 16 bits).
  /// \retval 1 bound.
  /// \retval 0 after "UDP创建套接字失败! " when no socket could be created
  ///         (none is held); with no message when the option cannot be set;
  ///         after "UDP绑定地址失败!" when the bind fails (in both the socket
  ///         stays held, so BindAddr cannot be called again on this object).
  int BindAddr(const char* addr, unsigned int port);

  /// Sends the `len` bytes of `buf` to `addr` port `port`, as many datagrams
  /// as the system takes.
  /// \param addr The destination, dotted IPv4 text.
  /// \param port The destination port (low 16 bits).
  /// \param buf The bytes.
  /// \param len Their count.
  /// \retval 1 all were sent (also for `len` <= 0, which sends nothing).
  /// \retval 0 after "发送数据失败!\n" when a send fails (e.g. before any
  ///         BindAddr).
  int SendDate(const char* addr, unsigned int port, const void* buf, int len);

  /// Receives datagrams from any sender into `buf`, one after another, until
  /// `len` bytes have arrived.
  /// \param buf Receives the bytes.
  /// \param len Their count.
  /// \retval 1 `len` bytes arrived (also for `len` <= 0, which receives
  ///         nothing).
  /// \retval 0 after "接收数据失败!\n" when a receive fails or when a datagram
  ///         is longer than the room left in `buf` (it is consumed; its first
  ///         bytes fill the rest of `buf`, the earlier bytes stay).
  int RecvDate(void* buf, int len);

 private:
  // The datagram socket, or -1 (an int on 64-bit Windows too: see
  // tCTcp::m_nSock).
  int m_sock;
  // The platform's 16-byte IPv4 socket address (family, port in network
  // order, address) that BindAddr bound the socket to; zero before that.
  TAVO_ALIGN4 unsigned char m_addr[16];
};

#endif  // TAVO_TCUDP_TCUDP_H
