// Guarded allocators, string vectors, string tables and the assertion.
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/common.h"
#include "tavo_assert.h"
#include "test_util.h"

namespace {

template <size_t N>
char** makeVector(const char* const (&words)[N]) {
  const char* v[N + 1];
  for (size_t i = 0; i < N; ++i) v[i] = words[i];
  v[N] = nullptr;
  return mstrdup2(v);
}

TEST(Memory, MstrdupCopiesBytesAndNul) {
  char* e = mstrdup("");
  EXPECT_EQ(e[0], '\0');
  std::free(e);
  const char* src = "\xff\x80 text";
  char* c = mstrdup(src);
  EXPECT_NE(c, src);
  EXPECT_STREQ(c, src);
  std::free(c);
}

TEST(Memory, ZeroSizeRequestsGiveRealBlocks) {
  void* p = mmalloc(0);
  ASSERT_NE(p, nullptr);
  void* q = mrealloc(p, 0);
  ASSERT_NE(q, nullptr);
  q = mrealloc(q, 16);
  std::memset(q, 'x', 16);
  std::free(q);
}

TEST(Memory, MreallocNullActsAsMallocAndKeepsContents) {
  char* p = static_cast<char*>(mrealloc(nullptr, 8));
  std::memcpy(p, "abcdefg", 8);
  p = static_cast<char*>(mrealloc(p, 1 << 20));
  EXPECT_STREQ(p, "abcdefg");
  p = static_cast<char*>(mrealloc(p, 4));
  EXPECT_EQ(std::memcmp(p, "abcd", 4), 0);
  std::free(p);
}

TEST(Memory, Mstrdup2CopiesEveryStringOrGivesNullForEmpty) {
  const char* empty[] = {nullptr};
  EXPECT_EQ(mstrdup2(empty), nullptr);

  const char* src[] = {"one", "", "three", nullptr};
  char** v = mstrdup2(src);
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(addresslen2(v), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(v[i], src[i]);
    EXPECT_NE(v[i], src[i]);
  }
  EXPECT_EQ(v[3], nullptr);
  strfreev(v);
}

TEST(Memory, CountsAcceptBothEmptyForms) {
  EXPECT_EQ(addresslen2(nullptr), 0);
  EXPECT_EQ(addresslen3(nullptr), 0);
  char* oneSlot[] = {nullptr};
  EXPECT_EQ(addresslen2(oneSlot), 0);
  char** v = makeVector({"a", "b", "c"});
  EXPECT_EQ(addresslen2(v), 3);
  strfreev(v);
}

TEST(Memory, FreeFunctionsReleaseTablesWithEmptyInnerVectors) {
  strfreev(nullptr);
  strfreevv(nullptr);
  char** emptyInner = static_cast<char**>(mmalloc(sizeof(char*)));
  emptyInner[0] = nullptr;
  char*** t = static_cast<char***>(mmalloc(4 * sizeof(char**)));
  t[0] = makeVector({"k", "v"});
  t[1] = emptyInner;
  t[2] = makeVector({"x"});
  t[3] = nullptr;
  EXPECT_EQ(addresslen3(t), 3);
  strfreevv(t);  // the leak checker of the sanitizer build verifies all is freed
}

TEST(Memory, MillionStringVector) {
  const int n = tavo_test::kMillion;
  std::vector<const char*> src(n, "s");
  src.push_back(nullptr);
  char** v = mstrdup2(src.data());
  EXPECT_EQ(addresslen2(v), n);
  strfreev(v);
}

TEST(MemoryDeathTest, MemfatalNamesTheCallerAndExitsWithOne) {
  EXPECT_EXIT(memfatal("client"), testing::ExitedWithCode(1), "^client: No enough memory\\.\n$");
}

// Exhaustion is produced for real: the child lowers its address-space limit
// (Windows: reserves all of its address space but pieces below 16 MiB) and
// then asks for more than is left.
void exhaust(const char* which) {
  static const size_t kBig = (TAVO_TEST_WINDOWS ? 64u : 256u) << 20;
  char* big = nullptr;
  if (std::strcmp(which, "mstrdup") == 0) {
    big = static_cast<char*>(std::malloc(kBig + 1));
    std::memset(big, 'a', kBig);
    big[kBig] = '\0';
  }
#if TAVO_TEST_WINDOWS
  for (size_t n = std::size_t{1} << 30; n >= (std::size_t{16} << 20); n /= 2) {
    while (VirtualAlloc(nullptr, n, MEM_RESERVE, PAGE_NOACCESS) != nullptr) {
    }
  }
#else
  struct rlimit rl;
  getrlimit(RLIMIT_AS, &rl);
  rl.rlim_cur = 0;  // filled below from the current use
  FILE* f = std::fopen("/proc/self/statm", "r");
  unsigned long pages = 0;
  if (f != nullptr) {
    if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  rl.rlim_cur = pages * 4096ul + (64ul << 20);
  setrlimit(RLIMIT_AS, &rl);
#endif
  if (std::strcmp(which, "mmalloc") == 0) mmalloc(kBig);
  if (std::strcmp(which, "mrealloc") == 0) mrealloc(mmalloc(8), kBig);
  if (std::strcmp(which, "mstrdup") == 0) mstrdup(big);
  std::exit(0);
}

TEST(MemoryDeathTest, ExhaustionEndsTheProcessNamingTheAllocator) {
  if (TAVO_TEST_SANITIZED) GTEST_SKIP() << "address-space limits cannot be lowered under the sanitizers";
  for (const char* which : {"mmalloc", "mrealloc", "mstrdup"}) {
    SCOPED_TRACE(which);
    EXPECT_EXIT(exhaust(which), testing::ExitedWithCode(1),
                std::string("^") + which + ": No enough memory\\.\n$");
  }
}

TEST(AssertDeathTest, ReportsExpressionFileAndLine) {
  int nPos = 3;
  TAVO_ASSERT(nPos == 3);  // positive control: passes silently
  EXPECT_DEATH(TAVO_ASSERT((nPos >= 0) && (nPos < 2)),
               "Assertion failed: \\(nPos >= 0\\) && \\(nPos < 2\\), file tests/memory_test\\.cpp, "
               "line " TAVO_RE_DIGITS);
}

}  // namespace
