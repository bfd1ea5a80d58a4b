/// \file
/// The class tCTcp: one IPv4 stream (TCP) socket.
#ifndef TAVO_TCTCP_TCTCP_H
#define TAVO_TCTCP_TCTCP_H

#include "common/tavo_export.h"

/**
 * One IPv4 stream (TCP) socket.
 *
 * Opening and closing it, connecting with an optional time-out, binding,
 * listening and accepting, whole-buffer and single-call transfers, the
 * socket-level time-outs, the local host's name and addresses, the peer's
 * name and address, and the MAC address of a LAN host learned by a NetBIOS
 * node-status query.  Every operation is virtual so that a client program
 * can derive from the class and replace single operations; Open calls
 * SetSendTimeout and SetRecvTimeout, and GetHostAddr calls GetHostName,
 * through the virtual interface.
 *
 * Messages go to standard output (printf); the Chinese ones are GBK bytes.
 * An error number a message prints is the platform's own (errno here).
 *
 * Why a call failed: a call that returns 0, -1 or SOCK_ERROR leaves the
 * system's reason in errno (WSAGetLastError() in a Windows build), also
 * after printing its message: ECONNREFUSED for a refused Connect, ETIMEDOUT
 * (WSAETIMEDOUT) for one whose time ran out, EADDRINUSE for a Bind to a
 * taken port.  Read it right after the call.
 *
 * Time-out units differ by operation: Connect takes whole seconds,
 * SetSendTimeout and SetRecvTimeout take microseconds (cut to whole
 * milliseconds).  The `nTimeout` of Send, Recv, Sendn and Recvn is accepted
 * and ignored: a blocked transfer waits as long as the socket-level time-out
 * allows (Open sets both to 2 seconds).  A call interrupted by a signal is
 * repeated, never reported as a failure, and a send to a peer that has gone
 * away fails with SOCK_ERROR instead of raising SIGPIPE.
 *
 * Copies: a copy (copy construction or assignment) refers to the same
 * socket as its source and reports the same handle.  The objects sharing a
 * socket are counted: Close (or the destructor) of one of them detaches only
 * that object, and the socket is closed when the last of them lets go, so a
 * descriptor is never closed twice (it could have been reused in between).
 * Objects sharing a socket are used by one thread at a time.
 *
 * Preconditions are checked with the library's assertion, which stops the
 * program with the expression text; they are the caller's obligation.
 */
class TAVO_API tCTcp {
 public:
  /// Result of Sendn, Recvn, Send and Recv when the platform call fails
  /// (-100).  The operations read the variable, so a caller may change it.
  static int SOCK_ERROR;
  /// Reserved for an expired time-out (-101); no operation returns it.
  static int SOCK_TIMEOUT;

  /// Starts the system's socket support (nothing to do on POSIX); an object
  /// without a socket.
  ///
  /// If the support cannot start, writes "TCP加载失败\n" and ends the process
  /// with exit status 0.
  tCTcp();

  /// Lets go of the socket (as this class's own Close does) and ends this
  /// object's use of the socket support.
  virtual ~tCTcp();

  /// A copy refers to the socket of `oRight` (see Copies in the class
  /// description).
  ///
  /// It makes its own start-up of the socket support, so that its
  /// destructor's clean-up is balanced.
  /// \param oRight The object copied.
  tCTcp(const tCTcp& oRight);
  /// Makes this object refer to the socket of `oRight`.
  ///
  /// Assignment first lets go of this object's own socket, as Close does;
  /// assigning an object that shares the same socket (itself included)
  /// changes nothing.
  /// \param oRight The object copied.
  /// \return *this.
  tCTcp& operator=(const tCTcp& oRight);

  /// Adopts the socket `nSockfd` (normally one returned by Accept); the
  /// object owns it from now on.
  /// \pre Asserts "(m_nSock == -1) && (nSockfd > -1)".
  /// \param nSockfd The socket's handle.
  /// \return The new handle.
  int operator=(int nSockfd);

  /// The handle held, or -1.
  /// \return The handle, or -1 when no socket is held.
  virtual int GetHandle() const;

  /// Creates an IPv4 stream socket and sets both socket-level time-outs to
  /// 2 seconds.
  ///
  /// The time-outs are set with SetSendTimeout(2000000) and
  /// SetRecvTimeout(2000000), through the virtual interface, their results
  /// unchecked.
  /// \pre Asserts "m_nSock == -1".
  /// \retval 1 a socket was created.
  /// \retval 0 no socket could be created.
  virtual int Open();

  /// Lets go of the socket (closing it when no copy shares it) and holds
  /// none.
  ///
  /// May be called without a socket and repeatedly.
  /// \return Always 1.
  virtual int Close();

