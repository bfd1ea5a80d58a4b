// tCShm: create or join, views, drop, copies, names and sizes, and blocks
// shared with (and abandoned by) child processes.
#include <unistd.h>
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#endif

#include <chrono>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tCShm/tCShm.h"
#include "test_util.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

// ---- The child side ----------------------------------------------------------
//
// The test program re-runs itself with TAVO_SHM_CHILD set to a command;
// the command runs before GoogleTest starts and ends the process.
//   "inc NAME"       join NAME, add 1 to the 32-bit counter at its start,
//                    Drop, exit 0
//   "abandon NAME V" create or join NAME, store V in its first 32 bits and
//                    _exit without Drop
//   "hold NAME V"    as "abandon", then write one byte to stdout and wait
//                    until stdin closes (or the process is killed)
//   "loop NAME N"    N times: create or join NAME, add 1 atomically to the
//                    counter at its start, Drop; exit 0

std::uint32_t load32(const void* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
void store32(void* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

[[noreturn]] void runChild(const char* pCmd) {
  char szVerb[16] = "";
  char szName[128] = "";
  unsigned int nValue = 0;
  if (std::sscanf(pCmd, "%15s %127s %u", szVerb, szName, &nValue) < 2) _exit(10);
  if (std::strcmp(szVerb, "loop") == 0) {
    for (unsigned int i = 0; i < nValue; ++i) {
      tCShm o;
      if (o.Create(szName, 0, 4096) != 1) _exit(14);
      void* p = o.Shmat(nullptr, 0);
      if (p == nullptr) _exit(15);
      __atomic_fetch_add(static_cast<std::uint32_t*>(p), 1u, __ATOMIC_SEQ_CST);
      o.Drop();
#if TAVO_TEST_WINDOWS
      UnmapViewOfFile(p);
#else
      munmap(p, 4096);
#endif
    }
    std::exit(0);
  }
  tCShm oShm;
  if (oShm.Create(szName, 0, 4096) != 1) _exit(11);
  void* p = oShm.Shmat(nullptr, 0);
  if (p == nullptr) _exit(12);
  if (std::strcmp(szVerb, "inc") == 0) {
    store32(p, load32(p) + 1);
    oShm.Drop();
    std::exit(0);
  }
  store32(p, nValue);
  if (std::strcmp(szVerb, "hold") == 0) {
    char c = 'r';
    if (write(1, &c, 1) != 1) _exit(13);
    while (read(0, &c, 1) > 0) {
    }
  }
  _exit(0);
}

const bool kChildRan = [] {
  const char* pCmd = std::getenv("TAVO_SHM_CHILD");
  if (pCmd != nullptr) runChild(pCmd);
  return false;
}();

// ---- The parent side ---------------------------------------------------------

#if TAVO_TEST_WINDOWS
struct Child {
  HANDLE hProcess = nullptr;
  int nToChild = -1;    // the child's stdin ("hold")
  int nFromChild = -1;  // the child's stdout ("hold")
  bool bKilled = false;
};

// Starts this test program again as a child running `cmd`.
Child startChild(const std::string& cmd) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE hInRead, hInWrite, hOutRead, hOutWrite;
  if (!CreatePipe(&hInRead, &hInWrite, &sa, 0) || !CreatePipe(&hOutRead, &hOutWrite, &sa, 0)) std::abort();
  SetHandleInformation(hInWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(hOutRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = hInRead;
  si.hStdOutput = hOutWrite;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  char szSelf[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, szSelf, sizeof szSelf);
  if (n == 0 || n > MAX_PATH) std::abort();
  std::string line = std::string("\"") + szSelf + "\"";
  tavo_test::setEnv("TAVO_SHM_CHILD", cmd.c_str());
  PROCESS_INFORMATION pi;
  BOOL bMade = CreateProcessA(szSelf, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  tavo_test::setEnv("TAVO_SHM_CHILD", nullptr);
  CloseHandle(hInRead);
  CloseHandle(hOutWrite);
  if (!bMade) std::abort();
  CloseHandle(pi.hThread);
  Child c;
  c.hProcess = pi.hProcess;
  c.nToChild = _open_osfhandle(reinterpret_cast<intptr_t>(hInWrite), 0);
  c.nFromChild = _open_osfhandle(reinterpret_cast<intptr_t>(hOutRead), _O_RDONLY);
  return c;
}

void killChild(Child& c) {
  TerminateProcess(c.hProcess, 137);
  c.bKilled = true;
}

// The child's exit status, -1 when it was killed; a child still running
// after 60 s is killed.
int finish(Child& c) {
  if (c.nToChild >= 0) close(c.nToChild);
  if (c.nFromChild >= 0) close(c.nFromChild);
  c.nToChild = c.nFromChild = -1;
  if (WaitForSingleObject(c.hProcess, 60000) != WAIT_OBJECT_0) {
    killChild(c);
    WaitForSingleObject(c.hProcess, INFINITE);
  }
  DWORD nCode = 0;
  GetExitCodeProcess(c.hProcess, &nCode);
  CloseHandle(c.hProcess);
  return c.bKilled ? -1 : static_cast<int>(nCode);
}
#else
struct Child {
  pid_t pid = -1;
  int nToChild = -1;    // the child's stdin ("hold")
  int nFromChild = -1;  // the child's stdout ("hold")
};

// Starts this test program again as a child running `cmd`.
Child startChild(const std::string& cmd) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "TAVO_SHM_CHILD=", 15) != 0) env.emplace_back(*e);
  }
  env.push_back("TAVO_SHM_CHILD=" + cmd);
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(&s[0]);
  envp.push_back(nullptr);
  char szSelf[] = "/proc/self/exe";
  char* argv[] = {szSelf, nullptr};

  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) std::abort();
  Child c;
  c.pid = fork();
  if (c.pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    execve(szSelf, argv, envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  c.nToChild = in[1];
  c.nFromChild = out[0];
  return c;
}

// The child's exit status, -1 when it did not exit normally; a child still
// running after 60 s is killed.
int finish(Child& c) {
  if (c.nToChild >= 0) close(c.nToChild);
  if (c.nFromChild >= 0) close(c.nFromChild);
  c.nToChild = c.nFromChild = -1;
  for (int i = 0; i < 6000; ++i) {
    int st = 0;
    pid_t r = waitpid(c.pid, &st, WNOHANG);
    if (r == c.pid) return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (r < 0) return -1;
    struct timespec ts = {0, 10 * 1000 * 1000};
    nanosleep(&ts, nullptr);
  }
  kill(c.pid, SIGKILL);
  waitpid(c.pid, nullptr, 0);
  return -1;
}

void killChild(Child& c) { kill(c.pid, SIGKILL); }
#endif  // TAVO_TEST_WINDOWS

int runChildToEnd(const std::string& cmd) {
  Child c = startChild(cmd);
  return finish(c);
}

// A name no other test process uses.
std::string uniqueName(const char* pTag) {
  static int nSeq = 0;
  return std::string("tcshmtest") + pTag + std::to_string(getpid()) + "x" + std::to_string(++nSeq);
}

#if TAVO_TEST_WINDOWS
// Whether a mapping of that name exists (opened and closed again at once).
bool shmEntryExists(const std::string& name) {
  HANDLE h = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
  if (h == nullptr) return false;
  CloseHandle(h);
  return true;
}

// The length of the view that starts at `p`.
std::size_t mappingLength(const void* p) {
  MEMORY_BASIC_INFORMATION mbi;
  if (VirtualQuery(p, &mbi, sizeof mbi) == 0 || mbi.BaseAddress != p) return 0;
  return mbi.RegionSize;
}

std::size_t pageSize() {
  SYSTEM_INFO si;
  GetSystemInfo(&si);
  return si.dwPageSize;
}
#else
// Whether any entry of the system's shared-memory directory contains `token`.
bool shmEntryExists(const std::string& token) {
  DIR* d = opendir("/dev/shm");
  if (d == nullptr) return false;
  bool bFound = false;
  while (const dirent* e = readdir(d)) bFound = bFound || std::strstr(e->d_name, token.c_str()) != nullptr;
  closedir(d);
  return bFound;
}

// The length of the mapping that starts at `p`, from /proc/self/maps; 0
// when no mapping starts there.
std::size_t mappingLength(const void* p) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    unsigned long long nStart = 0, nEnd = 0;
    if (std::sscanf(line.c_str(), "%llx-%llx", &nStart, &nEnd) == 2 &&
        nStart == reinterpret_cast<std::uintptr_t>(p)) {
      return static_cast<std::size_t>(nEnd - nStart);
    }
  }
  return 0;
}

