# The throwaway MariaDB server as a ctest fixture (scripts/db_fixture.sh):
# the test `tavo_db_setup` starts it (FIXTURES_SETUP tavo_db), the test
# `tavo_db_cleanup` stops it (FIXTURES_CLEANUP), and every test that logs
# in to a database requires it:
#
#   set_tests_properties(T PROPERTIES ${TAVO_DB_TEST_PROPERTIES})
#   gtest_discover_tests(prog ... PROPERTIES ${TAVO_DB_TEST_PROPERTIES})
#
# which also gives the test TAVO_DB_INI, the server's settings in the build
# folder.  `ctest` alone then starts and stops the server; a run with
# TAVO_DB_INI already set uses that server instead.  Included once, from
# the top-level CMakeLists.txt, where tests are enabled.
include_guard(GLOBAL)
set(TAVO_DB_TEST_INI "${PROJECT_BINARY_DIR}/tavo_db.ini")
add_test(NAME tavo_db_setup
  COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/db_fixture.sh" setup "${PROJECT_BINARY_DIR}")
add_test(NAME tavo_db_cleanup
  COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/db_fixture.sh" cleanup "${PROJECT_BINARY_DIR}")
set_tests_properties(tavo_db_setup PROPERTIES FIXTURES_SETUP tavo_db TIMEOUT 120)
set_tests_properties(tavo_db_cleanup PROPERTIES FIXTURES_CLEANUP tavo_db TIMEOUT 120)
set(TAVO_DB_TEST_PROPERTIES FIXTURES_REQUIRED tavo_db ENVIRONMENT "TAVO_DB_INI=${TAVO_DB_TEST_INI}")
