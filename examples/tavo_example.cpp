// A small client of libtavo.
//
// Reads its settings from an INI file (default: tavo_example.ini in the
// current directory), splits a sentence into a word list, sorts and searches
// it, hands the words out as a string vector, and records what it did in the
// log file the settings name, through logprintf and the DEBUG trace.
//
//   usage: tavo_example [settings.ini]
#include <cstdio>
#include <cstdlib>

#include "common/common.h"
#include "example_extras.h"
#include "tCFileIni/tCFileIni.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"

int main(int argc, char** argv) {
  const char* pIni = argc > 1 ? argv[1] : "tavo_example.ini";

  int nDebug = 0;
  int nLevel = 0;
  char szLog[1024] = "tavo_example.log";
  if (!get_debug_info(pIni, "debug", &nDebug, &nLevel, szLog)) {
    std::fprintf(stderr, "%s: no complete [debug] section; tracing stays off\n", pIni);
  }

  // The sentence comes from the same file, read with the INI class itself.
  char szText[1024] = "";
  tCFileIni oIni;
  if (!oIni.Open(pIni, "rb") || !oIni.GetString("words", "text", szText)) {
    std::snprintf(szText, sizeof szText, "%s", "no words configured");
  }
  oIni.Close();

  logprintf(szLog, "tavo_example started with %s\n", pIni);

  tCString oText = szText;
  oText.Trim(3);
  tCString2 oWords;
  oText.Split(oWords, " ");  // 1 when the separator occurs, else 0 (list emptied)
  int nWords = oWords.GetLength();
  DEBUG(nDebug, nLevel, szLog, "split \"%s\" into %d words\n", (const char*)oText, nWords);

  oWords.Sort(1);
  tCString oJoined;
  for (int i = 0; i < oWords.GetLength(); ++i) {
    if (i > 0) oJoined += ' ';
    oJoined += oWords[i];
  }
  std::printf("sorted: %s\n", (const char*)oJoined);

  int nFox = oWords.ForkFind("fox", 1);
  std::printf("\"fox\" is word %d of the sorted list\n", nFox);
  DEBUG(nDebug, nLevel, szLog, "ForkFind(fox) = %d\n", nFox);

  // The list as a plain string vector: copy it out, count it, release it.
  char** pCopy = mstrdup2(const_cast<const char**>(static_cast<char**>(oWords)));
  std::printf("string vector of %d words, first in upper case: ", addresslen2(pCopy));
  tCString oUpper = pCopy != nullptr ? pCopy[0] : "";
  oUpper.MakeUpper();
  std::printf("%s\n", (const char*)oUpper);
  strfreev(pCopy);

  if (!example_extras()) return EXIT_FAILURE;  // cipher, password, shared counter
  logprintf(szLog, "tavo_example done: %d words\n", nWords);
  std::printf("log written to %s\n", szLog);
  return EXIT_SUCCESS;
}
