// Tests of tCUdp over real loopback datagram sockets (127.0.0.1, free
// ports).  tCUdp sets no time-out of its own, so every test that receives
// through it queues the datagrams first and runs under a watchdog alarm
// that ends the program instead of letting it hang.
#include "tCUdp/tCUdp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/net_test_util.h"

using namespace net_test;

namespace {

// GBK bytes of the messages.
const std::string kGbkNoSocket = "UDP\xB4\xB4\xBD\xA8\xCC\xD7\xBD\xD3\xD7\xD6\xCA\xA7\xB0\xDC! ";
const std::string kGbkBindFailed = "UDP\xB0\xF3\xB6\xA8\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";
const std::string kGbkSendFailed = "\xB7\xA2\xCB\xCD\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!\n";
const std::string kGbkRecvFailed = "\xBD\xD3\xCA\xD5\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!\n";

#if TAVO_TEST_WINDOWS
// Ends the program if the test blocks for longer than 30 s.
class Watchdog {
 public:
  Watchdog()
      : t_([this] {
          std::unique_lock<std::mutex> lock(m_);
          if (!cv_.wait_for(lock, std::chrono::seconds(30), [this] { return done_; })) std::_Exit(3);
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_);
      done_ = true;
    }
    cv_.notify_one();
    t_.join();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread t_;
};
#else
// Ends the program (SIGALRM) if the test blocks for longer than 30 s.
struct Watchdog {
  Watchdog() { alarm(30); }
  ~Watchdog() { alarm(0); }
};
#endif

// Sends one datagram to 127.0.0.1:port from `fd`.
void sendTo(int fd, int port, const std::string& data) {
  sockaddr_in sa = loopback(port);
  ASSERT_EQ(
      sendto(fd, data.data(), static_cast<int>(data.size()), 0, reinterpret_cast<sockaddr*>(&sa), sizeof sa),
      static_cast<int>(data.size()));
}

// Waits (bounded) until the datagrams sent to a bound port are queued, so
// that a following receive does not block.
void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

// The descriptor of this process bound to 127.0.0.1:port (UDP), or -1.
// (Windows numbers socket handles in steps of 4.)
int fdBoundTo(int port) {
  const int nStep = TAVO_TEST_WINDOWS ? 4 : 1;
  const int nEnd = TAVO_TEST_WINDOWS ? 1 << 16 : 1024;
  for (int fd = 3 + TAVO_TEST_WINDOWS; fd < nEnd; fd += nStep) {
    int type = 0;
    socklen_t len = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &len) == 0 &&
        type == SOCK_DGRAM && localPort(fd) == port)
      return fd;
  }
  return -1;
}

}  // namespace

TEST(tCUdpBind, LoopbackAndReuse) {
  const int port = freePort();
  tCUdp a, b;
  CaptureStdout out;
  EXPECT_EQ(a.BindAddr("127.0.0.1", port), 1);
  EXPECT_EQ(b.BindAddr("127.0.0.1", port), 1);  // SO_REUSEADDR before binding
  const int fd = fdBoundTo(port);
  ASSERT_GE(fd, 0);
  int on = 0;
  socklen_t len = sizeof on;
  ASSERT_EQ(getsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&on), &len), 0);
  EXPECT_NE(on, 0);
  tCUdp high;  // only the low 16 bits of the port count
  EXPECT_EQ(high.BindAddr("127.0.0.1", 0x10000u + freePort()), 1);
  EXPECT_EQ(out.take(), "");
}

TEST(tCUdpBind, FailuresKeepTheSocket) {
  const int before = openFds();
  {
    tCUdp bad;
    CaptureStdout out;
    EXPECT_EQ(bad.BindAddr("not-an-address", freePort()), 0);  // no lookup: 255.255.255.255
    EXPECT_EQ(out.take(), kGbkBindFailed);
    EXPECT_EQ(openFds(), before + 1);
  }
  if (tavo_test::underWine()) GTEST_SKIP() << "Wine binds to an address that is not the host's";
  {
    tCUdp foreign;  // an address that is not this host's
    CaptureStdout out;
    EXPECT_EQ(foreign.BindAddr("192.0.2.1", freePort()), 0);
    EXPECT_EQ(out.take(), kGbkBindFailed);
  }
  EXPECT_EQ(openFds(), before);
}

