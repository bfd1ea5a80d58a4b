// Log entries, the size bound, error reports, the debug trace and write_fp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

using tavo_test::readAll;
using tavo_test::TempDir;

constexpr std::size_t kStampLen = 19;
constexpr bool kWindows = TAVO_TEST_WINDOWS;

using tavo_test::stderrOf;

std::string errorText(int e) { return std::strerror(e); }

std::string localStamp(std::time_t t) {
  std::tm tmLocal = tavo_test::localTm(t);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %X", &tmLocal);
  return buf;
}

// True when `s` has the layout "YYYY-MM-DD HH:MM:SS".
bool isStamp(const std::string& s) {
  if (s.size() != kStampLen) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char want = (i == 4 || i == 7) ? '-' : (i == 10) ? ' ' : (i == 13 || i == 16) ? ':' : 'd';
    if (want == 'd' ? !(s[i] >= '0' && s[i] <= '9') : s[i] != want) return false;
  }
  return true;
}

// Splits log contents into entries, checking that each starts with a
// timestamp and two spaces; returns the texts.
std::vector<std::string> entryTexts(const std::string& log, std::size_t nExpected) {
  std::vector<std::string> texts;
  std::size_t pos = 0;
  while (pos < log.size()) {
    EXPECT_TRUE(isStamp(log.substr(pos, kStampLen))) << "at offset " << pos;
    EXPECT_EQ(log.substr(pos + kStampLen, 2), "  ");
    std::size_t end = log.find('\n', pos);
    end = (end == std::string::npos) ? log.size() : end + 1;
    texts.push_back(log.substr(pos + kStampLen + 2, end - pos - kStampLen - 2));
    pos = end;
  }
  EXPECT_EQ(texts.size(), nExpected);
  return texts;
}

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

#if !TAVO_TEST_WINDOWS
// Runs `fn` in a child process and returns its wait status (bounded: a child
// still running after ten seconds is killed).
int runChild(const std::function<void()>& fn) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    fn();
    _exit(0);
  }
  int status = 0;
  for (int i = 0; i < 1000; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  ADD_FAILURE() << "child did not finish";
  return status;
}
#endif

// ---- Log entries ---------------------------------------------------------

TEST(Log, NewFileHoldsOneEntryStampedWithTheCallTime) {
  TempDir dir;
  std::string path = dir.file("app.log");
  std::string before = localStamp(std::time(nullptr));
  logprintf(path.c_str(), "x=%d\n", 5);
  std::string after = localStamp(std::time(nullptr));

  std::string log = readAll(path);
  ASSERT_EQ(log.size(), kStampLen + 2 + 4);
  std::string stamp = log.substr(0, kStampLen);
  EXPECT_TRUE(isStamp(stamp)) << stamp;
  EXPECT_LE(before, stamp);
  EXPECT_LE(stamp, after);
  EXPECT_EQ(log.substr(kStampLen), "  x=5\n");
}

TEST(Log, EntriesAppendInCallOrderWithNoLineEndAdded) {
  TempDir dir;
  std::string path = dir.write("app.log", "kept\n");
  logprintf(path.c_str(), "first");
  logprintf(path.c_str(), "%s|%d\n", "second", -3);
  std::string log = readAll(path);
  ASSERT_EQ(log.substr(0, 5), "kept\n");
  // The second entry follows the first on the same line.
  std::string rest = log.substr(5);
  ASSERT_EQ(rest.size(), 2 * (kStampLen + 2) + 5 + 10);
  EXPECT_TRUE(isStamp(rest.substr(0, kStampLen)));
  EXPECT_EQ(rest.substr(kStampLen, 7), "  first");
  EXPECT_TRUE(isStamp(rest.substr(kStampLen + 7, kStampLen)));
  EXPECT_EQ(rest.substr(2 * kStampLen + 7), "  second|-3\n");
}

