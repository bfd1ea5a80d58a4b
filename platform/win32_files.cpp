// Windows implementation of the file and directory calls of the platform
// layer.
#include <windows.h>

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "platform.h"
#include "win32_internal.h"

namespace tavo {
namespace platform {

using win32::failWithLastError;

int removeFile(const char* path) { return DeleteFileA(path) ? 0 : failWithLastError(); }

// MoveFileA never replaces an existing file (MoveFileExA would need
// MOVEFILE_REPLACE_EXISTING for that).
int renameNoReplace(const char* from, const char* to) {
  return MoveFileA(from, to) ? 0 : failWithLastError();
}

int listDirectory(const char* dir, void (*fn)(const char* name, void* ctx), void* ctx) {
  // The search pattern: dir, a separator unless it ends in one, and "*".
  const size_t nDir = strlen(dir);
  char* pattern = static_cast<char*>(malloc(nDir + 3));
  if (pattern == nullptr) {
    errno = ENOMEM;
    return -1;
  }
  memcpy(pattern, dir, nDir);
  size_t n = nDir;
  if (n != 0 && dir[n - 1] != '\\' && dir[n - 1] != '/' && dir[n - 1] != ':') pattern[n++] = '\\';
  pattern[n++] = '*';
  pattern[n] = '\0';
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern, &fd);
  free(pattern);
  if (h == INVALID_HANDLE_VALUE) {
    // A drive's root directory has no "." and "..": an empty one has no
    // entry at all, which is not a failure to search it.
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return 0;
    return failWithLastError();
  }
  do {
    fn(fd.cFileName, ctx);
  } while (FindNextFileA(h, &fd));
  // The search ends with ERROR_NO_MORE_FILES; anything else cut it short.
  const DWORD e = GetLastError();
  FindClose(h);
  if (e != ERROR_NO_MORE_FILES) {
    SetLastError(e);
    return failWithLastError();
  }
  return 0;
}

char* resolveDirectory(const char* dir) {
  DWORD n = GetFullPathNameA(dir, 0, nullptr, nullptr);
  if (n == 0) return nullptr;
  char* full = static_cast<char*>(malloc(n));
  if (full == nullptr) return nullptr;
  DWORD nFull = GetFullPathNameA(dir, n, full, nullptr);
  DWORD attr = nFull == 0 || nFull >= n ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(full);
  if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    free(full);
    return nullptr;
  }
  // The long form of every element (as the system lists it, not 8.3).
  DWORD nLong = GetLongPathNameA(full, nullptr, 0);
  if (nLong != 0) {
    char* pLong = static_cast<char*>(malloc(nLong));
    if (pLong != nullptr) {
      DWORD nGot = GetLongPathNameA(full, pLong, nLong);
      if (nGot != 0 && nGot < nLong) {
        free(full);
        full = pLong;
        nFull = nGot;
      } else {
        free(pLong);
      }
    }
  }
  // A directory's name ends without a separator; only a root ("C:\",
  // "\\server\share\") keeps the one that is part of it.
  while (nFull > 3 && full[nFull - 1] == '\\' && full[nFull - 2] != ':') --nFull;
  full[nFull] = '\0';
  return full;
}

long long fileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &d)) return -1;
  return (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

int appendWhole(const char* path, const void* data, size_t n) {
  // With FILE_APPEND_DATA alone every write goes to the end of the file as
  // one piece, whoever else appends.  The file may be deleted (the log's
  // size bound) while another writer has it open.
  HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    failWithLastError();
    return kAppendOpenFailed;
  }
  // Appenders take turns: an exclusive lock on one byte far past any data
  // (which locks nothing anyone reads or writes) is held for the write, so
  // that a system whose append-only handles are not atomic (Wine's) still
  // never lets two entries land on the same place.  Without the lock the
  // write goes ahead all the same.
  OVERLAPPED turn = {};
  turn.Offset = 0xFFFFFFFEu;
  turn.OffsetHigh = 0x7FFFFFFFu;
  const bool bTurn = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != 0;
  int r = 0;
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    DWORD nChunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
    DWORD nDone = 0;
    if (!WriteFile(h, p, nChunk, &nDone, nullptr) || nDone == 0) {
      if (nDone == 0 && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
      failWithLastError();
      r = kAppendWriteFailed;
      break;
    }
    p += nDone;
    n -= nDone;
  }
  int e = errno;
  if (bTurn) UnlockFileEx(h, 0, 1, 0, &turn);
  if (!CloseHandle(h) && r == 0) {
    failWithLastError();
    return kAppendWriteFailed;
  }
  errno = e;
  return r;
}

}  // namespace platform
}  // namespace tavo
