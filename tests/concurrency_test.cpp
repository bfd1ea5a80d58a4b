// Threads and processes: objects of every class used on threads of their
// own, copies shared across threads and released together, and children
// made by fork() while other threads use the library.
#include "net_test_util.h"  // first: the socket headers of the platform

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if !TAVO_TEST_WINDOWS
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include "common/common.h"
#include "database/tCMysql.h"
#include "db_settings.h"
#include "tCFile/tCFile.h"
#include "tCFileConf/tCFileConf.h"
#include "tCFileIni/tCFileIni.h"
#include "tCShm/tCShm.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"
#include "tCString3/tCString3.h"
#include "tCTcp/tCTcp.h"
#include "tCUdp/tCUdp.h"
#include "test_util.h"

#if !TAVO_TEST_WINDOWS
// ---- Counting releases -------------------------------------------------------
//
// This program's close, fclose, mysql_close and mysql_free_result stand in
// front of the C library's and the client library's for the whole process,
// the library under test included (the dynamic linker finds a program's own
// definitions first).  Each counts the call for its descriptor or handle,
// then makes the real call; nothing else changes.

namespace release_count {

// A watched descriptor: its number and the file it is open on, so that a
// later descriptor given the same number (the library opens and closes
// others while it releases) is not taken for it.
struct Watched {
  int fd;
  dev_t dev;
  ino_t ino;
  std::atomic<int> closes;
};
constexpr int kWatched = 8;
Watched gFds[kWatched];
int gFdCount = 0;

// The client library's handles watched, and their calls.
std::atomic<void*> gHandles[kWatched];
std::atomic<int> gHandleCalls[kWatched];

template <class Fn>
Fn next(const char* name) {
  void* p = dlsym(RTLD_NEXT, name);
  if (p == nullptr) std::abort();
  return reinterpret_cast<Fn>(p);
}

// Counts the close of `fd` when it is a watched descriptor still open on
// its file.  (The watch list is set before the threads that close start.)
void countFd(int fd) {
  for (int i = 0; i < gFdCount; ++i) {
    struct stat st;
    if (gFds[i].fd == fd && fstat(fd, &st) == 0 && st.st_dev == gFds[i].dev && st.st_ino == gFds[i].ino)
      gFds[i].closes.fetch_add(1);
  }
}

void countHandle(void* p) {
  for (int i = 0; i < kWatched; ++i)
    if (p != nullptr && gHandles[i].load() == p) gHandleCalls[i].fetch_add(1);
}

// Starts counting afresh, watching the open descriptors `fds` and the
// client library's `handles`.
void watch(const std::vector<int>& fds, const std::vector<void*>& handles) {
  gFdCount = 0;
  for (int fd : fds) {
    struct stat st;
    if (gFdCount == kWatched || fstat(fd, &st) != 0) std::abort();
    gFds[gFdCount].fd = fd;
    gFds[gFdCount].dev = st.st_dev;
    gFds[gFdCount].ino = st.st_ino;
    gFds[gFdCount].closes.store(0);
    ++gFdCount;
  }
  for (int i = 0; i < kWatched; ++i) {
    gHandles[i].store(i < static_cast<int>(handles.size()) ? handles[i] : nullptr);
    gHandleCalls[i].store(0);
  }
}

int closesOf(int fd) {
  for (int i = 0; i < gFdCount; ++i)
    if (gFds[i].fd == fd) return gFds[i].closes.load();
  return -1;
}

int callsOf(void* p) {
  for (int i = 0; i < kWatched; ++i)
    if (gHandles[i].load() == p) return gHandleCalls[i].load();
  return -1;
}

}  // namespace release_count

extern "C" int close(int fd) {
  static const auto real = release_count::next<int (*)(int)>("close");
  release_count::countFd(fd);
  return real(fd);
}

extern "C" int fclose(FILE* fp) {
  static const auto real = release_count::next<int (*)(FILE*)>("fclose");
  if (fp != nullptr) release_count::countFd(fileno(fp));
  return real(fp);
}

// The client library's own names: these stand in for its functions.
extern "C" void mysql_close(MYSQL* p) {  // NOLINT(readability-identifier-naming)
  static const auto real = release_count::next<void (*)(MYSQL*)>("mysql_close");
  release_count::countHandle(p);
  real(p);
}

extern "C" void mysql_free_result(MYSQL_RES* p) {  // NOLINT(readability-identifier-naming)
  static const auto real = release_count::next<void (*)(MYSQL_RES*)>("mysql_free_result");
  release_count::countHandle(p);
  real(p);
}
#endif  // !TAVO_TEST_WINDOWS

