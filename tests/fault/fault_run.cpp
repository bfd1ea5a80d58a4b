// Fault-injection runs: each scenario uses one family of the library the
// way a program does, checking every result as it goes.  Built only with
// the fault-injection seam (TAVO_FAULT_INJECTION=ON, under AddressSanitizer
// with leak checking), where the N-th call the library makes into the
// system can be made to fail (tests/fault/syscall_wrappers.cpp).
//
//   fault_run run SCENARIO       one run, the fault chosen by the
//                                environment (TAVO_FAULT_*); exit 0 when
//                                every check held
//   fault_run drive SCENARIO...  counts the calls of a clean run of each
//                                scenario, then runs it once per call with
//                                that call failing, each run a process of
//                                its own bounded in time, and reports
//
// What a run must show, whatever call fails:
//   - every operation's result is either a failure or a success with the
//     right data (never a success with wrong or missing data);
//   - no crash, no assertion, no sanitizer report, no leaked memory (the
//     sanitizer's leak check at exit), no descriptor left open, no hang;
//   - the objects involved can be closed and destroyed, and the operation,
//     tried again on the same object where the interface allows it (a new
//     one otherwise), succeeds: a failure leaves nothing wedged.
// Every scenario is single-threaded, so that the calls come in the same
// order in every run.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <time.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "common/common.h"
#include "database/tCMysql.h"
#include "tCFile/tCFile.h"
#include "tCFileConf/tCFileConf.h"
#include "tCFileIni/tCFileIni.h"
#include "tCShm/tCShm.h"
#include "tCTcp/tCTcp.h"
#include "tCUdp/tCUdp.h"

extern char** environ;

namespace {

// ---- Checks -------------------------------------------------------------

// Exit status of a run in which a result was wrong.
constexpr int kWrongResult = 3;

[[noreturn]] void wrong(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  fprintf(stderr, "WRONG: ");
  vfprintf(stderr, fmt, ap);
  fprintf(stderr, "\n");
  va_end(ap);
  fflush(stderr);
  _exit(kWrongResult);
}

#define TAVO_EXPECT(cond, ...)       \
  do {                               \
    if (!(cond)) wrong(__VA_ARGS__); \
  } while (0)

// Runs `step` once; when it reports a failure (the fault, in a run that
// injects one), runs it again, which must succeed.  `step` returns true on
// success and checks its own data.
template <class Step>
void twice(const char* what, Step step) {
  if (step()) return;
  TAVO_EXPECT(step(), "%s failed again on a second try", what);
}

int countOpenFds() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  while (readdir(d) != nullptr) ++n;
  closedir(d);
  return n;
}

std::string scratchDir() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = std::string(base != nullptr && *base ? base : "/tmp") + "/tavo-fault-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) {
    perror("mkdtemp");
    exit(2);
  }
  return buf.data();
}

void removeTree(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  while (dirent* e = readdir(d)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    std::string p = dir + "/" + e->d_name;
    struct stat st;
    if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      removeTree(p);
    else
      unlink(p.c_str());
  }
  closedir(d);
  rmdir(dir.c_str());
}

// The whole content of `path` read with plain stdio (not through the
// library), or "<missing>".
std::string slurp(const std::string& path) {
  FILE* fp = fopen(path.c_str(), "rb");
  if (fp == nullptr) return "<missing>";
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, fp)) > 0) s.append(buf, n);
  fclose(fp);
  return s;
}

void spit(const std::string& path, const std::string& text) {
  FILE* fp = fopen(path.c_str(), "wb");
  if (fp == nullptr || fwrite(text.data(), 1, text.size(), fp) != text.size() || fclose(fp) != 0) {
    perror(path.c_str());
    exit(2);
  }
}

int vectorLength(char** v) {
  int n = 0;
  while (v != nullptr && v[n] != nullptr) ++n;
  return n;
}

// The lines of the fixture file: "line 1" .. "line 300".
constexpr int kLines = 300;
// Lines written one Write at a time.
constexpr int kShortLines = 20;
std::string numberedLines() {
  std::string s;
  for (int i = 1; i <= kLines; ++i) s += "line " + std::to_string(i) + "\n";
  return s;
}

