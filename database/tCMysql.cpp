// tCMysql: a MySQL connection on the client library's 5.x interface.
#include "database/tCMysql.h"

#include <mysql.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tavo_layout.h"
#include "tavo_share.h"

namespace {

// Failure texts.  Each is "<prefix><client library's text>\n"; the buffer
// bounds the whole, so an error text of any length is cut, never overrun.
constexpr const char kConnectFail[] = "real_connect fail:\t";
constexpr const char kWriteFail[] = "write_real_query fail:\t";
constexpr const char kReadFail[] = "read_real_query fail:\t";
constexpr const char kStoreFail[] = "An error has occurred! The error is:\t";
constexpr const char kNoResult[] = "No error here,just a non-SELECT statment...\n";

void record(char (&szErr)[1024], const char* pPrefix, MYSQL* pMysql) {
  snprintf(szErr, sizeof szErr, "%s%s\n", pPrefix, mysql_error(pMysql));
}

// A null statement is sent as an empty one; the server refuses it with its
// own message instead of the client taking the length of a null pointer.
const char* statementText(const char* pSql) { return pSql != nullptr ? pSql : ""; }

// Reads and drops the result set the connection has just announced, if any,
// row by row (without buffering it whole).  Returns false when the server or
// the connection reported an error on the way.
bool discardCurrent(MYSQL* pMysql) {
  if (mysql_field_count(pMysql) == 0) return true;
  MYSQL_RES* pRes = mysql_use_result(pMysql);
  if (pRes == nullptr) return false;
  // Fetching to the end (rather than letting mysql_free_result skip the
  // rows) also reads the server status that says whether more results
  // follow.
  while (mysql_fetch_row(pRes) != nullptr) {
  }
  bool bOk = mysql_errno(pMysql) == 0;
  mysql_free_result(pRes);
  return bOk;
}

// Reads and drops every result still pending after the current one (a
// procedure call ends with a status result, and may return rows before it;
// several statements in one text each give one).  Without this the next
// statement would be refused as out of sync.  Returns false on an error.
bool discardMore(MYSQL* pMysql) {
  while (mysql_more_results(pMysql)) {
    int nNext = mysql_next_result(pMysql);
    if (nNext > 0) return false;
    if (nNext < 0) break;
    if (!discardCurrent(pMysql)) return false;
  }
  return true;
}

// How long a connect may take, the server's greeting included: a server
// that accepts and never answers would otherwise hold Login for ever (the
// client library sets no limit of its own).  Statements get none: a long
// query is legitimate.
constexpr unsigned int kConnectTimeoutSec = 10;

// A handle just initialised gets the connect time-out.
MYSQL* prepared(MYSQL* pMysql) {
  if (pMysql != nullptr) mysql_options(pMysql, MYSQL_OPT_CONNECT_TIMEOUT, &kConnectTimeoutSec);
  return pMysql;
}

// Handles live in the object's own block (mysql_init on given storage), so
// that a handle can be reset in place: the address copies share stays valid.
MYSQL* newHandle() {
  void* pBlock = malloc(sizeof(MYSQL));
  if (pBlock == nullptr) return nullptr;
  MYSQL* pMysql = prepared(mysql_init(static_cast<MYSQL*>(pBlock)));
  if (pMysql == nullptr) free(pBlock);
  return pMysql;
}

void closeHandle(MYSQL* pMysql) {
  mysql_close(pMysql);  // leaves our block to us
  free(pMysql);
}

// Makes a handle whose connection was lost ready for a new connect at the
// same address.  The client library keeps the strings of the last connect
// (host, user, server version, ...) until mysql_close and would simply drop
// them on a second connect; closing and initialising the block again frees
// them.  The character set chosen when the handle was made is set again, so
// the handle connects as it did before.  False only when the client library
// runs out of memory initialising the block again.
bool resetHandle(MYSQL* pMysql) {
  char* pCharset = nullptr;
  char szCharset[64] = "";  // character set names are short ("utf8mb4")
  if (mysql_get_option(pMysql, MYSQL_SET_CHARSET_NAME, &pCharset) == 0 && pCharset != nullptr)
    snprintf(szCharset, sizeof szCharset, "%s", pCharset);
  mysql_close(pMysql);
  if (prepared(mysql_init(pMysql)) == nullptr) return false;
  if (szCharset[0] != '\0') mysql_options(pMysql, MYSQL_SET_CHARSET_NAME, szCharset);
  return true;
}

// Sends a reading statement (a null one as empty text); a refusal is
// recorded with the reading prefix.
bool sendReading(MYSQL* pMysql, const char* pSql, char (&szErr)[1024]) {
  const char* pText = statementText(pSql);
  if (mysql_real_query(pMysql, pText, static_cast<unsigned long>(strlen(pText))) == 0) return true;
  record(szErr, kReadFail, pMysql);
  return false;
}

}  // namespace