std::size_t pageSize() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }
#endif

#if !TAVO_TEST_WINDOWS
// An object destroyed without Drop keeps its block until the process ends,
// and a holder that ended leaves its block's name behind (the next Create
// of the name makes a new block): the names this test process made are
// removed when it ends, so that no run leaves blocks in /dev/shm.  Child
// processes run with other process ids and leave the names alone.
struct RemoveOwnNames {
  ~RemoveOwnNames() {
    const std::string mine = std::to_string(getpid()) + "x";
    DIR* d = opendir("/dev/shm");
    if (d == nullptr) return;
    std::vector<std::string> names;
    while (const dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n.rfind("tavo.", 0) == 0 && n.find("tcshmtest") != std::string::npos &&
          n.find(mine) != std::string::npos)
        names.push_back(n);
    }
    closedir(d);
    for (const std::string& n : names) unlink(("/dev/shm/" + n).c_str());
  }
} gRemoveOwnNames;
#endif

bool allZero(const void* p, std::size_t n) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (std::size_t i = 0; i < n; ++i) {
    if (b[i] != 0) return false;
  }
  return true;
}

// ---- One process -------------------------------------------------------------

TEST(tCShmCreate, TwoObjectsJoinOneZeroFilledBlock) {
  std::string name = uniqueName("two");
  tCShm a, b;
  EXPECT_EQ(a.m_nShmID, 0);
  ASSERT_EQ(a.Create(name.c_str(), 0, 8192), 1);
  EXPECT_NE(a.m_nShmID, 0);
  EXPECT_STREQ(a.m_szIPCName, name.c_str());
  ASSERT_EQ(b.Create(name.c_str(), 0, 8192), 1);
  EXPECT_NE(b.m_nShmID, 0);

  char* pa = static_cast<char*>(a.Shmat(nullptr, 0));
  char* pb = static_cast<char*>(b.Shmat(nullptr, 0));
  ASSERT_NE(pa, nullptr);
  ASSERT_NE(pb, nullptr);
  EXPECT_NE(pa, pb);
  EXPECT_TRUE(allZero(pa, 8192));
  std::strcpy(pa + 8000, "through a");
  EXPECT_STREQ(pb + 8000, "through a");
  pb[0] = 'b';
  EXPECT_EQ(pa[0], 'b');
  // A second view of the same object maps the same bytes at a new address.
  char* pa2 = static_cast<char*>(a.Shmat(nullptr, 0));
  ASSERT_NE(pa2, nullptr);
  EXPECT_NE(pa2, pa);
  EXPECT_EQ(pa2[0], 'b');
}

