// A small client of libtavo: copies and counts a string vector.
#include <cstdio>

#include "common/common.h"

int main() {
  const char* words[] = {"pear", "apple", "fig", nullptr};
  char** copy = mstrdup2(words);
  std::printf("%d words, first \"%s\"\n", addresslen2(copy), copy[0]);
  strfreev(copy);
  return 0;
}
