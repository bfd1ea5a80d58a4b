// Loopback throughput of the socket classes beside plain system-call loops
// on the same kind of sockets, in the same run:
//   tCTcp::Sendn/Recvn of 1 GiB in 64 KiB blocks  vs  send/recv loops
//   tCUdp::SendDate/RecvDate of 100,000 1 KiB datagrams  vs  sendto/recvfrom
// Each side runs in its own thread.  Datagrams go in windows of 32, each
// acknowledged by the receiver before the next, so that none is dropped
// (a full loopback receive queue drops them); both variants pay the same
// acknowledgements.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "tCTcp/tCTcp.h"
#include "tCUdp/tCUdp.h"

namespace {

constexpr long long kTcpTotal = 1LL << 30;
constexpr int kTcpBlock = 64 << 10;
constexpr int kDatagrams = 100000;
constexpr int kDatagramSize = 1024;
constexpr int kWindow = 32;

sockaddr_in loopback(int port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

int portOf(int fd) {
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  return ntohs(sa.sin_port);
}

void boundCalls(int fd) {
  timeval tv{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// A connected pair of loopback stream sockets made the same way for both
// variants: {sending end, receiving end}.
void tcpPair(int* snd, int* rcv) {
  int lfd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa = loopback(0);
  if (bind(lfd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(lfd, 1) != 0) std::abort();
  *snd = socket(AF_INET, SOCK_STREAM, 0);
  sa = loopback(portOf(lfd));
  if (connect(*snd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) std::abort();
  *rcv = accept(lfd, nullptr, nullptr);
  close(lfd);
  boundCalls(*snd);
  boundCalls(*rcv);
}

int freeUdpPort() {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in sa = loopback(0);
  bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  int port = portOf(fd);
  close(fd);
  return port;
}

// The UDP descriptor of this process bound to `port` (tCUdp keeps its own
// private), so that the benchmark can bound its waits.
int udpFdOn(int port) {
  for (int fd = 3; fd < 1024; ++fd) {
    int type = 0;
    socklen_t len = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len) == 0 && type == SOCK_DGRAM && portOf(fd) == port)
      return fd;
  }
  return -1;
}

// ---- TCP ------------------------------------------------------------------

void BM_tCTcpSendnRecvn(benchmark::State& state) {
  std::vector<char> out(kTcpBlock, 'x'), in(kTcpBlock);
  for (auto _ : state) {
    int s = -1, r = -1;
    tcpPair(&s, &r);
    tCTcp sender, receiver;
    sender = s;
    receiver = r;
    bool ok = true;
    std::thread t([&] {
      for (long long done = 0; done < kTcpTotal; done += kTcpBlock)
        if (sender.Sendn(out.data(), kTcpBlock, 0) != kTcpBlock) return;
    });
    for (long long done = 0; done < kTcpTotal && ok; done += kTcpBlock)
      ok = receiver.Recvn(in.data(), kTcpBlock, 0) == kTcpBlock;
    t.join();
    benchmark::DoNotOptimize(in.data());
    if (!ok) state.SkipWithError("transfer failed");
  }
  state.SetBytesProcessed(state.iterations() * kTcpTotal);
}

void BM_PlainSendRecv(benchmark::State& state) {
  std::vector<char> out(kTcpBlock, 'x'), in(kTcpBlock);
  for (auto _ : state) {
    int s = -1, r = -1;
    tcpPair(&s, &r);
    bool ok = true;
    std::thread t([&] {
      for (long long done = 0; done < kTcpTotal; done += kTcpBlock)
        for (int off = 0; off < kTcpBlock;) {
          ssize_t n = send(s, out.data() + off, kTcpBlock - off, MSG_NOSIGNAL);
          if (n <= 0) return;
          off += static_cast<int>(n);
        }
    });
    for (long long done = 0; done < kTcpTotal && ok; done += kTcpBlock)
      for (int off = 0; off < kTcpBlock && ok;) {
        ssize_t n = recv(r, in.data() + off, kTcpBlock - off, 0);
        ok = n > 0;
        off += static_cast<int>(n);
      }
    t.join();
    benchmark::DoNotOptimize(in.data());
    close(s);
    close(r);
    if (!ok) state.SkipWithError("transfer failed");
  }
  state.SetBytesProcessed(state.iterations() * kTcpTotal);
}

// ---- UDP ------------------------------------------------------------------

// The acknowledgement channel: the receiver tells the sender after each
// window.  Plain sockets, the same for both variants.
struct Acks {
  int rx = -1, tx = -1, port = 0;
  Acks() {
    rx = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sa = loopback(0);
    bind(rx, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    port = portOf(rx);
    boundCalls(rx);
    tx = socket(AF_INET, SOCK_DGRAM, 0);
  }
  ~Acks() {
    close(rx);
    close(tx);
  }
  void send() {
    sockaddr_in sa = loopback(port);
    sendto(tx, "a", 1, 0, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  }
  bool wait() {
    char c;
    return recv(rx, &c, 1, 0) == 1;
  }
};

void BM_tCUdpSendDateRecvDate(benchmark::State& state) {
  std::vector<char> out(kDatagramSize, 'u'), in(kDatagramSize);
  for (auto _ : state) {
    state.PauseTiming();
    const int rport = freeUdpPort(), sport = freeUdpPort();
    tCUdp receiver, sender;
    if (!receiver.BindAddr("127.0.0.1", rport) || !sender.BindAddr("127.0.0.1", sport)) {
      state.SkipWithError("bind failed");
      break;
    }
    boundCalls(udpFdOn(rport));  // a lost datagram fails the run instead of hanging it
    Acks acks;
    state.ResumeTiming();
    bool ok = true;
    std::thread t([&] {
      for (int i = 0; i < kDatagrams; ++i) {
        if (!sender.SendDate("127.0.0.1", rport, out.data(), kDatagramSize)) return;
        if ((i + 1) % kWindow == 0 && !acks.wait()) return;
      }
    });
    for (int i = 0; i < kDatagrams && ok; ++i) {
      ok = receiver.RecvDate(in.data(), kDatagramSize) == 1;
      if ((i + 1) % kWindow == 0) acks.send();
    }
    t.join();
    benchmark::DoNotOptimize(in.data());
    if (!ok) state.SkipWithError("datagram lost");
  }
  state.SetItemsProcessed(state.iterations() * kDatagrams);
  state.SetBytesProcessed(state.iterations() * kDatagrams * kDatagramSize);
}

void BM_PlainSendtoRecvfrom(benchmark::State& state) {
  std::vector<char> out(kDatagramSize, 'u'), in(kDatagramSize);
  for (auto _ : state) {
    state.PauseTiming();
    // The same kind of sockets tCUdp makes: bound to 127.0.0.1 with
    // SO_REUSEADDR.
    int fds[2];
    int ports[2];
    for (int k = 0; k < 2; ++k) {
      fds[k] = socket(AF_INET, SOCK_DGRAM, 0);
      int one = 1;
      setsockopt(fds[k], SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
      ports[k] = freeUdpPort();
      sockaddr_in sa = loopback(ports[k]);
      bind(fds[k], reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    }
    const int r = fds[0], s = fds[1];
    boundCalls(r);
    Acks acks;
    state.ResumeTiming();
    bool ok = true;
    std::thread t([&] {
      sockaddr_in to = loopback(ports[0]);
      for (int i = 0; i < kDatagrams; ++i) {
        if (sendto(s, out.data(), kDatagramSize, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) !=
            kDatagramSize)
          return;
        if ((i + 1) % kWindow == 0 && !acks.wait()) return;
      }
    });
    for (int i = 0; i < kDatagrams && ok; ++i) {
      ok = recvfrom(r, in.data(), kDatagramSize, 0, nullptr, nullptr) == kDatagramSize;
      if ((i + 1) % kWindow == 0) acks.send();
    }
    t.join();
    benchmark::DoNotOptimize(in.data());
    close(r);
    close(s);
    if (!ok) state.SkipWithError("datagram lost");
  }
  state.SetItemsProcessed(state.iterations() * kDatagrams);
  state.SetBytesProcessed(state.iterations() * kDatagrams * kDatagramSize);
}

}  // namespace

BENCHMARK(BM_tCTcpSendnRecvn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PlainSendRecv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_tCUdpSendDateRecvDate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PlainSendtoRecvfrom)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
