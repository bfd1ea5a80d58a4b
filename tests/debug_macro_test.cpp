// A client built with DEBUG defined as a macro (a common build flag) can
// include the library's headers and still reach the debug trace.
#define DEBUG 1

#include <gtest/gtest.h>

#include <string>

#include "common/common.h"
#include "tCFile/tCFile.h"
#include "tCFileIni/tCFileIni.h"
#include "test_util.h"

static_assert(DEBUG == 1, "the client's own DEBUG macro is restored after the headers");

namespace {

TEST(DebugMacroClient, CallsTheTraceThroughItsOtherName) {
  tavo_test::TempDir dir;
  std::string path = dir.file("debug.log");
  tavo_debug(1, 2, path.c_str(), "from a -DDEBUG client %d", 7);
  std::string log = tavo_test::readAll(path);
  ASSERT_GE(log.size(), 19u);
  EXPECT_EQ(log.substr(19), "  from a -DDEBUG client 7");
}

}  // namespace