  /// Connects to `pHost` port `nPort`, waiting at most `nTimeout` seconds
  /// when that is positive.
  ///
  /// `nTimeout` <= 0: a blocking connect; 1 connected, 0 failed (no message).
  ///
  /// `nTimeout` > 0 (seconds): the socket is made non-blocking (0 without a
  /// message if that fails) and the connection is waited for at most
  /// `nTimeout` seconds plus the name lookup.  Returns 1 when connected, the
  /// socket blocking again ("ioctlsocket fail!\r\n" and 0 when it cannot be
  /// made blocking).  A time-out, a refusal or any other failed connection
  /// writes "time out:%d!\r\n" with the error number (the connection's own
  /// error, e.g. ECONNREFUSED, or EINPROGRESS when the time ran out) and
  /// returns 0, the socket left non-blocking.
  ///
  /// An unresolvable name returns 0 with no message.  The socket is never
  /// closed here.
  /// \pre Asserts "(m_nSock != -1) && pHost && (nPort > 0)".
  /// \param pHost Dotted IPv4 text, used without a lookup, or a host name.
  /// \param nPort The port (low 16 bits).
  /// \param nTimeout Seconds to wait; 0 or less for a blocking connect.
  /// \retval 1 connected (the socket blocking).
  /// \retval 0 not connected, or the socket could not be made blocking again.
  virtual int Connect(const char* pHost, int nPort, int nTimeout) const;

  /// Sets SO_REUSEADDR, then binds to `pHost` port `nPort`.
  /// \pre Asserts "(m_nSock != -1) && (nPort > 0)".
  /// \param pHost Dotted text or a host name; null means any local address.
  /// \param nPort The port (low 16 bits).
  /// \retval 1 bound.
  /// \retval 0 the option cannot be set, the name does not resolve or the
  ///         bind fails.
  virtual int Bind(const char* pHost, int nPort) const;

  /// Starts listening with a backlog of `nNum`.
  /// \pre Asserts "(m_nSock != -1) && (nNum > 0)".
  /// \param nNum The backlog.
  /// \retval 1 listening.
  /// \retval 0 the system refused.
  virtual int Listen(int nNum) const;

  /// Sets SO_REUSEADDR.
  /// \pre Asserts "m_nSock != -1".
  /// \retval 1 set.
  /// \retval 0 the system refused.
  virtual int SetReuseAddr();

  /// Accepts one connection.
  ///
  /// A blocking listening socket waits for a connection whatever its
  /// receive time-out.
  /// \pre Asserts "m_nSock != -1".
  /// \return The connection's handle, which belongs to the caller until
  ///         given to an object with operator=(int); -1 on failure.
  virtual int Accept() const;

  /// Sends all `nCount` bytes of `pBuf`, as many send calls as it takes.
  /// \pre Asserts "(m_nSock != -1) && pBuf && (nCount > 0)".
  /// \param pBuf The bytes.
  /// \param nCount Their count.
  /// \param nTimeout Accepted and ignored (the socket-level send time-out
  ///        applies).
  /// \return `nCount`; on a failed send (peer gone, send time-out) writes
  ///         "send failed! \n" and returns SOCK_ERROR, some bytes possibly
  ///         sent.
  virtual int Sendn(const void* pBuf, int nCount, int nTimeout) const;

  /// Receives exactly `nCount` bytes into `pBuf`.
  /// \pre Asserts "(m_nSock != -1) && pBuf && (nCount > 0)".
  /// \param pBuf Receives the bytes.
  /// \param nCount Their count.
  /// \param nTimeout Accepted and ignored (the socket-level receive time-out
  ///        applies).
  /// \return `nCount`; 0 when the peer closed first (after writing
  ///         "recvn recv_ 0! \n"; the bytes that did arrive are in `pBuf`);
  ///         SOCK_ERROR on a failed receive (time-out included) after
  ///         writing "recvn recv_error! <%d> <%d> \n" with -1 and the error
  ///         number.
  virtual int Recvn(void* pBuf, int nCount, int nTimeout) const;

  /// One send of up to `nCount` bytes.
  /// \pre Asserts "(m_nSock != -1) && pBuf && (nCount > 0)".
  /// \param pBuf The bytes.
  /// \param nCount Their count.
  /// \param nTimeout Accepted and ignored (the socket-level send time-out
  ///        applies).
  /// \return The count sent (possibly smaller), or SOCK_ERROR (no message).
  virtual int Send(const void* pBuf, int nCount, int nTimeout) const;

  /// One receive of up to `nCount` bytes.
  /// \pre Asserts "(m_nSock != -1) && pBuf && (nCount > 0)".
  /// \param pBuf Receives the bytes.
  /// \param nCount The room in `pBuf`.
  /// \param nTimeout Accepted and ignored (the socket-level receive time-out
  ///        applies).
  /// \return The count received, 0 when the peer closed (no message), or
  ///         SOCK_ERROR after writing "recv recv_error! <%d> <%d> \n" with -1
  ///         and the error number.
  virtual int Recv(void* pBuf, int nCount, int nTimeout) const;

