// tCFile: lines, reads, seeks, writes, counts, sizes, status, names, copies.
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/common.h"
#include "tCFile/tCFile.h"
#include "tCString/tCString.h"
#include "test_util.h"

namespace {

using tavo_test::ChdirGuard;
using tavo_test::kSep;
using tavo_test::openFds;
using tavo_test::realDir;
using tavo_test::take;
using tavo_test::TempDir;
using Lines = std::vector<std::string>;
constexpr bool kWindows = TAVO_TEST_WINDOWS;

// The line rules, written independently of the library: LF ends a line, CR
// ends it and swallows the next byte, the end of the data ends the last one.
Lines modelLines(const std::string& data) {
  Lines r;
  std::string cur;
  bool bAny = false;
  for (std::size_t i = 0; i < data.size(); ++i) {
    char c = data[i];
    if (c == '\n' || c == '\r') {
      if (c == '\r') ++i;
      r.push_back(cur.substr(0, cur.find('\0')));
      cur.clear();
      bAny = false;
    } else {
      cur += c;
      bAny = true;
    }
  }
  if (bAny) r.push_back(cur.substr(0, cur.find('\0')));
  return r;
}

int modelCount(const std::string& data) {
  int n = 0;
  for (char c : data) n += (c == '\n');
  if (!data.empty() && data.back() != '\n') ++n;
  return n;
}

std::string str(const tCString& s) { return std::string(static_cast<const char*>(s)); }

// ---- Lines ----------------------------------------------------------------

struct LineCase {
  std::string data;
  Lines lines;
  int nCount;
};

const LineCase kLineCases[] = {
    {"", {}, 0},
    {"a\nb", {"a", "b"}, 2},
    {"a\nb\n", {"a", "b"}, 2},
    {"a\n\nb", {"a", "", "b"}, 3},
    {"\n", {""}, 1},
    {"a\r\nb\r\n", {"a", "b"}, 2},
    {"a\rbc\n", {"a", "c"}, 1},
    {"a\r\r\nb", {"a", "", "b"}, 2},
    {"a\r", {"a"}, 1},
    {"\r", {""}, 1},
    {"\r\r\r", {"", ""}, 1},
    {"one\r\rtwo\r\r", {"one", "two"}, 1},
    {"x\n\r", {"x", ""}, 2},
    {"\xff\xfe\n\xff", {"\xff\xfe", "\xff"}, 2},
    {std::string("ab\0cd\nef", 8), {"ab", "ef"}, 2},
    {std::string("\0\n", 2), {""}, 1},
    {std::string(80, 'x'), {std::string(80, 'x')}, 1},
    {std::string(81, 'y') + "\n", {std::string(81, 'y')}, 1},
    {std::string(79, 'z') + "\r\n" + std::string(160, 'w'), {std::string(79, 'z'), std::string(160, 'w')}, 2},
    {std::string(161, 'v') + "\n\n", {std::string(161, 'v'), ""}, 2},
};

TEST(tCFileLines, EveryReaderFollowsTheLineRules) {
  TempDir dir;
  int i = 0;
  for (const LineCase& c : kLineCases) {
    SCOPED_TRACE("case " + std::to_string(i));
    std::string path = dir.write("f" + std::to_string(i++), c.data);

    tCFile f;
    ASSERT_EQ(f.Open(path.c_str(), "rb"), 1);
    char** v = f.ReadLines();
    if (c.lines.empty()) EXPECT_EQ(v, nullptr);
    EXPECT_EQ(addresslen2(v), static_cast<int>(c.lines.size()));
    EXPECT_EQ(take(v), c.lines);
    // A second read starts over from the start of the file.
    EXPECT_EQ(take(f.ReadLines()), c.lines);
    EXPECT_EQ(f.GetLines(), c.nCount);

    EXPECT_EQ(take(tCFile::ReadLines(path.c_str())), c.lines);
    EXPECT_EQ(tCFile::GetLines(path.c_str()), c.nCount);
    EXPECT_EQ(take(read_file(path.c_str())), c.lines);
  }
}

TEST(tCFileLines, RandomBytesMatchTheModel) {
  TempDir dir;
  std::mt19937 rng(12345);
  const char kAlphabet[] = {'a', 'b', '\r', '\n', '\0', '\xff', ' '};
  for (int round = 0; round < 200; ++round) {
    std::string data;
    int nLen = static_cast<int>(rng() % 400);
    for (int k = 0; k < nLen; ++k) data += kAlphabet[rng() % sizeof(kAlphabet)];
    SCOPED_TRACE("round " + std::to_string(round));
    std::string path = dir.write("r", data);
    EXPECT_EQ(take(tCFile::ReadLines(path.c_str())), modelLines(data));
    EXPECT_EQ(tCFile::GetLines(path.c_str()), modelCount(data));
  }
}

TEST(tCFileLines, BinaryFileOfEveryByte) {
  TempDir dir;
  std::string data;
  for (int rep = 0; rep < 50; ++rep)
    for (int b = 0; b < 256; ++b) data += static_cast<char>(b);
  std::string path = dir.write("bin", data);
  EXPECT_EQ(take(tCFile::ReadLines(path.c_str())), modelLines(data));
  EXPECT_EQ(tCFile::GetLines(path.c_str()), modelCount(data));
  EXPECT_EQ(tCFile::GetLength(path.c_str()), static_cast<int>(data.size()));
}

TEST(tCFileLines, TenMegabyteLine) {
  TempDir dir;
  std::string data(10 << 20, 'q');
  data[12345] = '\xff';
  std::string path = dir.write("big", data + "\r\ntail");
  char** v = tCFile::ReadLines(path.c_str());
  ASSERT_EQ(addresslen2(v), 2);
  EXPECT_EQ(std::strlen(v[0]), data.size());
  EXPECT_EQ(std::memcmp(v[0], data.data(), data.size()), 0);
  EXPECT_STREQ(v[1], "tail");
  strfreev(v);
  EXPECT_EQ(tCFile::GetLines(path.c_str()), 2);
}

TEST(tCFileLines, EndBytesAtBlockBoundariesMatchTheModel) {
  // The reader takes a file a block at a time (64 KiB for a regular file,
  // less through a pipe): a CR, a CR LF or a LF as the last byte of a block,
  // the byte a CR swallows as the first byte of the next, and a file that
  // ends right after a CR there.
  TempDir dir;
  const std::size_t kBlock = 1 << 16;
  const char* const kEnds[] = {"\r", "\r\n", "\n", "\rx", "\n\r", "\r\r"};
  for (std::size_t at = kBlock - 2; at <= kBlock + 1; ++at) {
    for (const char* end : kEnds) {
      for (const char* tail : {"", "next\n", "z"}) {
        std::string data(at, 'a');
        for (std::size_t i = 97; i < at; i += 97) data[i] = '\n';  // short lines on the way
        data += end;
        data += tail;
        SCOPED_TRACE(testing::Message() << "at " << at << ", end " << testing::PrintToString(std::string(end))
                                        << ", tail " << testing::PrintToString(std::string(tail)));
        std::string path = dir.write("b", data);
        const Lines expected = modelLines(data);
        ASSERT_EQ(take(tCFile::ReadLines(path.c_str())), expected);
        ASSERT_EQ(tCFile::GetLines(path.c_str()), modelCount(data));
        ASSERT_EQ(take(read_file_lines(path.c_str(), 3)), Lines(expected.begin(), expected.begin() + 3));
      }
    }
  }
}

TEST(tCFileLines, MillionEmptyLines) {
  // The vector grows one slot per line; under ASan every growth copies, so
  // the count is smaller there.
  const int n = TAVO_TEST_SANITIZED ? 10000 : 1000000;
  TempDir dir;
  std::string path = dir.write("empty", std::string(n, '\n'));
  char** v = tCFile::ReadLines(path.c_str());
  ASSERT_EQ(addresslen2(v), n);
  for (int i = 0; i < n; ++i) ASSERT_EQ(v[i][0], '\0') << i;
  strfreev(v);
  EXPECT_EQ(tCFile::GetLines(path.c_str()), n);
  char** w = read_file_lines(path.c_str(), 3);
  EXPECT_EQ(addresslen2(w), 3);
  strfreev(w);
}

TEST(tCFileLines, MissingFile) {
  TempDir dir;
  std::string path = dir.file("missing");
  EXPECT_EQ(tCFile::ReadLines(path.c_str()), nullptr);
  EXPECT_EQ(tCFile::GetLines(path.c_str()), -1);
  EXPECT_EQ(tCFile::GetLength(path.c_str()), -1);
  struct stat st;
  std::memset(&st, 0xAB, sizeof st);
  struct stat untouched = st;
  EXPECT_EQ(tCFile::GetStatus(path.c_str(), &st), 0);
  EXPECT_EQ(std::memcmp(&st, &untouched, sizeof st), 0);
}

// Reading a stream opened for writing only fails: no lines, and a count
// of -1 (not 0, which would pass for an empty file).
TEST(tCFileLines, WriteOnlyStreamCannotBeRead) {
  TempDir dir;
  std::string path = dir.write("w", "a\nb\n");
  tCFile f;
  ASSERT_EQ(f.Open(path.c_str(), "ab"), 1);
  EXPECT_EQ(f.ReadLines(), nullptr);
  EXPECT_EQ(f.GetLines(), -1);
  // The stream still writes after the failed reads.
  EXPECT_EQ(f.Write("c\n"), 1);
  f.Close();
  EXPECT_EQ(tavo_test::readAll(path), "a\nb\nc\n");
}

// A FIFO cannot seek: GetLines reports -1 without reading anything, the
// lines are then read from where the stream stands, and Write, which seeks
// to the end first, writes nothing and returns 0.
TEST(tCFileLines, FifoCannotSeek) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: a FIFO made with mkfifo";
#else
  TempDir dir;
  std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A reader and a writer of our own, so that no open blocks.
  const int r = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(r, 0);
  const int w = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(w, 0);
  {
    tCFile f;
    ASSERT_EQ(f.Open(fifo.c_str(), "rb"), 1);
    ASSERT_EQ(write(w, "a\nb\n", 4), 4);
    close(w);
    EXPECT_EQ(f.GetLines(), -1);
    EXPECT_EQ(take(f.ReadLines()), (Lines{"a", "b"}));
  }
  {
    tCFile f;
    ASSERT_EQ(f.Open(fifo.c_str(), "w"), 1);
    EXPECT_EQ(f.Write("abc"), 0);
  }
  char buf[8];
  EXPECT_EQ(read(r, buf, sizeof buf), 0);  // the writer closed having sent nothing
  close(r);
#endif
}

