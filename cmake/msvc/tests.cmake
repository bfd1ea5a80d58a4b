# The checks of a Visual C++-mode build as ctest entries
# (ctest --preset msvc-FLAVOUR), in the order they depend on each other:
#   msvc_drop        makes the developer's drop of this build
#                    (scripts/msvc_drop.sh --from BUILD FLAVOUR:
#                    build/drops/tavo-VERSION-RUNTIME-ARCH.zip)
#   msvc_drop_check  checks the DLL (only system DLLs and its runtime
#                    imported, no thread-local storage or static
#                    initialisers) and the zip's contents, unzips it and
#                    builds against it what a Visual C++ developer would:
#                    tests/msvc/ (the link check, whose imports must cover
#                    every public export, and the client) and the README's
#                    quick start with find_package(tavo)
#                    (tests/msvc/check_drop.sh)
#   msvc_link_check, msvc_client, msvc_quickstart
#                    run those programs under Wine (tests/msvc/run_wine.sh),
#                    in a prefix of the build's own that msvc_wine_setup
#                    makes and msvc_wine_cleanup stops; the client's
#                    database checks against the throwaway server (the
#                    tavo_db fixture).  Labelled `wine`.  An x86 program on
#                    a host that runs no 32-bit x86 programs is skipped,
#                    saying so (status 77).
# Included from the top-level CMakeLists.txt in Visual C++ mode, where
# _tavo_flavour names the flavour (msvcrt, ucrt or ucrt-x64).
include_guard(GLOBAL)
set(_src "${PROJECT_SOURCE_DIR}")
set(_wine_run bash "${_src}/tests/msvc/run_wine.sh" ${TAVO_MSVC_ARCH} "${PROJECT_BINARY_DIR}/wineprefix")

add_test(NAME msvc_drop COMMAND bash "${_src}/scripts/msvc_drop.sh" --from "${PROJECT_BINARY_DIR}" ${_tavo_flavour})
add_test(NAME msvc_drop_check
  COMMAND bash "${_src}/tests/msvc/check_drop.sh" ${_tavo_flavour} "${PROJECT_BINARY_DIR}" "${TAVO_MSVC_SDK}")
add_test(NAME msvc_wine_setup COMMAND ${_wine_run} --setup)
add_test(NAME msvc_wine_cleanup COMMAND ${_wine_run} --cleanup)
add_test(NAME msvc_link_check COMMAND ${_wine_run} "${PROJECT_BINARY_DIR}/tests" link_check.exe)
add_test(NAME msvc_client COMMAND ${_wine_run} "${PROJECT_BINARY_DIR}/tests" client.exe --client)
add_test(NAME msvc_quickstart COMMAND ${_wine_run} "${PROJECT_BINARY_DIR}/quickstart" quickstart.exe --quickstart)

set_tests_properties(msvc_drop PROPERTIES FIXTURES_SETUP msvc_drop TIMEOUT 300)
set_tests_properties(msvc_drop_check PROPERTIES FIXTURES_REQUIRED msvc_drop FIXTURES_SETUP msvc_programs TIMEOUT 900)
set_tests_properties(msvc_wine_setup PROPERTIES FIXTURES_SETUP msvc_wine TIMEOUT 300 LABELS wine)
set_tests_properties(msvc_wine_cleanup PROPERTIES FIXTURES_CLEANUP msvc_wine TIMEOUT 60 LABELS wine)
set_tests_properties(msvc_link_check msvc_client msvc_quickstart PROPERTIES
  FIXTURES_REQUIRED "msvc_programs;msvc_wine" LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 300)
set_tests_properties(msvc_client PROPERTIES FIXTURES_REQUIRED "msvc_programs;msvc_wine;tavo_db"
  ENVIRONMENT "TAVO_DB_INI=${TAVO_DB_TEST_INI}")