TEST(tCShmCreate, JoiningKeepsTheExistingSize) {
  std::string name = uniqueName("size");
  const std::size_t nPage = pageSize();
  tCShm small, large;
  ASSERT_EQ(small.Create(name.c_str(), 0, static_cast<int>(nPage)), 1);
  ASSERT_EQ(large.Create(name.c_str(), 0, static_cast<int>(16 * nPage)), 1);
  void* p = large.Shmat(nullptr, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(mappingLength(p), nPage);
  // Creating again on the same object with the same name keeps the block.
  static_cast<char*>(p)[1] = 'k';
  ASSERT_EQ(small.Drop(), 1);
  ASSERT_EQ(large.Create(name.c_str(), 0, 64), 1);
  char* q = static_cast<char*>(large.Shmat(nullptr, 0));
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q[1], 'k');
}

TEST(tCShmCreate, NamesOfAnyBytesUpTo49) {
  const std::string base = uniqueName("n");
  // Escapes must keep distinct names distinct: "%41" is not "A", "/" is
  // not "%2F", upper case is not lower case.
  const std::vector<std::string> names = {
      base + "A",
      base + "%41",
      base + "a",
      base + "/",
      base + "%2F",
      // '\' separates the system's namespaces on Windows.
      TAVO_TEST_WINDOWS ? "Local\\" + base : base + "\\",
      base + " x y",
      base + "\x01",
      base + "\xFF",
      base + "..",
      base + "/../etc",
      base + ";rm",
      base + "\t",
      "/" + base,
      base + "$(x)",
  };
  std::vector<tCShm> objs(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    ASSERT_EQ(objs[i].Create(names[i].c_str(), 0, 64), 1);
    char* p = static_cast<char*>(objs[i].Shmat(nullptr, 0));
    ASSERT_NE(p, nullptr);
    p[0] = static_cast<char>('a' + i);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    tCShm o;
    ASSERT_EQ(o.Create(names[i].c_str(), 0, 64), 1);
    char* p = static_cast<char*>(o.Shmat(nullptr, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], static_cast<char>('a' + i));
  }

  std::string n49(49, 'q');
  n49.replace(0, base.size(), base);
  std::string n50 = n49 + "z";
  tCShm o;
  EXPECT_EQ(o.Create(n49.c_str(), 0, 64), 1);
  EXPECT_STREQ(o.m_szIPCName, n49.c_str());
  EXPECT_EQ(o.Create(n50.c_str(), 0, 64), 0);
  EXPECT_EQ(o.m_nShmID, 0);  // the refused Create let go of the earlier handle
  EXPECT_STREQ(o.m_szIPCName, n49.c_str());
  EXPECT_EQ(o.Create("", 0, 64), 0);
  EXPECT_EQ(o.m_nShmID, 0);
  std::string n300(300, '/');
  EXPECT_EQ(o.Create(n300.c_str(), 0, 64), 0);
}