TEST(tCFileLines, DirectoryOpenedAsFile) {
  TAVO_SKIP_ON_WINDOWS("the Windows runtime does not open a directory as a file");
  TempDir dir;
  tCFile f;
  ASSERT_EQ(f.Open(dir.path().c_str(), "rb"), 1);  // stdio opens directories for reading
  EXPECT_EQ(f.ReadLines(), nullptr);
  EXPECT_EQ(f.GetLines(), -1);  // EISDIR: a failed read, not an empty file
  char buf[16];
  EXPECT_EQ(f.Read(buf, 10, 0), f.GetLength() > 0 ? -1 : 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(tCFile::ReadLines(dir.path().c_str()), nullptr);
  EXPECT_EQ(tCFile::GetLines(dir.path().c_str()), -1);
  EXPECT_EQ(read_file(dir.path().c_str()), nullptr);
}

TEST(tCFileLines, UnreadableFileAsAnotherUser) {
#if TAVO_TEST_WINDOWS
  GTEST_SKIP() << "POSIX only: the reader is a forked child that switches to another uid";
#else
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged uid";
  TempDir dir;
  std::string path = dir.write("secret", "x\ny\n");
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  std::fflush(nullptr);
  pid_t pid = fork();
  ASSERT_NE(pid, -1);
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    int bad = 0;
    tCFile f;
    bad |= (f.Open(path.c_str(), "rb") != 0) << 0;
    bad |= (tCFile::ReadLines(path.c_str()) != nullptr) << 1;
    bad |= (tCFile::GetLines(path.c_str()) != -1) << 2;
    bad |= (tCFile::GetLength(path.c_str()) != -1) << 3;
    struct stat st;
    bad |= (tCFile::GetStatus(path.c_str(), &st) != 0) << 4;
    bad |= (read_file(path.c_str()) != nullptr) << 5;
    bad |= (read_file_lines(path.c_str(), 1) != nullptr) << 6;
    tCFile g(path.c_str(), "rb");  // left closed
    tCString s;
    bad |= (g.GetFileName(s) != 0) << 7;
    _exit(bad);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

#if !TAVO_TEST_WINDOWS
// A stream that delivers its chunks one read at a time; a null chunk is a
// failed read.  stdio does not keep a read error: the read after it asks
// the source again, so the readers themselves must stop at the failure.
struct FlakySource {
  std::vector<const char*> chunks;
  std::size_t nNext = 0;
};

ssize_t flakyRead(void* pCookie, char* pBuf, std::size_t nSize) {
  FlakySource* src = static_cast<FlakySource*>(pCookie);
  if (src->nNext == src->chunks.size()) return 0;
  const char* chunk = src->chunks[src->nNext++];
  if (chunk == nullptr) return -1;
  std::size_t n = std::strlen(chunk);
  if (n > nSize) std::abort();
  std::memcpy(pBuf, chunk, n);
  return static_cast<ssize_t>(n);
}

// Only the rewind the readers make: back to the first chunk.
int flakySeek(void* pCookie, off64_t* pOffset, int nWhence) {
  if (nWhence == SEEK_CUR && *pOffset == 0) return 0;
  if (nWhence != SEEK_SET || *pOffset != 0) return -1;
  static_cast<FlakySource*>(pCookie)->nNext = 0;
  return 0;
}

// A tCFile reading a stream that it did not open (and does not close).
class OnStream : public tCFile {
 public:
  explicit OnStream(FILE* fp) { m_pFile = fp; }
  ~OnStream() { m_pFile = nullptr; }
};

// A stream that hands out `data` in reads of the sizes in `sizes` (cycled),
// so that the reader's blocks end anywhere.
struct ChunkedSource {
  std::string data;
  std::vector<std::size_t> sizes;
  std::size_t nPos = 0;
  std::size_t nRead = 0;
};

ssize_t chunkedRead(void* pCookie, char* pBuf, std::size_t nSize) {
  ChunkedSource* src = static_cast<ChunkedSource*>(pCookie);
  std::size_t n =
      std::min({src->sizes[src->nRead++ % src->sizes.size()], nSize, src->data.size() - src->nPos});
  std::memcpy(pBuf, src->data.data() + src->nPos, n);
  src->nPos += n;
  return static_cast<ssize_t>(n);
}

int chunkedSeek(void* pCookie, off64_t* pOffset, int nWhence) {
  if (nWhence == SEEK_CUR && *pOffset == 0) return 0;
  if (nWhence != SEEK_SET || *pOffset != 0) return -1;
  static_cast<ChunkedSource*>(pCookie)->nPos = 0;
  return 0;
}

TEST(tCFileLines, BlocksEndingAnywhereMatchTheModel) {
  std::mt19937 rng(99);
  const char kAlphabet[] = {'a', 'b', '\r', '\n', '\0', '\xff'};
  for (int round = 0; round < 300; ++round) {
    ChunkedSource src;
    for (int k = 0, n = static_cast<int>(rng() % 300); k < n; ++k)
      src.data += kAlphabet[rng() % sizeof kAlphabet];
    for (int k = 0; k < 5; ++k) src.sizes.push_back(1 + rng() % 9);
    SCOPED_TRACE("round " + std::to_string(round));
    cookie_io_functions_t io = {chunkedRead, nullptr, chunkedSeek, nullptr};
    FILE* fp = fopencookie(&src, "r", io);
    ASSERT_NE(fp, nullptr);
    {
      OnStream f(fp);
      EXPECT_EQ(take(f.ReadLines()), modelLines(src.data));
      EXPECT_EQ(f.GetLines(), modelCount(src.data));
    }
    std::fclose(fp);
  }
}

// A read that fails part way fails the whole read: no lines and a count of
// -1, never the lines before the failure passed off as the whole file.
TEST(tCFileLines, ReadErrorFailsTheLinesAndTheCount) {
  struct Case {
    std::vector<const char*> chunks;
    Lines lines;
    int nCount;
  };
  const Case cases[] = {
      {{"ab", nullptr, "cd\nef"}, {}, -1}, {{"ab\n", nullptr, "cd\n"}, {}, -1},
      {{"a\r", nullptr, "b\n"}, {}, -1},                                   // the byte after CR fails
      {{nullptr, "x\n"}, {}, -1},          {{"ab\ncd"}, {"ab", "cd"}, 2},  // control: no failure
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.lines));
    FlakySource src;
    src.chunks = c.chunks;
    cookie_io_functions_t io = {flakyRead, nullptr, flakySeek, nullptr};
    FILE* fp = fopencookie(&src, "r", io);
    ASSERT_NE(fp, nullptr);
    {
      OnStream f(fp);
      EXPECT_EQ(take(f.ReadLines()), c.lines);
      EXPECT_EQ(f.GetLines(), c.nCount);
    }
    std::fclose(fp);
  }
}
#else
TEST(tCFileLines, BlocksEndingAnywhereMatchTheModel) {
  GTEST_SKIP() << "POSIX only: the streams whose reads end anywhere are fopencookie streams";
}

