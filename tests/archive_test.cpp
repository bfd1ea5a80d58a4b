// MyZIP/MyUnZIP: the archiver chosen, the exact arguments it receives (stub
// archivers first on PATH record them), no shell, nothing started when
// nothing should be, no process left to reap; and real zip/unzip round trips.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/prctl.h>
#include <sys/wait.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

using tavo_test::TempDir;
constexpr bool kWindows = TAVO_TEST_WINDOWS;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Polls `ok` every 10 ms for up to 60 s.
template <class F>
bool waitFor(F ok) {
  for (int i = 0; i < 6000; ++i) {
    if (ok()) return true;
    sleepMs(10);
  }
  return ok();
}

#if TAVO_TEST_WINDOWS
// Windows: every process this one starts joins the job object it runs in,
// whose accounting counts them.
int processesStarted() {
  static const HANDLE hJob = [] {
    HANDLE h = CreateJobObjectA(nullptr, nullptr);
    if (h == nullptr || !AssignProcessToJobObject(h, GetCurrentProcess())) std::abort();
    return h;
  }();
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
  if (!QueryInformationJobObject(hJob, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr))
    std::abort();
  return static_cast<int>(info.TotalProcesses) - 1;  // not counting this one
}
#else
// True when this process has a child, living or ended.
bool hasChild() {
  int st = 0;
  pid_t r = waitpid(-1, &st, WNOHANG);
  return !(r < 0 && errno == ECHILD);
}
#endif

// Sets an environment variable for one scope.
class EnvGuard {
 public:
  EnvGuard(const char* name, const std::string& value) : name_(name) {
    const char* p = std::getenv(name);
    had_ = p != nullptr;
    if (had_) old_ = p;
    tavo_test::setEnv(name, value.c_str());
  }
  ~EnvGuard() { tavo_test::setEnv(name_, had_ ? old_.c_str() : nullptr); }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

#if !TAVO_TEST_WINDOWS
// Makes this process the adopter of its descendants' orphans for one scope,
// so that a process started by a call becomes visible as a child of ours.
class Subreaper {
 public:
  Subreaper() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
  ~Subreaper() {
    waitFor([] {
      int st;
      return waitpid(-1, &st, WNOHANG) < 0 && errno == ECHILD;
    });
    prctl(PR_SET_CHILD_SUBREAPER, 0);
  }
  Subreaper(const Subreaper&) = delete;
  Subreaper& operator=(const Subreaper&) = delete;
};

#endif  // !TAVO_TEST_WINDOWS

// Stub archivers zip, unzip, rar and unrar in a directory put first on PATH.
// Each run writes a record file.  POSIX: its name, then each argument in
// brackets, then where its standard input and output lead.  Windows: the
// command line the system started it with (tests/archiver_stub.cpp).
class Stubs {
 public:
#if TAVO_TEST_WINDOWS
  Stubs() : path_("PATH", dir_.path() + ";" + std::getenv("PATH")), out_("TAVO_STUB_OUT", dir_.file("rec")) {
    mkdir(dir_.file("rec").c_str(), 0700);
    for (const char* name : {"zip", "unzip", "rar", "unrar"}) {
      if (!CopyFileA(stubProgram().c_str(), dir_.file(std::string(name) + ".exe").c_str(), FALSE))
        std::abort();
    }
  }

  // The stub program, named as this program was found at its start (the
  // build gives a POSIX-style path, which depends on the current drive).
  static const std::string& stubProgram() {
    static const std::string path = [] {
      char full[MAX_PATH + 1];
      DWORD n = GetFullPathNameA(TAVO_TEST_ARCHIVER_STUB, sizeof full, full, nullptr);
      if (n == 0 || n > MAX_PATH) std::abort();
      return std::string(full);
    }();
    return path;
  }
#else
  Stubs() : path_("PATH", dir_.path() + ":" + std::getenv("PATH")), out_("TAVO_STUB_OUT", dir_.file("rec")) {
    mkdir(dir_.file("rec").c_str(), 0700);
    const std::string script =
        "#!/bin/sh\n"
        "r=\"$TAVO_STUB_OUT/$$\"\n"
        "i=$(readlink /proc/$$/fd/0); o=$(readlink /proc/$$/fd/1)\n"
        "{ basename \"$0\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done;\n"
        "  printf 'in=%s out=%s\\n' \"$i\" \"$o\"; } > \"$r.tmp\"\n"
        "mv \"$r.tmp\" \"$r.done\"\n";
    for (const char* name : {"zip", "unzip", "rar", "unrar"}) {
      std::string f = dir_.write(name, script);
      chmod(f.c_str(), 0755);
    }
  }
#endif

