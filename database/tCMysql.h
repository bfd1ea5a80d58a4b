/// \file
/// The class tCMysql: one connection of the MySQL client library.
#ifndef TAVO_DATABASE_TCMYSQL_H
#define TAVO_DATABASE_TCMYSQL_H

#include "common/tavo_export.h"

// Only this directory includes the client library's header.  The handle
// types below are the client library's own (the same declarations as in
// <mysql.h>), so a program may include both.  Not being this library's
// interface, they are left out of its reference documentation.
/// \cond
typedef struct st_mysql MYSQL;
typedef struct st_mysql_res MYSQL_RES;
typedef char** MYSQL_ROW;
/// \endcond

/**
 * One connection of the MySQL client library (the 5.x client interface, as
 * MariaDB Connector/C provides it), with writing statements, reading
 * statements whose result set the object keeps, row stepping and
 * transactions.
 *
 * The class never prints.  Every failure leaves a text in m_szErr, handed out
 * by GetErrorStr; a success leaves the previous text in place.  The texts are
 * the ones listed at each operation, their "%s" taking the client library's
 * own error text for the connection; m_szErr always holds a NUL-terminated
 * text of at most 1023 bytes (longer texts are cut).
 *
 * Typical use:
 *
 *     tCMysql db;
 *     if (!db.Login(host, user, pass, dbname, "", port, nullptr, 0)) -> db.GetErrorStr()
 *     db.QueryRead("SELECT a, b FROM t");
 *     for (int i = 0; i < db.GetRowNum(); ++i) { db.GetRow(); use db.m_Row[0], db.m_Row[1]; }
 *     db.FreeResult();
 *     db.Logout();
 *
 * Copies: a copy refers to the same connection and the same result set as its
 * source (every member is copied, m_Row and all 1024 bytes of m_szErr
 * included).  The objects sharing a connection, and those sharing a result
 * set, are counted: FreeResult, Logout, a failed reconnecting Login, a new
 * reading query, an assignment or the destructor of one of them only drops
 * that object's share, and the last holder releases the result set or closes
 * the connection.  Nothing is released twice, whichever goes first; a copy
 * may go on using the connection and the result after its source let go.
 * Objects sharing a connection must be used by one thread at a time (the
 * client library's rule for a connection).
 */
class TAVO_API tCMysql {
 public:
  /// Logged out: both handles, m_Row and the counts null or 0, m_szErr all
  /// zero bytes.
  tCMysql();

  /// Releases this object's share of the result set and of the connection
  /// (the last holder frees the result and closes the connection).
  virtual ~tCMysql();

  /// Member-wise copy: refers to the same connection and result set (see
  /// Copies in the class description).
  /// \param oRight The object copied.
  tCMysql(const tCMysql& oRight);

  /// Drops this object's own shares first (as Logout does, without touching
  /// m_szErr), then copies every member of `oRight` and shares its connection
  /// and result set.
  ///
  /// Assigning an object to itself changes nothing.
  /// \param oRight The object copied.
  /// \return The object.
  tCMysql& operator=(const tCMysql& oRight);

  /// Connects.  When a connection is held and answers a ping, returns 1 at
  /// once without using the arguments.
  ///
  /// Otherwise it connects with pHost, pUser, pPassword, pDbName, nPort,
  /// pUnixSocket and nClientFlag passed unchanged to the client library
  /// (null and 0 take its defaults):
  ///   - when no handle is held, on a new one, with the character set
  ///     `pCharset` set on it unless it is empty (a null `pCharset` counts as
  ///     empty);
  ///   - when the held handle's ping failed (the connection was lost), on that
  ///     same handle, at the same address, so copies sharing it are connected
  ///     again too.  `pCharset` is not used: the handle keeps the character
  ///     set it was made with.  Before connecting again the handle is reset
  ///     in place (closed and initialised again), which frees what the client
  ///     library kept of the lost connection; options a caller set on
  ///     m_pMysql directly, other than the character set, do not survive this.
  ///
  /// A connect may take at most 10 seconds, the server's greeting
  /// included: a server that accepts the connection and never answers makes
  /// Login fail then, instead of waiting for ever.  Statements have no time
  /// limit of the library's (a long query is legitimate).
  ///
  /// The handle belongs to the object: callers do not close m_pMysql
  /// themselves.
  /// \param pHost The server's host name or address.
  /// \param pUser The user name.
  /// \param pPassword The password.
  /// \param pDbName The default database.
  /// \param pCharset The character set of a new handle; empty or null for the
  ///        client library's default.
  /// \param nPort The server's TCP port.
  /// \param pUnixSocket The Unix socket or named pipe to connect through.
  /// \param nClientFlag The client library's connection flags.
  /// \retval 1 connected.
  /// \retval 0 no handle can be made (m_szErr unchanged); or a lost
  ///         connection's handle cannot be initialised again (out of memory):
  ///         m_szErr then holds "real_connect fail:\tout of memory\n" and the
  ///         handle stays held, unconnected, so that copies keep sharing it
  ///         and a later Login tries again; or the connect fails: m_szErr
  ///         then holds "real_connect fail:\t<client error>\n", the handle is
  ///         released (closed unless a copy still shares it) and m_pMysql is
  ///         null, so the next Login starts from a new handle.
  int Login(const char* pHost, const char* pUser, const char* pPassword, const char* pDbName,
            const char* pCharset, unsigned int nPort, const char* pUnixSocket, unsigned int nClientFlag);

