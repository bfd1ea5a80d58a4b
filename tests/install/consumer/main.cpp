// A client of the installed library: includes from the installed include
// root and links through find_package or pkg-config.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"

int main() {
  const char* words[] = {"alpha", "beta", nullptr};
  char** copy = mstrdup2(words);
  int ok = addresslen2(copy) == 2 && std::strcmp(copy[1], "beta") == 0;
  strfreev(copy);
  std::puts(ok ? "consumer ok" : "consumer FAILED");
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
