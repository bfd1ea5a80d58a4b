// Tests of tCFileConf: the key/value file format (golden files and cases),
// lookups, open/close, copies and preconditions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/common.h"
#include "tCFileConf/tCFileConf.h"

#include "tCString/tCString.h"
#include "test_util.h"

namespace {

using tavo_test::dataFile;
using tavo_test::escape;
using tavo_test::readAll;
using tavo_test::TempDir;

// Exposes the parsed rows for the listings.
class ConfProbe : public tCFileConf {
 public:
  using tCFileConf::tCFileConf;
  const tCString3* table() const { return m_oConf; }
};

// One "key=value" line per entry, in file order.
std::string listing(const ConfProbe& o) {
  std::string out;
  const tCString3* t = o.table();
  for (char*** ppp = *t; *ppp != nullptr; ++ppp) {
    EXPECT_EQ(addresslen2(*ppp), 2);
    out += escape((*ppp)[0]) + "=" + escape((*ppp)[1]) + "\n";
  }
  return out;
}

TEST(tCFileConfGolden, FixturesGiveTheExpectedEntries) {
  const char* const kFixtures[] = {"conf_basic", "conf_crlf",     "conf_nul",      "conf_binary",
                                   "conf_empty", "conf_comments", "conf_longline", "conf_lonecr"};
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    std::string path = dataFile(std::string(name) + ".txt");
    std::string expected = readAll(dataFile(std::string(name) + ".expected"));
    ConfProbe o;
    ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
    EXPECT_EQ(listing(o), expected);

    // The positional lookups see the same rows, clamped at both ends.
    int n = o.table()->GetLength();
    tCString key, value;
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(o.GetKey(i, key), 1);
      ASSERT_EQ(o.GetValue(i, value), 1);
      EXPECT_STREQ(key, (*o.table())[i][0]);
      EXPECT_STREQ(value, (*o.table())[i][1]);
    }
    EXPECT_EQ(o.GetKey(n, key), n > 0 ? 1 : 0);
    EXPECT_EQ(o.GetValue(-1, value), n > 0 ? 1 : 0);

    // The constructor with a name parses the same way.
    ConfProbe c(path.c_str(), "rb");
    EXPECT_EQ(listing(c), expected);
  }
}

TEST(tCFileConfGolden, CrLfGivesTheSameEntriesAsLf) {
  TempDir d;
  std::string lf = d.write("lf.txt", "a=1\nb = 2\n#c\nn=x#y\n\nlast=end\n");
  std::string crlf = d.write("crlf.txt", "a=1\r\nb = 2\r\n#c\r\nn=x#y\r\n\r\nlast=end\r\n");
  ConfProbe a, b;
  ASSERT_EQ(a.Open(lf.c_str(), "rb"), 1);
  ASSERT_EQ(b.Open(crlf.c_str(), "rb"), 1);
  EXPECT_EQ(listing(a), "a=1\nb = 2\nn=x\nlast=end\n");
  EXPECT_EQ(listing(a), listing(b));
}

// Entry lines, one file each, and what the lookup of a key gives.
TEST(tCFileConfFormat, LineRules) {
  struct Case {
    std::string text;
    const char* key;
    int found;
    const char* value;
  };
  const Case kCases[] = {
      {"a=1\n", "a", 1, "1"},
      {"a = 1\n", "a ", 1, " 1"},
      {"a = 1\n", "a", 0, ""},
      {"name=ab#cd\n", "name", 1, "ab"},
      {"#a=1\n", "a", 0, ""},
      {"  #a=1\n", "  ", 0, ""},
      {"p=a=b\n", "p", 0, ""},
      {"p==b\n", "p", 0, ""},
      {"p=\n", "p", 1, ""},
      {"=v\n", "", 1, "v"},
      {"=\n", "", 1, ""},
      {"A=1\n", "a", 0, ""},
      {"k=v", "k", 1, "v"},
      {"k=v\r\n", "k", 1, "v"},
      {";k=v\n", ";k", 1, "v"},
      {"k=v#", "k", 1, "v"},
      {"[s]\nk=v\n", "k", 1, "v"},
      {"k=\xC4\xE3\xBA\xC3\n", "k", 1, "\xC4\xE3\xBA\xC3"},
      {std::string("k=a\0b\n", 6), "k", 1, "a"},
  };
  TempDir d;
  for (const Case& c : kCases) {
    SCOPED_TRACE(escape(c.text.c_str()));
    std::string path = d.write("c.txt", c.text);
    tCFileConf o;
    ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
    tCString v("stale");
    EXPECT_EQ(o.GetValue(c.key, v), c.found);
    EXPECT_STREQ(v, c.value);
  }
}