  /// The local host name into `pName`; needs no socket.
  /// \pre Asserts "pName".
  /// \param pName Receives the name; it has room for 100 bytes (a longer
  ///        name is cut to 99 bytes and a NUL).
  /// \retval 1 the name was written.
  /// \retval 0 the system cannot tell it.
  virtual int GetHostName(char* pName) const;

  /// The registered host name of the connected peer, copied whole into
  /// `pName`.
  /// \pre Asserts "(m_nSock != -1)".
  /// \param pName Receives the name (at most 1025 bytes with the NUL).
  /// \retval 1 the name was written.
  /// \retval 0 with no message when the socket has no peer or the peer's
  ///         address has no name.
  virtual int GetPeerName(char* pName) const;

  /// Appends one line per IPv4 address of the local host to the string
  /// already in `pAddr`: the dotted address, a tab, a line feed.
  ///
  /// The local host's name is looked up as GetHostName gives it, through the
  /// virtual interface.
  /// \param pAddr A NUL-terminated string the lines are appended to.
  /// \retval 1 the lines were appended.
  /// \retval 0 after "获取主机名出错\n" when the name is unavailable or after
  ///         "获取主机地址出错\n" when it does not resolve, `pAddr` unchanged.
  virtual int GetHostAddr(char* pAddr) const;

  /// The connected peer's dotted IPv4 address into `pAddr`.
  /// \pre Asserts "(m_nSock != -1)".
  /// \param pAddr Receives the address (at most 15 characters and the NUL).
  /// \retval 1 the address was written.
  /// \retval 0 after "获取对方主机名出错！\n" when the socket has no peer.
  virtual int GetPeerAddr(char* pAddr) const;

  /// Socket-level send time-out: `nTimeout` microseconds, cut to whole
  /// milliseconds (999 and below mean no limit).
  /// \pre Asserts "(m_nSock != -1) && (nTimeout > 0)".
  /// \param nTimeout The time-out in microseconds.
  /// \retval 1 set.
  /// \retval 0 the system refused.
  virtual int SetSendTimeout(int nTimeout) const;
  /// Socket-level receive time-out: `nTimeout` microseconds, cut to whole
  /// milliseconds (999 and below mean no limit).
  /// \pre Asserts "(m_nSock != -1) && (nTimeout > 0)".
  /// \param nTimeout The time-out in microseconds.
  /// \retval 1 set.
  /// \retval 0 the system refused.
  virtual int SetRecvTimeout(int nTimeout) const;

  /// The MAC address of host `pIp` from one NetBIOS node-status query to its
  /// UDP port 137, waited for 0.9 seconds.
  ///
  /// A reply from any sender and with any transaction id is taken; MAC bytes
  /// lying past the end of a reply that passes the length tests read as 00.
  /// A reply longer than 1000 bytes is refused.
  /// \param pIp Dotted text or a host name.
  /// \param pMac Null, or receives the six bytes as upper-case two-digit
  ///        hexadecimal numbers separated by `pSep`; it has room for
  ///        12 digits, five separators and the NUL ("00-1A-2B-3C-4D-5E").
  /// \param pSep The separator (may be ""; a null `pSep` counts as "").
  /// \retval 1 the reply held a MAC address (written to `pMac` when not
  ///         null).
  /// \retval 0 there is no reply, the reply is shorter than 75 bytes, or
  ///         shorter than 57 + 18 * N bytes (N the name count at offset 56).
  virtual int GetMacByIp(const char* pIp, char* pMac, char* pSep);

 protected:
  /// Sends the 50-byte node-status request (built in `pBuf`) from a datagram
  /// socket of its own to port 137 of `pHost` and waits 0.9 seconds for one
  /// reply of at most `nSize` bytes into `pBuf`.
  ///
  /// The socket is closed on every path.
  /// \param pHost Dotted text or a host name.
  /// \param pBuf Holds the request, then the reply; it has room for
  ///        max(50, nSize) bytes.
  /// \param nSize The longest reply taken.
  /// \return The reply's length; 0 when the name does not resolve, a call
  ///         fails, no reply came in time or the reply was longer than
  ///         `nSize`.
  static int retrieve_data(const char* pHost, char* pBuf, int nSize);

  /// The handle held, or -1.
  ///
  /// An `int` on 64-bit Windows too, where a `SOCKET` is 64 bits wide:
  /// Windows keeps socket values within 32 bits (so that a 64-bit process
  /// can hand them to a 32-bit one), so every socket fits.  The library
  /// checks each socket it stores; one that would not fit is closed and
  /// its call fails (WSAEMFILE), never cut short.
  int m_nSock;
};

#endif  // TAVO_TCTCP_TCTCP_H