// True when `v` holds exactly the first `n` numbered lines.
bool holdsLines(char** v, int n) {
  if (vectorLength(v) != n) return false;
  for (int i = 0; i < n; ++i)
    if (std::string(v[i]) != "line " + std::to_string(i + 1)) return false;
  return true;
}

// ---- Scenarios ------------------------------------------------------------

void scenarioFile(const std::string& dir) {
  const std::string path = dir + "/lines.txt";
  const std::string text = numberedLines();

  // Whole-file writing: a success means every byte is there.
  twice("write_file", [&] {
    unlink(path.c_str());
    if (write_file(path.c_str(), "%s", text.c_str()) != 1) return false;
    TAVO_EXPECT(slurp(path) == text, "write_file gave 1 but the file differs");
    return true;
  });
  twice("tCFile::Write (static)", [&] {
    std::string p2 = dir + "/static.txt";
    if (tCFile::Write(p2.c_str(), "wb", "%s", text.c_str()) != 1) return false;
    TAVO_EXPECT(slurp(p2) == text, "tCFile::Write gave 1 but the file differs");
    return true;
  });
  twice("write2file", [&] {
    std::string p3 = dir + "/bytes.bin";
    unlink(p3.c_str());
    if (write2file(p3.c_str(), "a\0b", 3) != 1) return false;
    TAVO_EXPECT(slurp(p3) == std::string("a\0b", 3), "write2file gave 1 but the file differs");
    return true;
  });

  // Whole-file reading.
  twice("tCFile::GetLines (static)", [&] {
    int n = tCFile::GetLines(path.c_str());
    TAVO_EXPECT(n == kLines || n == -1, "GetLines gave %d", n);
    return n == kLines;
  });
  twice("tCFile::ReadLines (static)", [&] {
    char** v = tCFile::ReadLines(path.c_str());
    bool ok = v != nullptr;
    TAVO_EXPECT(!ok || holdsLines(v, kLines), "ReadLines gave %d lines, or wrong ones", vectorLength(v));
    strfreev(v);
    return ok;
  });
  twice("read_file_lines", [&] {
    char** v = read_file_lines(path.c_str(), 10);
    bool ok = v != nullptr;
    TAVO_EXPECT(!ok || holdsLines(v, 10), "read_file_lines gave %d lines, or wrong ones", vectorLength(v));
    strfreev(v);
    return ok;
  });
  twice("tCFile::GetLength (static)", [&] {
    int n = tCFile::GetLength(path.c_str());
    TAVO_EXPECT(n == static_cast<int>(text.size()) || n == -1, "GetLength gave %d", n);
    return n != -1;
  });

  // An object: opened, read, queried and closed; opened again after a
  // failed open.
  {
    tCFile f;
    twice("tCFile::Open", [&] { return f.Open(path.c_str(), "rb") == 1; });
    twice("tCFile::GetLines", [&] {
      int n = f.GetLines();
      TAVO_EXPECT(n == kLines || n == -1, "GetLines gave %d", n);
      return n == kLines;
    });
    twice("tCFile::ReadLines", [&] {
      char** v = f.ReadLines();
      bool ok = v != nullptr;
      TAVO_EXPECT(!ok || holdsLines(v, kLines), "ReadLines gave %d lines, or wrong ones", vectorLength(v));
      strfreev(v);
      return ok;
    });
    twice("tCFile::Read", [&] {
      char buf[16];
      int n = f.Read(buf, 9, 7);  // "line 2\nl"
      TAVO_EXPECT(n == 9 || n == -1, "Read gave %d", n);
      TAVO_EXPECT(n != 9 || memcmp(buf, "line 2\nli", 9) == 0, "Read gave the wrong bytes");
      return n == 9;
    });
    twice("tCFile::GetStatus", [&] {
      struct stat st;
      if (f.GetStatus(&st) != 1) return false;
      TAVO_EXPECT(st.st_size == static_cast<off_t>(text.size()), "GetStatus gave a size of %lld",
                  static_cast<long long>(st.st_size));
      return true;
    });
    twice("tCFile::GetFilePath", [&] {
      tCString o;
      if (f.GetFilePath(o) != 1) return false;
      char* real = realpath(path.c_str(), nullptr);
      TAVO_EXPECT(std::string(static_cast<const char*>(o)) == real, "GetFilePath gave %s",
                  static_cast<const char*>(o));
      free(real);
      return true;
    });
    tCFile copy(f);
    copy.Close();
    f.Close();
  }

  // Writing through an object: a close that reports success means every
  // written byte reached the file.
  twice("tCFile write and close", [&] {
    std::string p4 = dir + "/written.txt";
    tCFile w;
    if (w.Open(p4.c_str(), "wb") != 1) return false;
    bool ok = true;
    for (int i = 1; i <= kShortLines && ok; ++i) ok = w.Write("line %d\n", i) == 1;
    int nClosed = w.Close();
    if (!ok || nClosed != 1) return false;
    TAVO_EXPECT(slurp(p4) == text.substr(0, text.find("line " + std::to_string(kShortLines + 1))),
                "writes and Close gave 1 but the file differs");
    return true;
  });

  // Renaming.
  twice("addsuffix", [&] {
    std::string p5 = dir + "/moved";
    spit(p5, "x");
    char name[256];
    snprintf(name, sizeof name, "%s", p5.c_str());
    if (addsuffix(name, "bak") != 1) {
      TAVO_EXPECT(slurp(p5) == "x" && slurp(p5 + ".bak") == "<missing>", "a failed addsuffix moved the file");
      unlink(p5.c_str());
      return false;
    }
    TAVO_EXPECT(slurp(p5) == "<missing>" && slurp(p5 + ".bak") == "x", "addsuffix gave 1 but did not rename");
    unlink((p5 + ".bak").c_str());
    return true;
  });
}

