// A small client of libtavo, end to end.
//
// Its main job is the database round trip a client program makes: it reads
// the database login (get_login_com_s) and its debug settings (get_debug_info_s)
// from INI files, logs in with tCMysql, creates a table, inserts rows inside
// a transaction, reads them back row by row, prints each row and how many it
// read, and logs out, recording every step in the log file the settings name
// (logprintf, and the DEBUG trace as the settings switch it).  Then it splits,
// sorts and searches a sentence from the same settings with the string
// classes.  Each demonstration is a function of its own below.
//
//   usage: tavo_example [settings.ini [login.ini]]
//
// settings.ini (default: tavo_example.ini in the current directory) holds
// the [debug] and [words] sections; login.ini (default: settings.ini) holds
// the [db] section: HostName, UserName, PassWord, DbName, and optionally
// Port and Socket.  scripts/example.sh with no arguments starts a throwaway
// MariaDB server and passes its login file as login.ini.
#include <cstdio>
#include <cstdlib>

#include "common/common.h"
#include "example_extras.h"
#include "database/tCMysql.h"
#include "tCFileIni/tCFileIni.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"

namespace {

// The debug settings every step records with.
struct Trace {
  int nDebug = 0;
  int nLevel = 0;
  char szLog[1024] = "tavo_example.log";
};

// ---------------------------------------------------------------------------
// Database: log in, create a table, insert in a transaction, read back.

// The table the example makes (and removes again) in the login's database.
const char kTable[] = "tavo_example_fruit";

// One writing statement, logged; false (with the reason logged and printed)
// when it fails.
bool write(tCMysql& oDb, const Trace& t, const char* pSql) {
  DEBUG(t.nDebug, t.nLevel, t.szLog, "QueryWrite: %s\n", pSql);
  if (oDb.QueryWrite(pSql)) return true;
  logprintf(t.szLog, "statement failed: %s", oDb.GetErrorStr());
  std::fprintf(stderr, "statement failed: %s", oDb.GetErrorStr());
  return false;
}

// Returns true when every step succeeded.
bool runDatabaseDemo(const char* pLoginIni, const Trace& t) {
  char szHost[256] = "";
  char szUser[256] = "";
  char szPass[256] = "";
  char szDb[256] = "";
  // The sized form: a value longer than its buffer refuses the file
  // instead of writing past the buffer.
  if (!get_login_com_s(pLoginIni, "db", szHost, sizeof szHost, szUser, sizeof szUser, szPass, sizeof szPass,
                       szDb, sizeof szDb)) {
    std::fprintf(
        stderr, "%s: no complete [db] section (HostName, UserName, PassWord, DbName, each under 256 bytes)\n",
        pLoginIni);
    logprintf(t.szLog, "no database login in %s\n", pLoginIni);
    return false;
  }
  // Port and Socket are optional: 0 and none take the client library's
  // defaults.
  int nPort = 0;
  char szSocket[1024] = "";
  tCFileIni oIni;
  if (oIni.Open(pLoginIni, "rb")) {
    oIni.GetInteger("db", "Port", &nPort);
    oIni.GetString("db", "Socket", szSocket);
  }
  oIni.Close();

  tCMysql oDb;
  logprintf(t.szLog, "login as %s to %s:%d, database %s\n", szUser, szHost, nPort, szDb);
  if (!oDb.Login(szHost, szUser, szPass, szDb, "", static_cast<unsigned>(nPort),
                 szSocket[0] != '\0' ? szSocket : nullptr, 0)) {
    logprintf(t.szLog, "login failed: %s", oDb.GetErrorStr());
    std::fprintf(stderr, "login failed: %s", oDb.GetErrorStr());
    return false;
  }
  std::printf("logged in to %s as %s\n", szHost, szUser);
  DEBUG(t.nDebug, t.nLevel, t.szLog, "Login ok, CheckConnect = %d\n", oDb.CheckConnect());

  char szSql[512];
  std::snprintf(szSql, sizeof szSql, "DROP TABLE IF EXISTS %s", kTable);
  bool bOk = write(oDb, t, szSql);
  std::snprintf(szSql, sizeof szSql,
                "CREATE TABLE %s (id INT PRIMARY KEY, name VARCHAR(40) NOT NULL, "
                "price DECIMAL(6,2) NOT NULL) ENGINE=InnoDB",
                kTable);
  bOk = bOk && write(oDb, t, szSql);
  if (bOk) logprintf(t.szLog, "table %s created\n", kTable);

  // The rows go in inside one transaction: all of them or none.
  static const struct {
    int nId;
    const char* pName;
    const char* pPrice;
  } kRows[] = {{1, "apple", "1.20"}, {2, "banana", "0.35"}, {3, "cherry", "4.80"}, {4, "damson", "2.15"}};
  if (bOk && oDb.Begin()) {
    DEBUG(t.nDebug, t.nLevel, t.szLog, "Begin ok\n");
    for (const auto& r : kRows) {
      std::snprintf(szSql, sizeof szSql, "INSERT INTO %s VALUES (%d, '%s', %s)", kTable, r.nId, r.pName,
                    r.pPrice);
      bOk = bOk && write(oDb, t, szSql);
    }
    if (bOk && oDb.Commit()) {
      logprintf(t.szLog, "inserted %d rows and committed\n",
                static_cast<int>(sizeof kRows / sizeof kRows[0]));
    } else {
      oDb.Rollback();
      logprintf(t.szLog, "insert failed, rolled back: %s", oDb.GetErrorStr());
      bOk = false;
    }
  } else if (bOk) {
    logprintf(t.szLog, "Begin failed: %s", oDb.GetErrorStr());
    bOk = false;
  }

  // Read them back and step through the rows.
  std::snprintf(szSql, sizeof szSql, "SELECT id, name, price FROM %s ORDER BY id", kTable);
  if (bOk && oDb.QueryRead(szSql)) {
    int nRows = oDb.GetRowNum();
    DEBUG(t.nDebug, t.nLevel, t.szLog, "QueryRead: %d rows of %d fields\n", nRows, oDb.GetFieldNum());
    for (int i = 0; i < nRows; ++i) {
      oDb.GetRow();
      std::printf("row %d: id=%s name=%s price=%s\n", i + 1, oDb.m_Row[0], oDb.m_Row[1], oDb.m_Row[2]);
      DEBUG(t.nDebug, t.nLevel, t.szLog, "row %d: %s %s %s\n", i + 1, oDb.m_Row[0], oDb.m_Row[1],
            oDb.m_Row[2]);
    }
    oDb.FreeResult();
    std::printf("read %d rows\n", nRows);
    logprintf(t.szLog, "read %d rows from %s\n", nRows, kTable);
  } else if (bOk) {
    logprintf(t.szLog, "read failed: %s", oDb.GetErrorStr());
    std::fprintf(stderr, "read failed: %s", oDb.GetErrorStr());
    bOk = false;
  }

  // The example leaves the database as it found it.
  std::snprintf(szSql, sizeof szSql, "DROP TABLE IF EXISTS %s", kTable);
  write(oDb, t, szSql);
  oDb.Logout();
  logprintf(t.szLog, "logged out\n");
  return bOk;
}

// ---------------------------------------------------------------------------
// Strings: split, sort and search a sentence from the settings.

void runWordsDemo(const char* pIni, const Trace& t) {
  // The sentence comes from the settings file, read with the INI class itself.
  char szText[1024] = "";
  tCFileIni oIni;
  if (!oIni.Open(pIni, "rb") || !oIni.GetString("words", "text", szText)) {
    std::snprintf(szText, sizeof szText, "%s", "no words configured");
  }
  oIni.Close();

  tCString oText = szText;
  oText.Trim(3);
  tCString2 oWords;
  oText.Split(oWords, " ");  // 1 when the separator occurs, else 0 (list emptied)
  int nWords = oWords.GetLength();
  DEBUG(t.nDebug, t.nLevel, t.szLog, "split \"%s\" into %d words\n", (const char*)oText, nWords);

  oWords.Sort(1);
  tCString oJoined;
  for (int i = 0; i < oWords.GetLength(); ++i) {
    if (i > 0) oJoined += ' ';
    oJoined += oWords[i];
  }
  std::printf("sorted: %s\n", (const char*)oJoined);

  int nFox = oWords.ForkFind("fox", 1);
  std::printf("\"fox\" is word %d of the sorted list\n", nFox);
  DEBUG(t.nDebug, t.nLevel, t.szLog, "ForkFind(fox) = %d\n", nFox);

  // The list as a plain string vector: copy it out, count it, release it.
  char** pCopy = mstrdup2(const_cast<const char**>(static_cast<char**>(oWords)));
  std::printf("string vector of %d words, first in upper case: ", addresslen2(pCopy));
  tCString oUpper = pCopy != nullptr ? pCopy[0] : "";
  oUpper.MakeUpper();
  std::printf("%s\n", (const char*)oUpper);
  strfreev(pCopy);

  logprintf(t.szLog, "words: %d\n", nWords);
}

}  // namespace

int main(int argc, char** argv) {
  const char* pIni = argc > 1 ? argv[1] : "tavo_example.ini";
  const char* pLoginIni = argc > 2 ? argv[2] : pIni;

  Trace t;
  if (!get_debug_info_s(pIni, "debug", &t.nDebug, &t.nLevel, t.szLog, sizeof t.szLog)) {
    std::fprintf(stderr, "%s: no complete [debug] section; tracing stays off\n", pIni);
  }
  logprintf(t.szLog, "tavo_example started with %s and %s\n", pIni, pLoginIni);

  bool bDb = runDatabaseDemo(pLoginIni, t);
  runWordsDemo(pIni, t);
  bool bExtras = example_extras();  // cipher, password, shared counter

  logprintf(t.szLog, "tavo_example done (database %s)\n", bDb ? "ok" : "failed");
  std::printf("log written to %s\n", t.szLog);
  return bDb && bExtras ? EXIT_SUCCESS : EXIT_FAILURE;
}