TEST(tCFileLines, ReadErrorFailsTheLinesAndTheCount) {
  GTEST_SKIP() << "POSIX only: the streams that fail part-way are fopencookie streams";
}
#endif

// ---- Open, Close, constructor -------------------------------------------------

// A close whose write-out fails (a full disk) has lost bytes the caller
// wrote: it reports 0 with the reason in errno, and the object is closed
// all the same.  Only the last holder closes the stream, so only it can
// tell.
TEST(tCFileOpen, CloseReportsALostWriteOut) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this system";
  tCFile f;
  ASSERT_EQ(f.Open("/dev/full", "wb"), 1);
  EXPECT_EQ(f.Write("%s", "still in the buffer"), 1);
  tCFile copy(f);
  EXPECT_EQ(copy.Close(), 1);
  errno = 0;
  EXPECT_EQ(f.Close(), 0);
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(f.Close(), 1);  // closed: nothing left to lose
  EXPECT_EQ(f.Open("/dev/null", "wb"), 1);
  EXPECT_EQ(f.Close(), 1);
}

TEST(tCFileOpen, OpenTwiceKeepsTheFirstFile) {
  TempDir dir;
  std::string a = dir.write("a.txt", "A");
  std::string b = dir.write("b.txt", "B");
  tCFile f;
  ASSERT_EQ(f.Open(a.c_str(), "rb"), 1);
  EXPECT_EQ(f.Open(b.c_str(), "rb"), 0);
  tCString name;
  ASSERT_EQ(f.GetFileName(name), 1);
  EXPECT_EQ(str(name), "a.txt");
  char buf[4];
  EXPECT_EQ(f.Read(buf, 3, 0), 1);
  EXPECT_STREQ(buf, "A");
}