TEST(tCShmCreate, SizesZeroNegativeAndOneGiB) {
  std::string name = uniqueName("sz");
  tCShm o;
  EXPECT_EQ(o.Create(name.c_str(), 0, 0), 0);  // nothing to join, nothing made
  EXPECT_EQ(o.m_nShmID, 0);
  EXPECT_EQ(o.Create(name.c_str(), 0, -1), 0);
  EXPECT_FALSE(shmEntryExists(name));

  tCShm holder, joiner;
  ASSERT_EQ(holder.Create(name.c_str(), 0, 100), 1);
  EXPECT_EQ(joiner.Create(name.c_str(), 0, 0), 1);  // a join needs no size
  EXPECT_EQ(joiner.Create(name.c_str(), 0, -5), 1);
  char* p = static_cast<char*>(joiner.Shmat(nullptr, 0));
  ASSERT_NE(p, nullptr);
  p[99] = 'z';
  EXPECT_EQ(static_cast<char*>(holder.Shmat(nullptr, 0))[99], 'z');

  // A 32-bit Windows process seldom has 1 GiB of free address space in one
  // piece for the view: 256 MiB there.
  const int nBig = TAVO_TEST_WINDOWS && sizeof(void*) == 4 ? 1 << 28 : 1 << 30;
  std::string big = uniqueName("gib");
  tCShm g;
  ASSERT_EQ(g.Create(big.c_str(), 0, nBig), 1);
  char* pg = static_cast<char*>(g.Shmat(nullptr, 0));
  ASSERT_NE(pg, nullptr);
  EXPECT_EQ(mappingLength(pg), static_cast<std::size_t>(nBig));
  EXPECT_EQ(pg[nBig - 1], 0);
  pg[0] = 1;
  pg[nBig - 1] = 2;
  EXPECT_EQ(pg[nBig - 1], 2);
}

