// The exported classes as client programs see them: exactly the members the
// interface lists (sizes and offsets worked out here from those lists, not
// taken from the library), objects placed between guard bytes that the
// library's constructors, operations and destructors never touch, and copies
// of one stream, table, socket or mapping let go of on many threads at once,
// the resource released once, by the last.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "database/tCMysql.h"
#include "tCFile/tCFile.h"
#include "tCFileConf/tCFileConf.h"
#include "tCFileIni/tCFileIni.h"
#include "tCShm/tCShm.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"
#include "tCString3/tCString3.h"
#include "tCTcp/tCTcp.h"
#include "tCUdp/tCUdp.h"
#include "tests/net_test_util.h"
#include "tests/test_util.h"

namespace {

constexpr std::size_t kPtr = sizeof(void*);
constexpr std::size_t ptrAligned(std::size_t n) { return (n + kPtr - 1) / kPtr * kPtr; }

// The size each interface implies: the virtual table's pointer first when
// the class has one, then the listed members in order.
TEST(Layout, EachClassIsItsListedMembers) {
  EXPECT_EQ(sizeof(tCString), 2 * kPtr);                // m_pStr, m_nLen
  EXPECT_EQ(sizeof(tCString2), 2 * kPtr);               // m_ppStr, m_nLen
  EXPECT_EQ(sizeof(tCString3), 3 * kPtr);               // vptr, m_pppStr, m_nLen
  EXPECT_EQ(sizeof(tCFile), 3 * kPtr);                  // vptr, m_pFile, m_oFileName
  EXPECT_EQ(sizeof(tCFileConf), 4 * kPtr);              // ..., m_oConf
  EXPECT_EQ(sizeof(tCFileIni), 5 * kPtr);               // ..., m_pSections, m_nSections
  EXPECT_EQ(sizeof(tCTcp), 2 * kPtr);                   // vptr, m_nSock
  EXPECT_EQ(sizeof(tCUdp), ptrAligned(kPtr + 4 + 16));  // vptr, m_sock, m_addr[16]
  EXPECT_EQ(sizeof(tCShm), ptrAligned(kPtr + 4 + 50));  // vptr, m_nShmID, m_szIPCName[50]
  // vptr, m_pMysql, m_pRes, m_nRowNum, m_nFieldNum, m_szErr[1024], m_Row
  EXPECT_EQ(sizeof(tCMysql), ptrAligned(3 * kPtr + 8 + 1024) + kPtr);
}

// The same sizes in bytes, as written down for the programs of each data
// model: 32-bit (Linux i386, Windows x86), LP64 (Linux x86-64) and LLP64
// (64-bit Windows, where long stays 4 bytes: no member is a long, so LP64
// and LLP64 agree).
TEST(Layout, SizesOfEachDataModel) {
  struct Row {
    const char* name;
    std::size_t actual, bits32, bits64;
  };
  const Row rows[] = {
      {"tCString", sizeof(tCString), 8, 16},
      {"tCString2", sizeof(tCString2), 8, 16},
      {"tCString3", sizeof(tCString3), 12, 24},
      {"tCFile", sizeof(tCFile), 12, 24},
      {"tCFileConf", sizeof(tCFileConf), 16, 32},
      {"tCFileIni", sizeof(tCFileIni), 20, 40},
      {"tCTcp", sizeof(tCTcp), 8, 16},
      {"tCUdp", sizeof(tCUdp), 24, 32},
      {"tCShm", sizeof(tCShm), 60, 64},
      {"tCMysql", sizeof(tCMysql), 1048, 1064},
  };
  for (const Row& r : rows) EXPECT_EQ(r.actual, kPtr == 4 ? r.bits32 : r.bits64) << r.name;
}

// The public members client programs read, where they read them.
TEST(Layout, PublicMembersAreWhereClientsReadThem) {
  tCMysql db;
  const char* base = reinterpret_cast<const char*>(&db);
  EXPECT_EQ(reinterpret_cast<const char*>(&db.m_pMysql) - base, static_cast<std::ptrdiff_t>(kPtr));
  EXPECT_EQ(reinterpret_cast<const char*>(&db.m_szErr) - base, static_cast<std::ptrdiff_t>(3 * kPtr + 8));
  EXPECT_EQ(reinterpret_cast<const char*>(&db.m_Row) - base,
            static_cast<std::ptrdiff_t>(ptrAligned(3 * kPtr + 8 + 1024)));
  EXPECT_EQ(static_cast<void*>(db.GetErrorStr()), static_cast<void*>(db.m_szErr));
  tCShm shm;
  const char* s = reinterpret_cast<const char*>(&shm);
  EXPECT_EQ(reinterpret_cast<const char*>(&shm.m_nShmID) - s, static_cast<std::ptrdiff_t>(kPtr));
  EXPECT_EQ(reinterpret_cast<const char*>(&shm.m_szIPCName) - s, static_cast<std::ptrdiff_t>(kPtr + 4));
}

// Storage for one T between guard bytes, as a client's struct would hold it.
template <class T>
class Guarded {
 public:
  static constexpr std::size_t kGuard = 64;
  Guarded() { std::memset(bytes_, 0xA5, sizeof bytes_); }
  ~Guarded() { EXPECT_TRUE(intact()) << "bytes around the object were written"; }
  template <class... Args>
  T* make(Args&&... args) {
    return new (bytes_ + kGuard) T(std::forward<Args>(args)...);
  }
  bool intact() const {
    for (std::size_t i = 0; i < kGuard; ++i)
      if (bytes_[i] != 0xA5 || bytes_[kGuard + sizeof(T) + i] != 0xA5) return false;
    return true;
  }

