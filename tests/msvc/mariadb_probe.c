/*
 * Connects to a MariaDB server with the Connector/C built in Visual C++
 * mode (scripts/mariadb_msvc.sh) and prints the server's version or the
 * client's error text.  Exit status: 0 connected, 1 refused or failed,
 * 2 usage.  Built and run under Wine by scripts/mariadb_msvc.sh --probe.
 *
 *   mariadb_probe HOST PORT [USER [PASSWORD]]
 */
#include <stdio.h>
#include <stdlib.h>
#include <mysql.h>

int main(int argc, char **argv) {
  MYSQL *db;
  unsigned int timeout = 5;

  if (argc < 3 || argc > 5) {
    fprintf(stderr, "usage: mariadb_probe HOST PORT [USER [PASSWORD]]\n");
    return 2;
  }
  db = mysql_init(NULL);
  if (!db) {
    printf("mysql_init failed\n");
    return 1;
  }
  /* Bounded: a server that accepts and then stays silent ends the run. */
  mysql_optionsv(db, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  mysql_optionsv(db, MYSQL_OPT_READ_TIMEOUT, &timeout);
  mysql_optionsv(db, MYSQL_OPT_WRITE_TIMEOUT, &timeout);
  if (!mysql_real_connect(db, argv[1], argc > 3 ? argv[3] : NULL, argc > 4 ? argv[4] : NULL, NULL,
                          (unsigned int)atoi(argv[2]), NULL, 0)) {
    printf("error %u: %s\n", mysql_errno(db), mysql_error(db));
    mysql_close(db);
    return 1;
  }
  printf("connected: server %s\n", mysql_get_server_info(db));
  mysql_close(db);
  return 0;
}