  // The next record (waited for, at most 60 s), removed once read; "" when
  // none came.
  std::string next() {
    std::string found;
    waitFor([&] {
      DIR* d = opendir(dir_.file("rec").c_str());
      if (d == nullptr) return false;
      while (const dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 5 && n.compare(n.size() - 5, 5, ".done") == 0)
          found = dir_.file("rec") + tavo_test::kSep + n;
      }
      closedir(d);
      return !found.empty();
    });
    if (found.empty()) return "";
    std::string r = tavo_test::readAll(found);
    unlink(found.c_str());
    return r;
  }

  const std::string& dir() const { return dir_.path(); }

 private:
  TempDir dir_;
  EnvGuard path_;
  EnvGuard out_;
};

// POSIX: where the archiver's standard streams lead.
const char* const kDetached = "in=/dev/null out=/dev/null\n";

// Processes started so far by this one.  POSIX: whether one is left to reap
// (started processes are detached at once, so none is; see Subreaper).
#if TAVO_TEST_WINDOWS
class Started {
 public:
  Started() : n_(processesStarted()) {}
  int since() const { return processesStarted() - n_; }

 private:
  int n_;
};
#endif

struct Case {
  bool bZip;  // MyZIP, else MyUnZIP
  std::string archive, other, record;
  std::string line;  // Windows: the command line the archiver receives
};

// The record a stub leaves for case `c`.
std::string recordOf(const Case& c) { return kWindows ? c.line + "\n" : c.record + kDetached; }

