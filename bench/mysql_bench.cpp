// tCMysql beside the same calls made directly on the client library, on the
// same server (the throwaway server of scripts/with_mariadb.sh, whose
// settings TAVO_DB_INI names), the same tables and the same statements:
//   - 10,000 single-row INSERTs: QueryWrite vs mysql_send_query +
//     mysql_read_query_result;
//   - reading 100,000 rows: QueryRead + GetRow vs mysql_real_query +
//     mysql_store_result + mysql_fetch_row.
// The inserts of one run go into one transaction on both sides, so the
// numbers measure the statements rather than a disk flush per commit.
// The peer includes the client library's header; the library itself keeps
// it inside database/.
#include <benchmark/benchmark.h>
#include <mysql.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "database/tCMysql.h"
#include "tests/db_settings.h"

namespace {

constexpr int kInserts = 10000;
constexpr int kRows = 100000;

const tavo_test::DbSettings& settings() {
  static const tavo_test::DbSettings s = tavo_test::readDbSettings(tavo_test::dbIniPath());
  return s;
}

bool loginLib(tCMysql& m) {
  const tavo_test::DbSettings& s = settings();
  return s.error.empty() &&
         m.Login(s.host, s.user, s.pass, s.db, "", static_cast<unsigned>(s.port), nullptr, 0) == 1;
}

MYSQL* loginPeer() {
  const tavo_test::DbSettings& s = settings();
  if (!s.error.empty()) return nullptr;
  MYSQL* p = mysql_init(nullptr);
  if (p == nullptr) return nullptr;
  if (mysql_real_connect(p, s.host, s.user, s.pass, s.db, static_cast<unsigned>(s.port), nullptr, 0) ==
      nullptr) {
    mysql_close(p);
    return nullptr;
  }
  return p;
}

bool peerWrite(MYSQL* p, const std::string& sql) {
  return mysql_send_query(p, sql.c_str(), static_cast<unsigned long>(sql.size())) == 0 &&
         mysql_read_query_result(p) == 0;
}

// The statements of one insert run, built before timing starts.
std::vector<std::string> insertStatements(const char* table) {
  std::vector<std::string> v;
  v.reserve(kInserts);
  char buf[160];
  for (int i = 0; i < kInserts; ++i) {
    std::snprintf(buf, sizeof buf, "INSERT INTO %s (id, name) VALUES (%d, 'row number %d')", table, i, i);
    v.emplace_back(buf);
  }
  return v;
}

const char kCreate[] = " (id INT PRIMARY KEY, name VARCHAR(40)) ENGINE=InnoDB";

void BM_tCMysqlQueryWriteInserts(benchmark::State& state) {
  tCMysql m;
  if (!loginLib(m)) {
    state.SkipWithError(settings().error.empty() ? m.GetErrorStr() : settings().error.c_str());
    return;
  }
  m.QueryWrite("DROP TABLE IF EXISTS bench_ins_lib");
  m.QueryWrite((std::string("CREATE TABLE bench_ins_lib") + kCreate).c_str());
  std::vector<std::string> sql = insertStatements("bench_ins_lib");
  for (auto _ : state) {
    state.PauseTiming();
    m.QueryWrite("TRUNCATE TABLE bench_ins_lib");
    m.QueryWrite("START TRANSACTION");
    state.ResumeTiming();
    for (const std::string& q : sql) {
      if (m.QueryWrite(q.c_str()) != 1) {
        state.SkipWithError(m.GetErrorStr());
        break;
      }
    }
    state.PauseTiming();
    m.QueryWrite("COMMIT");
    state.ResumeTiming();
  }
  m.QueryWrite("DROP TABLE IF EXISTS bench_ins_lib");
  state.SetItemsProcessed(state.iterations() * kInserts);
}
BENCHMARK(BM_tCMysqlQueryWriteInserts)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_ClientSendQueryInserts(benchmark::State& state) {
  MYSQL* p = loginPeer();
  if (p == nullptr) {
    state.SkipWithError("cannot connect");
    return;
  }
  peerWrite(p, "DROP TABLE IF EXISTS bench_ins_peer");
  peerWrite(p, std::string("CREATE TABLE bench_ins_peer") + kCreate);
  std::vector<std::string> sql = insertStatements("bench_ins_peer");
  for (auto _ : state) {
    state.PauseTiming();
    peerWrite(p, "TRUNCATE TABLE bench_ins_peer");
    peerWrite(p, "START TRANSACTION");
    state.ResumeTiming();
    for (const std::string& q : sql) {
      if (mysql_send_query(p, q.c_str(), static_cast<unsigned long>(std::strlen(q.c_str()))) != 0 ||
          mysql_read_query_result(p) != 0) {
        state.SkipWithError(mysql_error(p));
        break;
      }
    }
    state.PauseTiming();
    peerWrite(p, "COMMIT");
    state.ResumeTiming();
  }
  peerWrite(p, "DROP TABLE IF EXISTS bench_ins_peer");
  mysql_close(p);
  state.SetItemsProcessed(state.iterations() * kInserts);
}
BENCHMARK(BM_ClientSendQueryInserts)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// One table of kRows rows read by both sides.
bool makeReadTable() {
  tCMysql m;
  if (!loginLib(m)) return false;
  m.QueryWrite("DROP TABLE IF EXISTS bench_read");
  m.QueryWrite((std::string("CREATE TABLE bench_read") + kCreate).c_str());
  char sql[200];
  std::snprintf(sql, sizeof sql,
                "INSERT INTO bench_read SELECT seq, CONCAT('row number ', seq) FROM seq_0_to_%d", kRows - 1);
  return m.QueryWrite(sql) == 1;
}

const char kReadSql[] = "SELECT id, name FROM bench_read";

void BM_tCMysqlQueryReadRows(benchmark::State& state) {
  static const bool bTable = makeReadTable();
  tCMysql m;
  if (!bTable || !loginLib(m)) {
    state.SkipWithError("no table or no connection");
    return;
  }
  for (auto _ : state) {
    if (m.QueryRead(kReadSql) != 1) {
      state.SkipWithError(m.GetErrorStr());
      break;
    }
    std::size_t nBytes = 0;
    for (int i = 0; i < m.GetRowNum(); ++i) {
      m.GetRow();
      nBytes += static_cast<unsigned char>(m.m_Row[1][0]);
    }
    benchmark::DoNotOptimize(nBytes);
    m.FreeResult();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_tCMysqlQueryReadRows)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_ClientStoreResultRows(benchmark::State& state) {
  static const bool bTable = makeReadTable();
  MYSQL* p = loginPeer();
  if (!bTable || p == nullptr) {
    state.SkipWithError("no table or no connection");
    if (p != nullptr) mysql_close(p);
    return;
  }
  for (auto _ : state) {
    if (mysql_real_query(p, kReadSql, static_cast<unsigned long>(std::strlen(kReadSql))) != 0) {
      state.SkipWithError(mysql_error(p));
      break;
    }
    MYSQL_RES* pRes = mysql_store_result(p);
    int nRows = static_cast<int>(mysql_num_rows(pRes));
    std::size_t nBytes = 0;
    for (int i = 0; i < nRows; ++i) {
      MYSQL_ROW row = mysql_fetch_row(pRes);
      nBytes += static_cast<unsigned char>(row[1][0]);
    }
    benchmark::DoNotOptimize(nBytes);
    mysql_free_result(pRes);
  }
  mysql_close(p);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ClientStoreResultRows)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
