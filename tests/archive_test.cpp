// MyZIP/MyUnZIP: the archiver chosen, the exact arguments it receives (stub
// archivers first on PATH record them), no shell, nothing started when
// nothing should be, no process left to reap; and real zip/unzip round trips.
#include <dirent.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

using tavo_test::TempDir;

void sleepMs(int ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

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

// True when this process has a child, living or ended.
bool hasChild() {
  int st = 0;
  pid_t r = waitpid(-1, &st, WNOHANG);
  return !(r < 0 && errno == ECHILD);
}

// Sets an environment variable for one scope.
class EnvGuard {
 public:
  EnvGuard(const char* name, const std::string& value) : name_(name) {
    const char* p = std::getenv(name);
    had_ = p != nullptr;
    if (had_) old_ = p;
    setenv(name, value.c_str(), 1);
  }
  ~EnvGuard() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

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

// Stub archivers zip, unzip, rar and unrar in a directory put first on PATH.
// Each run writes a record file: its name, then each argument in brackets,
// then where its standard input and output lead.
class Stubs {
 public:
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

  // The next record (waited for, at most 60 s), removed once read; "" when
  // none came.
  std::string next() {
    std::string found;
    waitFor([&] {
      DIR* d = opendir(dir_.file("rec").c_str());
      if (d == nullptr) return false;
      while (const dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 5 && n.compare(n.size() - 5, 5, ".done") == 0) found = dir_.file("rec/" + n);
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

const char* const kDetached = "in=/dev/null out=/dev/null\n";

struct Case {
  bool bZip;  // MyZIP, else MyUnZIP
  std::string archive, other, record;
};

TEST(MyZIPStubs, ArchiverChoiceAndArguments) {
  Stubs stubs;
  const Case cases[] = {
      {false, "a.rar", "d", "unrar\n[e]\n[-y]\n[a.rar]\n[d]\n"},
      {false, "a.zip", "d", "unzip\n[-o]\n[-d]\n[d]\n[a.zip]\n"},
      {true, "a.rar", "f", "rar\n[a]\n[-y]\n[a.rar]\n[f]\n"},
      {true, "a.zip", "f*.txt", "zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[f*.txt]\n"},
      // "rar" anywhere after the first dot, before "zip".
      {false, "a.rar.zip", "d", "unrar\n[e]\n[-y]\n[a.rar.zip]\n[d]\n"},
      {true, "a.zip.rar", "f", "rar\n[a]\n[-y]\n[a.zip.rar]\n[f]\n"},
      {false, "x.library/file.txt", "d", "unrar\n[e]\n[-y]\n[x.library/file.txt]\n[d]\n"},
      {true, "v1.0/backup.zipped", "f", "zip\n[-u]\n[-r]\n[-j]\n[v1.0/backup.zipped]\n[f]\n"},
      // Double quotes group, blanks separate, backslashes escape quotes.
      {true, "\"my archive.zip\"", "\"a b\"  c\td", "zip\n[-u]\n[-r]\n[-j]\n[my archive.zip]\n[a b]\n[c]\n[d]\n"},
      {false, "a.zip", "\"\"", "unzip\n[-o]\n[-d]\n[]\n[a.zip]\n"},
      {true, "a.zip", "x\\\"y \"p\"\"q\" \\\\s", "zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[x\"y]\n[p\"q]\n[\\\\s]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive + " / " + c.other);
    int r = c.bZip ? MyZIP(c.archive.c_str(), c.other.c_str()) : MyUnZIP(c.archive.c_str(), c.other.c_str());
    EXPECT_EQ(r, 1);
    EXPECT_FALSE(hasChild());  // detached at once: nothing of ours to reap
    EXPECT_EQ(stubs.next(), c.record + kDetached);
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
            std::string("zip\n[-u]\n[-r]\n[-j]\n[s.zip]\n[a;touch_X1|b]\n[$(touch_X2)]\n[`touch_X3`]\n"
                        "[>out]\n[&]\n[x&&y]\n") +
                kDetached);
  EXPECT_FALSE(exists(work.file("out")));
  EXPECT_EQ(MyUnZIP("$(id).zip", "`id`;id"), 1);
  EXPECT_EQ(stubs.next(), std::string("unzip\n[-o]\n[-d]\n[`id`;id]\n[$(id).zip]\n") + kDetached);
}

TEST(MyZIPStubs, StreamsLeadToTheNullDeviceEvenWhenTheCallerClosedItsOwn) {
  // A caller without standard input and output (a daemon): the null device
  // then opens as descriptor 0, and must still reach the archiver as its
  // standard input and output.
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
  Subreaper reaper;
  // Positive control: a started archiver becomes our child here.
  EXPECT_EQ(MyZIP("a.zip", "f"), 1);
  EXPECT_TRUE(hasChild());
  EXPECT_EQ(stubs.next(), std::string("zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[f]\n") + kDetached);
  ASSERT_TRUE(waitFor([] { return !hasChild(); }));

  std::string fits(255 - std::string("zip -u -r -j a.zip ").size(), 'f');
  std::string tooLong = fits + "g";
  // "unzip -o -d <dir> a.zip": 18 bytes besides the directory.
  std::string dirFits(255 - 18, 'd');
  std::string dirTooLong = dirFits + "e";
  const Case cases[] = {
      {true, "A.ZIP", "f", ""},       {false, "A.RAR", "d", ""},   {true, "nodot", "f", ""},
      {false, "a.txt", "d", ""},      {true, "zip", "f", ""},      {false, "rar/a", "d", ""},
      {true, "a.Zip", "f", ""},       {true, "", "f", ""},         {true, "a.zip", tooLong, ""},
      {false, "a.zip", dirTooLong, ""},  {false, "a.rar", std::string(300, 'd'), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive + " / " + c.other.substr(0, 20));
    int r = c.bZip ? MyZIP(c.archive.c_str(), c.other.c_str()) : MyUnZIP(c.archive.c_str(), c.other.c_str());
    EXPECT_EQ(r, 1);
    EXPECT_FALSE(hasChild());
  }
  // A line of exactly 255 bytes is started.
  EXPECT_EQ(MyZIP("a.zip", fits.c_str()), 1);
  EXPECT_EQ(stubs.next(), "zip\n[-u]\n[-r]\n[-j]\n[a.zip]\n[" + fits + "]\n" + kDetached);
  EXPECT_EQ(MyUnZIP("a.zip", dirFits.c_str()), 1);
  EXPECT_EQ(stubs.next(), "unzip\n[-o]\n[-d]\n[" + dirFits + "]\n[a.zip]\n" + kDetached);
}

TEST(MyZIPStubs, MissingArchiverStartsNothing) {
  TempDir empty;
  EnvGuard path("PATH", empty.path());
  Subreaper reaper;
  EXPECT_EQ(MyZIP("a.zip", "f"), 1);
  EXPECT_EQ(MyUnZIP("a.rar", "d"), 1);
  EXPECT_FALSE(hasChild());
}

// ---- The real archivers ---------------------------------------------------------

TEST(MyZIPReal, PackAndUnpackWithZipAndUnzip) {
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
}

}  // namespace