namespace {

using tavo_test::readAll;
using tavo_test::TempDir;

constexpr int kThreads = 8;
constexpr auto kWait = std::chrono::seconds(60);

// Lets a set of threads go on together once all have arrived; a thread
// that waits longer than kWait fails instead of hanging.
class Gate {
 public:
  explicit Gate(int n) : left_(n) {}
  bool arriveAndWait() {
    std::unique_lock<std::mutex> lock(m_);
    if (--left_ == 0) cv_.notify_all();
    return cv_.wait_for(lock, kWait, [this] { return left_ <= 0; });
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  int left_;
};

// The database's settings, or why there are none: an empty error means a
// server is at hand.
tavo_test::DbSettings dbSettings() {
  if (!tavo_test::dbServerExpected()) {
    tavo_test::DbSettings s;
    s.error = "no database server: TAVO_DB_INI is not set (scripts/test.sh sets it)";
    return s;
  }
  return tavo_test::readDbSettings(tavo_test::dbIniPath());
}

int login(tCMysql& m, const tavo_test::DbSettings& s) {
  return m.Login(s.host, s.user, s.pass, s.db, "", static_cast<unsigned>(s.port), nullptr, 0);
}

// A name for shared memory, unique to this process and `tag`.
std::string shmName(const char* tag, int n) {
  return "tavo-cc-" + std::to_string(static_cast<long>(getpid())) + "-" + tag + std::to_string(n);
}

// Exposes the stream a tCFile holds.
class StreamFile : public tCFile {
 public:
  FILE* stream() const { return m_pFile; }
};

// ---- Distinct objects on distinct threads --------------------------------------

// One thread's use of an object of every class, each result checked.
// Returns "" when everything held, otherwise what did not.
std::string useEveryClass(int t, const std::string& dir, const tavo_test::DbSettings& db) {
  const std::string tag = std::to_string(t);
  std::string failed;
  auto check = [&failed](bool ok, const char* what) {
    if (!ok && failed.empty()) failed = what;
  };
  for (int round = 0; round < 5 && failed.empty(); ++round) {
    // The string classes.
    tCString s("thread ");
    s += tag.c_str();
    tCString2 words;
    words += "pear";
    words += "apple";
    words += s;
    words.Sort();
    check(words.GetLength() == 3 && std::strcmp(words[0], "apple") == 0, "tCString2");
    tCString3 table;
    table += static_cast<char**>(words);
    table += static_cast<char**>(words);
    check(table.GetLength() == 2 && std::strcmp(table[1][2], s) == 0, "tCString3");
    char** f = strsplit("a,b,c", ",", 0);
    check(f != nullptr && std::strcmp(f[2], "c") == 0, "strsplit");
    strfreev(f);

    // Files, settings and the log, each thread its own.
    const std::string conf = dir + "/conf" + tag + ".txt";
    const std::string ini = dir + "/ini" + tag + ".ini";
    const std::string log = dir + "/log" + tag + ".log";
    {
      tCFile out;
      check(out.Open(conf.c_str(), "wb") == 1, "tCFile::Open");
      out.Write("key%d=value%d\n", t, round);
      out.Close();
      tCFile iniOut(ini.c_str(), "wb");
      iniOut.Write("[s]\nn=%d\n", t * 100 + round);
    }
    tCFileConf oConf;
    tCString value;
    check(oConf.Open(conf.c_str(), "rb") == 1 && oConf.GetValue(("key" + tag).c_str(), value) == 1 &&
              value == ("value" + std::to_string(round)).c_str(),
          "tCFileConf");
    tCFileIni oIni;
    int n = -1;
    check(oIni.Open(ini.c_str(), "rb") == 1 && oIni.GetInteger("s", "n", &n) == 1 && n == t * 100 + round,
          "tCFileIni");
    logprintf(log.c_str(), "thread %d round %d\n", t, round);

    // A TCP exchange with itself, and a datagram.
    int port = 0;
    const int lfd = net_test::boundSocket(SOCK_STREAM, &port);
    tCTcp listener;
    listener = lfd;
    tCTcp client;
    check(client.Open() == 1 && client.Connect("127.0.0.1", port, 5) == 1, "tCTcp::Connect");
    const int afd = listener.Accept();
    check(afd >= 0, "tCTcp::Accept");
    if (afd >= 0) {
      tCTcp peer;
      peer = afd;
      char buf[8] = {};
      check(client.Sendn("ping", 4, 5) == 4 && peer.Recvn(buf, 4, 5) == 4 && std::memcmp(buf, "ping", 4) == 0,
            "tCTcp transfer");
    }
    tCUdp udp;
    int bound = 0;
    int udpPort = 0;
    for (int tries = 0; tries < 5 && bound != 1; ++tries) {
      tCUdp fresh;
      udpPort = net_test::freePort();  // (taken by someone else meanwhile: another try)
      bound = fresh.BindAddr("127.0.0.1", static_cast<unsigned>(udpPort));
      if (bound == 1) udp = fresh;
    }
    if (bound == 1) {
      char buf[8] = {};
      check(udp.SendDate("127.0.0.1", static_cast<unsigned>(udpPort), "dgram", 5) == 1 &&
                udp.RecvDate(buf, 5) == 1 && std::memcmp(buf, "dgram", 5) == 0,
            "tCUdp");
    }

    // Shared memory of its own.
    tCShm shm;
    const std::string name = shmName("own", t);
    check(shm.Create(name.c_str(), 0, 4096) == 1, "tCShm::Create");
    if (failed.empty()) {
      char* p = static_cast<char*>(shm.Shmat(nullptr, 0));
      check(p != nullptr, "tCShm::Shmat");
      if (p != nullptr) std::strcpy(p, tag.c_str());
      tCShm other;
      const bool joined = other.Create(name.c_str(), 0, 4096) == 1;
      check(joined, "tCShm join");
      const char* q = joined ? static_cast<char*>(other.Shmat(nullptr, 0)) : nullptr;
      check(q != nullptr && std::strcmp(q, tag.c_str()) == 0, "tCShm contents");
      other.Drop();
    }
    shm.Drop();

    // A connection of its own.
    if (db.error.empty()) {
      tCMysql m;
      check(login(m, db) == 1, "tCMysql::Login");
      check(m.QueryRead(("SELECT " + tag + " + " + std::to_string(round)).c_str()) == 1 && m.GetRow() == 1 &&
                std::atoi(m.m_Row[0]) == t + round,
            "tCMysql::QueryRead");
      m.FreeResult();
      m.Logout();
    }
  }
  const std::string log = readAll(dir + "/log" + tag + ".log");
  if (failed.empty() && log.find("thread " + tag + " round 4\n") == std::string::npos) failed = "logprintf";
  return failed;
}

TEST(Threads, EightThreadsEachUseTheirOwnObjectsOfEveryClass) {
  TempDir dir;
  const tavo_test::DbSettings db = dbSettings();
  if (tavo_test::dbServerExpected()) {
    ASSERT_EQ(db.error, "");
  }
  std::vector<std::string> results(kThreads);
  Gate gate(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      if (!gate.arriveAndWait())
        results[t] = "start";
      else
        results[t] = useEveryClass(t, dir.path(), db);
    });
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(results[t], "") << "thread " << t;
}

#if !TAVO_TEST_WINDOWS
// ---- Copies shared across threads, released together ---------------------------

TEST(Copies, SharedAcrossThreadsAndReleasedTogetherAreReleasedOnce) {
  TempDir dir;
  constexpr int kRounds = 40;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // One resource of each kind that a descriptor holds: a stream, a
    // socket and a block (the connection has a test of its own).
    StreamFile file;
    ASSERT_EQ(file.Open((dir.path() + "/shared.txt").c_str(), "wb"), 1);
    tCTcp tcp;
    tcp = static_cast<int>(socket(AF_INET, SOCK_STREAM, 0));
    tCShm shm;
    ASSERT_EQ(shm.Create(shmName("copies", round).c_str(), 0, 4096), 1);
    const int fds[] = {fileno(file.stream()), tcp.GetHandle(), shm.m_nShmID};
    release_count::watch({fds[0], fds[1], fds[2]}, {});

    // Every thread makes its copies (by construction and by assignment),
    // then all let go at once, the originals with them.
    Gate copied(kThreads + 1);
    std::atomic<int> stuck{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        StreamFile f2(file);
        tCTcp t2(tcp);
        tCShm s2(shm);
        tCTcp t3;
        t3 = t2;
        tCShm s3;
        s3 = shm;
        if (!copied.arriveAndWait()) ++stuck;
        // Half close explicitly, half leave it to the destructors (a
        // tCShm is only released by Drop).
        if (t % 2 == 0) {
          f2.Close();
          t2.Close();
        }
        s2.Drop();
        s3.Drop();
      });
    if (!copied.arriveAndWait()) ++stuck;
    file.Close();
    tcp.Close();
    shm.Drop();
    for (std::thread& th : threads) th.join();
    ASSERT_EQ(stuck.load(), 0);
    EXPECT_EQ(release_count::closesOf(fds[0]), 1) << "the stream";
    EXPECT_EQ(release_count::closesOf(fds[1]), 1) << "the socket";
    EXPECT_EQ(release_count::closesOf(fds[2]), 1) << "the block's handle";
  }
}