const char kIni[] =
    "# fixture\n"
    "[db]\n"
    "HostName=127.0.0.1\n"
    "UserName=tavo\n"
    "PassWord=secret\n"
    "DbName=test\n"
    "[debug]\n"
    "is_debug=1\n"
    "debug_level=3\n"
    "log_file=/tmp/x.log\n";

void scenarioIni(const std::string& dir) {
  const std::string path = dir + "/a.ini";
  spit(path, kIni);
  tCFileIni ini;
  twice("tCFileIni::Open", [&] { return ini.Open(path.c_str(), "rb") == 1; });
  // An open that succeeded has every key of the file.
  char value[64];
  TAVO_EXPECT(ini.GetString("db", "UserName", value, sizeof value) == 1 && strcmp(value, "tavo") == 0,
              "UserName not read after a successful Open");
  int n = 0;
  TAVO_EXPECT(ini.GetInteger("debug", "debug_level", &n) == 1 && n == 3, "debug_level not read");
  tCString o;
  TAVO_EXPECT(ini.GetValue("db", "DbName", o) == 1 && strcmp(o, "test") == 0, "DbName not read");
  tCFileIni copy(ini);
  ini.Close();
  TAVO_EXPECT(copy.GetString("db", "HostName", value, sizeof value) == 1 && strcmp(value, "127.0.0.1") == 0,
              "a copy lost its table");
  copy.Close();

  const std::string conf = dir + "/a.conf";
  spit(conf, "alpha=1\nbeta=two\n# note\ngamma=3\n");
  tCFileConf c;
  twice("tCFileConf::Open", [&] { return c.Open(conf.c_str(), "rb") == 1; });
  TAVO_EXPECT(c.GetValue("beta", o) == 1 && strcmp(o, "two") == 0, "beta not read after a successful Open");
  TAVO_EXPECT(c.GetValue(2, o) == 1 && strcmp(o, "3") == 0, "row 2 not read");
  c.Close();
}