  /// Releases the result set and the connection (this object's shares of
  /// them), and resets m_Row to null and m_nRowNum and m_nFieldNum to 0, so
  /// nothing is left pointing into a released result.
  /// \return Always 1.
  int Logout();

  /// 1 when a connection is held and answers a ping, else 0.
  ///
  /// m_szErr is not changed.  The client library's default applies to
  /// reconnecting: the ping does not reconnect; Login does.
  /// \retval 1 a connection is held and answers a ping.
  /// \retval 0 logged out, or the connection does not answer.
  int CheckConnect();

  /// Runs a writing statement (mysql_send_query, then
  /// mysql_read_query_result).
  ///
  /// A statement that does yield result sets (a SELECT, a procedure that
  /// returns rows) has them read and discarded, so the connection stays
  /// ready for the next statement; an error reported while discarding them
  /// fails as below.  No result set is held and m_pRes is not touched.
  /// \param pSql The statement; a null `pSql` is sent as an empty statement
  ///        (which the server refuses).
  /// \retval 1 success.
  /// \retval 0 logged out (m_szErr unchanged), or sending or the answer
  ///         failed, with "write_real_query fail:\t<client error>\n" in
  ///         m_szErr.
  int QueryWrite(const char* pSql);

  /// Runs a reading statement (mysql_real_query, then mysql_store_result)
  /// and holds its result set.
  ///
  /// A result set still held from an earlier reading query is released first
  /// (as FreeResult).  Results after the first (a procedure call, several
  /// statements) are read and discarded so the connection stays in step; an
  /// error among them is reported as a failed statement.
  /// \param pSql The statement; a null `pSql` is sent as an empty statement.
  /// \retval 1 a result set is held: m_nRowNum is its row count (the low
  ///         32 bits of the client library's 64-bit count) and m_nFieldNum
  ///         its field count.
  /// \retval 0 logged out (nothing changed), the statement fails
  ///         ("read_real_query fail:\t<client error>\n"), it yields no
  ///         result set ("No error here,just a non-SELECT statment...\n",
  ///         although the statement was carried out), or the result set
  ///         cannot be fetched
  ///         ("An error has occurred! The error is:\t<client error>\n").
  int QueryRead(const char* pSql);

  /// Runs `pSql` (typically a stored-procedure call), reads and discards
  /// every result it yields, then, when `pSelect` is not null, runs `pSelect`
  /// and holds its result set as QueryRead does.
  ///
  /// A result set still held is released first.
  /// \param pSql The statement run first; a null `pSql` is sent as an empty
  ///        statement.
  /// \param pSelect The reading statement whose result set is held, or null.
  /// \retval 1 `pSelect` is null and `pSql` succeeded (no result set held),
  ///         or the result set of `pSelect` is held.
  /// \retval 0 logged out, `pSql` fails or one of its results reports an
  ///         error ("read_real_query fail:\t<client error>\n"), `pSelect`
  ///         fails (the same text), or, as in QueryRead, `pSelect` yields no
  ///         result set or it cannot be fetched.
  int QueryReadProc(const char* pSql, const char* pSelect);

  /// Fetches the next row of the held result set into m_Row (null after the
  /// last row, and null when no result set is held).
  ///
  /// m_Row[i] is the text of field i (null for SQL NULL); it stays valid
  /// until the result set is released.
  /// \return Always 1: bound loops by GetRowNum or test m_Row.
  int GetRow();

  /// m_nRowNum: the row count of the held result set (0 when none).
  /// \return m_nRowNum.
  int GetRowNum();

  /// m_nFieldNum: the field count of the held result set (0 when none).
  /// \return m_nFieldNum.
  int GetFieldNum();

  /// Releases the held result set (this object's share of it), sets m_Row
  /// to null and both counts to 0.
  void FreeResult();

  /// QueryWrite("SET AUTOCOMMIT=0"), then QueryWrite("START TRANSACTION").
  ///
  /// Automatic commit stays off on the connection until it ends: Commit and
  /// Rollback do not turn it back on.
  /// \retval 1 both succeed.
  /// \retval 0 the first fails (the second is not sent) or the second fails;
  ///         m_szErr as for QueryWrite.
  int Begin();

  /// QueryWrite("COMMIT").
  /// \return 1 or 0, as QueryWrite.
  int Commit();

  /// QueryWrite("ROLLBACK").
  /// \return 1 or 0, as QueryWrite.
  int Rollback();

  /// m_szErr itself (the object's own buffer, not a copy).
  /// \return m_szErr; it belongs to the object.
  char* GetErrorStr();

  /// The connection, or null when logged out.  Shared with copies.
  MYSQL* m_pMysql;
  /// The result set held by the last reading query, or null.  Shared with
  /// copies.
  MYSQL_RES* m_pRes;
  /// Rows in m_pRes (low 32 bits of the client library's count).
  int m_nRowNum;
  /// Fields in m_pRes.
  int m_nFieldNum;
  /// Text of the last failure, NUL-terminated.
  char m_szErr[1024];
  /// The row fetched by the last GetRow (points into m_pRes), or null.
  MYSQL_ROW m_Row;
};

#endif  // TAVO_DATABASE_TCMYSQL_H
