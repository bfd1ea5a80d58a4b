// Tests of tCFileIni: the INI format (golden files and cases), lookups as a
// string, into a buffer and as an integer, open/close, copies and
// preconditions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <random>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "common/common.h"
#include "tCFileIni/tCFileIni.h"

#include "tCString/tCString.h"
#include "test_util.h"

namespace {

using tavo_test::dataFile;
using tavo_test::escape;
using tavo_test::readAll;
using tavo_test::TempDir;

// Exposes the parsed sections for the listings.
class IniProbe : public tCFileIni {
 public:
  using tCFileIni::tCFileIni;
  int count() const { return m_nSections; }
  const IniSection* section(int i) const { return m_pSections[i]; }
};

// "[name]" per section, then "  key=value" per entry, in file order.
std::string listing(const IniProbe& o) {
  std::string out;
  for (int i = 0; i < o.count(); ++i) {
    out += "[" + escape(*o.section(i)->m_oName) + "]\n";
    for (char*** ppp = *o.section(i)->m_oEntries; *ppp != nullptr; ++ppp) {
      EXPECT_EQ(addresslen2(*ppp), 2);
      out += "  " + escape((*ppp)[0]) + "=" + escape((*ppp)[1]) + "\n";
    }
  }
  return out;
}

TEST(tCFileIniGolden, FixturesGiveTheExpectedSections) {
  const char* const kFixtures[] = {"ini_basic",    "ini_crlf",  "ini_nul",      "ini_binary",
                                   "ini_longline", "ini_empty", "ini_noheader", "ini_lonecr"};
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    std::string path = dataFile(std::string(name) + ".ini");
    std::string expected = readAll(dataFile(std::string(name) + ".expected"));
    IniProbe o;
    ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
    EXPECT_EQ(listing(o), expected);

    // Every lookup agrees with the listing: the first entry of that key in
    // the first section of that name holding it.
    std::map<std::pair<std::string, std::string>, std::string> first;
    for (int i = 0; i < o.count(); ++i)
      for (char*** ppp = *o.section(i)->m_oEntries; *ppp != nullptr; ++ppp)
        first.emplace(std::make_pair(std::string(*o.section(i)->m_oName), std::string((*ppp)[0])), (*ppp)[1]);
    for (const auto& e : first) {
      tCString v;
      ASSERT_EQ(o.GetValue(e.first.first.c_str(), e.first.second.c_str(), v), 1);
      EXPECT_EQ(std::string(v), e.second);
    }

    // The constructor with a name parses the same way.
    IniProbe c(path.c_str(), "rb");
    EXPECT_EQ(listing(c), expected);
  }
}

TEST(tCFileIniGolden, CrLfGivesTheSameSectionsAsLf) {
  TempDir d;
  std::string lf = d.write("lf.ini", "x=0\n[db]\nhost=h\n#c\nport=1#p\n\n[b] #c\nk=v\n[e]\n");
  std::string crlf =
      d.write("crlf.ini", "x=0\r\n[db]\r\nhost=h\r\n#c\r\nport=1#p\r\n\r\n[b] #c\r\nk=v\r\n[e]\r\n");
  IniProbe a, b;
  ASSERT_EQ(a.Open(lf.c_str(), "rb"), 1);
  ASSERT_EQ(b.Open(crlf.c_str(), "rb"), 1);
  EXPECT_EQ(listing(a), "[db]\n  host=h\n  port=1\n  k=v\n[e]\n");
  EXPECT_EQ(listing(a), listing(b));
}

// Header and entry rules: one file per case and the listing it gives.
TEST(tCFileIniFormat, LineRules) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case kCases[] = {
      {"[db]\nhost=10.0.0.1\n", "[db]\n  host=10.0.0.1\n"},
      {"host=1\n[db]\n", "[db]\n"},
      {"[db]#main\nk=1\n", "[db]\n  k=1\n"},
      {"[x=y]\n", "[x=y]\n"},
      {"[ db ]\n", "[ db ]\n"},
      {"[]\nk=1\n", ""},
      {"[a]\n[]\nk=1\n", "[a]\n  k=1\n"},
      {"[a]\n[b=c\n", "[a]\n  [b=c\n"},
      {"[a]\n[db] =x\n", "[a]\n  [db] =x\n"},
      {"[a]\n[db] #main\nk=1\n", "[a]\n  k=1\n"},
      {"[db] #main\nk=1\n", ""},
      {"[a]\nk = v\n", "[a]\n  k = v\n"},
      {"[a]\n;x=1\n", "[a]\n  ;x=1\n"},
      {"[a]\n#k=1\n  #k=1\nk==1\nk=1=2\n\n", "[a]\n"},
      {"[a]\n=\nk=\n=v\n", "[a]\n  =\n  k=\n  =v\n"},
      {"[a]\nk=1\nk=2\n", "[a]\n  k=1\n  k=2\n"},
      {"[[x]]\n[a]]\n[]]\n[[]\n", "[[x]]\n[a]]\n[]]\n[[]\n"},
      {"[a]\n [b]\n", "[a]\n"},
      {"[a]\n[b] \n", "[a]\n"},
      {"[a]\nk=v", "[a]\n  k=v\n"},
  };
  TempDir d;
  for (const Case& c : kCases) {
    SCOPED_TRACE(escape(c.text));
    std::string path = d.write("c.ini", c.text);
    IniProbe o;
    ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
    EXPECT_EQ(listing(o), c.expected);
  }
}