void scenarioSettings(const std::string& dir) {
  const std::string path = dir + "/login.ini";
  spit(path, kIni);
  twice("get_login_com_s", [&] {
    char h[32] = "", u[32] = "", p[32] = "", d[32] = "";
    if (get_login_com_s(path.c_str(), "db", h, sizeof h, u, sizeof u, p, sizeof p, d, sizeof d) != 1) {
      TAVO_EXPECT(h[0] == '\0' && u[0] == '\0', "a failed get_login_com_s wrote its buffers");
      return false;
    }
    TAVO_EXPECT(strcmp(h, "127.0.0.1") == 0 && strcmp(u, "tavo") == 0 && strcmp(p, "secret") == 0 &&
                    strcmp(d, "test") == 0,
                "get_login_com_s gave 1 with wrong values");
    return true;
  });
  twice("get_debug_info_s", [&] {
    int a = -1, b = -1;
    char f[64] = "";
    if (get_debug_info_s(path.c_str(), "debug", &a, &b, f, sizeof f) != 1) return false;
    TAVO_EXPECT(a == 1 && b == 3 && strcmp(f, "/tmp/x.log") == 0,
                "get_debug_info_s gave 1 with wrong values");
    return true;
  });
}

// Log entries land whole or not at all; the log functions report nothing.
void scenarioLog(const std::string& dir) {
  const std::string path = dir + "/t.log";
  logprintf(path.c_str(), "first %d\n", 1);
  errno = EINVAL;
  err_ret(path.c_str(), "second %s\n", "entry");
  DEBUG(1, 2, path.c_str(), "third\n");
  const std::string log = slurp(path);
  if (log == "<missing>") return;
  // Every line is a whole entry: a time stamp, then one of the texts.
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find('\n', pos);
    TAVO_EXPECT(end != std::string::npos, "a log entry without its line end: %s", log.c_str() + pos);
    std::string line = log.substr(pos, end - pos);
    TAVO_EXPECT(line.find("first 1") != std::string::npos || line.find("second entry") != std::string::npos ||
                    line.find("third") != std::string::npos,
                "a broken log line: %s", line.c_str());
    pos = end + 1;
  }
  // A log past its size limit is deleted and started again; when the
  // deletion fails the entry goes to the old file.  Either way it is there
  // whole, or reported on stderr.
  const std::string big = dir + "/big.log";
  spit(big, std::string(2000001, 'x'));
  logprintf(big.c_str(), "after %s\n", "the limit");
  const std::string after = slurp(big);
  if (after.size() < 2000001) {
    // Restarted: the entry, or nothing when it could not be written.
    const size_t at = after.find("after the limit\n");
    TAVO_EXPECT(after == "<missing>" || after.empty() || (at != std::string::npos && at + 16 == after.size()),
                "the restarted log holds %s", after.c_str());
  } else {
    const size_t at = after.find("after the limit\n");
    TAVO_EXPECT(at == std::string::npos || at == 2000001 + 21, "the entry is broken in the old log");
  }
  FILE* fp = fopen((dir + "/fp.txt").c_str(), "wb");
  write_fp(fp, "to %s", "stream");
  fclose(fp);
}

int freePort(int type) {
  int fd = socket(AF_INET, type, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    perror("free port");
    exit(2);
  }
  close(fd);
  return ntohs(sa.sin_port);
}

// One TCP exchange on 127.0.0.1, every object made anew on the second try.
bool tcpExchange(int port) {
  tCTcp server;
  if (server.Open() != 1) return false;
  if (server.Bind("127.0.0.1", port) != 1 || server.Listen(4) != 1) return false;
  tCTcp client;
  if (client.Open() != 1 || client.Connect("127.0.0.1", port, 2) != 1) return false;
  int fd = server.Accept();
  if (fd < 0) return false;
  tCTcp conn;
  conn = fd;
  char out[1000], in[1000];
  for (int i = 0; i < 1000; ++i) out[i] = static_cast<char>(i * 7);
  int n = client.Sendn(out, sizeof out, 0);
  TAVO_EXPECT(n == 1000 || n == tCTcp::SOCK_ERROR, "Sendn gave %d", n);
  if (n != 1000) return false;
  n = conn.Recvn(in, sizeof in, 0);
  TAVO_EXPECT(n == 1000 || n == tCTcp::SOCK_ERROR, "Recvn gave %d", n);
  if (n != 1000) return false;
  TAVO_EXPECT(memcmp(in, out, sizeof in) == 0, "Recvn gave 1000 bytes, wrong ones");
  n = conn.Send("pong", 4, 0);
  if (n != 4) return false;
  memset(in, 0, sizeof in);
  n = client.Recv(in, 4, 0);
  TAVO_EXPECT(n == tCTcp::SOCK_ERROR || (n > 0 && n <= 4 && memcmp(in, "pong", static_cast<size_t>(n)) == 0),
              "Recv gave %d", n);
  if (n <= 0) return false;
  char addr[32] = "";
  if (conn.GetPeerAddr(addr) != 1) return false;
  TAVO_EXPECT(strcmp(addr, "127.0.0.1") == 0, "GetPeerAddr gave %s", addr);
  char name[128] = "";
  if (client.GetHostName(name) != 1) return false;
  TAVO_EXPECT(name[0] != '\0', "GetHostName gave an empty name");
  if (client.SetSendTimeout(1000) != 1 || client.SetRecvTimeout(1000) != 1) return false;
  tCTcp copy(conn);
  copy.Close();
  return conn.Close() == 1 && client.Close() == 1 && server.Close() == 1;
}