TEST(tCShmDrop, DropTwiceAndViewsOutliveTheHandle) {
  std::string name = uniqueName("drop");
  tCShm idle;
  EXPECT_EQ(idle.Drop(), 1);
  EXPECT_EQ(idle.Drop(), 1);
  EXPECT_EQ(idle.m_nShmID, 0);

  tCShm a, keep;
  ASSERT_EQ(keep.Create(name.c_str(), 0, 64), 1);
  ASSERT_EQ(a.Create(name.c_str(), 0, 64), 1);
  char* p = static_cast<char*>(a.Shmat(nullptr, 0));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(a.Drop(), 1);
  EXPECT_EQ(a.m_nShmID, 0);
  EXPECT_EQ(a.Drop(), 1);
  std::strcpy(p, "after drop");
  EXPECT_STREQ(static_cast<char*>(keep.Shmat(nullptr, 0)), "after drop");
}

TEST(tCShmDrop, Preconditions) {
  std::string name = uniqueName("pre");
  tCShm o;
  ASSERT_EQ(o.Create(name.c_str(), 0, 64), 1);
  EXPECT_NE(o.Shmat(nullptr, 0), nullptr);  // positive control
  o.Drop();
  EXPECT_DEATH(o.Shmat(nullptr, 0), "Assertion failed: m_nShmID != 0, file tCShm/tCShm\\.cpp");
  tCShm never;
  EXPECT_DEATH(never.Shmat(nullptr, 0), "m_nShmID != 0");
  EXPECT_DEATH(o.Create(nullptr, 0, 64), "Assertion failed: pIPCName, file tCShm/tCShm\\.cpp");
}

TEST(tCShmLifetime, LastHolderRemovesTheName) {
  std::string name = uniqueName("life");
  {
    tCShm a, b;
    ASSERT_EQ(a.Create(name.c_str(), 0, 64), 1);
    ASSERT_EQ(b.Create(name.c_str(), 0, 64), 1);
    static_cast<char*>(a.Shmat(nullptr, 0))[0] = 'x';
    EXPECT_TRUE(shmEntryExists(name));
    a.Drop();
    EXPECT_TRUE(shmEntryExists(name));  // b still holds it
    b.Drop();                           // the last holder
  }
  EXPECT_FALSE(shmEntryExists(name));
  tCShm c;
  ASSERT_EQ(c.Create(name.c_str(), 0, 64), 1);
  EXPECT_EQ(static_cast<char*>(c.Shmat(nullptr, 0))[0], 0);  // a new block
  c.Drop();
  EXPECT_FALSE(shmEntryExists(name));
}

TEST(tCShmLifetime, CopiesShareOneHandle) {
  std::string name = uniqueName("copy");
  std::string other = uniqueName("copy2");
  tCShm* pSrc = new tCShm;
  ASSERT_EQ(pSrc->Create(name.c_str(), 0, 64), 1);
  static_cast<char*>(pSrc->Shmat(nullptr, 0))[0] = 'c';
  tCShm copy(*pSrc);
  EXPECT_EQ(copy.m_nShmID, pSrc->m_nShmID);
  EXPECT_STREQ(copy.m_szIPCName, name.c_str());
  pSrc->Drop();  // the copy still holds the handle
  delete pSrc;
  ASSERT_NE(copy.m_nShmID, 0);
  char* p = static_cast<char*>(copy.Shmat(nullptr, 0));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[0], 'c');
  EXPECT_TRUE(shmEntryExists(name));

  tCShm assigned;
  ASSERT_EQ(assigned.Create(other.c_str(), 0, 64), 1);
  assigned = copy;  // lets go of `other`, of which it was the only holder
  EXPECT_FALSE(shmEntryExists(other));
  EXPECT_EQ(assigned.m_nShmID, copy.m_nShmID);
  assigned = assigned;
  assigned = copy;
  copy.Drop();
  EXPECT_TRUE(shmEntryExists(name));
  EXPECT_EQ(static_cast<char*>(assigned.Shmat(nullptr, 0))[0], 'c');
  assigned.Drop();
  EXPECT_FALSE(shmEntryExists(name));
  tCShm empty;
  assigned = empty;
  EXPECT_EQ(assigned.m_nShmID, 0);
}