TEST(tCFileConfLookup, ByKeyValueAndClampedPosition) {
  TempDir d;
  std::string path = d.write("c.txt", "a=1\nb=2\n");
  tCFileConf o(path.c_str(), "rb");
  tCString s;
  EXPECT_EQ(o.GetValue("a", s), 1);
  EXPECT_STREQ(s, "1");
  EXPECT_EQ(o.GetValue(1, s), 1);
  EXPECT_STREQ(s, "2");
  EXPECT_EQ(o.GetValue(5, s), 1);
  EXPECT_STREQ(s, "2");
  EXPECT_EQ(o.GetValue(-3, s), 1);
  EXPECT_STREQ(s, "1");
  EXPECT_EQ(o.GetKey("2", s), 1);
  EXPECT_STREQ(s, "b");
  EXPECT_EQ(o.GetKey(0, s), 1);
  EXPECT_STREQ(s, "a");
  EXPECT_EQ(o.GetKey(99, s), 1);
  EXPECT_STREQ(s, "b");
  EXPECT_EQ(o.GetKey(-1, s), 1);
  EXPECT_STREQ(s, "a");
  s = "stale";
  EXPECT_EQ(o.GetKey("3", s), 0);
  EXPECT_STREQ(s, "");
  s = "stale";
  EXPECT_EQ(o.GetValue("c", s), 0);
  EXPECT_STREQ(s, "");
}

TEST(tCFileConfLookup, DuplicatesKeepFileOrder) {
  TempDir d;
  std::string path = d.write("c.txt", "a=1\na=2\nb=1\n");
  tCFileConf o(path.c_str(), "rb");
  tCString s;
  EXPECT_EQ(o.GetValue("a", s), 1);
  EXPECT_STREQ(s, "1");
  EXPECT_EQ(o.GetValue(1, s), 1);
  EXPECT_STREQ(s, "2");
  EXPECT_EQ(o.GetKey("1", s), 1);
  EXPECT_STREQ(s, "a");
}

TEST(tCFileConfLookup, ManyRepeatedKeysAndValuesMatchTheFirstInFileOrder) {
  std::mt19937 rng(11);
  std::vector<std::pair<std::string, std::string>> rows;
  std::string text;
  for (int i = 0; i < 5000; ++i) {
    rows.push_back({"k" + std::to_string(rng() % 2000), "v" + std::to_string(rng() % 2000)});
    text += rows.back().first + "=" + rows.back().second + "\n";
  }
  TempDir d;
  tCFileConf o(d.write("many.conf", text).c_str(), "rb");
  for (int i = 0; i < 2001; ++i) {
    std::string key = "k" + std::to_string(i), value = "v" + std::to_string(i);
    const std::string* byKey = nullptr;
    const std::string* byValue = nullptr;
    for (const auto& r : rows) {
      if (byKey == nullptr && r.first == key) byKey = &r.second;
      if (byValue == nullptr && r.second == value) byValue = &r.first;
    }
    tCString out;
    ASSERT_EQ(o.GetValue(key.c_str(), out), byKey != nullptr ? 1 : 0) << key;
    EXPECT_STREQ(out, byKey != nullptr ? byKey->c_str() : "");
    ASSERT_EQ(o.GetKey(value.c_str(), out), byValue != nullptr ? 1 : 0) << value;
    EXPECT_STREQ(out, byValue != nullptr ? byValue->c_str() : "");
  }
}

TEST(tCFileConfLookup, EmptyAndCommentOnlyFilesHaveNoEntry) {
  TempDir d;
  for (const char* text : {"", "# only\n#comments\n", "\n\n", "no equals\n"}) {
    SCOPED_TRACE(text);
    std::string path = d.write("c.txt", text);
    tCFileConf o;
    ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
    tCString s("stale");
    EXPECT_EQ(o.GetValue("a", s), 0);
    EXPECT_STREQ(s, "");
    s = "stale";
    EXPECT_EQ(o.GetValue(0, s), 0);
    EXPECT_STREQ(s, "");
    s = "stale";
    EXPECT_EQ(o.GetKey("1", s), 0);
    EXPECT_STREQ(s, "");
    s = "stale";
    EXPECT_EQ(o.GetKey(0, s), 0);
    EXPECT_STREQ(s, "");
  }
}