TEST(tCFileOpen, FailedOpenLeavesObjectClosed) {
  TempDir dir;
  tCFile f;
  EXPECT_EQ(f.Open(dir.file("missing").c_str(), "rb"), 0);
  tCString s("unchanged");
  EXPECT_EQ(f.GetFileName(s), 0);
  EXPECT_EQ(f.GetFilePath(s), 0);
  EXPECT_EQ(str(s), "unchanged");
  // It can still open another file afterwards.
  std::string ok = dir.write("ok", "1");
  EXPECT_EQ(f.Open(ok.c_str(), "rb"), 1);
}

TEST(tCFileOpen, ConstructorOnMissingFileLeavesObjectClosed) {
  TempDir dir;
  tCFile f(dir.file("missing").c_str(), "rb");
  char buf[64] = "untouched";
  EXPECT_EQ(f.GetFileName(buf), 0);
  EXPECT_EQ(f.GetFilePath(buf), 0);
  EXPECT_STREQ(buf, "untouched");
  EXPECT_DEATH(f.ReadLines(), "m_pFile");
}

TEST(tCFileOpen, CloseIsRepeatableAndReopens) {
  TempDir dir;
  std::string a = dir.write("a", "1\n");
  tCFile f(a.c_str(), "rb");
  EXPECT_EQ(f.GetLines(), 1);
  EXPECT_EQ(f.Close(), 1);
  EXPECT_EQ(f.Close(), 1);
  char buf[8];
  EXPECT_EQ(f.GetFileName(buf), 0);
  EXPECT_EQ(f.Open(a.c_str(), "rb"), 1);
  EXPECT_EQ(f.GetLines(), 1);
}

// ---- Read and Seek ------------------------------------------------------------