// Copies share the connection and the result set through the table of
// shared handles: the last holder of each closes or frees it.

namespace {

using tavo::detail::HandleKind;

uintptr_t key(const void* p) { return reinterpret_cast<uintptr_t>(p); }

void shareHandles(const tCMysql& o) {
  if (o.m_pMysql != nullptr) tavo::detail::shareHandle(HandleKind::kConnection, key(o.m_pMysql));
  if (o.m_pRes != nullptr) tavo::detail::shareHandle(HandleKind::kResult, key(o.m_pRes));
}

// Lets go of this object's share of the result set (freeing it when it was
// the last) and sets `rRes` to null.
void dropResult(MYSQL_RES*& rRes) {
  if (rRes != nullptr && tavo::detail::releaseHandle(HandleKind::kResult, key(rRes))) mysql_free_result(rRes);
  rRes = nullptr;
}

// The same for the connection (closed by its last holder).
void dropConnection(MYSQL*& rMysql) {
  if (rMysql != nullptr && tavo::detail::releaseHandle(HandleKind::kConnection, key(rMysql)))
    closeHandle(rMysql);
  rMysql = nullptr;
}

// The steps shared by QueryRead and QueryReadProc once their statement ran:
// keeps the result set and its counts.  1, or 0 with the reason in o.m_szErr.
int storeResult(tCMysql& o) {
  MYSQL_RES* pRes = mysql_store_result(o.m_pMysql);
  if (pRes != nullptr) {
    o.m_pRes = pRes;
    o.m_nRowNum = static_cast<int>(static_cast<uint32_t>(mysql_num_rows(pRes)));
    o.m_nFieldNum = static_cast<int>(mysql_num_fields(pRes));
    if (!discardMore(o.m_pMysql)) {
      record(o.m_szErr, kReadFail, o.m_pMysql);
      o.FreeResult();
      return 0;
    }
    return 1;
  }
  if (mysql_field_count(o.m_pMysql) == 0) {
    if (!discardMore(o.m_pMysql)) {
      record(o.m_szErr, kReadFail, o.m_pMysql);
      return 0;
    }
    snprintf(o.m_szErr, sizeof o.m_szErr, "%s", kNoResult);
    return 0;
  }
  record(o.m_szErr, kStoreFail, o.m_pMysql);
  return 0;
}

}  // namespace

tCMysql::tCMysql()
    : m_pMysql(nullptr), m_pRes(nullptr), m_nRowNum(0), m_nFieldNum(0), m_szErr(), m_Row(nullptr) {
  constexpr size_t kPtr = tavo::detail::kPtr;  // one pointer on this target
  TAVO_SIZE(tCMysql, tavo::detail::ptrAligned(3 * kPtr + 8 + 1024) + kPtr);
  TAVO_LAYOUT(tCMysql, m_pMysql, kPtr);
  TAVO_LAYOUT(tCMysql, m_pRes, 2 * kPtr);
  TAVO_LAYOUT(tCMysql, m_nRowNum, 3 * kPtr);
  TAVO_LAYOUT(tCMysql, m_nFieldNum, 3 * kPtr + 4);
  TAVO_LAYOUT(tCMysql, m_szErr, 3 * kPtr + 8);
  TAVO_LAYOUT(tCMysql, m_Row, tavo::detail::ptrAligned(3 * kPtr + 8 + 1024));
}

tCMysql::~tCMysql() {
  dropResult(m_pRes);
  dropConnection(m_pMysql);
}

tCMysql::tCMysql(const tCMysql& oRight)
    : m_pMysql(oRight.m_pMysql),
      m_pRes(oRight.m_pRes),
      m_nRowNum(oRight.m_nRowNum),
      m_nFieldNum(oRight.m_nFieldNum),
      m_Row(oRight.m_Row) {
  memcpy(m_szErr, oRight.m_szErr, sizeof m_szErr);
  shareHandles(*this);
}

tCMysql& tCMysql::operator=(const tCMysql& oRight) {
  if (&oRight == this) return *this;
  // When both already share the same handles, oRight's shares keep them
  // alive while ours are dropped and taken again.
  dropResult(m_pRes);
  dropConnection(m_pMysql);
  m_pMysql = oRight.m_pMysql;
  m_pRes = oRight.m_pRes;
  m_nRowNum = oRight.m_nRowNum;
  m_nFieldNum = oRight.m_nFieldNum;
  memcpy(m_szErr, oRight.m_szErr, sizeof m_szErr);
  m_Row = oRight.m_Row;
  shareHandles(*this);
  return *this;
}