TEST(Log, TextIsStoredByteForByte) {
  TempDir dir;
  std::string path = dir.file("bytes.log");
  std::string text;
  for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
  text += "\r\n";
  logprintf(path.c_str(), "%s", text.c_str());
  std::string log = readAll(path);
  ASSERT_EQ(log.size(), kStampLen + 2 + text.size());
  EXPECT_EQ(log.substr(kStampLen + 2), text);
}

TEST(Log, FormatTheRuntimeCannotExpandAddsNoText) {
  // A wide character with no form in the C locale: the expansion fails, and
  // the entry is the timestamp and the two spaces alone.
  TAVO_SKIP_ON_WINDOWS(
      "the Windows runtime expands such a wide character (it leaves it out), "
      "so no format fails there");
  TempDir dir;
  std::string path = dir.file("wide.log");
  logprintf(path.c_str(), "before %ls after", L"\u4e2d");
  logprintf(path.c_str(), "next\n");
  std::string log = readAll(path);
  ASSERT_EQ(log.size(), 2 * (kStampLen + 2) + 5);
  EXPECT_TRUE(isStamp(log.substr(0, kStampLen)));
  EXPECT_EQ(log.substr(kStampLen, 2), "  ");
  EXPECT_EQ(log.substr(2 * kStampLen + 2), "  next\n");
}

TEST(Log, LogvprintfTakesAnArgumentList) {
  TempDir dir;
  std::string path = dir.file("v.log");
  auto forward = [](const char* p, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    logvprintf(p, fmt, ap);
    va_end(ap);
  };
  forward(path.c_str(), "%s=%05.1f %c\n", "pi", 3.14159, 'z');
  EXPECT_EQ(readAll(path).substr(kStampLen), "  pi=003.1 z\n");
}

TEST(Log, SizeBoundDeletesOnlyFilesLargerThanTwoMillionBytes) {
  struct Case {
    std::size_t size;
    bool deleted;
  } cases[] = {{1999999, false}, {2000000, false}, {2000001, true}, {3000000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    TempDir dir;
    std::string path = dir.write("big.log", std::string(c.size, 'o'));
    logprintf(path.c_str(), "new\n");
    std::string log = readAll(path);
    if (c.deleted) {
      ASSERT_EQ(log.size(), kStampLen + 2 + 4);
      EXPECT_EQ(log.substr(kStampLen), "  new\n");
    } else {
      // Checked before writing, so the file may pass the bound by one entry.
      ASSERT_EQ(log.size(), c.size + kStampLen + 2 + 4);
      EXPECT_EQ(log.find_first_not_of('o'), c.size);
      EXPECT_EQ(log.substr(c.size + kStampLen), "  new\n");
    }
  }
}

TEST(Log, FailedDeletionOfAnOversizeLogAppendsToIt) {
#if TAVO_TEST_WINDOWS
  // Windows: a file that another handle holds open without sharing its
  // deletion cannot be deleted, but may be written.
  TempDir dir;
  std::string path = dir.file("big.log");
  { std::ofstream(path, std::ios::binary) << std::string(2000001, 'o'); }
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileA(path.c_str()));  // the set-up must really forbid removal
  logprintf(path.c_str(), "still\n");
  CloseHandle(h);
#else
  // A writer that may write the file but not remove it from its directory.
  TempDir dir;
  std::string sub = dir.file("ro");
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  std::string path = sub + "/big.log";
  { std::ofstream(path, std::ios::binary) << std::string(2000001, 'o'); }
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  bool root = geteuid() == 0;
  if (!root) ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
  int status = runChild([&] {
    if (root && setuid(65534) != 0) _exit(3);
    if (unlink(path.c_str()) == 0) _exit(4);  // the set-up must really forbid removal
    logprintf(path.c_str(), "still\n");
    _exit(0);
  });
  chmod(sub.c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
#endif
  std::string log = readAll(path);
  ASSERT_EQ(log.size(), 2000001 + kStampLen + 2 + 6);
  EXPECT_EQ(log.substr(2000001 + kStampLen), "  still\n");
}

TEST(Log, UnopenableLogSendsEveryEntryToStderrWithTheReason) {
  TempDir dir;
  struct Case {
    std::string path;
    int err;
  } cases[] = {
      {dir.file("missing\xa1\xff/dir/app.log"), ENOENT},  // path bytes kept as they are
      {dir.path(), kWindows ? EACCES : EISDIR},           // a directory is not a log file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string err = stderrOf([&] {
      logprintf(c.path.c_str(), "one %d\n", 1);
      logprintf(c.path.c_str(), "two");
    });
    std::string line = "logprintf error : fopen " + c.path + " error : " + errorText(c.err) + "\n";
    std::size_t first = err.find(line);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_TRUE(isStamp(err.substr(0, kStampLen)));
    EXPECT_EQ(err.substr(kStampLen, first - kStampLen), "  one 1\n");
    std::string second = err.substr(first + line.size());
    EXPECT_TRUE(isStamp(second.substr(0, kStampLen)));
    EXPECT_EQ(second.substr(kStampLen), "  two" + line);
  }
  EXPECT_FALSE(exists(dir.file("missing\xa1\xff")));
  EXPECT_TRUE(exists(dir.path()));
}

