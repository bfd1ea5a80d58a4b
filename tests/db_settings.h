// The settings of the database server the tests and benchmarks run against,
// read through the library itself from the INI file that
// scripts/mariadb_server.sh writes (section [db]: the four login keys that
// get_login_com reads, plus Port and Socket).  scripts/with_mariadb.sh names
// that file in TAVO_DB_INI.
#ifndef TAVO_TESTS_DB_SETTINGS_H
#define TAVO_TESTS_DB_SETTINGS_H

#include <cstdlib>
#include <string>

#include "common/common.h"
#include "tCFileIni/tCFileIni.h"

namespace tavo_test {

struct DbSettings {
  char host[256] = "";
  char user[256] = "";
  char pass[256] = "";
  char db[256] = "";
  int port = 0;
  char socket[1024] = "";
  // Empty when the settings were read; otherwise why not.
  std::string error;
};

// The INI file named by TAVO_DB_INI, or null when it is not set.
inline const char* dbIniPath() { return std::getenv("TAVO_DB_INI"); }

// Where a test starts servers of its own, so that they are stopped with
// the throwaway server: TAVO_DB_SCRATCH (scripts/with_mariadb.sh), or the
// Scratch key of the settings file (the ctest fixture,
// scripts/db_fixture.sh); "/tmp" when neither names one.
inline std::string dbScratchDir() {
  if (const char* p = std::getenv("TAVO_DB_SCRATCH")) return p;
  char dir[512];
  tCFileIni oIni;
  if (dbIniPath() != nullptr && oIni.Open(dbIniPath(), "rb") &&
      oIni.GetString("db", "Scratch", dir, sizeof dir))
    return dir;
  return "/tmp";
}

// A server is expected when its settings are given or when running in CI,
// where a missing server is a failure, never a reason to skip.
inline bool dbServerExpected() { return dbIniPath() != nullptr || std::getenv("CI") != nullptr; }

// Reads the settings of `pIni` (section [db]).
inline DbSettings readDbSettings(const char* pIni) {
  DbSettings s;
  if (pIni == nullptr) {
    s.error = "TAVO_DB_INI is not set (run through scripts/with_mariadb.sh)";
    return s;
  }
  if (get_login_com(pIni, "db", s.host, s.user, s.pass, s.db) != 1) {
    s.error = std::string(pIni) + ": no complete [db] login section";
    return s;
  }
  tCFileIni oIni;
  if (!oIni.Open(pIni, "rb") || !oIni.GetInteger("db", "Port", &s.port)) {
    s.error = std::string(pIni) + ": no Port in [db]";
    return s;
  }
  oIni.GetString("db", "Socket", s.socket);
  return s;
}

}  // namespace tavo_test

#endif  // TAVO_TESTS_DB_SETTINGS_H
