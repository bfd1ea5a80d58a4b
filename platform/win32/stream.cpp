// Windows implementation of the stream calls of the platform layer, over
// the C runtime the DLL links: msvcrt.dll (mingw-w64, and the Visual C++
// build's msvcrt flavour) or the Universal CRT.  Only the runtimes' public
// functions are used, never the layout of their FILE, which the Universal
// CRT keeps to itself.
#include <windows.h>
#include <io.h>
#include <sys/stat.h>

#include <errno.h>
#include <stdio.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {

DWORD fileTypeOf(FILE* fp) {
  intptr_t h = _get_osfhandle(_fileno(fp));
  if (h == -1) return FILE_TYPE_UNKNOWN;
  return GetFileType(reinterpret_cast<HANDLE>(h));
}

}  // namespace

void flushPendingOutput(FILE* fp) {
  // These runtimes' fflush also empties the read buffer of a stream being
  // read, throwing buffered input away: flush only a stream with output
  // waiting.  Which it is shows in the stream's position against its file
  // handle's: output waiting puts the stream's position past the handle's
  // (by the bytes waiting, more in text mode), buffered input puts it
  // before (by the bytes not yet read); the two are equal when nothing is
  // buffered.  A handle that cannot seek (a pipe) gives no position: then
  // nothing is flushed, since its buffered input could not be read again.
  const long long nHandle = _telli64(_fileno(fp));
  if (nHandle < 0) return;
  const long long nStream = _ftelli64(fp);
  if (nStream > nHandle) fflush(fp);
}

int streamStatus(FILE* fp, struct stat* pStatus) {
  flushPendingOutput(fp);
  return ::fstat(_fileno(fp), pStatus) == 0 ? 0 : -1;
}

long long streamSize(FILE* fp) {
  flushPendingOutput(fp);
  long long n = _filelengthi64(_fileno(fp));
  return n < 0 ? -1 : n;
}

bool streamIsRegularFile(FILE* fp) {
  struct stat st;
  // (Visual C++'s headers have no S_ISREG: the type bits are compared.)
  return fileTypeOf(fp) == FILE_TYPE_DISK && ::fstat(_fileno(fp), &st) == 0 &&
         (st.st_mode & _S_IFMT) == _S_IFREG;
}

void lockStream(FILE* fp) { _lock_file(fp); }
void unlockStream(FILE* fp) { _unlock_file(fp); }

int seekStream(FILE* fp, long long offset, int whence) { return _fseeki64(fp, offset, whence) == 0 ? 0 : -1; }

int rewindStream(FILE* fp) {
  // The runtime "seeks" on pipes and devices without complaint; they are
  // told apart by their handle's type and left where they stand.
  DWORD type = fileTypeOf(fp);
  if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) return 0;
  return fseek(fp, 0, SEEK_SET) == 0 ? 1 : -1;
}

}  // namespace platform
}  // namespace tavo