TEST(tCUdpBind, NoSocket) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: a real socket() failure is made with RLIMIT_NOFILE";
#else
  tCUdp u;
  const int port = freePort();
  CaptureStdout out;
  {
    NoNewDescriptors full;
    EXPECT_EQ(u.BindAddr("127.0.0.1", port), 0);
  }
  EXPECT_EQ(out.take(), kGbkNoSocket);
  EXPECT_EQ(u.BindAddr("127.0.0.1", freePort()), 1);  // no socket was kept
#endif
}

TEST(tCUdpDeathTest, BindPreconditions) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  tCUdp ok, bound, failed;
  ASSERT_EQ(bound.BindAddr("127.0.0.1", freePort()), 1);
  {
    CaptureStdout out;
    ASSERT_EQ(failed.BindAddr("not-an-address", freePort()), 0);
  }
  const char* expr = "(m_sock == -1) && (addr != NULL) && (port > 0)";
  EXPECT_EQ(ok.BindAddr("127.0.0.1", freePort()), 1);  // positive control
  tCUdp fresh;
  EXPECT_DEATH(fresh.BindAddr(nullptr, 1000), literal(expr));
  EXPECT_DEATH(fresh.BindAddr("127.0.0.1", 0), literal(expr));
  EXPECT_DEATH(bound.BindAddr("127.0.0.1", 1000), literal(expr));
  EXPECT_DEATH(failed.BindAddr("127.0.0.1", 1000), literal(expr));
  EXPECT_DEATH(fresh.BindAddr(nullptr, 1000), "tCUdp/tCUdp");
}

TEST(tCUdpTransfer, SendAndReceive) {
  Watchdog dog;
  int peerPort = 0;
  const int peer = boundSocket(SOCK_DGRAM, &peerPort);
  const int port = freePort();
  tCUdp u;
  ASSERT_EQ(u.BindAddr("127.0.0.1", port), 1);

  // One datagram of 10 bytes, sent from the bound address.
  EXPECT_EQ(u.SendDate("127.0.0.1", peerPort, "0123456789", 10), 1);
  char buf[64];
  sockaddr_in from{};
  socklen_t len = sizeof from;
  EXPECT_EQ(recvfrom(peer, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len), 10);
  EXPECT_EQ(std::string(buf, 10), "0123456789");
  EXPECT_EQ(ntohs(from.sin_port), port);

  // Datagrams of 4 and 6 bytes fill a 10-byte receive in order; an empty
  // datagram adds nothing.
  sendTo(peer, port, "abcd");
  sendTo(peer, port, "");
  sendTo(peer, port, "efghij");
  settle();
  std::memset(buf, 0, sizeof buf);
  EXPECT_EQ(u.RecvDate(buf, 10), 1);
  EXPECT_EQ(std::string(buf, 11), std::string("abcdefghij\0", 11));

  // A large payload in one datagram.
  std::string big(60000, 'q');
  EXPECT_EQ(u.SendDate("127.0.0.1", peerPort, big.data(), static_cast<int>(big.size())), 1);
  std::vector<char> got(70000);
  EXPECT_EQ(recv(peer, got.data(), got.size(), 0), 60000);
  closeSocket(peer);
}