TEST(Log, NullPathIsAnUnopenableLog) {
  std::string err = stderrOf([] { logprintf(nullptr, "lost %s\n", "entry"); });
  ASSERT_GE(err.size(), kStampLen);
  EXPECT_TRUE(isStamp(err.substr(0, kStampLen)));
  EXPECT_EQ(err.substr(kStampLen),
            "  lost entry\nlogprintf error : fopen (null) error : " + errorText(EINVAL) + "\n");
}

TEST(Log, EntriesFromManyThreadsStayWhole) {
  TempDir dir;
  std::string path = dir.file("mt.log");
  constexpr int kThreads = 4;
  constexpr int kEach = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&path, t] {
      for (int i = 0; i < kEach; ++i) logprintf(path.c_str(), "thread %d entry %03d\n", t, i);
    });
  for (std::thread& th : threads) th.join();
  std::vector<std::string> texts = entryTexts(readAll(path), kThreads * kEach);
  std::vector<int> next(kThreads, 0);
  for (const std::string& s : texts) {
    int t = -1;
    int i = -1;
    ASSERT_EQ(std::sscanf(s.c_str(), "thread %d entry %d\n", &t, &i), 2) << s;
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(i, next[t]++);  // each thread's entries in its call order
  }
}

TEST(Log, LongEntriesFromConcurrentProcessesAndThreadsArriveWhole) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: the second writing process is forked";
#else
  // Entries longer than any stdio buffer, from two processes with two
  // threads each: every entry must reach the file in one piece.  (1.6 MB in
  // all, below the size bound, so the file is never deleted on the way.)
  TempDir dir;
  std::string path = dir.file("long.log");
  constexpr int kWriters = 2;
  constexpr int kEach = 80;
  const std::string body(5000, 'x');
  auto writeEntries = [&](int nProcess) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kWriters; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < kEach; ++i)
          logprintf(path.c_str(), "%d.%d %s %03d\n", nProcess, t, body.c_str(), i);
      });
    for (std::thread& th : threads) th.join();
  };
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    writeEntries(1);
    _exit(0);
  }
  writeEntries(0);
  int status = 0;
  for (int i = 0; i < 3000 && waitpid(pid, &status, WNOHANG) != pid; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(WIFEXITED(status)) << "child did not finish";
  std::vector<std::string> texts = entryTexts(readAll(path), 2 * kWriters * kEach);
  for (const std::string& s : texts) {
    int p = -1, t = -1, i = -1;
    ASSERT_EQ(std::sscanf(s.c_str(), "%d.%d", &p, &t), 2) << s.substr(0, 40);
    ASSERT_EQ(s.size(), 4 + body.size() + 5) << "torn entry from " << p << "." << t;
    EXPECT_EQ(s.substr(4, body.size()), body);
    EXPECT_EQ(std::sscanf(s.c_str() + 4 + body.size(), " %d", &i), 1);
  }
#endif
}