TEST(tCFileConfOpen, OpenOnAnOpenObjectKeepsTheFirstFile) {
  TempDir d;
  std::string one = d.write("1.txt", "k=first\n");
  std::string two = d.write("2.txt", "k=second\n");
  tCFileConf o;
  ASSERT_EQ(o.Open(one.c_str(), "rb"), 1);
  EXPECT_EQ(o.Open(two.c_str(), "rb"), 0);
  tCString s;
  EXPECT_EQ(o.GetValue("k", s), 1);
  EXPECT_STREQ(s, "first");
  tCString name;
  EXPECT_EQ(o.GetFileName(name), 1);
  EXPECT_STREQ(name, "1.txt");

  // Close, then open the other file: its entries replace the old ones.
  EXPECT_EQ(o.Close(), 1);
  EXPECT_EQ(o.Close(), 1);
  ASSERT_EQ(o.Open(two.c_str(), "rb"), 1);
  EXPECT_EQ(o.GetValue("k", s), 1);
  EXPECT_STREQ(s, "second");
}

TEST(tCFileConfOpen, APipeIsReadFromWhereItStands) {
  // A settings file passed as <(...): a pipe, opened by its /dev/fd name.
  TAVO_SKIP_ON_WINDOWS("pipes have no /dev/fd names");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string text = "a=1\nb=2\n";
  ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fds[1]);
  std::string name = "/dev/fd/" + std::to_string(fds[0]);
  tCFileConf o;
  EXPECT_EQ(o.Open(name.c_str(), "rb"), 1);
  close(fds[0]);
  tCString value;
  EXPECT_EQ(o.GetValue("b", value), 1);
  EXPECT_STREQ(value, "2");
}

TEST(tCFileConfOpen, EntriesAreReadOnceAtOpen) {
  TempDir d;
  std::string path = d.write("c.txt", "k=old\n");
  tCFileConf o(path.c_str(), "rb");
  d.write("c.txt", "k=new\n");
  tCString s;
  EXPECT_EQ(o.GetValue("k", s), 1);
  EXPECT_STREQ(s, "old");
  o.Close();
  ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
  EXPECT_EQ(o.GetValue("k", s), 1);
  EXPECT_STREQ(s, "new");
}

TEST(tCFileConfOpen, MissingFileAndDirectoryFail) {
  TempDir d;
  tCFileConf o;
  EXPECT_EQ(o.Open(d.file("missing.txt").c_str(), "rb"), 0);
  // A directory opens as a stream on this system but cannot be read: it is
  // refused rather than taken for an empty file, and the object stays closed.
  EXPECT_EQ(o.Open(d.path().c_str(), "rb"), 0);
  tCString name("stale");
  EXPECT_EQ(o.GetFileName(name), 0);
  // Still usable afterwards.
  std::string path = d.write("c.txt", "k=v\n");
  ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
  tCString s;
  EXPECT_EQ(o.GetValue("k", s), 1);
  EXPECT_STREQ(s, "v");
}

TEST(tCFileConfOpen, ConstructorOnAnUnreadableFileLeavesItClosed) {
  TempDir d;
  for (const std::string& f : {d.file("missing.txt"), d.path()}) {
    SCOPED_TRACE(f);
    tCFileConf o(f.c_str(), "rb");
    tCString name("stale");
    EXPECT_EQ(o.GetFileName(name), 0);
    EXPECT_STREQ(name, "stale");
    tCString s;
    EXPECT_DEATH(o.GetValue("a", s), "m_oConf && pKey");
    // A closed object opens normally afterwards.
    std::string path = d.write("c.txt", "a=1\n");
    ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
    EXPECT_EQ(o.GetValue("a", s), 1);
    EXPECT_STREQ(s, "1");
  }
}

TEST(tCFileConfOpen, ManyEntriesAndAVeryLongLine) {
  TempDir d;
  std::string text;
  // Vectors grow by exactly one slot per line; the sanitizer's realloc
  // always moves the block, which makes that quadratic there.
  const int kEntries = TAVO_TEST_SANITIZED ? 20000 : 100000;
  for (int i = 0; i < kEntries; ++i) text += "key" + std::to_string(i) + "=value" + std::to_string(i) + "\n";
  std::string longValue(1 << 20, 'v');
  text += "long=" + longValue + "\n";
  std::string path = d.write("big.txt", text);
  ConfProbe o;
  ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
  EXPECT_EQ(o.table()->GetLength(), kEntries + 1);
  tCString s;
  EXPECT_EQ(o.GetValue(("key" + std::to_string(kEntries - 1)).c_str(), s), 1);
  EXPECT_EQ(std::string(s), "value" + std::to_string(kEntries - 1));
  EXPECT_EQ(o.GetKey("value12345", s), 1);
  EXPECT_STREQ(s, "key12345");
  EXPECT_EQ(o.GetValue("long", s), 1);
  EXPECT_EQ(s.GetLength(), static_cast<int>(longValue.size()));
  EXPECT_EQ(o.GetValue(kEntries + 50, s), 1);
  EXPECT_EQ(s.GetLength(), static_cast<int>(longValue.size()));
}