// A function that makes and fills a block in a local object and returns.
int makeAndFill(const std::string& name, std::uint32_t v) {
  tCShm o;
  if (o.Create(name.c_str(), 0, 4096) != 1) return 0;
  void* p = o.Shmat(nullptr, 0);
  if (p == nullptr) return 0;
  store32(p, v);
  return o.m_nShmID;
}  // destroyed without Drop: the block stays for others to join

TEST(tCShmLifetime, DestroyingAnObjectKeepsItsBlock) {
  std::string name = uniqueName("keep");
  const int nId = makeAndFill(name, 77);
  ASSERT_NE(nId, 0);
  EXPECT_TRUE(shmEntryExists(name));
  tCShm joined;
  ASSERT_EQ(joined.Create(name.c_str(), 0, 4096), 1);
  EXPECT_EQ(load32(joined.Shmat(nullptr, 0)), 77u);  // the same block, not a new one
  joined.Drop();
  // The destroyed object's handle is still held, so the block lives on.
  EXPECT_TRUE(shmEntryExists(name));
  ASSERT_EQ(runChildToEnd("inc " + name), 0);  // another process joins it too
  tCShm again;
  ASSERT_EQ(again.Create(name.c_str(), 0, 4096), 1);
  EXPECT_EQ(load32(again.Shmat(nullptr, 0)), 78u);
  again.Drop();
}

// ---- Other users, busy names and full disks (POSIX) -------------------------------

#if !TAVO_TEST_WINDOWS
// Where the block of a plain name (letters and digits) lives.
std::string objectPath(const std::string& name) { return "/dev/shm/tavo." + name; }

// Runs `fn` in a forked child and gives its exit status (-1 when it did not
// exit normally).
template <class Fn>
int inChild(Fn fn) {
  const pid_t pid = fork();
  if (pid == 0) _exit(fn());
  int st = 0;
  if (pid < 0 || waitpid(pid, &st, 0) != pid || !WIFEXITED(st)) return -1;
  return WEXITSTATUS(st);
}
#endif

TEST(tCShmPrivacy, BlocksAreTheUsersOwnAndOthersAreNotJoined) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: a session's named mappings are its own on Windows";
#else
  // A block made here is readable and writable by its owner only.
  std::string own = uniqueName("own");
  tCShm o;
  ASSERT_EQ(o.Create(own.c_str(), 0, 4096), 1);
  struct stat st;
  ASSERT_EQ(stat(objectPath(own).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_uid, geteuid());
  o.Drop();

  // One of this user's own that others may read is not joined.
  std::string open = uniqueName("open");
  const int fd = ::open(objectPath(open).c_str(), O_CREAT | O_EXCL | O_RDWR, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fchmod(fd, 0644), 0);
  ASSERT_EQ(ftruncate(fd, 4096), 0);
  close(fd);
  tCShm j;
  EXPECT_EQ(j.Create(open.c_str(), 0, 4096), 0);
  EXPECT_EQ(j.m_nShmID, 0);
  unlink(objectPath(open).c_str());

  // One planted by another user first is not joined: nothing written
  // after a successful Create could reach that user.
  if (geteuid() != 0) GTEST_SKIP() << "the other-user case needs root to act as another user";
  std::string planted = uniqueName("plant");
  const std::string path = objectPath(planted);
  ASSERT_EQ(inChild([&] {
              if (setgid(65534) != 0 || setuid(65534) != 0) return 2;
              umask(0);
              const int f = ::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR, 0666);
              if (f < 0 || ftruncate(f, 4096) != 0) return 3;
              close(f);
              return 0;
            }),
            0);
  tCShm victim;
  EXPECT_EQ(victim.Create(planted.c_str(), 0, 4096), 0);
  EXPECT_EQ(victim.m_nShmID, 0);
  unlink(path.c_str());
#endif
}