TEST(tCFileRead, PositionsAndCounts) {
  TempDir dir;
  std::string p = dir.write("abcd", "abcd");
  tCFile f(p.c_str(), "rb");
  char buf[16];
  EXPECT_EQ(f.Read(buf, 10, 0), 4);
  EXPECT_STREQ(buf, "abcd");
  EXPECT_EQ(f.Read(buf, 2, 1), 2);
  EXPECT_STREQ(buf, "bc");
  EXPECT_EQ(f.Read(buf, 10, __MYFILE_CURRENT__), 1);
  EXPECT_STREQ(buf, "d");
  EXPECT_EQ(f.Read(buf, 10, 4), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(f.Read(buf, 10, 1000), 0);

  // __MYFILE_END__ and an out-of-range start leave the position alone.
  EXPECT_EQ(f.Read(buf, 1, 0), 1);
  EXPECT_EQ(f.Read(buf, 10, __MYFILE_END__), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(f.Read(buf, 10, 99), 0);
  EXPECT_EQ(f.Read(buf, 10, __MYFILE_CURRENT__), 3);
  EXPECT_STREQ(buf, "bcd");
}

TEST(tCFileRead, EmptyFile) {
  TempDir dir;
  std::string p = dir.write("empty", "");
  tCFile f(p.c_str(), "rb");
  char buf[4] = "xyz";
  EXPECT_EQ(f.Read(buf, 3, 0), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(f.ReadLines(), nullptr);
  EXPECT_EQ(f.GetLines(), 0);
  EXPECT_EQ(f.GetLength(), 0);
}

TEST(tCFileRead, CurrentAfterLinesIsAtTheEnd) {
  TempDir dir;
  std::string p = dir.write("f", "a\nb\n");
  tCFile f(p.c_str(), "rb");
  char buf[8];
  strfreev(f.ReadLines());
  EXPECT_EQ(f.Read(buf, 5, __MYFILE_CURRENT__), 0);
  EXPECT_EQ(f.GetLines(), 2);
  EXPECT_EQ(f.Read(buf, 5, __MYFILE_CURRENT__), 0);
}

TEST(tCFileRead, IntoStringStopsAtNulButCountsEveryByte) {
  TempDir dir;
  std::string p = dir.write("nulbyte", std::string("ab\0cd", 5));  // ("nul" is a device on Windows)
  tCFile f(p.c_str(), "rb");
  tCString s("old");
  EXPECT_EQ(f.Read(s, 10, 0), 5);
  EXPECT_EQ(str(s), "ab");
  EXPECT_EQ(f.Read(s, 2, 3), 2);
  EXPECT_EQ(str(s), "cd");
  EXPECT_EQ(f.Read(s, 2, __MYFILE_END__), 0);
  EXPECT_EQ(str(s), "");
}

TEST(tCFileRead, ReadErrorIsMinusOne) {
  TempDir dir;
  std::string p = dir.file("wo");
  tCFile f(p.c_str(), "wb");
  ASSERT_EQ(f.Write("hello"), 1);
  char buf[16] = "junk";
  EXPECT_EQ(f.Read(buf, 10, 0), -1);  // write-only stream
  EXPECT_STREQ(buf, "");
  tCString s("junk");
  EXPECT_EQ(f.Read(s, 10, 0), -1);
  EXPECT_EQ(str(s), "");
}

TEST(tCFileRead, LargeSparseFile) {
  TempDir dir;
  std::string p = dir.write("sparse", "");
  // 3 GB without data blocks: the size does not fit an int.
  ASSERT_TRUE(tavo_test::setFileSize(p, 3LL << 30));
  tCFile f(p.c_str(), "rb");
  EXPECT_EQ(f.GetLength(), -1);
  EXPECT_EQ(tCFile::GetLength(p.c_str()), -1);
  // (The 32-bit Windows runtime's struct stat holds sizes below 2 GiB only.)
  if (!kWindows) {
    struct stat st;
    ASSERT_EQ(f.GetStatus(&st), 1);
    EXPECT_EQ(static_cast<long long>(st.st_size), 3LL << 30);
  }
  char buf[8] = "xxxxxxx";
  EXPECT_EQ(f.Read(buf, 4, INT_MAX - 10), 4);
  EXPECT_EQ(std::memcmp(buf, "\0\0\0\0", 5), 0);
  EXPECT_EQ(f.Seek(INT_MAX, 100), 1);
  EXPECT_EQ(f.Read(buf, 3, __MYFILE_CURRENT__), 3);
}

TEST(tCFileSeek, Positions) {
  TempDir dir;
  std::string p = dir.write("s", "0123456789");
  tCFile f(p.c_str(), "rb");
  char buf[4];
  struct Case {
    int nOffset, nStart;
    const char* expected;  // next byte read, or null when the seek fails
  };
  const Case cases[] = {
      {5, 0, "5"},
      {0, 5, "5"},
      {2, 3, "5"},
      {-1, __MYFILE_END__, "9"},
      {-10, __MYFILE_END__, "0"},
      {0, __MYFILE_END__, ""},
      {-1, 0, nullptr},
      {-11, __MYFILE_END__, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.nOffset) + "," + std::to_string(c.nStart));
    ASSERT_EQ(f.Seek(0, 0), 1);
    EXPECT_EQ(f.Seek(c.nOffset, c.nStart), c.expected ? 1 : 0);
    if (c.expected) {
      f.Read(buf, 1, __MYFILE_CURRENT__);
      EXPECT_STREQ(buf, c.expected);
    }
  }
  ASSERT_EQ(f.Seek(2, 0), 1);
  EXPECT_EQ(f.Seek(3, __MYFILE_CURRENT__), 1);
  f.Read(buf, 1, __MYFILE_CURRENT__);
  EXPECT_STREQ(buf, "5");
  EXPECT_EQ(f.Seek(-2, __MYFILE_CURRENT__), 1);
  f.Read(buf, 1, __MYFILE_CURRENT__);
  EXPECT_STREQ(buf, "4");
}

// ---- Write ----------------------------------------------------------------------

TEST(tCFileWrite, MemberAppendsAtTheEndWhateverThePosition) {
  TempDir dir;
  std::string p = dir.write("w", "abc\n");
  tCFile f(p.c_str(), "r+b");
  char buf[8];
  f.Read(buf, 1, 0);
  EXPECT_EQ(f.Write("%d-%s\n", 42, "x"), 1);
  EXPECT_EQ(f.Seek(0, 0), 1);
  EXPECT_EQ(f.Write("%s", "tail"), 1);
  EXPECT_EQ(f.Write("%s", ""), 0);  // nothing written although nothing failed
  EXPECT_EQ(f.GetLength(), 13);     // pending output counts
  EXPECT_EQ(f.Read(buf, 5, 4), 5);
  EXPECT_STREQ(buf, "42-x\n");
  EXPECT_EQ(take(f.ReadLines()), (Lines{"abc", "42-x", "tail"}));
  f.Close();
  EXPECT_EQ(tavo_test::readAll(p), "abc\n42-x\ntail");
}

TEST(tCFileWrite, WriteThenReadOnAnUpdateStream) {
  TempDir dir;
  std::string p = dir.file("u");
  tCFile f(p.c_str(), "w+");
  EXPECT_EQ(f.Write("hello"), 1);
  char buf[16];
  EXPECT_EQ(f.Read(buf, 10, __MYFILE_CURRENT__), 0);  // at the end after the write
  EXPECT_EQ(f.Read(buf, 10, 0), 5);
  EXPECT_STREQ(buf, "hello");
  struct stat st;
  ASSERT_EQ(f.Write(" world"), 1);
  ASSERT_EQ(f.GetStatus(&st), 1);
  EXPECT_EQ(st.st_size, 11);
}

TEST(tCFileWrite, MemberOnReadOnlyStreamFails) {
  TempDir dir;
  std::string p = dir.write("ro", "x");
  tCFile f(p.c_str(), "rb");
  EXPECT_EQ(f.Write("abc"), 0);
  f.Close();
  EXPECT_EQ(tavo_test::readAll(p), "x");
}

TEST(tCFileWrite, Static) {
  TempDir dir;
  std::string p = dir.file("s");
  EXPECT_EQ(tCFile::Write(p.c_str(), "ab", "%s=%d\n", "k", 7), 1);
  EXPECT_EQ(tCFile::Write(p.c_str(), "ab", "%s", "more"), 1);
  EXPECT_EQ(tCFile::Write(p.c_str(), "ab", "%s", ""), 0);
  EXPECT_EQ(tavo_test::readAll(p), "k=7\nmore");
  EXPECT_EQ(tCFile::Write(p.c_str(), "wb", "%s", "new"), 1);
  EXPECT_EQ(tavo_test::readAll(p), "new");
  EXPECT_EQ(tCFile::Write(dir.file("no/such").c_str(), "wb", "%s", "x"), 0);
  // The text only reaches the device at the close, which fails here.
  if (access("/dev/full", W_OK) == 0) EXPECT_EQ(tCFile::Write("/dev/full", "wb", "%s", "x"), 0);
}

// ---- Length and status ------------------------------------------------------

TEST(tCFileStatus, LengthAndStatusAgree) {
  TempDir dir;
  std::string p = dir.write("st", std::string(1234, 'z'));
  tCFile f(p.c_str(), "rb");
  EXPECT_EQ(f.GetLength(), 1234);
  EXPECT_EQ(tCFile::GetLength(p.c_str()), 1234);
  struct stat a, b;
  ASSERT_EQ(f.GetStatus(&a), 1);
  ASSERT_EQ(tCFile::GetStatus(p.c_str(), &b), 1);
  EXPECT_EQ(a.st_size, 1234);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_TRUE(S_ISREG(a.st_mode));
  // The length query does not disturb reading.
  char buf[4];
  EXPECT_EQ(f.Read(buf, 2, 0), 2);
  EXPECT_EQ(f.GetLength(), 1234);
  EXPECT_EQ(f.Read(buf, 2, __MYFILE_CURRENT__), 2);
  EXPECT_EQ(f.GetLines(), 1);
}

// ---- Names ----------------------------------------------------------------------

TEST(tCFileNames, FileNameTakesThePartAfterTheLastSeparator) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("d").c_str(), 0755), 0);
  struct Case {
    std::string opened;
    std::string name;
  };
  std::vector<Case> cases;
  if (kWindows) {
    dir.write("d\\f.txt", "");
    cases = {
        {dir.file("d\\f.txt"), "f.txt"},
        {dir.file("d\\..\\d\\.\\f.txt"), "f.txt"},
        {dir.path() + "\\d/f.txt", "d/f.txt"},  // the slash is an ordinary byte here
    };
  } else {
    dir.write("d/f.txt", "");
    dir.write("back\\slash.txt", "");
    cases = {
        {dir.file("d/f.txt"), "f.txt"},
        {dir.file("d/../d/./f.txt"), "f.txt"},
        {dir.file("back\\slash.txt"), "back\\slash.txt"},  // the backslash is an ordinary byte here
        {dir.file("d/"), ""},                              // a directory opened by a name ending in '/'
    };
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opened);
    tCFile f;
    ASSERT_EQ(f.Open(c.opened.c_str(), "rb"), 1);
    char buf[4096];
    ASSERT_EQ(f.GetFileName(buf), 1);
    EXPECT_EQ(std::string(buf), c.name);
    tCString s;
    ASSERT_EQ(f.GetFileName(s), 1);
    EXPECT_EQ(str(s), c.name);
  }
  ChdirGuard cd(dir.file("d"));
  tCFile f("f.txt", "rb");
  tCString s;
  ASSERT_EQ(f.GetFileName(s), 1);
  EXPECT_EQ(str(s), "f.txt");
}