// ---- The size bound with many writers ---------------------------------------

#if !TAVO_TEST_WINDOWS
using tavo_test::waitBounded;
#endif

struct CrowdCase {
  int processes;  // writing processes (the test's own included)
  int threads;    // writing threads in each
  int each;       // entries per thread
  int textLen;    // bytes of every entry's text (its line end included)
  int rounds;     // times the whole run is repeated
};

// Writers log entries of one length to a log that starts one byte over the
// bound.  Taking turns, each writer sees the file as the writer ahead left
// it: every file is deleted exactly when it holds the first entry past the
// bound, so the count of entries in the last file follows from the total,
// and every entry is whole, each writer's in its call order.  The first
// file, kept by a second name, is never written to.
void crowdAcrossTheBound(const CrowdCase& c) {
  const int nTotal = c.processes * c.threads * c.each;
  const int nEntry = static_cast<int>(kStampLen) + 2 + c.textLen;
  const int nPerFile = 2000000 / nEntry + 1;  // the first count whose size passes the bound
  const int nLast = nTotal - (nTotal - 1) / nPerFile * nPerFile;
  for (int round = 0; round < c.rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TempDir dir;
    const std::string path = dir.write("crowd.log", std::string(2000001, 'o'));
#if !TAVO_TEST_WINDOWS
    const std::string kept = dir.file("first.log");
    ASSERT_EQ(link(path.c_str(), kept.c_str()), 0);
#endif
    auto writeEntries = [&](int nProcess) {
      std::vector<std::thread> threads;
      for (int t = 0; t < c.threads; ++t)
        threads.emplace_back([&, t] {
          // "P.T NNNNN " (T in hex) then padding to the text's length, and the line end.
          const std::string pad(static_cast<std::size_t>(c.textLen - 11), 'x');
          for (int i = 0; i < c.each; ++i)
            logprintf(path.c_str(), "%d.%x %05d %s\n", nProcess, static_cast<unsigned>(t), i, pad.c_str());
        });
      for (std::thread& th : threads) th.join();
    };
#if TAVO_TEST_WINDOWS
    ASSERT_EQ(c.processes, 1);
    writeEntries(0);
#else
    std::fflush(nullptr);
    std::vector<pid_t> children;
    for (int p = 1; p < c.processes; ++p) {
      const pid_t pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        writeEntries(p);
        _exit(0);
      }
      children.push_back(pid);
    }
    writeEntries(0);
    for (pid_t pid : children) {
      const int status = waitBounded(pid, 120);
      ASSERT_NE(status, -1) << "a writing process did not finish";
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(readAll(kept), std::string(2000001, 'o')) << "an entry went to the deleted first file";
#endif
    const std::string log = readAll(path);
    ASSERT_LE(log.size(), static_cast<std::size_t>(nPerFile) * nEntry);
    std::vector<std::string> texts = entryTexts(log, static_cast<std::size_t>(nLast));
    std::vector<std::vector<int>> last(c.processes, std::vector<int>(c.threads, -1));
    for (const std::string& text : texts) {
      int p = -1, i = -1;
      unsigned ut = 0;
      ASSERT_EQ(std::sscanf(text.c_str(), "%d.%x %d", &p, &ut, &i), 3) << text.substr(0, 20);
      const int t = static_cast<int>(ut);
      ASSERT_TRUE(p >= 0 && p < c.processes && t >= 0 && t < c.threads && i >= 0 && i < c.each);
      ASSERT_EQ(text.size(), static_cast<std::size_t>(c.textLen)) << "a torn entry of " << p << "." << t;
      EXPECT_GT(i, last[p][t]) << "entries of " << p << "." << t << " out of order";
      last[p][t] = i;
    }
  }
}