void scenarioTcp(const std::string&) {
  twice("TCP exchange", [&] { return tcpExchange(freePort(SOCK_STREAM)); });
  // A refused connection is a failure, whatever call fails.
  twice("TCP refused", [&] {
    tCTcp c;
    if (c.Open() != 1) return false;
    TAVO_EXPECT(c.Connect("127.0.0.1", freePort(SOCK_STREAM), 2) == 0, "Connect to a closed port gave 1");
    tCTcp d;
    if (d.Open() != 1) return false;
    TAVO_EXPECT(d.Connect("127.0.0.1", freePort(SOCK_STREAM), 0) == 0,
                "a blocking Connect to a closed port gave 1");
    return true;
  });
}

bool udpExchange(int port, int txPort) {
  tCUdp rx, tx;
  if (rx.BindAddr("127.0.0.1", static_cast<unsigned>(port)) != 1) return false;
  if (tx.BindAddr("127.0.0.1", static_cast<unsigned>(txPort)) != 1) return false;
  const char msg[] = "datagram";
  if (tx.SendDate("127.0.0.1", static_cast<unsigned>(port), msg, sizeof msg) != 1) return false;
  // A datagram reported sent on loopback arrives: RecvDate, which waits
  // for ever, returns (a lost one shows as a run that hangs).
  char buf[sizeof msg] = "";
  if (rx.RecvDate(buf, sizeof buf) != 1) return false;
  TAVO_EXPECT(memcmp(buf, msg, sizeof msg) == 0, "RecvDate gave 1 with the wrong bytes");
  tCUdp copy(rx);
  return true;
}

void scenarioUdp(const std::string&) {
  twice("UDP exchange", [&] { return udpExchange(freePort(SOCK_DGRAM), freePort(SOCK_DGRAM)); });
}