class IniLookup : public ::testing::Test {
 protected:
  std::string write(const std::string& text) { return dir_.write("c.ini", text); }
  TempDir dir_;
};

TEST_F(IniLookup, SectionsAndKeysCompareExactly) {
  std::string path = write("[db]\nhost=10.0.0.1\nk = v\n");
  tCFileIni o(path.c_str(), "rb");
  char buf[64];
  EXPECT_EQ(o.GetString("db", "host", buf), 1);
  EXPECT_STREQ(buf, "10.0.0.1");
  std::strcpy(buf, "untouched");
  EXPECT_EQ(o.GetString("DB", "host", buf), 0);
  EXPECT_STREQ(buf, "untouched");
  EXPECT_EQ(o.GetString("db", "HOST", buf), 0);
  EXPECT_EQ(o.GetString("db", "k", buf), 0);
  EXPECT_STREQ(buf, "untouched");
  EXPECT_EQ(o.GetString("db", "k ", buf), 1);
  EXPECT_STREQ(buf, " v");
  EXPECT_EQ(o.GetString("db ", "host", buf), 0);
}

TEST_F(IniLookup, TheSizedGetStringRefusesAValueThatDoesNotFit) {
  std::string path = write("[db]\nhost=10.0.0.1\nempty=\n");
  tCFileIni o(path.c_str(), "rb");
  char buf[16] = "untouched";
  EXPECT_EQ(o.GetString("db", "host", buf, 8), 0);  // 8 bytes and a NUL
  EXPECT_STREQ(buf, "untouched");
  EXPECT_EQ(o.GetString("db", "host", buf, 0), 0);
  EXPECT_EQ(o.GetString("db", "host", buf, -3), 0);
  EXPECT_EQ(o.GetString("db", "nohost", buf, 16), 0);
  EXPECT_STREQ(buf, "untouched");
  EXPECT_EQ(o.GetString("db", "host", buf, 9), 1);  // just fits
  EXPECT_STREQ(buf, "10.0.0.1");
  EXPECT_EQ(o.GetString("db", "empty", buf, 1), 1);
  EXPECT_STREQ(buf, "");
}

TEST_F(IniLookup, RepeatedSectionsAreSearchedInOrder) {
  std::string path = write("[a]\nk=1\n[b]\nk=2\n[a]\nx=5\nk=9\n");
  tCFileIni o(path.c_str(), "rb");
  tCString s;
  EXPECT_EQ(o.GetValue("a", "k", s), 1);
  EXPECT_STREQ(s, "1");
  EXPECT_EQ(o.GetValue("b", "k", s), 1);
  EXPECT_STREQ(s, "2");
  EXPECT_EQ(o.GetValue("a", "x", s), 1);
  EXPECT_STREQ(s, "5");
  s = "stale";
  EXPECT_EQ(o.GetValue("b", "x", s), 0);
  EXPECT_STREQ(s, "");
  s = "stale";
  EXPECT_EQ(o.GetValue("c", "k", s), 0);
  EXPECT_STREQ(s, "");
}

TEST_F(IniLookup, WithoutAnySectionTheResultIsUntouched) {
  for (const char* text : {"", "k=1\n", "[db] #main\nk=1\n", "# only\n"}) {
    SCOPED_TRACE(text);
    std::string path = write(text);
    tCFileIni o(path.c_str(), "rb");
    tCString s("caller's");
    EXPECT_EQ(o.GetValue("db", "k", s), 0);
    EXPECT_STREQ(s, "caller's");
    int n = 42;
    EXPECT_EQ(o.GetInteger("db", "k", &n), 0);
    EXPECT_EQ(n, 42);
  }
  // A closed object answers the same way, without an assertion.
  tCFileIni closed;
  tCString s("caller's");
  EXPECT_EQ(closed.GetValue("db", "k", s), 0);
  EXPECT_STREQ(s, "caller's");
  char buf[16] = "untouched";
  EXPECT_EQ(closed.GetString("db", "k", buf), 0);
  EXPECT_STREQ(buf, "untouched");
}