TEST(MyZIPStubs, ArchiverChoiceAndArguments) {
  Stubs stubs;
  const Case cases[] = {
      {false, "a.rar", "d", "unrar\n[e]\n[-y]\n[a.rar]\n[d]\n", "unrar e -y a.rar d"},
      {false, "a.zip", "d", "unzip\n[-o]\n[-d]\n[d]\n[a.zip]\n", "unzip -o -d d a.zip"},
      {true, "a.rar", "f", "rar\n[a]\n[-y]\n[a.rar]\n[f]\n", "rar a -y a.rar f"},
      {true, "a.zip", "f*.txt", "zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[f*.txt]\n", "zip -u -r -j a.zip f*.txt"},
      // "rar" anywhere after the first dot, before "zip".
      {false, "a.rar.zip", "d", "unrar\n[e]\n[-y]\n[a.rar.zip]\n[d]\n", "unrar e -y a.rar.zip d"},
      {true, "a.zip.rar", "f", "rar\n[a]\n[-y]\n[a.zip.rar]\n[f]\n", "rar a -y a.zip.rar f"},
      {false, "x.library/file.txt", "d", "unrar\n[e]\n[-y]\n[x.library/file.txt]\n[d]\n",
       "unrar e -y x.library/file.txt d"},
      {true, "v1.0/backup.zipped", "f", "zip\n[-u]\n[-r]\n[-j]\n[v1.0/backup.zipped]\n[f]\n",
       "zip -u -r -j v1.0/backup.zipped f"},
      // Double quotes group, blanks separate, backslashes escape quotes.
      {true, "\"my archive.zip\"", "\"a b\"  c\td",
       "zip\n[-u]\n[-r]\n[-j]\n[my archive.zip]\n[a b]\n[c]\n[d]\n",
       "zip -u -r -j \"my archive.zip\" \"a b\"  c\td"},
      {false, "a.zip", "\"\"", "unzip\n[-o]\n[-d]\n[]\n[a.zip]\n", "unzip -o -d \"\" a.zip"},
      {true, "a.zip", "x\\\"y \"p\"\"q\" \\\\s", "zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[x\"y]\n[p\"q]\n[\\\\s]\n",
       "zip -u -r -j a.zip x\\\"y \"p\"\"q\" \\\\s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive + " / " + c.other);
    int r = c.bZip ? MyZIP(c.archive.c_str(), c.other.c_str()) : MyUnZIP(c.archive.c_str(), c.other.c_str());
    EXPECT_EQ(r, 1);
#if !TAVO_TEST_WINDOWS
    EXPECT_FALSE(hasChild());  // detached at once: nothing of ours to reap
#endif
    EXPECT_EQ(stubs.next(), recordOf(c));
  }
}

TEST(MyZIPStubs, ShellCharactersReachTheArchiverAsText) {
  Stubs stubs;
  TempDir work;
  tavo_test::ChdirGuard cd(work.path());
  std::string files = "a;touch_X1|b $(touch_X2) `touch_X3` >out & x&&y";
  // The helper names are no commands: were a shell involved, it would run
  // touch_X2 and touch_X3 before the stub and cut the line at ; | > &.
  EXPECT_EQ(MyZIP("s.zip", files.c_str()), 1);
  EXPECT_EQ(stubs.next(),
            recordOf({true, "s.zip", files,
                      "zip\n[-u]\n[-r]\n[-j]\n[s.zip]\n[a;touch_X1|b]\n[$(touch_X2)]\n[`touch_X3`]\n"
                      "[>out]\n[&]\n[x&&y]\n",
                      "zip -u -r -j s.zip " + files}));
  EXPECT_FALSE(exists(work.file("out")));
  // But a name is cut into words: one that carries options hands them to
  // the archiver (which is why names must never come from a user).
  EXPECT_EQ(MyZIP("o.zip", "f -T -TT \"touch_X4 y\""), 1);
  EXPECT_EQ(stubs.next(), recordOf({true, "o.zip", "f -T -TT \"touch_X4 y\"",
                                    "zip\n[-u]\n[-r]\n[-j]\n[o.zip]\n[f]\n[-T]\n[-TT]\n[touch_X4 y]\n",
                                    "zip -u -r -j o.zip f -T -TT \"touch_X4 y\""}));
  EXPECT_EQ(MyUnZIP("$(id).zip", "`id`;id"), 1);
  EXPECT_EQ(stubs.next(),
            recordOf({false, "$(id).zip", "`id`;id", "unzip\n[-o]\n[-d]\n[`id`;id]\n[$(id).zip]\n",
                      "unzip -o -d `id`;id $(id).zip"}));
}

TEST(MyZIPStubs, StreamsLeadToTheNullDeviceEvenWhenTheCallerClosedItsOwn) {
  // A caller without standard input and output (a daemon): the null device
  // then opens as descriptor 0, and must still reach the archiver as its
  // standard input and output.
  TAVO_SKIP_ON_WINDOWS("WinExec gives the archiver no standard streams of the caller's");
  Stubs stubs;
  const int nSavedIn = dup(0);
  const int nSavedOut = dup(1);
  close(0);
  close(1);
  const int r = MyUnZIP("a.zip", "d");
  dup2(nSavedIn, 0);
  dup2(nSavedOut, 1);
  close(nSavedIn);
  close(nSavedOut);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(stubs.next(), std::string("unzip\n[-o]\n[-d]\n[d]\n[a.zip]\n") + kDetached);
}

TEST(MyZIPStubs, NothingStarts) {
  Stubs stubs;
#if TAVO_TEST_WINDOWS
  // Positive control: a started archiver is counted.
  Started started;
  EXPECT_EQ(MyZIP("a.zip", "f"), 1);
  EXPECT_EQ(started.since(), 1);
  EXPECT_EQ(stubs.next(), "zip -u -r -j a.zip f\n");
  Started none;
  auto hasChild = [&] { return none.since() != 0; };
#else
  Subreaper reaper;
  // Positive control: a started archiver becomes our child here.
  EXPECT_EQ(MyZIP("a.zip", "f"), 1);
  EXPECT_TRUE(hasChild());
  EXPECT_EQ(stubs.next(), std::string("zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[f]\n") + kDetached);
  ASSERT_TRUE(waitFor([] { return !hasChild(); }));
#endif

  std::string fits(255 - std::string("zip -u -r -j a.zip ").size(), 'f');
  std::string tooLong = fits + "g";
  // "unzip -o -d <dir> a.zip": 18 bytes besides the directory.
  std::string dirFits(255 - 18, 'd');
  std::string dirTooLong = dirFits + "e";
  const Case cases[] = {
      {true, "A.ZIP", "f", ""},
      {false, "A.RAR", "d", ""},
      {true, "nodot", "f", ""},
      {false, "a.txt", "d", ""},
      {true, "zip", "f", ""},
      {false, "rar/a", "d", ""},
      {true, "a.Zip", "f", ""},
      {true, "", "f", ""},
      {true, "a.zip", tooLong, ""},
      {false, "a.zip", dirTooLong, ""},
      {false, "a.rar", std::string(300, 'd'), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive + " / " + c.other.substr(0, 20));
    int r = c.bZip ? MyZIP(c.archive.c_str(), c.other.c_str()) : MyUnZIP(c.archive.c_str(), c.other.c_str());
    EXPECT_EQ(r, 1);
    EXPECT_FALSE(hasChild());
  }
  // A line of exactly 255 bytes is started.
  EXPECT_EQ(MyZIP("a.zip", fits.c_str()), 1);
  EXPECT_EQ(stubs.next(), recordOf({true, "a.zip", fits, "zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[" + fits + "]\n",
                                    "zip -u -r -j a.zip " + fits}));
  EXPECT_EQ(MyUnZIP("a.zip", dirFits.c_str()), 1);
  EXPECT_EQ(stubs.next(),
            recordOf({false, "a.zip", dirFits, "unzip\n[-o]\n[-d]\n[" + dirFits + "]\n[a.zip]\n",
                      "unzip -o -d " + dirFits + " a.zip"}));
}

TEST(MyZIPStubs, MissingArchiverStartsNothing) {
  TempDir empty;
  EnvGuard path("PATH", empty.path());
#if TAVO_TEST_WINDOWS
  Started none;
  auto hasChild = [&] { return none.since() != 0; };
#else
  Subreaper reaper;
#endif
  EXPECT_EQ(MyZIP("a.zip", "f"), 1);
  EXPECT_EQ(MyUnZIP("a.rar", "d"), 1);
  EXPECT_FALSE(hasChild());
}

// ---- The real archivers ---------------------------------------------------------

TEST(MyZIPReal, PackAndUnpackWithZipAndUnzip) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: there are no Windows zip and unzip here (WinExec cannot start the Linux ones)";
#else
  TempDir tmp;
  mkdir(tmp.file("src").c_str(), 0700);
  mkdir(tmp.file("out dir").c_str(), 0700);
  const std::string names[] = {"hello.txt", "a;b $(x) `y`.txt"};
  for (const std::string& n : names) tmp.write("src/" + n, "contents of " + n + "\n");

  std::string archive = tmp.file("packed files.zip");
  std::string quoted = "\"" + archive + "\"";
  // Both files in one line, each in quotes.
  std::string files;
  for (const std::string& n : names) files += " \"" + tmp.file("src/" + n) + "\"";
  ASSERT_EQ(MyZIP(quoted.c_str(), files.c_str()), 1);
  EXPECT_FALSE(hasChild());
  // zip writes a temporary file ("zi...") beside the archive and renames it
  // when done.
  ASSERT_TRUE(waitFor([&] {
    if (!exists(archive)) return false;
    DIR* d = opendir(tmp.path().c_str());
    bool bTemp = false;
    while (const dirent* e = readdir(d)) bTemp = bTemp || std::string(e->d_name).rfind("zi", 0) == 0;
    closedir(d);
    return !bTemp;
  }));

  std::string dest = "\"" + tmp.file("out dir") + "\"";
  ASSERT_EQ(MyUnZIP(quoted.c_str(), dest.c_str()), 1);
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    std::string want = "contents of " + n + "\n";
    EXPECT_TRUE(waitFor([&] { return tavo_test::readAll(tmp.file("out dir/" + n)) == want; }));
  }
#endif
}

}  // namespace