bool shmNameExists(const std::string& name) {
  std::string path = "/dev/shm/" + name;
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

void scenarioShm(const std::string&) {
  char name[40];
  snprintf(name, sizeof name, "tavo-fault-%d", static_cast<int>(getpid()));
  twice("shared memory", [&] {
    tCShm a;
    if (a.Create(name, 0, 4096) != 1) return false;
    char* p = static_cast<char*>(a.Shmat(nullptr, 0));
    if (p == nullptr) {
      a.Drop();
      return false;
    }
    strcpy(p, "shared");
    tCShm b;
    bool ok = b.Create(name, 0, 4096) == 1;
    if (ok) {
      char* q = static_cast<char*>(b.Shmat(nullptr, 0));
      ok = q != nullptr;
      TAVO_EXPECT(!ok || strcmp(q, "shared") == 0, "a joined block does not hold what was written");
      tCShm copy(b);
      b.Drop();
      copy.Drop();
    }
    a.Drop();
    return ok;
  });
  // The last holder's drop removes the name, unless the drop failed: then
  // the next Create replaces the block no one holds.
  if (shmNameExists(name)) {
    tCShm c;
    TAVO_EXPECT(c.Create(name, 0, 4096) == 1, "a name left by a failed drop cannot be created again");
    char* p = static_cast<char*>(c.Shmat(nullptr, 0));
    TAVO_EXPECT(p != nullptr && p[0] == '\0',
                "a new block replaced an abandoned one: its bytes are not zero");
    c.Drop();
  }
  if (shmNameExists(name)) {
    // Not the library's to remove now: clean up for the next run.
    std::string path = std::string("/") + name;
    shm_unlink(path.c_str());
    wrong("the name %s is left after every holder dropped it", name);
  }
}

void scenarioArchive(const std::string& dir) {
  // Stand-in archivers first on PATH: scripts that do nothing.
  const std::string bin = dir + "/bin";
  mkdir(bin.c_str(), 0700);
  for (const char* tool : {"zip", "unzip"}) {
    std::string p = bin + "/" + tool;
    spit(p, "#!/bin/sh\nexit 0\n");
    chmod(p.c_str(), 0700);
  }
  std::string path = bin + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
  setenv("PATH", path.c_str(), 1);
  TAVO_EXPECT(MyZIP((dir + "/a.zip").c_str(), (dir + "/bin").c_str()) == 1, "MyZIP did not give 1");
  TAVO_EXPECT(MyUnZIP((dir + "/a.zip").c_str(), dir.c_str()) == 1, "MyUnZIP did not give 1");
}

void scenarioDirectory(const std::string& dir) {
  const std::string d = dir + "/list/";
  mkdir(d.c_str(), 0700);
  for (const char* n : {"a", "b", "c"}) spit(d + n, "");
  // A directory that cannot be listed ends the process with exit(1): the
  // driver takes that as this scenario's failure result.
  char** v = fetchfiles(d.c_str());
  TAVO_EXPECT(vectorLength(v) == 3, "fetchfiles gave %d entries", vectorLength(v));
  strfreev(v);
}

// The database settings come from the driver (TAVO_FAULT_DB: host, user,
// password, database and port, tab-separated), read once outside the runs.
void scenarioDb(const std::string&) {
  const char* e = getenv("TAVO_FAULT_DB");
  if (e == nullptr) {
    fprintf(stderr, "TAVO_FAULT_DB is not set\n");
    exit(2);
  }
  std::vector<std::string> f;
  std::string cur;
  for (const char* p = e;; ++p) {
    if (*p == '\t' || *p == '\0') {
      f.push_back(cur);
      cur.clear();
      if (*p == '\0') break;
    } else {
      cur += *p;
    }
  }
  if (f.size() != 5) exit(2);
  const unsigned port = static_cast<unsigned>(atoi(f[4].c_str()));
  tCMysql db;
  twice("Login", [&] {
    return db.Login(f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), "utf8mb4", port, nullptr, 0) == 1;
  });
  twice("CREATE", [&] {
    return db.QueryWrite("CREATE TEMPORARY TABLE IF NOT EXISTS fault_t (a INT, b VARCHAR(20))") == 1;
  });
  twice("INSERT", [&] {
    if (db.QueryWrite("INSERT INTO fault_t VALUES (1, 'one'), (2, 'two')") != 1) return false;
    return true;
  });
  twice("SELECT", [&] {
    if (db.QueryRead("SELECT a, b FROM fault_t ORDER BY a") != 1) return false;
    TAVO_EXPECT(db.GetFieldNum() == 2, "GetFieldNum gave %d", db.GetFieldNum());
    int rows = db.GetRowNum();
    // Rows inserted by a retried INSERT come twice: the count is even.
    TAVO_EXPECT(rows == 2 || rows == 4, "GetRowNum gave %d", rows);
    // GetRow always gives 1: the rows end where m_Row becomes null.
    for (int i = 0; i < rows; ++i) {
      db.GetRow();
      TAVO_EXPECT(db.m_Row != nullptr && db.m_Row[0] != nullptr && db.m_Row[1] != nullptr,
                  "row %d has no fields", i);
      const int a = atoi(db.m_Row[0]);
      TAVO_EXPECT((a == 1 && strcmp(db.m_Row[1], "one") == 0) || (a == 2 && strcmp(db.m_Row[1], "two") == 0),
                  "row %d is (%s, %s)", i, db.m_Row[0], db.m_Row[1]);
    }
    db.GetRow();
    TAVO_EXPECT(db.m_Row == nullptr, "a row after the last");
    db.FreeResult();
    return true;
  });
  twice("transaction", [&] { return db.Begin() == 1 && db.Commit() == 1; });
  twice("CheckConnect", [&] { return db.CheckConnect() == 1; });
  tCMysql copy(db);
  copy.Logout();
  db.Logout();
  // A wrong password fails; the message names the refused connect, except
  // when no handle could be made at all (then the message is left as it
  // was, empty here), and a second try tells.
  tCMysql bad;
  auto badLogin = [&] {
    TAVO_EXPECT(bad.Login(f[0].c_str(), f[1].c_str(), "not the password", f[3].c_str(), "utf8mb4", port,
                          nullptr, 0) == 0,
                "a wrong password logged in");
    return strstr(bad.GetErrorStr(), "real_connect fail:") != nullptr;
  };
  twice("failed login message", badLogin);
}