TEST_F(IniLookup, GetStringCopiesTheWholeValue) {
  std::string longValue(5000, 'x');
  std::string path = write("[s]\nempty=\nlong=" + longValue + "\nhigh=\xB0\xA1\n");
  tCFileIni o(path.c_str(), "rb");
  char buf[6000];
  std::memset(buf, 'z', sizeof buf);
  EXPECT_EQ(o.GetString("s", "empty", buf), 1);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], 'z');  // nothing beyond the NUL is written
  EXPECT_EQ(o.GetString("s", "long", buf), 1);
  EXPECT_EQ(std::string(buf), longValue);
  EXPECT_EQ(o.GetString("s", "high", buf), 1);
  EXPECT_STREQ(buf, "\xB0\xA1");
}

TEST_F(IniLookup, GetIntegerConvertsLikeAtoi) {
  struct Case {
    const char* value;
    int expected;
  };
  const Case kCases[] = {
      {"12abc", 12},
      {" -7", -7},
      {"abc", 0},
      {"", 0},
      {"+5", 5},
      {"007", 7},
      {"\t\x0B\x0C 3", 3},
      {"- 5", 0},
      {"--5", 0},
      {"+-5", 0},
      {"0x10", 0},
      {"1 2", 1},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", INT_MAX},
      {"-2147483649", INT_MIN},
      {"99999999999999999999999", INT_MAX},
      {"-99999999999999999999999", INT_MIN},
      {"000000000000000000000042", 42},
  };
  std::string text = "[n]\n";
  for (size_t i = 0; i < sizeof kCases / sizeof kCases[0]; ++i)
    text += "k" + std::to_string(i) + "=" + kCases[i].value + "\n";
  std::string path = write(text);
  tCFileIni o(path.c_str(), "rb");
  for (size_t i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    SCOPED_TRACE(kCases[i].value);
    int n = -12345;
    EXPECT_EQ(o.GetInteger("n", ("k" + std::to_string(i)).c_str(), &n), 1);
    EXPECT_EQ(n, kCases[i].expected);
  }
  int n = -12345;
  EXPECT_EQ(o.GetInteger("n", "missing", &n), 0);
  EXPECT_EQ(n, -12345);
  EXPECT_EQ(o.GetInteger("x", "k0", &n), 0);
  EXPECT_EQ(n, -12345);
}

TEST_F(IniLookup, ManySectionsAndAVeryLongLine) {
  // Vectors grow by exactly one slot per line; the sanitizer's realloc
  // always moves the block, which makes that quadratic there.
  const int kSections = TAVO_TEST_SANITIZED ? 200 : 1000;
  std::string text;
  for (int s = 0; s < kSections; ++s) {
    text += "[sec" + std::to_string(s) + "]\n";
    for (int k = 0; k < 100; ++k)
      text += "key" + std::to_string(k) + "=" + std::to_string(s * 1000 + k) + "\n";
  }
  std::string longValue(1 << 20, 'v');
  text += "long=" + longValue + "\n";
  std::string path = write(text);
  IniProbe o;
  ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
  EXPECT_EQ(o.count(), kSections);
  const std::string last = "sec" + std::to_string(kSections - 1);
  int n = 0;
  EXPECT_EQ(o.GetInteger(last.c_str(), "key99", &n), 1);
  EXPECT_EQ(n, (kSections - 1) * 1000 + 99);
  EXPECT_EQ(o.GetInteger("sec0", "key0", &n), 1);
  EXPECT_EQ(n, 0);
  tCString s;
  EXPECT_EQ(o.GetValue(last.c_str(), "long", s), 1);
  EXPECT_EQ(s.GetLength(), static_cast<int>(longValue.size()));
}