 private:
  alignas(std::max_align_t) unsigned char bytes_[kGuard + sizeof(T) + kGuard];
};

TEST(Layout, NothingPastAnObjectIsWritten) {
  tavo_test::TempDir dir;
  const std::string ini = dir.write("a.ini", "[db]\nHostName=h\n");
  const std::string conf = dir.write("a.conf", "k=v\n");
  {
    Guarded<tCFileIni> g;
    tCFileIni* p = g.make(ini.c_str(), "rb");
    char value[8];
    EXPECT_EQ(p->GetString("db", "HostName", value), 1);
    Guarded<tCFileIni> g2;
    tCFileIni* q = g2.make(*p);
    p->~tCFileIni();
    EXPECT_EQ(q->GetString("db", "HostName", value), 1);
    q->~tCFileIni();
  }
  {
    Guarded<tCFileConf> g;
    tCFileConf* p = g.make(conf.c_str(), "rb");
    tCString v;
    EXPECT_EQ(p->GetValue("k", v), 1);
    p->~tCFileConf();
  }
  {
    Guarded<tCTcp> g;
    tCTcp* p = g.make();
    EXPECT_EQ(p->Open(), 1);
    p->~tCTcp();
  }
  {
    Guarded<tCUdp> g;
    tCUdp* p = g.make();
    EXPECT_EQ(p->BindAddr("127.0.0.1", net_test::freePort()), 1);
    p->~tCUdp();
  }
  {
    Guarded<tCShm> g;
    tCShm* p = g.make();
    EXPECT_EQ(p->Create("tavo_layout_guard", 0, 4096), 1);
    p->Drop();  // the destructor leaves the handle held
    p->~tCShm();
  }
  {
    Guarded<tCMysql> g;
    tCMysql* p = g.make();
    EXPECT_EQ(p->QueryRead("SELECT 1"), 0);
    p->~tCMysql();
  }
}

constexpr int kThreads = 8;
constexpr int kCopiesPerThread = 50;

// Copies made on one thread, then dropped on many at once: the socket
// stays open while any copy is left and is closed once at the end.
TEST(Sharing, CopiesOfASocketDroppedOnManyThreads) {
  for (int round = 0; round < 20; ++round) {
    tCTcp* original = new tCTcp;
    ASSERT_EQ(original->Open(), 1);
    const int fd = original->GetHandle();
    std::vector<std::vector<tCTcp*>> copies(kThreads);
    for (auto& v : copies)
      for (int i = 0; i < kCopiesPerThread; ++i) v.push_back(new tCTcp(*original));
    delete original;
    std::vector<std::thread> threads;
    for (int t = 1; t < kThreads; ++t)
      threads.emplace_back([&copies, t] {
        for (tCTcp* c : copies[t]) delete c;
      });
    for (auto& th : threads) th.join();
    EXPECT_TRUE(net_test::fdIsOpen(fd));
    for (int i = 0; i + 1 < kCopiesPerThread; ++i) delete copies[0][i];
    EXPECT_TRUE(net_test::fdIsOpen(fd));
    delete copies[0].back();
    EXPECT_FALSE(net_test::fdIsOpen(fd));
  }
}

// Distinct sockets, each shared by its own copies, used on their own
// threads at the same time.
TEST(Sharing, DistinctSharedSocketsOnTheirOwnThreads) {
  std::vector<std::thread> threads;
  std::vector<int> closedOnce(kThreads, 0);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&closedOnce, t] {
      for (int round = 0; round < 200; ++round) {
        tCTcp a;
        if (a.Open() != 1) return;
        const int fd = a.GetHandle();
        {
          tCTcp b(a);
          tCTcp c;
          c = b;
          a.Close();
          if (!net_test::fdIsOpen(fd)) return;
        }
      }
      closedOnce[t] = 1;
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(closedOnce[t], 1) << "thread " << t;
}

// A parsed table's copies dropped on many threads at once: every copy reads
// the same entries until it goes.
TEST(Sharing, CopiesOfAParsedTableDroppedOnManyThreads) {
  tavo_test::TempDir dir;
  const std::string ini = dir.write("s.ini", "[a]\nk=v\n[b]\nk=w\n");
  for (int round = 0; round < 20; ++round) {
    tCFileIni* original = new tCFileIni(ini.c_str(), "rb");
    std::vector<std::vector<tCFileIni*>> copies(kThreads);
    for (auto& v : copies)
      for (int i = 0; i < kCopiesPerThread; ++i) v.push_back(new tCFileIni(*original));
    delete original;
    std::vector<std::thread> threads;
    std::vector<int> ok(kThreads, 1);
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&copies, &ok, t] {
        for (tCFileIni* c : copies[t]) {
          char v[4];
          if (c->GetString("b", "k", v) != 1 || std::strcmp(v, "w") != 0) ok[t] = 0;
          delete c;
        }
      });
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(ok[t], 1);
  }
}

}  // namespace