struct Scenario {
  const char* name;
  void (*fn)(const std::string& dir);
  bool bExitOneIsFailure;  // exit(1) is the documented failure result
};

const Scenario kScenarios[] = {
    {"file", scenarioFile, false},
    {"ini", scenarioIni, false},
    {"settings", scenarioSettings, false},
    {"log", scenarioLog, false},
    {"tcp", scenarioTcp, false},
    {"udp", scenarioUdp, false},
    {"shm", scenarioShm, false},
    {"archive", scenarioArchive, false},
    {"directory", scenarioDirectory, true},
    {"db", scenarioDb, false},
};

const Scenario* findScenario(const char* name) {
  for (const Scenario& s : kScenarios)
    if (strcmp(s.name, name) == 0) return &s;
  return nullptr;
}

int runOne(const Scenario& s) {
  const std::string dir = scratchDir();
  const int nFds = countOpenFds();
  s.fn(dir);
  removeTree(dir);
  const int nAfter = countOpenFds();
  TAVO_EXPECT(nAfter == nFds, "%d descriptors open before, %d after", nFds, nAfter);
  return 0;
}

// ---- The driver ------------------------------------------------------------

struct Outcome {
  int status = 0;  // wait status
  bool bTimedOut = false;
  std::string failedKind;
  long nCalls = -1;
  std::string output;  // what the run wrote to stdout and stderr
};

std::string readSummaryField(const std::string& text, const char* key) {
  size_t p = text.find(std::string(key) + " ");
  if (p == std::string::npos) return "";
  p += strlen(key) + 1;
  return text.substr(p, text.find('\n', p) - p);
}

// Runs `self run SCENARIO` with `extra` added to the environment, at most
// `nLimitSec` seconds.
Outcome runChild(const char* self, const char* scenario, const std::vector<std::string>& extra,
                 const std::string& outFile, int nLimitSec) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e)
    if (strncmp(*e, "TAVO_FAULT_", 11) != 0 || strncmp(*e, "TAVO_FAULT_DB=", 14) == 0) env.push_back(*e);
  for (const std::string& x : extra) env.push_back(x);
  env.push_back("TAVO_FAULT_OUT=" + outFile);
  std::vector<char*> envp;
  for (std::string& x : env) envp.push_back(&x[0]);
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(self), const_cast<char*>("run"), const_cast<char*>(scenario), nullptr};
  unlink(outFile.c_str());
  // The run's own output goes to a file, shown only for a fault.
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, (outFile + ".log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  pid_t pid;
  Outcome o;
  const int rc = posix_spawn(&pid, self, &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    perror("posix_spawn");
    exit(2);
  }
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    pid_t r = waitpid(pid, &o.status, WNOHANG);
    if (r == pid) break;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (!o.bTimedOut && now.tv_sec - start.tv_sec >= nLimitSec) {
      o.bTimedOut = true;
      kill(pid, SIGKILL);
    }
    usleep(2000);
  }
  const std::string summary = slurp(outFile);
  o.failedKind = readSummaryField(summary, "failed");
  o.output = slurp(outFile + ".log");
  std::string calls = readSummaryField(summary, "calls");
  if (!calls.empty()) o.nCalls = atol(calls.c_str());
  return o;
}

