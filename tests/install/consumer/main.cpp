// A client of the installed library: includes from the installed include
// root and links through find_package or pkg-config.  The database class
// needs nothing of the client library's own from the consumer; with
// TAVO_DB_INI set (a server's settings, as scripts/with_mariadb.sh gives
// them) it also runs a query.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "database/tCMysql.h"
#include "tCFileIni/tCFileIni.h"

namespace {

int checkStrings() {
  const char* words[] = {"alpha", "beta", nullptr};
  char** copy = mstrdup2(words);
  int ok = addresslen2(copy) == 2 && std::strcmp(copy[1], "beta") == 0;
  strfreev(copy);
  return ok;
}

int checkDatabase() {
  tCMysql idle;
  if (idle.CheckConnect() != 0 || idle.QueryRead("SELECT 1") != 0) return 0;
  const char* ini = std::getenv("TAVO_DB_INI");
  if (ini == nullptr) return 1;
  char host[256], user[256], pass[256], db[256];
  int port = 0;
  tCFileIni settings;
  if (!get_login_com(ini, "db", host, user, pass, db) || !settings.Open(ini, "rb") ||
      !settings.GetInteger("db", "Port", &port)) {
    std::printf("consumer: cannot read %s\n", ini);
    return 0;
  }
  tCMysql m;
  if (!m.Login(host, user, pass, db, "", static_cast<unsigned>(port), nullptr, 0) ||
      !m.QueryRead("SELECT 1 + 1")) {
    std::printf("consumer: %s", m.GetErrorStr());
    return 0;
  }
  m.GetRow();
  return m.GetRowNum() == 1 && m.m_Row != nullptr && std::strcmp(m.m_Row[0], "2") == 0;
}

}  // namespace

int main() {
  int ok = checkStrings() && checkDatabase();
  std::puts(ok ? "consumer ok" : "consumer FAILED");
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