TEST(tCFileNames, FilePathResolvesTheDirectoryNow) {
  TempDir dir;
  std::string real = realDir(dir.path());
  ASSERT_EQ(mkdir(dir.file("a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("b").c_str(), 0755), 0);
  const std::string sep(1, kSep);
  dir.write("a" + sep + "f.txt", "x");

  struct Case {
    std::string opened;
    std::string path;
  };
  std::vector<Case> cases = {
      {dir.file("a" + sep + "f.txt"), real + sep + "a" + sep + "f.txt"},
      {dir.file("b" + sep + ".." + sep + "a" + sep + "." + sep + "f.txt"), real + sep + "a" + sep + "f.txt"},
  };
#if !TAVO_TEST_WINDOWS
  ASSERT_EQ(symlink("a", dir.file("link").c_str()), 0);
  dir.write("back\\slash", "x");
  cases.push_back({dir.file("link/f.txt"), real + "/a/f.txt"});  // symbolic links resolved
  cases.push_back({dir.file("back\\slash"), real + "/back\\slash"});
  cases.push_back({dir.file("a/"), real + "/a/"});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opened);
    tCFile f;
    ASSERT_EQ(f.Open(c.opened.c_str(), "rb"), 1);
    char buf[4096];
    ASSERT_EQ(f.GetFilePath(buf), 1);
    EXPECT_EQ(std::string(buf), c.path);
    tCString s("old");
    ASSERT_EQ(f.GetFilePath(s), 1);
    EXPECT_EQ(str(s), c.path);
  }

  // A relative name is resolved against the current directory of the call.
  char* before = getcwd(nullptr, 0);
  {
    ChdirGuard cd(dir.file("a"));
    tCFile f("f.txt", "rb");
    tCString s;
    ASSERT_EQ(f.GetFilePath(s), 1);
    EXPECT_EQ(str(s), real + sep + "a" + sep + "f.txt");
    ChdirGuard cd2(dir.file("b"));
    ASSERT_EQ(f.GetFilePath(s), 1);
    EXPECT_EQ(str(s), real + sep + "b" + sep + "f.txt");
  }
  char* after = getcwd(nullptr, 0);
  EXPECT_STREQ(before, after);
  std::free(before);
  std::free(after);
}

TEST(tCFileNames, FilePathInTheRootDirectoryHasOneSeparator) {
  TAVO_SKIP_ON_WINDOWS("a drive's root is C:\\ and the separator follows it (see the next test)");
  // Any entry of the root directory will do (stdio opens directories for
  // reading too); only the directory part is resolved.
  for (const char* name : {"/etc", "/etc/../etc", "//etc"}) {
    SCOPED_TRACE(name);
    tCFile f;
    ASSERT_EQ(f.Open(name, "rb"), 1);
    tCString s;
    ASSERT_EQ(f.GetFilePath(s), 1);
    EXPECT_EQ(str(s), "/etc");
  }
}

TEST(tCFileNames, FilePathInADriveRootFollowsTheRootWithTheSeparator) {
  if (!kWindows) GTEST_SKIP() << "Windows only: a drive's root directory";
  // Windows names a drive's root with its separator (C:\); the path is
  // that root, the separator and the name: C:\\f.txt.
  const std::string temp = tavo_test::tempRoot();
  const std::string root = temp.substr(0, 3);  // "C:\"
  ASSERT_EQ(root.substr(1), ":\\");
  const std::string name = "tavo_root_" + std::to_string(getpid()) + ".txt";
  const std::string file = root + name;
  {
    std::FILE* fp = std::fopen(file.c_str(), "wb");
    if (fp == nullptr) GTEST_SKIP() << "no file can be made in " << root;
    std::fclose(fp);
  }
  for (const std::string& opened : {file, root + "." + kSep + name}) {
    SCOPED_TRACE(opened);
    tCFile f;
    ASSERT_EQ(f.Open(opened.c_str(), "rb"), 1);
    tCString s;
    ASSERT_EQ(f.GetFilePath(s), 1);
    EXPECT_EQ(str(s), root + kSep + name);
    char buf[4096];
    ASSERT_EQ(f.GetFilePath(buf), 1);
    EXPECT_STREQ(buf, (root + kSep + name).c_str());
  }
  std::remove(file.c_str());
}

TEST(tCFileNames, FilePathOfAVanishedDirectoryIsZero) {
  TAVO_SKIP_ON_WINDOWS("a file that is open cannot be deleted, nor its directory removed");
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("gone").c_str(), 0755), 0);
  std::string p = dir.write("gone/f", "x");
  tCFile f(p.c_str(), "rb");
  ASSERT_EQ(unlink(p.c_str()), 0);
  ASSERT_EQ(rmdir(dir.file("gone").c_str()), 0);
  char buf[32] = "untouched";
  EXPECT_EQ(f.GetFilePath(buf), 0);
  EXPECT_STREQ(buf, "untouched");
  tCString s("untouched");
  EXPECT_EQ(f.GetFilePath(s), 0);
  EXPECT_EQ(str(s), "untouched");
  // The bare name needs no lookup.
  EXPECT_EQ(f.GetFileName(s), 1);
  EXPECT_EQ(str(s), "f");
}