// Copies share the stream, the name and the entries; every holder can let go
// in any order without a double release (the sanitizer build checks it).
TEST(tCFileConfCopy, CopiesShareEntriesAndOutliveTheirSource) {
  TempDir d;
  std::string path = d.write("c.txt", "a=1\nb=2\n");
  tCString s;
  tCFileConf* src = new tCFileConf(path.c_str(), "rb");
  tCFileConf copy(*src);
  EXPECT_EQ(copy.GetValue("b", s), 1);
  EXPECT_STREQ(s, "2");
  // The copy reads the shared stream while the source is open.
  char buf[8];
  EXPECT_EQ(copy.Read(buf, 3, 0), 3);
  EXPECT_STREQ(buf, "a=1");
  src->Close();
  EXPECT_EQ(copy.GetValue("a", s), 1);
  EXPECT_STREQ(s, "1");
  delete src;
  EXPECT_EQ(copy.GetKey(1, s), 1);
  EXPECT_STREQ(s, "b");
}

TEST(tCFileConfCopy, AssignmentReleasesTheOldEntries) {
  TempDir d;
  std::string one = d.write("1.txt", "k=one\n");
  std::string two = d.write("2.txt", "k=two\n");
  tCString s;
  tCFileConf a(one.c_str(), "rb");
  {
    tCFileConf b(two.c_str(), "rb");
    a = b;  // a's own file and entries are let go of
    EXPECT_EQ(a.GetValue("k", s), 1);
    EXPECT_STREQ(s, "two");
    a = a;
    b = b;
    EXPECT_EQ(b.GetValue("k", s), 1);
    EXPECT_STREQ(s, "two");
  }
  EXPECT_EQ(a.GetValue("k", s), 1);
  EXPECT_STREQ(s, "two");

  // Copies of a closed object are closed too; assigning one closes the
  // target's share.
  tCFileConf closed;
  tCFileConf c(closed);
  EXPECT_DEATH(c.GetValue("k", s), "m_oConf && pKey");
  a = closed;
  EXPECT_EQ(a.Open(one.c_str(), "rb"), 1);
  EXPECT_EQ(a.GetValue("k", s), 1);
  EXPECT_STREQ(s, "one");
}

TEST(tCFileConfCopy, ReopeningAfterABaseCloseLeavesCopiesIntact) {
  TempDir d;
  std::string one = d.write("1.txt", "k=one\n");
  std::string two = d.write("2.txt", "k=two\n");
  tCString s;
  tCFileConf a(one.c_str(), "rb");
  tCFileConf b(a);
  static_cast<tCFile&>(a).Close();  // only the stream; the entries stay
  ASSERT_EQ(a.Open(two.c_str(), "rb"), 1);
  EXPECT_EQ(a.GetValue("k", s), 1);
  EXPECT_STREQ(s, "two");
  EXPECT_EQ(b.GetValue("k", s), 1);
  EXPECT_STREQ(s, "one");
}

TEST(tCFileConfDeath, Preconditions) {
  TempDir d;
  std::string path = d.write("c.txt", "a=1\n");
  tCString s;
  tCFileConf open(path.c_str(), "rb");
  EXPECT_EQ(open.GetValue("a", s), 1);  // positive control
  EXPECT_EQ(open.GetKey(0, s), 1);

  tCFileConf closed;
  EXPECT_DEATH(closed.GetValue("a", s), "m_oConf && pKey, file tCFileConf/tCFileConf");
  EXPECT_DEATH(open.GetValue(nullptr, s), "m_oConf && pKey");
  EXPECT_DEATH(closed.GetKey("1", s), "m_oConf && pValue");
  EXPECT_DEATH(open.GetKey(nullptr, s), "m_oConf && pValue");
  EXPECT_DEATH(closed.GetValue(0, s), "Assertion failed: m_oConf, file tCFileConf/tCFileConf");
  EXPECT_DEATH(closed.GetKey(0, s), "Assertion failed: m_oConf, file");
  EXPECT_DEATH(closed.Open(nullptr, "rb"), "pFileName && pMode");
  EXPECT_DEATH(closed.Open(path.c_str(), nullptr), "pFileName && pMode");
  // After Close the object is closed again.
  open.Close();
  EXPECT_DEATH(open.GetValue("a", s), "m_oConf && pKey");
}

}  // namespace
