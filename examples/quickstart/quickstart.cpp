// Cut a line into fields, sort them, and say why a file did not open.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "common/common.h"
#include "tCFile/tCFile.h"
#include "tCString2/tCString2.h"

int main() {
  char** fields = strsplit("pear,apple,fig", ",", 0);  // yours: free with strfreev
  tCString2 words(fields);                             // the list keeps its own copy
  strfreev(fields);
  words.Sort();
  for (int i = 0; i < words.GetLength(); ++i) printf("%s\n", words[i]);

  tCFile file;
  if (!file.Open("/no/such/file", "rb")) printf("cannot open: %s\n", strerror(errno));
  return 0;
}