TEST(tCFileNames, FilePathBeyondTwoHundredBytes) {
  TempDir dir;
  std::string real = realDir(dir.path());
  std::string rel;
  // Windows paths stay below MAX_PATH (260): 6 levels of 30 bytes there.
  const int nLevels = kWindows ? 6 : 8;
  const std::size_t nLevel = kWindows ? 30 : 60;
  for (int i = 0; i < nLevels; ++i) {
    rel += std::string(nLevel, static_cast<char>('a' + i)) + kSep;
    ASSERT_EQ(mkdir(dir.file(rel).c_str(), 0755), 0);
  }
  std::string p = dir.write(rel + "leaf.txt", "x");
  tCFile f(p.c_str(), "rb");
  tCString s;
  ASSERT_EQ(f.GetFilePath(s), 1);
  EXPECT_EQ(str(s), real + kSep + rel + "leaf.txt");
  EXPECT_GT(s.GetLength(), kWindows ? 200 : 480);
}

// ---- Copies -----------------------------------------------------------------------

TEST(tCFileCopy, CopiesShareStreamAndNameAndReleaseOnce) {
  TempDir dir;
  std::string p = dir.write("c.txt", "one\ntwo\n");
  const int nFds = openFds();
  tCFile* src = new tCFile(p.c_str(), "r+b");
  tCFile copy(*src);
  EXPECT_EQ(openFds(), nFds + 1);
  // Both read and write the one stream while both are open.
  EXPECT_EQ(take(copy.ReadLines()), (Lines{"one", "two"}));
  EXPECT_EQ(copy.Write("three\n"), 1);
  EXPECT_EQ(take(src->ReadLines()), (Lines{"one", "two", "three"}));
  // They share the position.
  ASSERT_EQ(src->Seek(4, 0), 1);
  char buf[8];
  EXPECT_EQ(copy.Read(buf, 3, __MYFILE_CURRENT__), 3);
  EXPECT_STREQ(buf, "two");

  // The source goes; the copy keeps the stream and the name.
  delete src;
  EXPECT_EQ(copy.Write("four\n"), 1);
  EXPECT_EQ(take(copy.ReadLines()), (Lines{"one", "two", "three", "four"}));
  tCString s;
  ASSERT_EQ(copy.GetFileName(s), 1);
  EXPECT_EQ(str(s), "c.txt");

  // Closing one sharer leaves the other working.
  tCFile third(copy);
  EXPECT_EQ(third.Close(), 1);
  EXPECT_EQ(third.GetFileName(s), 0);
  EXPECT_EQ(copy.GetLines(), 4);
  EXPECT_EQ(openFds(), nFds + 1);
  EXPECT_EQ(copy.Close(), 1);
  EXPECT_EQ(openFds(), nFds);
  EXPECT_EQ(tavo_test::readAll(p), "one\ntwo\nthree\nfour\n");
}

