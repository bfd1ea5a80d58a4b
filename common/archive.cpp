// Starting the external archivers.
#include <stdio.h>
#include <string.h>

#include "common/common.h"
#include "platform.h"

namespace {

// The command buffer of the archivers' lines: 255 bytes and the NUL.
constexpr size_t kCommandSize = 256;

enum class Archiver { kNone, kRar, kZip };

// Judged by everything after the first dot of the name, case-sensitively,
// "rar" before "zip".
Archiver chooseArchiver(const char* pArchive) {
  const char* pDot = strchr(pArchive, '.');
  if (pDot == nullptr) return Archiver::kNone;
  if (strstr(pDot + 1, "rar") != nullptr) return Archiver::kRar;
  if (strstr(pDot + 1, "zip") != nullptr) return Archiver::kZip;
  return Archiver::kNone;
}

// Formats the line; one that does not fit is not cut short (a shortened
// name could name another file) but not started at all.
void startLine(const char* pTemplate, const char* pFirst, const char* pSecond) {
  char szCmd[kCommandSize] = {0};
  int n = snprintf(szCmd, sizeof szCmd, pTemplate, pFirst, pSecond);
  if (n < 0 || static_cast<size_t>(n) >= sizeof szCmd) return;
  tavo::platform::startDetached(szCmd);  // the archiver's fate is not followed
}

}  // namespace

int MyUnZIP(const char* pArchive, const char* pDir) {
  switch (chooseArchiver(pArchive)) {
    case Archiver::kRar: startLine("unrar e -y %s %s", pArchive, pDir); break;
    case Archiver::kZip: startLine("unzip -o -d %s %s", pDir, pArchive); break;
    case Archiver::kNone: break;
  }
  return 1;
}

int MyZIP(const char* pArchive, const char* pFiles) {
  switch (chooseArchiver(pArchive)) {
    case Archiver::kRar: startLine("rar a -y %s %s", pArchive, pFiles); break;
    case Archiver::kZip: startLine("zip -u -r -j %s %s", pArchive, pFiles); break;
    case Archiver::kNone: break;
  }
  return 1;
}
