// Windows implementation of the file and directory calls of the platform
// layer.
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

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
  std::string pattern(dir);
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' && pattern.back() != ':')
    pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
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
  std::string full(n, '\0');
  n = GetFullPathNameA(dir, n, &full[0], nullptr);
  if (n == 0 || n >= full.size()) return nullptr;
  full.resize(n);
  DWORD attr = GetFileAttributesA(full.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY) == 0) return nullptr;
  // The long form of every element (as the system lists it, not 8.3).
  DWORD nLong = GetLongPathNameA(full.c_str(), nullptr, 0);
  if (nLong != 0) {
    std::string sLong(nLong, '\0');
    nLong = GetLongPathNameA(full.c_str(), &sLong[0], nLong);
    if (nLong != 0 && nLong < sLong.size()) full.assign(sLong, 0, nLong);
  }
  // A directory's name ends without a separator; only a root ("C:\",
  // "\\server\share\") keeps the one that is part of it.
  while (full.size() > 3 && full.back() == '\\' && full[full.size() - 2] != ':') full.pop_back();
  char* p = static_cast<char*>(std::malloc(full.size() + 1));
  if (p != nullptr) std::memcpy(p, full.c_str(), full.size() + 1);
  return p;
}

long long fileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &d)) return -1;
  return (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

int appendWhole(const char* path, const void* data, std::size_t n) {
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
