// Failure path of TAVO_ASSERT.
#include <stdio.h>
#include <stdlib.h>

#include "tavo_assert.h"

namespace tavo {
namespace detail {

void assertFail(const char* pExpr, const char* pFile, int nLine) noexcept {
  fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", pExpr, pFile, nLine);
  fflush(stderr);
  abort();
}

}  // namespace detail
}  // namespace tavo