TEST(Copies, ConnectionAndResultSharedAcrossThreadsAreReleasedOnce) {
  const tavo_test::DbSettings db = dbSettings();
  if (!tavo_test::dbServerExpected()) GTEST_SKIP() << db.error;
  ASSERT_EQ(db.error, "");
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    tCMysql sql;
    ASSERT_EQ(login(sql, db), 1) << sql.GetErrorStr();
    ASSERT_EQ(sql.QueryRead("SELECT 1 UNION SELECT 2"), 1) << sql.GetErrorStr();
    MYSQL* const conn = sql.m_pMysql;
    MYSQL_RES* const res = sql.m_pRes;
    release_count::watch({}, {conn, res});
    Gate copied(kThreads + 1);
    std::atomic<int> stuck{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        tCMysql m2(sql);
        tCMysql m3;
        m3 = m2;
        if (!copied.arriveAndWait()) ++stuck;
        if (t % 2 == 0) m2.FreeResult();
        if (t % 3 == 0) m3.Logout();
      });
    if (!copied.arriveAndWait()) ++stuck;
    sql.Logout();
    for (std::thread& th : threads) th.join();
    ASSERT_EQ(stuck.load(), 0);
    EXPECT_EQ(release_count::callsOf(conn), 1) << "mysql_close";
    EXPECT_EQ(release_count::callsOf(res), 1) << "mysql_free_result";
  }
}