int tCMysql::Login(const char* pHost, const char* pUser, const char* pPassword, const char* pDbName,
                   const char* pCharset, unsigned int nPort, const char* pUnixSocket,
                   unsigned int nClientFlag) {
  if (m_pMysql != nullptr && mysql_ping(m_pMysql) == 0) return 1;
  if (m_pMysql == nullptr) {
    MYSQL* pMysql = newHandle();
    if (pMysql == nullptr) return 0;
    m_pMysql = pMysql;
    if (pCharset != nullptr && pCharset[0] != '\0') {
      mysql_options(m_pMysql, MYSQL_SET_CHARSET_NAME, pCharset);
    }
  } else {
    // A held handle whose ping failed is connected again at the same
    // address, so copies sharing it see the new connection too.  A handle
    // that cannot be initialised again is not connected.
    if (!resetHandle(m_pMysql)) {
      snprintf(m_szErr, sizeof m_szErr, "%s%s\n", kConnectFail, "out of memory");
      return 0;
    }
  }
  if (mysql_real_connect(m_pMysql, pHost, pUser, pPassword, pDbName, nPort, pUnixSocket, nClientFlag) !=
      nullptr) {
    return 1;
  }
  record(m_szErr, kConnectFail, m_pMysql);
  dropConnection(m_pMysql);
  return 0;
}

int tCMysql::Logout() {
  dropResult(m_pRes);
  dropConnection(m_pMysql);
  m_Row = nullptr;
  m_nRowNum = 0;
  m_nFieldNum = 0;
  return 1;
}

int tCMysql::CheckConnect() {
  if (m_pMysql == nullptr) return 0;
  return mysql_ping(m_pMysql) == 0 ? 1 : 0;
}

int tCMysql::QueryWrite(const char* pSql) {
  if (m_pMysql == nullptr) return 0;
  const char* pText = statementText(pSql);
  if (mysql_send_query(m_pMysql, pText, static_cast<unsigned long>(strlen(pText))) != 0 ||
      mysql_read_query_result(m_pMysql) != 0) {
    record(m_szErr, kWriteFail, m_pMysql);
    return 0;
  }
  // A statement that returned rows (a SELECT given here) must not leave
  // them unread, or the next statement is refused as out of sync.
  if (!discardCurrent(m_pMysql) || !discardMore(m_pMysql)) {
    record(m_szErr, kWriteFail, m_pMysql);
    return 0;
  }
  return 1;
}

int tCMysql::QueryRead(const char* pSql) {
  if (m_pMysql == nullptr) return 0;
  FreeResult();
  if (!sendReading(m_pMysql, pSql, m_szErr)) return 0;
  return storeResult(*this);
}

int tCMysql::QueryReadProc(const char* pSql, const char* pSelect) {
  if (m_pMysql == nullptr) return 0;
  FreeResult();
  if (!sendReading(m_pMysql, pSql, m_szErr)) return 0;
  // Every result of the call (rows the procedure returned, its closing
  // status) is consumed before the select, which would otherwise be refused
  // as out of sync.
  if (!discardCurrent(m_pMysql) || !discardMore(m_pMysql)) {
    record(m_szErr, kReadFail, m_pMysql);
    return 0;
  }
  if (pSelect == nullptr) return 1;
  // A failed select is reported with the server's reason, not as a
  // statement that merely yields no rows.
  if (mysql_query(m_pMysql, pSelect) != 0) {
    record(m_szErr, kReadFail, m_pMysql);
    return 0;
  }
  return storeResult(*this);
}

int tCMysql::GetRow() {
  m_Row = m_pRes != nullptr ? mysql_fetch_row(m_pRes) : nullptr;
  return 1;
}

int tCMysql::GetRowNum() { return m_nRowNum; }

int tCMysql::GetFieldNum() { return m_nFieldNum; }

void tCMysql::FreeResult() {
  dropResult(m_pRes);
  m_Row = nullptr;
  m_nRowNum = 0;
  m_nFieldNum = 0;
}

int tCMysql::Begin() {
  if (!QueryWrite("SET AUTOCOMMIT=0")) return 0;
  return QueryWrite("START TRANSACTION") ? 1 : 0;
}

int tCMysql::Commit() { return QueryWrite("COMMIT") ? 1 : 0; }

int tCMysql::Rollback() { return QueryWrite("ROLLBACK") ? 1 : 0; }

char* tCMysql::GetErrorStr() { return m_szErr; }