TEST(tCShmCreate, ANameKeptBusyByAnotherProcessMakesCreateFailInTime) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: the name's guard lock";
#else
  std::string name = uniqueName("busy");
  tCShm holder;
  ASSERT_EQ(holder.Create(name.c_str(), 0, 4096), 1);
  // Another process takes the guard (byte 1 of the object) and keeps it,
  // as one stopped inside its own Create would.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  ASSERT_NE(pid, -1);
  if (pid == 0) {
    const int f = ::open(objectPath(name).c_str(), O_RDWR);
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 1;
    fl.l_len = 1;
    if (f < 0 || fcntl(f, F_OFD_SETLKW, &fl) != 0) _exit(2);
    (void)!write(fds[1], "x", 1);
    sleep(60);
    _exit(0);
  }
  close(fds[1]);
  char c;
  ASSERT_EQ(read(fds[0], &c, 1), 1);
  close(fds[0]);
  const auto t0 = std::chrono::steady_clock::now();
  tCShm joiner;
  EXPECT_EQ(joiner.Create(name.c_str(), 0, 4096), 0);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GE(secs, 3.0);
  EXPECT_LT(secs, 20.0);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  // With the guard free again, joining works.
  EXPECT_EQ(joiner.Create(name.c_str(), 0, 4096), 1);
  joiner.Drop();
  holder.Drop();
#endif
}

TEST(tCShmCreate, ABlockTheSystemCannotBackIsRefusedAndLeavesNothing) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: a small /dev/shm";
#else
  // In a mount namespace of its own, a child puts a 1 MiB tmpfs on
  // /dev/shm (Docker's is 64 MiB) and asks for 16 MiB.
  std::string name = uniqueName("full");
  const int r = inChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tavo-small", "/dev/shm", "tmpfs", 0, "size=1m") != 0)
      return 77;
    tCShm o;
    if (o.Create(name.c_str(), 0, 16 << 20) != 0) return 3;  // no SIGBUS later: refused now
    if (o.m_nShmID != 0) return 4;
    if (shmEntryExists(name)) return 5;                  // nothing left behind
    if (o.Create(name.c_str(), 0, 4096) != 1) return 6;  // what fits is made
    static_cast<char*>(o.Shmat(nullptr, 0))[4095] = 1;
    o.Drop();
    return 0;
  });
  if (r == 77) GTEST_SKIP() << "cannot mount a tmpfs of its own here (needs root)";
  EXPECT_EQ(r, 0);
#endif
}

// ---- Across processes ---------------------------------------------------------

TEST(tCShmProcess, ChildIncrementsACounter) {
  std::string name = uniqueName("inc");
  tCShm o;
  ASSERT_EQ(o.Create(name.c_str(), 0, 4096), 1);
  void* p = o.Shmat(nullptr, 0);
  ASSERT_NE(p, nullptr);
  store32(p, 41);
  ASSERT_EQ(runChildToEnd("inc " + name), 0);
  EXPECT_EQ(load32(p), 42u);
  ASSERT_EQ(runChildToEnd("inc " + name), 0);
  EXPECT_EQ(load32(p), 43u);
  // A child that ends without Drop while the parent holds the block.
  ASSERT_EQ(runChildToEnd("abandon " + name + " 7"), 0);
  EXPECT_EQ(load32(p), 7u);
  tCShm again;
  ASSERT_EQ(again.Create(name.c_str(), 0, 4096), 1);
  EXPECT_EQ(load32(again.Shmat(nullptr, 0)), 7u);  // still the live block
}