// ---- fork() while other threads use the library ---------------------------------

using tavo_test::waitBounded;

TEST(Fork, ChildrenOfABusyProcessUseWhatTheyInherited) {
  TempDir dir;
  const std::string log = dir.file("fork.log");
  // Blocks the threads copy from, and one the children drop.
  constexpr int kCopiers = 3;
  tCShm bases[kCopiers];
  for (int i = 0; i < kCopiers; ++i) ASSERT_EQ(bases[i].Create(shmName("base", i).c_str(), 0, 4096), 1);
  tCShm inherited;
  ASSERT_EQ(inherited.Create(shmName("inherited", 0).c_str(), 0, 4096), 1);
  tCShm inheritedCopy(inherited);

  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kCopiers; ++i)
    threads.emplace_back([&, i] {
      while (!stop.load()) {
        tCShm copy(bases[i]);
        tCShm other;
        other = copy;
        copy.Drop();
        other.Drop();
      }
    });
  std::atomic<int> logged{0};
  threads.emplace_back([&] {
    // (Well below the log's size bound: no entry is deleted.)
    while (!stop.load() && logged.load() < 20000) {
      logprintf(log.c_str(), "parent %05d\n", logged.load());
      ++logged;
    }
  });

  constexpr int kForks = 60;
  int hung = 0;
  int failed = 0;
  for (int i = 0; i < kForks; ++i) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // Only what a child of a threaded process may do: the library's
      // calls on what it inherited, no new threads.
      tCShm mine(inheritedCopy);
      mine.Drop();
      inheritedCopy.Drop();
      tCShm fresh(bases[i % kCopiers]);
      const bool ok = fresh.Shmat(nullptr, 0) != nullptr;
      fresh.Drop();
      logprintf(log.c_str(), "child %05d\n", i);
      _exit(ok ? 0 : 2);
    }
    const int status = waitBounded(pid, 20);
    if (status == -1)
      ++hung;
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      ++failed;
  }
  stop.store(true);
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(hung, 0) << "children that hung";
  EXPECT_EQ(failed, 0) << "children that failed";

  // Every entry whole: the parent's in order, one from each child.
  const std::string text = readAll(log);
  int nParent = 0;
  std::vector<int> children(kForks, 0);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find('\n', pos);
    ASSERT_NE(end, std::string::npos);
    const std::string entry = text.substr(pos + 21, end - pos - 21);
    int n = -1;
    if (std::sscanf(entry.c_str(), "parent %d", &n) == 1) {
      EXPECT_EQ(n, nParent++);
    } else {
      ASSERT_EQ(std::sscanf(entry.c_str(), "child %d", &n), 1) << entry;
      ASSERT_TRUE(n >= 0 && n < kForks);
      ++children[n];
    }
    pos = end + 1;
  }
  EXPECT_EQ(nParent, logged.load());
  for (int i = 0; i < kForks; ++i) EXPECT_EQ(children[i], 1) << "child " << i;

  for (tCShm& b : bases) b.Drop();
  inheritedCopy.Drop();
  inherited.Drop();
}
#endif  // !TAVO_TEST_WINDOWS

}  // namespace