TEST(Log, SizeBoundDeletesOnlyFullFilesWhileThreadsAndProcessesWrite) {
  const CrowdCase cases[] = {
      // Many writers, one entry each, at a log already over the bound.
      {1, 16, 1, 100, 20},
      // Many files filled and deleted by threads.
      {1, 8, 60, 50000, 1},
      // ... and by threads of several processes.
      {kWindows ? 1 : 4, 4, 40, 50000, 1},
  };
  for (const CrowdCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.processes << " processes, " << c.threads << " threads, " << c.each
                                    << " entries of " << c.textLen << " bytes");
    crowdAcrossTheBound(c);
  }
}

TEST(Log, AFifoOrSocketAtTheLogPathIsRefusedAtOnceAndALinkIsFollowed) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: FIFOs";
#else
  TempDir dir;
  // A FIFO nobody reads (an open for writing would wait for a reader for
  // ever), and one that someone reads (who would get the entries).
  const std::string fifo = dir.file("planted.log");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  alarm(20);  // a caller held in the open would be killed here
  std::string err = stderrOf([&] { logprintf(fifo.c_str(), "secret %d\n", 1); });
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::string err2 = stderrOf([&] { logprintf(fifo.c_str(), "secret %d\n", 2); });
  alarm(0);
  const std::string line = "logprintf error : fopen " + fifo + " error : " + errorText(ENXIO) + "\n";
  EXPECT_NE(err.find(line), std::string::npos) << err;
  EXPECT_NE(err2.find(line), std::string::npos) << err2;
  char buf[64];
  EXPECT_EQ(read(reader, buf, sizeof buf), 0);  // nothing reached the reader
  close(reader);

  // A symbolic link to a regular file is written through.
  const std::string target = dir.file("real.log");
  const std::string link = dir.file("link.log");
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  logprintf(link.c_str(), "via link\n");
  EXPECT_NE(readAll(target).find("  via link\n"), std::string::npos);
#endif
}

TEST(Log, WriteFailureIsReportedOnStderrLikeAnOpenFailure) {
  // /dev/full opens for appending but refuses every write.
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this system";
  std::string err = stderrOf([] { logprintf("/dev/full", "kept %d\n", 1); });
  ASSERT_GE(err.size(), kStampLen);
  EXPECT_TRUE(isStamp(err.substr(0, kStampLen)));
  EXPECT_EQ(err.substr(kStampLen),
            "  kept 1\nlogprintf error : write /dev/full error : " + errorText(ENOSPC) + "\n");
}

// ---- Error reports -------------------------------------------------------

struct ReportCase {
  const char* text;    // expanded caller text
  int err;             // errno at the call
  std::string report;  // what reaches stderr and the log
};

TEST(ErrRet, AddsTheErrorTextInPlaceOfTheLineEnd) {
  const ReportCase cases[] = {
      {"open a.txt\n", ENOENT, "open a.txt: " + errorText(ENOENT) + "\n"},
      {"failed", EACCES, "failed: " + errorText(EACCES)},
      {"", EACCES, ": " + errorText(EACCES)},
      {"\n", EPERM, ": " + errorText(EPERM) + "\n"},
      {"two\n\n", EPERM, "two\n: " + errorText(EPERM) + "\n"},
      {"no end\r", EINVAL, "no end\r: " + errorText(EINVAL)},
      {"\xa1\xa2\xff\n", ENOENT, "\xa1\xa2\xff: " + errorText(ENOENT) + "\n"},
      {"none\n", 0, "none: " + errorText(0) + "\n"},
      {"odd\n", 98765, "odd: " + errorText(98765) + "\n"},
  };
  for (const ReportCase& c : cases) {
    SCOPED_TRACE(c.text);
    TempDir dir;
    std::string path = dir.file("err.log");
    int after = -1;
    std::string err = stderrOf([&] {
      errno = c.err;
      err_ret(path.c_str(), "%s", c.text);
      after = errno;
    });
    EXPECT_EQ(err, c.report);
    EXPECT_EQ(after, c.err);
    std::string log = readAll(path);
    ASSERT_EQ(log.size(), kStampLen + 2 + c.report.size());
    EXPECT_TRUE(isStamp(log.substr(0, kStampLen)));
    EXPECT_EQ(log.substr(kStampLen), "  " + c.report);
  }
}