TEST_F(IniLookup, ManyRepeatedSectionsAndKeysMatchTheFirstInFileOrder) {
  // Sections of a few names repeated many times, keys repeated within and
  // across them: every lookup must give what a walk in file order gives.
  std::mt19937 rng(7);
  std::string text;
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> model;
  for (int s = 0; s < 400; ++s) {
    std::string name = "s" + std::to_string(rng() % 40);
    text += "[" + name + "]\n";
    model.push_back({name, {}});
    for (int k = 0, n = static_cast<int>(rng() % 60); k < n; ++k) {
      std::string key = "k" + std::to_string(rng() % 300);
      std::string value = "v" + std::to_string(s) + "_" + std::to_string(k);
      text += key + "=" + value + "\n";
      model.back().second.push_back({key, value});
    }
  }
  TempDir d;
  tCFileIni o(d.write("many.ini", text).c_str(), "rb");
  for (int s = 0; s < 41; ++s) {
    for (int k = 0; k < 301; ++k) {
      std::string name = "s" + std::to_string(s), key = "k" + std::to_string(k);
      const std::string* expected = nullptr;
      for (const auto& sec : model) {
        if (sec.first != name) continue;
        for (const auto& e : sec.second)
          if (e.first == key) {
            expected = &e.second;
            break;
          }
        if (expected != nullptr) break;
      }
      char buf[32] = "-";
      ASSERT_EQ(o.GetString(name.c_str(), key.c_str(), buf), expected != nullptr ? 1 : 0)
          << name << " " << key;
      EXPECT_STREQ(buf, expected != nullptr ? expected->c_str() : "-");
    }
  }
}

TEST(tCFileIniOpen, OpenOnAnOpenObjectKeepsTheFirstFile) {
  TempDir d;
  std::string one = d.write("1.ini", "[s]\nk=first\n");
  std::string two = d.write("2.ini", "[s]\nk=second\n");
  tCFileIni o;
  ASSERT_EQ(o.Open(one.c_str(), "rb"), 1);
  EXPECT_EQ(o.Open(two.c_str(), "rb"), 0);
  char buf[16];
  EXPECT_EQ(o.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "first");
  EXPECT_EQ(o.Close(), 1);
  EXPECT_EQ(o.Close(), 1);
  EXPECT_EQ(o.GetString("s", "k", buf), 0);
  ASSERT_EQ(o.Open(two.c_str(), "rb"), 1);
  EXPECT_EQ(o.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "second");
}

TEST(tCFileIniOpen, MissingFileAndDirectoryFail) {
  TempDir d;
  tCFileIni o;
  EXPECT_EQ(o.Open(d.file("missing.ini").c_str(), "rb"), 0);
  // A directory opens as a stream on this system but cannot be read: it is
  // refused rather than taken for an empty file, and the object stays closed.
  EXPECT_EQ(o.Open(d.path().c_str(), "rb"), 0);
  tCString name;
  EXPECT_EQ(o.GetFileName(name), 0);
  std::string path = d.write("c.ini", "[s]\nk=v\n");
  ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
  char buf[8];
  EXPECT_EQ(o.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "v");
}

TEST(tCFileIniOpen, ConstructorOnAnUnreadableFileLeavesItClosed) {
  TempDir d;
  for (const std::string& f : {d.file("missing.ini"), d.path()}) {
    SCOPED_TRACE(f);
    tCFileIni o(f.c_str(), "rb");
    tCString name("stale");
    EXPECT_EQ(o.GetFileName(name), 0);
    char buf[8] = "-";
    EXPECT_EQ(o.GetString("s", "k", buf), 0);
    EXPECT_STREQ(buf, "-");
    std::string path = d.write("c.ini", "[s]\nk=v\n");
    ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
    EXPECT_EQ(o.GetString("s", "k", buf), 1);
    EXPECT_STREQ(buf, "v");
  }
}

TEST(tCFileIniOpen, APipeIsReadFromWhereItStands) {
  // A settings file passed as <(...): a pipe, opened by its /dev/fd name.
  TAVO_SKIP_ON_WINDOWS("pipes have no /dev/fd names");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string text = "[db]\nHostName=pipe-host\n";
  ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fds[1]);
  std::string name = "/dev/fd/" + std::to_string(fds[0]);
  tCFileIni o(name.c_str(), "rb");
  close(fds[0]);
  char buf[32] = "";
  EXPECT_EQ(o.GetString("db", "HostName", buf), 1);
  EXPECT_STREQ(buf, "pipe-host");
}

TEST(tCFileIniOpen, SectionsAreReadOnceAtOpen) {
  TempDir d;
  std::string path = d.write("c.ini", "[s]\nk=old\n");
  tCFileIni o(path.c_str(), "rb");
  d.write("c.ini", "[s]\nk=new\n");
  char buf[8];
  EXPECT_EQ(o.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "old");
  o.Close();
  ASSERT_EQ(o.Open(path.c_str(), "rb"), 1);
  EXPECT_EQ(o.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "new");
}

