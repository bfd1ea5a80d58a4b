/*
 * A smoke client for the static Connector/C that scripts/mariadb_win.sh
 * builds for 32-bit Windows: run under Wine against a native server, it
 * proves the library links, speaks the protocol over Winsock, carries its
 * authentication plugins inside and (with "tls") reaches TLS through Schannel.
 *
 *   mariadb_smoke HOST PORT USER PASSWORD DB [plain|tls]
 *
 * Steps: the built-in plugins are found without any plugin directory; login
 * (CLIENT_MULTI_RESULTS, bounded time-outs); SELECT 1; a procedure that
 * returns a result set and sets an OUT parameter is created and CALLed, its
 * pending results drained with mysql_next_result, then the OUT value read
 * with SELECT.  Prints each result; exits 0 only when every value is the one
 * expected.  Built and run by run.sh beside this file.
 */
#include <mysql.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int fail(MYSQL *db, const char *what) {
  fprintf(stderr, "mariadb_smoke: %s failed: %u %s\n", what, mysql_errno(db), mysql_error(db));
  return 1;
}

/* Runs a query whose single-row, single-column result must equal want;
   prints it.  Returns 0 on a match. */
static int query_one(MYSQL *db, const char *sql, const char *want) {
  MYSQL_RES *res;
  MYSQL_ROW row;
  int bad;

  if (mysql_query(db, sql) != 0) return fail(db, sql);
  res = mysql_store_result(db);
  if (res == NULL) return fail(db, sql);
  row = mysql_fetch_row(res);
  bad = row == NULL || row[0] == NULL || strcmp(row[0], want) != 0 || mysql_num_rows(res) != 1;
  printf("%s -> %s\n", sql, row && row[0] ? row[0] : "(none)");
  mysql_free_result(res);
  if (bad) fprintf(stderr, "mariadb_smoke: %s: expected %s\n", sql, want);
  return bad;
}

/* Plugin types from mysql/client_plugin.h, which does not compile on its
   own as installed (it needs windows.h first and the uninstalled
   ma_compress.h); mysql.h declares mysql_client_find_plugin. */
enum { auth_plugin = 2, pvio_plugin = 101 };

int main(int argc, char **argv) {
  static const struct {
    const char *name;
    int type;
  } plugins[] = {
      {"mysql_native_password", auth_plugin},
      {"client_ed25519", auth_plugin},
      {"caching_sha2_password", auth_plugin},
      {"sha256_password", auth_plugin},
      {"mysql_clear_password", auth_plugin},
      {"pvio_socket", pvio_plugin},
      {"pvio_shmem", pvio_plugin},
  };
  unsigned int connect_timeout = 10, io_timeout = 30;
  const char *mode = argc > 6 ? argv[6] : "plain";
  int tls = strcmp(mode, "tls") == 0;
  MYSQL *db;
  MYSQL_RES *res;
  MYSQL_ROW row;
  size_t i;
  int status, bad = 0;

  if (argc < 6 || argc > 7 || (!tls && strcmp(mode, "plain") != 0)) {
    fprintf(stderr, "usage: %s HOST PORT USER PASSWORD DB [plain|tls]\n", argv[0]);
    return 2;
  }
  db = mysql_init(NULL);
  if (db == NULL) {
    fprintf(stderr, "mariadb_smoke: mysql_init failed\n");
    return 1;
  }
  printf("Connector/C %s\n", mysql_get_client_info());

  /* Built in: found in the library's own registry, never loaded from disk. */
  for (i = 0; i < sizeof plugins / sizeof plugins[0]; i++) {
    int found = mysql_client_find_plugin(db, plugins[i].name, plugins[i].type) != NULL;
    printf("plugin %s: %s\n", plugins[i].name, found ? "built in" : "MISSING");
    bad |= !found;
  }

  mysql_options(db, MYSQL_OPT_CONNECT_TIMEOUT, &connect_timeout);
  mysql_options(db, MYSQL_OPT_READ_TIMEOUT, &io_timeout);
  mysql_options(db, MYSQL_OPT_WRITE_TIMEOUT, &io_timeout);
  if (tls) {
    my_bool enforce = 1;
    mysql_options(db, MYSQL_OPT_SSL_ENFORCE, &enforce);
  }
  if (mysql_real_connect(db, argv[1], argv[3], argv[4], argv[5], (unsigned)atoi(argv[2]), NULL,
                         CLIENT_MULTI_RESULTS) == NULL) {
    status = fail(db, "mysql_real_connect");
    mysql_close(db);
    return status;
  }
  printf("logged in as %s to %s (server %s)\n", argv[3], mysql_get_host_info(db), mysql_get_server_info(db));
  if (tls) {
    const char *cipher = mysql_get_ssl_cipher(db);
    const char *version = NULL;
    mariadb_get_infov(db, MARIADB_CONNECTION_TLS_VERSION, &version);
    printf("TLS (client side): %s, cipher \"%s\"\n", version ? version : "(none)",
           cipher ? cipher : "(none)");
    bad |= cipher == NULL;
    /* The server's view; Schannel under Wine may not name the cipher. */
    if (mysql_query(db,
                    "SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS "
                    "WHERE VARIABLE_NAME IN ('Ssl_version', 'Ssl_cipher') "
                    "ORDER BY VARIABLE_NAME DESC") != 0 ||
        (res = mysql_store_result(db)) == NULL) {
      bad = fail(db, "Ssl_version/Ssl_cipher");
    } else {
      MYSQL_ROW version_row = mysql_fetch_row(res);
      MYSQL_ROW cipher_row = version_row ? mysql_fetch_row(res) : NULL;
      int seen = cipher_row && version_row[0] && cipher_row[0] && cipher_row[0][0];
      printf("TLS (server side): %s, cipher %s\n", seen ? version_row[0] : "(none)",
             seen ? cipher_row[0] : "(none)");
      bad |= !seen;
      mysql_free_result(res);
    }
  }

  bad |= query_one(db, "SELECT 1", "1");

  if (mysql_query(db,
                  "CREATE OR REPLACE PROCEDURE tavo_smoke_call(IN a INT, OUT b INT) "
                  "BEGIN SELECT a * 2 AS twice; SET b = a + 1; END") != 0) {
    bad = fail(db, "CREATE PROCEDURE");
  } else if (mysql_query(db, "CALL tavo_smoke_call(20, @b)") != 0) {
    bad = fail(db, "CALL");
  } else {
    /* The CALL's own result set, then its final status: every pending
       result is taken, or the next statement fails with 2014. */
    do {
      res = mysql_store_result(db);
      if (res != NULL) {
        while ((row = mysql_fetch_row(res)) != NULL) {
          printf("CALL tavo_smoke_call(20, @b) row -> %s\n", row[0] ? row[0] : "NULL");
          bad |= row[0] == NULL || strcmp(row[0], "40") != 0;
        }
        mysql_free_result(res);
      } else if (mysql_field_count(db) != 0) {
        bad = fail(db, "CALL result");
        break;
      }
      status = mysql_next_result(db);
      if (status > 0) bad = fail(db, "mysql_next_result");
    } while (status == 0);
    bad |= query_one(db, "SELECT @b", "21");
  }

  mysql_close(db);
  printf("mariadb_smoke: %s\n", bad ? "FAILED" : "ok");
  return bad ? 1 : 0;
}