TEST(ErrRet, ExpandsTheFormatWithTheErrnoOfTheCall) {
  TempDir dir;
  std::string path = dir.file("err.log");
  std::string err = stderrOf([&] {
    errno = ENOENT;
    err_ret(path.c_str(), "open %s\n", "a.txt");
    errno = EACCES;
    err_ret(path.c_str(), "%m (%d)\n", 7);  // %m sees the caller's errno too
  });
  std::string first = "open a.txt: " + errorText(ENOENT) + "\n";
  std::string second = errorText(EACCES) + " (7): " + errorText(EACCES) + "\n";
  EXPECT_EQ(err, first + second);
  std::vector<std::string> texts = entryTexts(readAll(path), 2);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], first);
  EXPECT_EQ(texts[1], second);
}

TEST(ErrRet, LongReportsKeepTheirSuffix) {
  for (std::size_t n : {990u, 996u, 997u, 998u, 999u, 1000u, 1001u, 4096u, 1000000u}) {
    for (bool lineEnd : {true, false}) {
      SCOPED_TRACE(std::to_string(n) + (lineEnd ? " with line end" : " without"));
      TempDir dir;
      std::string path = dir.file("long.log");
      std::string text(n, 'q');
      if (lineEnd) text += '\n';
      std::string err = stderrOf([&] {
        errno = ENOENT;
        err_ret(path.c_str(), "%s", text.c_str());
      });
      std::string report = std::string(n, 'q') + ": " + errorText(ENOENT) + (lineEnd ? "\n" : "");
      EXPECT_TRUE(err == report) << "stderr holds " << err.size() << " bytes, expected " << report.size();
      std::string log = readAll(path);
      EXPECT_TRUE(log.size() > kStampLen && log.substr(kStampLen) == "  " + report);
    }
  }
}

TEST(ErrRet, UnopenableLogShowsTheReportTwiceOnStderr) {
  TempDir dir;
  std::string path = dir.file("no/such/dir/err.log");
  std::string err = stderrOf([&] {
    errno = EPERM;
    err_ret(path.c_str(), "denied\n");
  });
  std::string report = "denied: " + errorText(EPERM) + "\n";
  ASSERT_EQ(err.substr(0, report.size()), report);
  std::string rest = err.substr(report.size());
  EXPECT_TRUE(isStamp(rest.substr(0, kStampLen)));
  EXPECT_EQ(rest.substr(kStampLen),
            "  " + report + "logprintf error : fopen " + path + " error : " + errorText(ENOENT) + "\n");
}

TEST(ErrExitDeathTest, ReportsLogsAndExitsWithOne) {
  TempDir dir;
  std::string path = dir.file("fatal.log");
  EXPECT_EXIT(
      {
        errno = ENOENT;
        err_exit(path.c_str(), "fatal %d\n", 7);
      },
      testing::ExitedWithCode(1), "^fatal 7: No such file or directory\n$");
  // (A Windows death test re-runs the test in a new process, which logs to
  // a temporary directory of its own.)
  if (kWindows) return;
  std::string log = readAll(path);
  ASSERT_EQ(log.size(), kStampLen + 2 + 9 + errorText(ENOENT).size() + 1);
  EXPECT_EQ(log.substr(kStampLen), "  fatal 7: " + errorText(ENOENT) + "\n");
}

