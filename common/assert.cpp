// Failure path of TAVO_ASSERT.
#include <cstdio>
#include <cstdlib>

#include "tavo_assert.h"

namespace tavo {
namespace detail {

void assertFail(const char* pExpr, const char* pFile, int nLine) noexcept {
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", pExpr, pFile, nLine);
  std::fflush(stderr);
  std::abort();
}

}  // namespace detail
}  // namespace tavo