std::string describe(const Outcome& o) {
  if (o.bTimedOut) return "hung (killed after its time)";
  if (WIFSIGNALED(o.status)) return std::string("killed by signal ") + strsignal(WTERMSIG(o.status));
  int code = WEXITSTATUS(o.status);
  if (code == kWrongResult) return "a wrong result";
  if (code == 23) return "a sanitizer report (memory error or leak)";
  return "exit status " + std::to_string(code);
}

// The database settings for the db scenario, read here once.
void exportDbSettings() {
  const char* ini = getenv("TAVO_DB_INI");
  if (ini == nullptr) return;
  char h[256], u[256], p[256], d[256];
  tCFileIni o;
  int port = 0;
  if (get_login_com_s(ini, "db", h, sizeof h, u, sizeof u, p, sizeof p, d, sizeof d) != 1 ||
      o.Open(ini, "rb") != 1 || o.GetInteger("db", "Port", &port) != 1) {
    fprintf(stderr, "%s: no complete [db] section\n", ini);
    exit(2);
  }
  std::string v = std::string(h) + "\t" + u + "\t" + p + "\t" + d + "\t" + std::to_string(port);
  setenv("TAVO_FAULT_DB", v.c_str(), 1);
}

int drive(const char* self, int argc, char** argv) {
  exportDbSettings();
  const std::string outDir = scratchDir();
  const std::string outFile = outDir + "/summary";
  int nBad = 0;
  for (int i = 0; i < argc; ++i) {
    const Scenario* s = findScenario(argv[i]);
    if (s == nullptr) {
      fprintf(stderr, "no scenario %s\n", argv[i]);
      return 2;
    }
    if (strcmp(s->name, "db") == 0 && getenv("TAVO_FAULT_DB") == nullptr) {
      printf("%-9s not run: TAVO_DB_INI is not set (run through scripts/with_mariadb.sh)\n", s->name);
      ++nBad;
      continue;
    }
    Outcome clean = runChild(self, s->name, {}, outFile, 60);
    if (clean.bTimedOut || !WIFEXITED(clean.status) || WEXITSTATUS(clean.status) != 0 || clean.nCalls < 0) {
      printf("%-9s its run without a fault failed: %s\n%s", s->name, describe(clean).c_str(),
             clean.output.c_str());
      ++nBad;
      continue;
    }
    std::map<std::string, int> kinds;
    int nHeld = 0;
    std::vector<std::string> faults;
    for (long n = 1; n <= clean.nCalls; ++n) {
      Outcome o = runChild(self, s->name, {"TAVO_FAULT_NTH=" + std::to_string(n)}, outFile, 30);
      ++kinds[o.failedKind.empty() ? "?" : o.failedKind];
      const bool bExit0 = !o.bTimedOut && WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0;
      const bool bExit1 = !o.bTimedOut && WIFEXITED(o.status) && WEXITSTATUS(o.status) == 1;
      if (bExit0 || (s->bExitOneIsFailure && bExit1)) {
        ++nHeld;
      } else {
        std::string tail = o.output.size() > 2000 ? o.output.substr(o.output.size() - 2000) : o.output;
        faults.push_back("call " + std::to_string(n) + " (" + o.failedKind + "): " + describe(o) + "\n" +
                         tail);
      }
    }
    std::string kindList;
    for (const auto& k : kinds)
      kindList += (kindList.empty() ? "" : ", ") + k.first + " " + std::to_string(k.second);
    printf("%-9s %ld calls failed one at a time, %d held  [%s]\n", s->name, clean.nCalls, nHeld,
           kindList.c_str());
    for (const std::string& f : faults) printf("          FAULT %s\n", f.c_str());
    fflush(stdout);
    nBad += static_cast<int>(faults.size());
  }
  removeTree(outDir);
  return nBad == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "run") == 0) {
    const Scenario* s = findScenario(argv[2]);
    if (s == nullptr) return 2;
    return runOne(*s);
  }
  if (argc >= 3 && strcmp(argv[1], "drive") == 0) {
    char* self = realpath("/proc/self/exe", nullptr);
    int r = drive(self, argc - 2, argv + 2);
    free(self);
    return r;
  }
  fprintf(stderr, "usage: %s run SCENARIO | drive SCENARIO...\n", argv[0]);
  return 2;
}
