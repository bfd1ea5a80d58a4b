// Tests of the login and debug settings readers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/common.h"
#include "test_util.h"

namespace {

using tavo_test::TempDir;

// Four caller buffers pre-filled with a marker, so untouched ones show.
struct Login {
  Login() {
    std::strcpy(host, "-");
    std::strcpy(user, "-");
    std::strcpy(pass, "-");
    std::strcpy(db, "-");
  }
  int read(const std::string& file, const char* section) {
    return get_login_com(file.c_str(), section, host, user, pass, db);
  }
  char host[64], user[64], pass[64], db[64];
};

struct Debug {
  int read(const std::string& file, const char* section) {
    return get_debug_info(file.c_str(), section, &isDebug, &level, logFile);
  }
  int isDebug = -1;
  int level = -1;
  char logFile[64] = "-";
};

const char kLogin[] = "[db]\nHostName=10.0.0.1\nUserName=app\nPassWord=s3cr#et\nDbName=sales\n";

TEST(GetLoginCom, ReadsTheFourValuesOfTheSection) {
  TempDir d;
  std::string f =
      d.write("s.ini", std::string("[db]\nHostName=10.0.0.1\nUserName=app\nPassWord= p w \nDbName=sales\n"));
  Login l;
  EXPECT_EQ(l.read(f, "db"), 1);
  EXPECT_STREQ(l.host, "10.0.0.1");
  EXPECT_STREQ(l.user, "app");
  EXPECT_STREQ(l.pass, " p w ");  // unchanged, spaces included
  EXPECT_STREQ(l.db, "sales");

  Login other;
  EXPECT_EQ(other.read(f, "DB"), 0);
  EXPECT_STREQ(other.host, "-");
  EXPECT_STREQ(other.user, "-");
  EXPECT_STREQ(other.pass, "-");
  EXPECT_STREQ(other.db, "-");
}

TEST(GetLoginCom, StopsAtTheFirstMissingKey) {
  TempDir d;
  std::string f = d.write("s.ini", "[db]\nHostName=h\nUserName=u\nDbName=sales\n");
  Login l;
  EXPECT_EQ(l.read(f, "db"), 0);
  EXPECT_STREQ(l.host, "h");
  EXPECT_STREQ(l.user, "u");
  EXPECT_STREQ(l.pass, "-");
  EXPECT_STREQ(l.db, "-");  // present in the file, but never read

  // A key spelt with spaces around '=' is another key.
  f = d.write("s.ini", "[db]\nHostName = h\nUserName=u\nPassWord=p\nDbName=d\n");
  Login spaced;
  EXPECT_EQ(spaced.read(f, "db"), 0);
  EXPECT_STREQ(spaced.host, "-");
  EXPECT_STREQ(spaced.user, "-");
}

// Each key left out in turn, the last one included: 0, the keys before it
// read, the ones after it untouched.
TEST(GetLoginCom, EachMissingKeyFailsTheCall) {
  const char* keys[] = {"HostName", "UserName", "PassWord", "DbName"};
  for (int missing = 0; missing < 4; ++missing) {
    SCOPED_TRACE(keys[missing]);
    std::string text = "[db]\n";
    for (int k = 0; k < 4; ++k)
      if (k != missing) text += std::string(keys[k]) + "=v" + std::to_string(k) + "\n";
    TempDir d;
    Login l;
    EXPECT_EQ(l.read(d.write("s.ini", text), "db"), 0);
    const char* got[] = {l.host, l.user, l.pass, l.db};
    for (int k = 0; k < 4; ++k) EXPECT_STREQ(got[k], k < missing ? ("v" + std::to_string(k)).c_str() : "-");
  }
}

TEST(GetLoginCom, KeysMayComeFromRepeatedSections) {
  TempDir d;
  std::string f =
      d.write("s.ini", "[db]\nHostName=h\nUserName=u\n[other]\nPassWord=x\n[db]\nPassWord=p\nDbName=d\n");
  Login l;
  EXPECT_EQ(l.read(f, "db"), 1);
  EXPECT_STREQ(l.pass, "p");
  EXPECT_STREQ(l.db, "d");
}

TEST(GetLoginCom, UnopenableFilesWriteNothing) {
  TempDir d;
  for (const std::string& f : {d.file("missing.ini"), d.path()}) {
    SCOPED_TRACE(f);
    Login l;
    EXPECT_EQ(l.read(f, "db"), 0);
    EXPECT_STREQ(l.host, "-");
    EXPECT_STREQ(l.db, "-");
  }
}

TEST(GetLoginCom, CrLfFileGivesTheSameValues) {
  TempDir d;
  std::string text(kLogin);
  std::string crlf;
  for (char c : text) crlf += (c == '\n') ? std::string("\r\n") : std::string(1, c);
  Login a, b;
  EXPECT_EQ(a.read(d.write("lf.ini", text), "db"), 1);
  EXPECT_EQ(b.read(d.write("crlf.ini", crlf), "db"), 1);
  EXPECT_STREQ(a.pass, "s3cr");  // '#' starts a comment, even in a password
  EXPECT_STREQ(b.pass, "s3cr");
  EXPECT_STREQ(b.host, "10.0.0.1");
  EXPECT_STREQ(b.db, "sales");

  // Two '=' on a line make it no entry: the reading stops there.
  Login c;
  EXPECT_EQ(c.read(d.write("eq.ini", "[db]\nHostName=h\nUserName=u\nPassWord=a=b\nDbName=d\n"), "db"), 0);
  EXPECT_STREQ(c.user, "u");
  EXPECT_STREQ(c.pass, "-");
}

TEST(GetDebugInfo, ReadsTheThreeSettings) {
  TempDir d;
  std::string f = d.write("s.ini", "[debug]\nis_debug=1\ndebug_level=3\nlog_file=trace.log\n");
  Debug g;
  EXPECT_EQ(g.read(f, "debug"), 1);
  EXPECT_EQ(g.isDebug, 1);
  EXPECT_EQ(g.level, 3);
  EXPECT_STREQ(g.logFile, "trace.log");

  Debug missing;
  EXPECT_EQ(missing.read(f, "Debug"), 0);
  EXPECT_EQ(missing.isDebug, -1);
  EXPECT_EQ(missing.level, -1);
  EXPECT_STREQ(missing.logFile, "-");
}

TEST(GetDebugInfo, NonNumbersCountAsZeroAndMissingKeysStopTheReading) {
  TempDir d;
  Debug g;
  EXPECT_EQ(g.read(d.write("s.ini", "[debug]\nis_debug=yes\ndebug_level= 2x\nlog_file=\n"), "debug"), 1);
  EXPECT_EQ(g.isDebug, 0);
  EXPECT_EQ(g.level, 2);
  EXPECT_STREQ(g.logFile, "");

  Debug partial;
  EXPECT_EQ(partial.read(d.write("s.ini", "[debug]\nis_debug=1\nlog_file=x.log\n"), "debug"), 0);
  EXPECT_EQ(partial.isDebug, 1);
  EXPECT_EQ(partial.level, -1);
  EXPECT_STREQ(partial.logFile, "-");

  // The last key missing fails the call too.
  Debug noLog;
  EXPECT_EQ(noLog.read(d.write("s.ini", "[debug]\nis_debug=1\ndebug_level=3\n"), "debug"), 0);
  EXPECT_EQ(noLog.isDebug, 1);
  EXPECT_EQ(noLog.level, 3);
  EXPECT_STREQ(noLog.logFile, "-");

  Debug none;
  EXPECT_EQ(none.read(d.file("missing.ini"), "debug"), 0);
  EXPECT_EQ(none.isDebug, -1);
  EXPECT_EQ(none.read(d.path(), "debug"), 0);
  EXPECT_EQ(none.isDebug, -1);
}

TEST(SettingsDeath, NullArgumentsAreCallerErrors) {
  TempDir d;
  std::string f = d.write("s.ini", "[debug]\nis_debug=1\ndebug_level=3\nlog_file=trace.log\n");
  Debug g;
  EXPECT_EQ(g.read(f, "debug"), 1);  // positive control
  int n = 0;
  char buf[32];
  EXPECT_DEATH(get_debug_info(nullptr, "debug", &n, &n, buf), "pFileName && pMode");
  EXPECT_DEATH(get_debug_info(f.c_str(), "debug", nullptr, &n, buf), "pSection && pKey && nValue");
  EXPECT_DEATH(get_debug_info(f.c_str(), nullptr, &n, &n, buf), "pSection && pKey && nValue");
  EXPECT_DEATH(get_debug_info(f.c_str(), "debug", &n, &n, nullptr), "pSection && pKey && pValue");
  EXPECT_DEATH(get_login_com(f.c_str(), "debug", nullptr, buf, buf, buf), "pSection && pKey && pValue");
}

// ---- The forms that take the buffers' sizes --------------------------------------

// Each value must fit its own buffer with its NUL; one that does not (an
// edited file, a value of a megabyte) refuses the whole call and no buffer
// is written.
TEST(BoundedReaders, ValuesThatDoNotFitAreRefusedAndNothingIsWritten) {
  TempDir d;
  const std::string f = d.write("s.ini", "[db]\nHostName=abcd\nUserName=u\nPassWord=p\nDbName=d\n");
  struct Case {
    int nHost;
    int want;
  } cases[] = {{5, 1}, {4, 0}, {1, 0}, {0, 0}, {-1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nHost);
    char host[8] = "-", user[8] = "-", pass[8] = "-", db[8] = "-";
    EXPECT_EQ(get_login_com_s(f.c_str(), "db", host, c.nHost, user, 8, pass, 8, db, 8), c.want);
    if (c.want == 1) {
      EXPECT_STREQ(host, "abcd");
      EXPECT_STREQ(db, "d");
    } else {
      EXPECT_STREQ(host, "-");
      EXPECT_STREQ(user, "-");  // found and fitting, but the call was refused whole
    }
  }

  const std::string big = d.write(
      "big.ini", "[db]\nHostName=h\nUserName=" + std::string(1 << 20, 'x') + "\nPassWord=p\nDbName=d\n");
  char host[4096] = "-", user[4096] = "-", pass[4096] = "-", db[4096] = "-";
  EXPECT_EQ(get_login_com_s(big.c_str(), "db", host, 4096, user, 4096, pass, 4096, db, 4096), 0);
  EXPECT_STREQ(host, "-");
  EXPECT_STREQ(user, "-");
  EXPECT_EQ(
      get_login_com_s(d.file("missing.ini").c_str(), "db", host, 4096, user, 4096, pass, 4096, db, 4096), 0);

  const std::string dbg = d.write("d.ini", "[debug]\nis_debug=1\ndebug_level=3\nlog_file=app.log\n");
  int isDebug = -1, level = -1;
  char log[8] = "-";
  EXPECT_EQ(get_debug_info_s(dbg.c_str(), "debug", &isDebug, &level, log, 7), 0);  // "app.log" needs 8
  EXPECT_EQ(isDebug, -1);
  EXPECT_EQ(level, -1);
  EXPECT_STREQ(log, "-");
  EXPECT_EQ(get_debug_info_s(dbg.c_str(), "debug", &isDebug, &level, log, 8), 1);
  EXPECT_EQ(isDebug, 1);
  EXPECT_EQ(level, 3);
  EXPECT_STREQ(log, "app.log");
}

}  // namespace