TEST(ErrExit, EndsTheProcessNormallyFlushingStreams) {
  TempDir dir;
  std::string out = dir.file("stdout.txt");
  std::string errOut = dir.file("stderr.txt");
  std::string path = dir.file("fatal.log");
  auto body = [&] {
    if (std::freopen(out.c_str(), "w", stdout) == nullptr) _exit(3);
    if (std::freopen(errOut.c_str(), "w", stderr) == nullptr) _exit(3);
    std::fputs("pending output", stdout);  // still in the stream's buffer
    std::atexit([] { std::fputs(" and exit handler", stdout); });
    errno = EIO;
    err_exit(path.c_str(), "gone");
  };
#if TAVO_TEST_WINDOWS
  (void)body;
  GTEST_SKIP() << "POSIX only: the exiting child is forked (a Windows death test re-runs the test in a new "
                  "process, with temporary files of its own)";
#else
  int status = runChild(body);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
#endif
  EXPECT_EQ(readAll(out), "pending output and exit handler");
  EXPECT_EQ(readAll(errOut), "gone: " + errorText(EIO));
  EXPECT_EQ(readAll(path).substr(kStampLen), "  gone: " + errorText(EIO));
}

// ---- Debug trace ---------------------------------------------------------

TEST(Debug, SwitchAndLevelChooseTheDestinations) {
  struct Case {
    int isDebug;
    int level;
    bool toStderr;
    bool toLog;
  } cases[] = {
      {0, 3, false, false}, {2, 3, false, false}, {-1, 3, false, false},
      {1, 0, false, false}, {1, 4, false, false}, {1, -1, false, false},
      {1, 1, true, false},  {1, 2, false, true},  {1, 3, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "DEBUG(" << c.isDebug << ", " << c.level << ")");
    TempDir dir;
    std::string path = dir.file("debug.log");
    std::string err = stderrOf([&] { DEBUG(c.isDebug, c.level, path.c_str(), "step %d of %s", 2, "run"); });
    EXPECT_EQ(err, c.toStderr ? "step 2 of run" : "");
    EXPECT_EQ(exists(path), c.toLog);
    if (c.toLog) EXPECT_EQ(readAll(path).substr(kStampLen), "  step 2 of run");
  }
}

TEST(Debug, BothDestinationsSeeTheSameErrnoText) {
  TAVO_SKIP_ON_WINDOWS("%m (the errno text) is a glibc printf extension");
  TempDir dir;
  std::string path = dir.file("debug.log");
  std::string err = stderrOf([&] {
    errno = ENOTDIR;
    DEBUG(1, 3, path.c_str(), "%m\n");
  });
  EXPECT_EQ(err, errorText(ENOTDIR) + "\n");
  EXPECT_EQ(readAll(path).substr(kStampLen), "  " + errorText(ENOTDIR) + "\n");
}

TEST(Debug, LevelThreeWithAnUnopenableLogReportsOnStderr) {
  TempDir dir;
  std::string path = dir.file("missing/debug.log");
  std::string err = stderrOf([&] { DEBUG(1, 3, path.c_str(), "t\n"); });
  ASSERT_EQ(err.substr(0, 2), "t\n");
  EXPECT_EQ(err.substr(2 + kStampLen),
            "  t\nlogprintf error : fopen " + path + " error : " + errorText(ENOENT) + "\n");
}

// ---- write_fp ------------------------------------------------------------

TEST(WriteFp, WritesTheTextUnchangedAndLeavesTheStreamOpen) {
  std::FILE* fp = std::tmpfile();
  ASSERT_NE(fp, nullptr);
  write_fp(fp, "a%db", 1);
  write_fp(fp, "%s", "\xff\r\n");
  write_fp(fp, "");
  ASSERT_GE(std::fputs("z", fp), 0);  // still open
  std::rewind(fp);
  char buf[32] = {};
  std::size_t n = std::fread(buf, 1, sizeof buf, fp);
  EXPECT_EQ(std::string(buf, n), "a1b\xff\r\nz");
  std::fclose(fp);
  write_fp(nullptr, "ignored %d", 1);  // a null stream does nothing
}

}  // namespace