TEST(tCUdpTransfer, Failures) {
  Watchdog dog;
  int peerPort = 0;
  const int peer = boundSocket(SOCK_DGRAM, &peerPort);
  tCUdp unbound;
  char buf[16];
  {
    CaptureStdout out;
    EXPECT_EQ(unbound.SendDate("127.0.0.1", peerPort, "x", 1), 0);
    EXPECT_EQ(unbound.RecvDate(buf, 1), 0);
    // Nothing to move: no platform call, so no failure.
    EXPECT_EQ(unbound.SendDate("127.0.0.1", peerPort, "x", 0), 1);
    EXPECT_EQ(unbound.RecvDate(buf, 0), 1);
    EXPECT_EQ(unbound.RecvDate(buf, -3), 1);
    EXPECT_EQ(out.take(), kGbkSendFailed + kGbkRecvFailed);
  }
  const int port = freePort();
  tCUdp u;
  ASSERT_EQ(u.BindAddr("127.0.0.1", port), 1);
  {
    CaptureStdout out;
    std::string huge(70000, 'h');  // more than one datagram can carry
    EXPECT_EQ(u.SendDate("127.0.0.1", peerPort, huge.data(), static_cast<int>(huge.size())), 0);
    EXPECT_EQ(u.SendDate("not-an-address", peerPort, "x", 1), 0);  // broadcast: refused
    EXPECT_EQ(out.take(), kGbkSendFailed + kGbkSendFailed);
  }

  // A datagram longer than the room left is a failure, not a silent cut:
  // the bytes before it stay, the rest of the buffer holds its start, and
  // it is consumed.
  sendTo(peer, port, "1234");
  sendTo(peer, port, "ABCDEFGHIJ");
  sendTo(peer, port, "next");
  settle();
  std::memset(buf, '.', sizeof buf);
  {
    CaptureStdout out;
    EXPECT_EQ(u.RecvDate(buf, 10), 0);
    EXPECT_EQ(out.take(), kGbkRecvFailed);
  }
  EXPECT_EQ(std::string(buf, 11), "1234ABCDEF.");
  EXPECT_EQ(u.RecvDate(buf, 4), 1);
  EXPECT_EQ(std::string(buf, 4), "next");
  closeSocket(peer);
}

TEST(tCUdpTransfer, SignalsDoNotInterruptReceiving) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: Windows has no signals that interrupt a blocking call";
#else
  Watchdog dog;
  InterruptingSignal sig;
  int peerPort = 0;
  const int peer = boundSocket(SOCK_DGRAM, &peerPort);
  const int port = freePort();
  tCUdp u;
  ASSERT_EQ(u.BindAddr("127.0.0.1", port), 1);
  std::atomic<bool> started{false};
  std::atomic<int> result{-1};
  char buf[8] = {0};
  std::thread reader([&] {
    started = true;
    result = u.RecvDate(buf, 8);
  });
  while (!started) std::this_thread::yield();
  for (int i = 0; i < 5; ++i) {
    InterruptingSignal::send(reader.native_handle());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  sendTo(peer, port, "abcd");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  InterruptingSignal::send(reader.native_handle());
  sendTo(peer, port, "efgh");
  reader.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::string(buf, 8), "abcdefgh");
  closeSocket(peer);
#endif
}

TEST(tCUdpCopy, LastHolderClosesTheSocketOnce) {
  Watchdog dog;
  const int before = openFds();
  int peerPort = 0;
  const int peer = boundSocket(SOCK_DGRAM, &peerPort);
  const int port = freePort();
  {
    tCUdp* a = new tCUdp;
    ASSERT_EQ(a->BindAddr("127.0.0.1", port), 1);
    const int fd = fdBoundTo(port);
    tCUdp b(*a);
    tCUdp c;
    const int otherPort = freePort();
    ASSERT_EQ(c.BindAddr("127.0.0.1", otherPort), 1);
    const int cOld = fdBoundTo(otherPort);
    c = *a;  // c lets go of its own socket
    EXPECT_FALSE(fdIsOpen(cOld));
    c = c;
    c = b;
    delete a;
    EXPECT_TRUE(fdIsOpen(fd));
    // The copies use the same socket: what is sent to the port reaches them.
    sendTo(peer, port, "hi");
    settle();
    char buf[2];
    EXPECT_EQ(b.RecvDate(buf, 2), 1);
    EXPECT_EQ(std::string(buf, 2), "hi");
    EXPECT_EQ(c.SendDate("127.0.0.1", peerPort, "yo", 2), 1);
    sockaddr_in from{};
    socklen_t len = sizeof from;
    EXPECT_EQ(recvfrom(peer, buf, 2, 0, reinterpret_cast<sockaddr*>(&from), &len), 2);
    EXPECT_EQ(ntohs(from.sin_port), port);
    // A copy of an object without a socket holds none.
    tCUdp none;
    tCUdp noneCopy(none);
    CaptureStdout out;
    EXPECT_EQ(noneCopy.SendDate("127.0.0.1", peerPort, "x", 1), 0);
    EXPECT_EQ(out.take(), kGbkSendFailed);
  }
  EXPECT_EQ(fdBoundTo(port), -1);
  closeSocket(peer);
  EXPECT_EQ(openFds(), before);
}
