// Whole-file and directory functions.
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

using tavo_test::ChdirGuard;
using tavo_test::take;
using tavo_test::TempDir;
using Lines = std::vector<std::string>;
using tavo_test::kSep;
constexpr bool kWindows = TAVO_TEST_WINDOWS;

Lines sorted(Lines v) {
  std::sort(v.begin(), v.end());
  return v;
}

bool exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

// ---- read_file, read_file_lines ----------------------------------------------

TEST(ReadFile, AllLines) {
  TempDir dir;
  struct Case {
    std::string data;
    Lines lines;
  };
  const Case cases[] = {
      {"a\nb", {"a", "b"}}, {"a\nb\n", {"a", "b"}},          {"", {}},
      {"\n\n", {"", ""}},   {"a\r\nb\rxc", {"a", "b", "c"}}, {std::string("k\0v\n\xff", 5), {"k", "\xff"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    std::string p = dir.write("f", c.data);
    char** v = read_file(p.c_str());
    if (c.lines.empty()) EXPECT_EQ(v, nullptr);
    EXPECT_EQ(take(v), c.lines);
  }
  EXPECT_EQ(read_file(dir.file("missing").c_str()), nullptr);
  EXPECT_EQ(read_file(dir.path().c_str()), nullptr);  // a directory reads as empty
}

TEST(ReadFile, FirstLinesOnly) {
  TempDir dir;
  std::string p = dir.write("f", "a\nb");
  struct Case {
    int n;
    Lines lines;
  };
  const Case cases[] = {{1, {"a"}}, {2, {"a", "b"}}, {5, {"a", "b"}}, {0, {}}, {-3, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    char** v = read_file_lines(p.c_str(), c.n);
    if (c.lines.empty()) EXPECT_EQ(v, nullptr);
    EXPECT_EQ(take(v), c.lines);
  }
  EXPECT_EQ(read_file_lines(dir.file("missing").c_str(), 0), nullptr);
  EXPECT_EQ(read_file_lines(dir.file("missing").c_str(), 3), nullptr);
  EXPECT_EQ(read_file_lines(dir.write("empty", "").c_str(), 3), nullptr);
}

TEST(ReadFile, StopsReadingAfterTheLinesAsked) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: the writer that never ends is a FIFO fed by a forked child";
#else
  // A FIFO whose writer never ends: reading past the first line would block.
  TempDir dir;
  std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  pid_t pid = fork();
  ASSERT_NE(pid, -1);
  if (pid == 0) {
    FILE* w = std::fopen(fifo.c_str(), "wb");
    std::fputs("first\nsecond\n", w);
    std::fflush(w);
    sleep(5);  // keeps the writing end open
    _exit(0);
  }
  alarm(4);  // a reader that waited for the end of the file would be killed
  char** v = read_file_lines(fifo.c_str(), 1);
  alarm(0);
  EXPECT_EQ(take(v), (Lines{"first"}));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
#endif
}

// ---- write_file, write2file ----------------------------------------------------

TEST(WriteFile, AppendsExpandedText) {
  TempDir dir;
  std::string p = dir.file("log");
  EXPECT_EQ(write_file(p.c_str(), "%s", ""), 1);
  EXPECT_TRUE(exists(p));
  EXPECT_EQ(tavo_test::readAll(p), "");
  EXPECT_EQ(write_file(p.c_str(), "%d:%s\n", 1, "one"), 1);
  EXPECT_EQ(write_file(p.c_str(), "two\r\n"), 1);
  EXPECT_EQ(tavo_test::readAll(p), "1:one\ntwo\r\n");
  EXPECT_EQ(write_file(dir.file("no/such").c_str(), "x"), 0);
  EXPECT_EQ(write_file(dir.path().c_str(), "x"), 0);  // a directory
  // Written at the close, which fails on a full device.
  if (access("/dev/full", W_OK) == 0) EXPECT_EQ(write_file("/dev/full", "%s", "x"), 0);
}

TEST(Write2File, AppendsBytes) {
  TempDir dir;
  std::string p = dir.file("bin");
  EXPECT_EQ(write2file(p.c_str(), "", 0), 1);
  EXPECT_TRUE(exists(p));
  EXPECT_EQ(write2file(p.c_str(), "a\0b\n", 4), 1);
  EXPECT_EQ(write2file(p.c_str(), "\xff", 1), 1);
  EXPECT_EQ(tavo_test::readAll(p), std::string("a\0b\n\xff", 5));
  EXPECT_EQ(write2file(p.c_str(), "zz", -1), 0);
  EXPECT_EQ(tavo_test::readAll(p), std::string("a\0b\n\xff", 5));
  EXPECT_FALSE(exists(dir.file("neg")));
  EXPECT_EQ(write2file(dir.file("neg").c_str(), "zz", -1), 0);
  EXPECT_FALSE(exists(dir.file("neg")));
  EXPECT_EQ(write2file(dir.file("no/such").c_str(), "x", 1), 0);
  if (access("/dev/full", W_OK) == 0) EXPECT_EQ(write2file("/dev/full", "x", 1), 0);

  std::string big(3 << 20, 'b');
  EXPECT_EQ(write2file(p.c_str(), big.data(), static_cast<int>(big.size())), 1);
  EXPECT_EQ(tavo_test::readAll(p).size(), 5 + big.size());
}

// ---- suffix, addsuffix -------------------------------------------------------

TEST(Suffix, LastDotOfTheLastPathElement) {
  struct Case {
    const char* name;
    const char* suffix;  // null: no suffix
  };
  const Case cases[] = {
      {"a.b.c", "c"},
      {"/dir/f.txt", "txt"},
      {"file.", ""},
      {".cfg", "cfg"},
      {"file", nullptr},
      {"", nullptr},
      {".", ""},
      {"x.\xff\xfe", "\xff\xfe"},
      {"C:\\dir\\f.txt", "txt"},
      {"a/.hidden", "hidden"},
      {"a\\.hidden", "hidden"},
      // Only the platform's separator ends the last path element: '/'
      // here, '\' on Windows.
      {"dir.d/file", kWindows ? "d/file" : nullptr},
      {"dir.d\\file", kWindows ? nullptr : "d\\file"},
      {"/", nullptr},
      {"\\", nullptr},
      {"a.b/", kWindows ? "b/" : nullptr},
      {"a.b\\", kWindows ? nullptr : "b\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char* s = suffix(c.name);
    if (c.suffix == nullptr) {
      EXPECT_EQ(s, nullptr);
    } else {
      ASSERT_NE(s, nullptr);
      EXPECT_STREQ(s, c.suffix);
    }
    std::free(s);
  }
}

TEST(AddSuffix, RenamesWithoutReplacing) {
  TempDir dir;
  std::string p = dir.write("x.log", "data");
  std::vector<char> name(p.begin(), p.end());
  name.push_back('\0');
  EXPECT_EQ(addsuffix(name.data(), "bak"), 1);
  EXPECT_STREQ(name.data(), p.c_str());  // the argument is not changed
  EXPECT_FALSE(exists(p));
  EXPECT_EQ(tavo_test::readAll(p + ".bak"), "data");

  // The new name exists: nothing moves, nothing is replaced.
  dir.write("x.log", "newer");
  EXPECT_EQ(addsuffix(name.data(), "bak"), 0);
  EXPECT_EQ(tavo_test::readAll(p), "newer");
  EXPECT_EQ(tavo_test::readAll(p + ".bak"), "data");

  // The file does not exist.
  std::string missing = dir.file("missing");
  std::vector<char> m(missing.begin(), missing.end());
  m.push_back('\0');
  EXPECT_EQ(addsuffix(m.data(), "bak"), 0);

  // An empty suffix adds only the dot; a directory is renamed as well.
  EXPECT_EQ(addsuffix(name.data(), ""), 1);
  EXPECT_EQ(tavo_test::readAll(p + "."), "newer");
  ASSERT_EQ(mkdir(dir.file("d").c_str(), 0755), 0);
  std::string d = dir.file("d");
  std::vector<char> dn(d.begin(), d.end());
  dn.push_back('\0');
  EXPECT_EQ(addsuffix(dn.data(), "old"), 1);
  EXPECT_TRUE(exists(d + ".old"));
}

// ---- fetchfiles ----------------------------------------------------------------

TEST(FetchFiles, ListsEveryEntryButDots) {
  TempDir dir;
  dir.write("f", "");
  ASSERT_EQ(mkdir(dir.file("s").c_str(), 0755), 0);
  dir.write(".hidden", "");
  dir.write("s/inner", "");  // not listed: entries of subdirectories are not
  std::string arg = dir.path() + kSep;
  EXPECT_EQ(sorted(take(fetchfiles(arg.c_str()))), (Lines{arg + ".hidden", arg + "f", arg + "s"}));
  std::string sub = arg + "s" + kSep;
  EXPECT_EQ(take(fetchfiles(sub.c_str())), (Lines{sub + "inner"}));
}

TEST(FetchFiles, EmptyDirectoryIsNull) {
  TempDir dir;
  std::string arg = dir.path() + kSep;
  EXPECT_EQ(fetchfiles(arg.c_str()), nullptr);
}

TEST(FetchFiles, ArgumentIsAPatternPrefix) {
  TempDir dir;
  dir.write("log.txt", "");
  dir.write("lock", "");
  dir.write("other", "");
  std::string base = dir.path() + kSep;
  // Entries whose names begin with the rest; each result is the argument
  // followed by the whole entry name.
  std::string arg = base + "lo";
  EXPECT_EQ(sorted(take(fetchfiles(arg.c_str()))), (Lines{arg + "lock", arg + "log.txt"}));
  // No entry matches: an empty result, not the end of the process.
  std::string none = base + "zz";
  EXPECT_EQ(fetchfiles(none.c_str()), nullptr);
  // Without the final separator the name of the directory itself is the
  // prefix, matched in its parent.
  std::string parent = dir.path().substr(0, dir.path().rfind(kSep) + 1);
  std::string leaf = dir.path().substr(parent.size());
  Lines got = take(fetchfiles(dir.path().c_str()));
  EXPECT_NE(std::find(got.begin(), got.end(), dir.path() + leaf), got.end());
}

TEST(FetchFiles, WithoutSeparatorListsTheCurrentDirectory) {
  TempDir dir;
  dir.write("alpha", "");
  dir.write("beta", "");
  ChdirGuard cd(dir.path());
  EXPECT_EQ(sorted(take(fetchfiles(""))), (Lines{"alpha", "beta"}));
  EXPECT_EQ(take(fetchfiles("al")), (Lines{"alalpha"}));
}

TEST(FetchFiles, LongNamesComeBackWhole) {
  TempDir dir;
  std::string longName(255, 'n');
  dir.write(longName, "");
  std::string arg = dir.path() + kSep;
  EXPECT_EQ(take(fetchfiles(arg.c_str())), (Lines{arg + longName}));
}

TEST(FetchFiles, ManyEntries) {
  TempDir dir;
  const int n = 1000;
  Lines expected;
  std::string arg = dir.path() + kSep;
  for (int i = 0; i < n; ++i) {
    std::string name = "e" + std::to_string(i);
    dir.write(name, "");
    expected.push_back(arg + name);
  }
  EXPECT_EQ(sorted(take(fetchfiles(arg.c_str()))), sorted(expected));
}

TEST(FetchFilesDeath, UnsearchableDirectoryEndsTheProcess) {
  TempDir dir;
  std::string missing = dir.file("missing") + kSep;
  EXPECT_EXIT(fetchfiles(missing.c_str()), testing::ExitedWithCode(1), "^$");
  std::string notDir = dir.write("file", "") + kSep;
  EXPECT_EXIT(fetchfiles(notDir.c_str()), testing::ExitedWithCode(1), "^$");
  // Positive control.
  std::string ok = dir.path() + kSep;
  EXPECT_EQ(take(fetchfiles(ok.c_str())), (Lines{ok + "file"}));
}

}  // namespace