// Copies share the stream, the name and the sections; every holder can let
// go in any order without a double release (the sanitizer build checks it).
TEST(tCFileIniCopy, CopiesShareSectionsAndOutliveTheirSource) {
  TempDir d;
  std::string path = d.write("c.ini", "[s]\na=1\nb=2\n");
  char buf[16];
  tCFileIni* src = new tCFileIni(path.c_str(), "rb");
  tCFileIni copy(*src);
  EXPECT_EQ(copy.GetString("s", "b", buf), 1);
  EXPECT_STREQ(buf, "2");
  EXPECT_EQ(copy.Read(buf, 3, 0), 3);
  EXPECT_STREQ(buf, "[s]");
  src->Close();
  EXPECT_EQ(src->GetString("s", "a", buf), 0);
  EXPECT_EQ(copy.GetString("s", "a", buf), 1);
  EXPECT_STREQ(buf, "1");
  delete src;
  int n = 0;
  EXPECT_EQ(copy.GetInteger("s", "b", &n), 1);
  EXPECT_EQ(n, 2);
}

TEST(tCFileIniCopy, AssignmentReleasesTheOldSections) {
  TempDir d;
  std::string one = d.write("1.ini", "[s]\nk=one\n");
  std::string two = d.write("2.ini", "[s]\nk=two\n");
  std::string none = d.write("3.ini", "k=orphan\n");
  char buf[16];
  tCFileIni a(one.c_str(), "rb");
  {
    tCFileIni b(two.c_str(), "rb");
    a = b;
    EXPECT_EQ(a.GetString("s", "k", buf), 1);
    EXPECT_STREQ(buf, "two");
    a = a;
    EXPECT_EQ(a.GetString("s", "k", buf), 1);
  }
  EXPECT_EQ(a.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "two");

  // An open object without any section copies and assigns too.
  tCFileIni c(none.c_str(), "rb");
  tCFileIni e(c);
  EXPECT_EQ(e.GetString("s", "k", buf), 0);
  a = c;
  EXPECT_EQ(a.GetString("s", "k", buf), 0);
  tCFileIni closed;
  a = closed;
  ASSERT_EQ(a.Open(one.c_str(), "rb"), 1);
  EXPECT_EQ(a.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "one");
}

TEST(tCFileIniCopy, ReopeningAfterABaseCloseLeavesCopiesIntact) {
  TempDir d;
  std::string one = d.write("1.ini", "[s]\nk=one\n");
  std::string two = d.write("2.ini", "[s]\nk=two\n");
  char buf[16];
  tCFileIni a(one.c_str(), "rb");
  tCFileIni b(a);
  static_cast<tCFile&>(a).Close();  // only the stream; the sections stay
  ASSERT_EQ(a.Open(two.c_str(), "rb"), 1);
  EXPECT_EQ(a.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "two");
  EXPECT_EQ(b.GetString("s", "k", buf), 1);
  EXPECT_STREQ(buf, "one");
}

TEST(tCFileIniDeath, Preconditions) {
  TempDir d;
  std::string path = d.write("c.ini", "[s]\nk=1\n");
  tCFileIni o(path.c_str(), "rb");
  tCString s;
  char buf[8];
  int n = 0;
  EXPECT_EQ(o.GetValue("s", "k", s), 1);  // positive controls
  EXPECT_EQ(o.GetString("s", "k", buf), 1);
  EXPECT_EQ(o.GetInteger("s", "k", &n), 1);

  EXPECT_DEATH(o.GetValue(nullptr, "k", s), "pSection && pKey, file tCFileIni/tCFileIni");
  EXPECT_DEATH(o.GetValue("s", nullptr, s), "pSection && pKey");
  EXPECT_DEATH(o.GetString("s", "k", nullptr), "pSection && pKey && pValue, file tCFileIni/tCFileIni");
  EXPECT_DEATH(o.GetString(nullptr, "k", buf), "pSection && pKey && pValue");
  EXPECT_DEATH(o.GetInteger("s", "k", nullptr), "pSection && pKey && nValue, file tCFileIni/tCFileIni");
  EXPECT_DEATH(o.GetInteger("s", nullptr, &n), "pSection && pKey && nValue");
  tCFileIni closed;
  EXPECT_DEATH(closed.GetValue(nullptr, "k", s), "pSection && pKey");
  EXPECT_DEATH(closed.Open(nullptr, "rb"), "pFileName && pMode, file tCFileIni/tCFileIni");
  EXPECT_DEATH(closed.Open(path.c_str(), nullptr), "pFileName && pMode");
}

}  // namespace
