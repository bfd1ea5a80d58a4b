// Windows implementation of the stream calls of the platform layer, over
// the C runtime (msvcrt.dll) that mingw-w64 links: its FILE keeps the
// unread part of a read buffer between _ptr and _ptr + _cnt.
#include <windows.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

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
  // This runtime's fflush also empties the read buffer of a stream being
  // read, throwing buffered input away: flush only a stream with output
  // waiting.
  if ((fp->_flag & _IOWRT) != 0 && fp->_base != nullptr && fp->_ptr > fp->_base) std::fflush(fp);
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
  return fileTypeOf(fp) == FILE_TYPE_DISK && ::fstat(_fileno(fp), &st) == 0 && S_ISREG(st.st_mode);
}

void lockStream(FILE* fp) { _lock_file(fp); }
void unlockStream(FILE* fp) { _unlock_file(fp); }

int seekStream(FILE* fp, long long offset, int whence) {
  return _fseeki64(fp, offset, whence) == 0 ? 0 : -1;
}

int rewindStream(FILE* fp) {
  // The runtime "seeks" on pipes and devices without complaint; they are
  // told apart by their handle's type and left where they stand.
  DWORD type = fileTypeOf(fp);
  if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) return 0;
  return std::fseek(fp, 0, SEEK_SET) == 0 ? 1 : -1;
}

}  // namespace platform
}  // namespace tavo