// A child made with fork() alone shares its parent's objects; letting go of
// them on either side must not take the block's name from the other side.
TEST(tCShmProcess, ForkedChildAndParentEachHoldTheBlock) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: Windows has no fork()";
#else
  std::string name = uniqueName("fork");
  tCShm o;
  ASSERT_EQ(o.Create(name.c_str(), 0, 4096), 1);
  void* p = o.Shmat(nullptr, 0);
  ASSERT_NE(p, nullptr);
  store32(p, 5);

  // The child drops its copy and ends; the parent still holds the block.
  pid_t pid = fork();
  ASSERT_NE(pid, -1);
  if (pid == 0) {
    o.Drop();
    _exit(0);
  }
  int st = 0;
  ASSERT_EQ(waitpid(pid, &st, 0), pid);
  tCShm joined;
  ASSERT_EQ(joined.Create(name.c_str(), 0, 4096), 1);
  EXPECT_EQ(load32(joined.Shmat(nullptr, 0)), 5u);  // the same live block
  joined.Drop();

  // The parent drops while the child still holds it: the name stays.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid = fork();
  ASSERT_NE(pid, -1);
  if (pid == 0) {
    close(fds[1]);
    char c;
    (void)!read(fds[0], &c, 1);  // holds until the parent closes the pipe
    _exit(0);
  }
  close(fds[0]);
  o.Drop();
  tCShm again;
  ASSERT_EQ(again.Create(name.c_str(), 0, 4096), 1);
  EXPECT_EQ(load32(again.Shmat(nullptr, 0)), 5u);  // joined the child's block
  close(fds[1]);
  ASSERT_EQ(waitpid(pid, &st, 0), pid);
#endif
}

TEST(tCShmProcess, BlockAbandonedByAnExitedChildIsNotJoined) {
  std::string name = uniqueName("aband");
  ASSERT_EQ(runChildToEnd("abandon " + name + " 99"), 0);
  tCShm o;
  ASSERT_EQ(o.Create(name.c_str(), 0, 4096), 1);
  void* p = o.Shmat(nullptr, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(allZero(p, 4096));
  o.Drop();
  EXPECT_FALSE(shmEntryExists(name));  // nothing of the abandoned block is left
}

TEST(tCShmProcess, BlockOfAKilledChildIsNotJoinedAndOldViewsLive) {
  std::string name = uniqueName("kill");
  tCShm o;
  ASSERT_EQ(o.Create(name.c_str(), 0, 4096), 1);
  void* pOld = o.Shmat(nullptr, 0);
  ASSERT_NE(pOld, nullptr);
  Child c = startChild("hold " + name + " 5");
  char ready = 0;
  ASSERT_EQ(read(c.nFromChild, &ready, 1), 1);  // the child holds the block
  ASSERT_EQ(load32(pOld), 5u);
  o.Drop();  // the child is the only holder now
  killChild(c);
  EXPECT_EQ(finish(c), -1);

  tCShm n;
  ASSERT_EQ(n.Create(name.c_str(), 0, 4096), 1);
  void* pNew = n.Shmat(nullptr, 0);
  ASSERT_NE(pNew, nullptr);
  EXPECT_TRUE(allZero(pNew, 4096));
  store32(pNew, 1);
  EXPECT_EQ(load32(pOld), 5u);  // the old view keeps the old memory
  store32(pOld, 6);
  EXPECT_EQ(load32(pNew), 1u);
}

// Processes creating, joining and dropping one name at the same time: while
// the parent holds the block every one of them joins it (no increment is
// lost to a block of its own); once nobody holds it, racing last drops
// still remove its name.
TEST(tCShmProcess, ConcurrentJoinsAndDrops) {
  const int kChildren = 4;
  const int kRounds = 200;
  for (bool bParentHolds : {true, false}) {
    SCOPED_TRACE(bParentHolds ? "parent holds the block" : "nobody else holds it");
    std::string name = uniqueName("race");
    tCShm o;
    void* p = nullptr;
    if (bParentHolds) {
      ASSERT_EQ(o.Create(name.c_str(), 0, 4096), 1);
      p = o.Shmat(nullptr, 0);
      ASSERT_NE(p, nullptr);
    }
    std::vector<Child> kids;
    for (int i = 0; i < kChildren; ++i)
      kids.push_back(startChild("loop " + name + " " + std::to_string(kRounds)));
    for (Child& c : kids) EXPECT_EQ(finish(c), 0);
    if (bParentHolds) {
      EXPECT_EQ(load32(p), static_cast<std::uint32_t>(kChildren * kRounds));
      o.Drop();
    }
    EXPECT_FALSE(shmEntryExists(name));
  }
}

}  // namespace