TEST(tCFileCopy, AssignmentReleasesTheOldStream) {
  TempDir dir;
  std::string a = dir.write("a", "A\n");
  std::string b = dir.write("b", "B\n");
  const int nFds = openFds();
  tCFile fa(a.c_str(), "rb");
  tCFile fb(b.c_str(), "rb");
  EXPECT_EQ(openFds(), nFds + 2);
  fa = fb;  // fa's own stream is closed here
  EXPECT_EQ(openFds(), nFds + 1);
  EXPECT_EQ(take(fa.ReadLines()), (Lines{"B"}));
  fa = fa;  // self-assignment changes nothing
  fa = fb;  // already sharing
  EXPECT_EQ(take(fa.ReadLines()), (Lines{"B"}));
  EXPECT_EQ(openFds(), nFds + 1);
  tCFile closed;
  fb = closed;
  char buf[8];
  EXPECT_EQ(fb.GetFileName(buf), 0);
  EXPECT_EQ(take(fa.ReadLines()), (Lines{"B"}));
  fa = closed;
  EXPECT_EQ(openFds(), nFds);
  tCFile copyOfClosed(closed);
  EXPECT_EQ(copyOfClosed.GetFilePath(buf), 0);
  EXPECT_EQ(copyOfClosed.Open(a.c_str(), "rb"), 1);
  EXPECT_EQ(take(copyOfClosed.ReadLines()), (Lines{"A"}));
}

TEST(tCFileCopy, ManySharersDestroyedInAnyOrder) {
  TempDir dir;
  std::string p = dir.write("m", "x\n");
  const int nFds = openFds();
  std::vector<tCFile*> v;
  v.push_back(new tCFile(p.c_str(), "rb"));
  for (int i = 0; i < 20; ++i) v.push_back(new tCFile(*v[static_cast<std::size_t>(i) / 2]));
  for (std::size_t i = 0; i < v.size(); i += 2) delete v[i];
  for (std::size_t i = 1; i < v.size(); i += 2) {
    EXPECT_EQ(v[i]->GetLines(), 1);
    EXPECT_EQ(openFds(), nFds + 1);
    delete v[i];
  }
  EXPECT_EQ(openFds(), nFds);
}

// ---- Preconditions ----------------------------------------------------------------

TEST(tCFileDeath, PreconditionsNameTheirExpression) {
  TempDir dir;
  std::string p = dir.write("d", "abc");
  tCFile open(p.c_str(), "rb");
  tCFile closed;
  char buf[8];
  struct stat st;
  tCString s;
  // Positive controls.
  EXPECT_EQ(open.Read(buf, 1, __MYFILE_CURRENT__), 1);
  EXPECT_EQ(open.Seek(0, __MYFILE_CURRENT__), 1);

  EXPECT_DEATH(open.Read(buf, 0, 0),
               "Assertion failed: m_pFile && pBuf && \\(nCount > 0\\) && \\(nStart >= __MYFILE_CURRENT__\\), "
               "file tCFile/tCFile.cpp, line " TAVO_RE_DIGITS);
  EXPECT_DEATH(open.Read(buf, 1, -3),
               "m_pFile && pBuf && \\(nCount > 0\\) && \\(nStart >= __MYFILE_CURRENT__\\)");
  EXPECT_DEATH(closed.Read(buf, 1, 0), "m_pFile && pBuf && \\(nCount > 0\\)");
  EXPECT_DEATH(open.Read(static_cast<char*>(nullptr), 1, 0), "m_pFile && pBuf");
  EXPECT_DEATH(open.Read(s, 0, 0), "m_pFile && \\(nCount > 0\\) && \\(nStart >= __MYFILE_CURRENT__\\)");
  EXPECT_DEATH(open.Seek(0, -3), "m_pFile && \\(nStart >= __MYFILE_CURRENT__\\)");
  EXPECT_DEATH(closed.Seek(0, 0), "m_pFile && \\(nStart >= __MYFILE_CURRENT__\\)");
  EXPECT_DEATH(closed.ReadLines(), "Assertion failed: m_pFile, file");
  EXPECT_DEATH(closed.GetLines(), "Assertion failed: fp, file");
  EXPECT_DEATH(closed.GetLength(), "Assertion failed: m_pFile, file");
  EXPECT_DEATH(closed.Write("x"), "m_pFile && fmt");
  EXPECT_DEATH(open.GetStatus(nullptr), "m_pFile && sBuff");
  EXPECT_DEATH(closed.GetStatus(&st), "m_pFile && sBuff");
  EXPECT_DEATH(open.GetFilePath(static_cast<char*>(nullptr)), "pFilePath");
  EXPECT_DEATH(open.GetFileName(static_cast<char*>(nullptr)), "pFileName");
  EXPECT_DEATH(closed.Open(nullptr, "rb"), "pFileName && pMode");
  EXPECT_DEATH(closed.Open(p.c_str(), nullptr), "pFileName && pMode");
  EXPECT_DEATH(tCFile(nullptr, "rb"), "pFileName && pMode");
  EXPECT_DEATH(tCFile::ReadLines(static_cast<const char*>(nullptr)), "Assertion failed: pFileName, file");
  EXPECT_DEATH(tCFile::GetLines(static_cast<const char*>(nullptr)), "Assertion failed: pFileName, file");
  EXPECT_DEATH(tCFile::GetLength(static_cast<const char*>(nullptr)), "Assertion failed: pFileName, file");
  EXPECT_DEATH(tCFile::GetStatus(p.c_str(), nullptr), "pFileName && sBuff");
  EXPECT_DEATH(tCFile::Write(nullptr, "ab", "%s", "x"), "pFileName && pMode && fmt");
}

}  // namespace
