// Windows implementation of the file and directory calls of the platform
// layer.
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform.h"
#include "win32_internal.h"

namespace tavo {
namespace platform {

using win32::failWithLastError;

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

namespace {

// Writers of the log take turns on the file's own lock: an exclusive lock
// on one byte far past any data (which locks nothing anyone reads or
// writes), held by one handle at a time, in this process or another.
// Waits for the writer ahead, whose turn is one size check and one write.
// Also makes writers of a system whose append-only handles are not atomic
// (Wine's) never land two entries on the same place.
bool takeWritersTurn(HANDLE h, OVERLAPPED* pTurn) {
  *pTurn = OVERLAPPED();
  pTurn->Offset = 0xFFFFFFFEu;
  pTurn->OffsetHigh = 0x7FFFFFFFu;
  return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, pTurn) != 0;
}

// What the log's writers compare: the file's identity and size.
struct FileFacts {
  DWORD nVolume;
  DWORD nIndexHigh;
  DWORD nIndexLow;
  DWORD nLinks;
  long long nSize;
};

bool factsOf(HANDLE h, FileFacts* pFacts) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  pFacts->nVolume = info.dwVolumeSerialNumber;
  pFacts->nIndexHigh = info.nFileIndexHigh;
  pFacts->nIndexLow = info.nFileIndexLow;
  pFacts->nLinks = info.nNumberOfLinks;
  pFacts->nSize = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

// What the name `path` names now, compared with the file opened.
enum class Named { kSame, kOther, kUnknown };

Named whatIsNamed(const char* path, const FileFacts& opened) {
  HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    // Gone, or deleted and waiting for its last handle to close (a
    // deletion pending refuses every open with ERROR_ACCESS_DENIED).
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_ACCESS_DENIED) return Named::kOther;
    return Named::kUnknown;
  }
  FileFacts named;
  const bool bGot = factsOf(h, &named);
  CloseHandle(h);
  if (!bGot) return Named::kUnknown;
  const bool bSame = named.nVolume == opened.nVolume && named.nIndexHigh == opened.nIndexHigh &&
                     named.nIndexLow == opened.nIndexLow;
  return bSame ? Named::kSame : Named::kOther;
}

// True when a refused open of `path` (ERROR_ACCESS_DENIED) met a deletion
// that is still pending: the name exists, but even its attributes are
// refused until the last handle of the deleted file closes.  A directory,
// or a file the caller may not write, gives its attributes.
bool deletionPending(const char* path) {
  return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_ACCESS_DENIED;
}

// How long a writer waits for a pending deletion to finish: the deleted
// file's last handles belong to writers that are about to find it deleted
// and close it.
constexpr ULONGLONG kPendingWaitMs = 2000;

// Turns taken in one call.  Each new turn follows another writer's
// deletion (or an outsider's replacement) of the file, and a new file
// needs the bound's worth of entries before it can be deleted again, so a
// second turn is rare and a third rarer still; the last one writes
// whatever it opened.
constexpr int kLogTurns = 8;

// Writes the whole block to `h`: 0 or kAppendWriteFailed (errno set).
int writeWhole(HANDLE h, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    DWORD nChunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
    DWORD nDone = 0;
    if (!WriteFile(h, p, nChunk, &nDone, nullptr) || nDone == 0) {
      if (nDone == 0 && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
      failWithLastError();
      return kAppendWriteFailed;
    }
    p += nDone;
    n -= nDone;
  }
  return 0;
}

// Opens the log for appending.  With FILE_APPEND_DATA (and no
// FILE_WRITE_DATA) every write goes to the end of the file as one piece,
// whoever else appends.  The lock of the writers' turn needs read or write
// access to the data, so read access is asked for too; a log the caller may
// only append to is opened without it, and written without turns.  Other
// writers may delete the file (the size bound) while it is open here.
HANDLE openLog(const char* path) {
  const DWORD nShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileA(path, FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES, nShare, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    h = CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, nShare, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  return h;
}

// Deletes the full log `path` so that the name is free at once.  Deleting
// a file that others hold open only marks it: on Windows before POSIX
// deletion (and under Wine) the name stays until the last handle closes,
// and an open of that name meanwhile fails or, under Wine, opens the doomed
// file, whose entries then go with it.  So the file is first renamed out of
// the way (every writer shares delete access, which a rename needs) to a
// name of its own beside it, and deleted there; the next open of `path`
// makes a new file.  When it cannot be renamed (a long path, a reader that
// does not share delete access), it is deleted by its name, as before.
bool deleteLog(const char* path) {
  static volatile LONG nAside = 0;
  char aside[MAX_PATH];
  const int n = snprintf(
      aside, sizeof aside, "%s.%lu.%lu.%ld.deleted", path, static_cast<unsigned long>(GetCurrentProcessId()),
      static_cast<unsigned long>(GetCurrentThreadId()), static_cast<long>(InterlockedIncrement(&nAside)));
  if (n > 0 && static_cast<size_t>(n) < sizeof aside && MoveFileExA(path, aside, 0)) {
    DeleteFileA(aside);
    return true;
  }
  return DeleteFileA(path) != 0;
}

}  // namespace

int appendLogEntry(const char* path, const void* data, size_t n, long long nBound) {
  ULONGLONG nWaitUntil = 0;  // 0: not waiting for a pending deletion
  for (int nTurn = 1;; ++nTurn) {
    HANDLE h = openLog(path);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD eOpen = GetLastError();
      if (eOpen == ERROR_ACCESS_DENIED && deletionPending(path)) {
        const ULONGLONG nNow = GetTickCount64();
        if (nWaitUntil == 0) nWaitUntil = nNow + kPendingWaitMs;
        if (nNow < nWaitUntil) {
          Sleep(1);
          --nTurn;  // a wait is not a turn
          continue;
        }
      }
      SetLastError(eOpen);
      failWithLastError();
      return kAppendOpenFailed;
    }
    OVERLAPPED turn;
    const bool bTurn = takeWritersTurn(h, &turn);
    // Under the turn: the name still names the file opened (unless a
    // writer ahead deleted it), and its size is final until we write.  A
    // device (NUL) gives no file facts; the last turn writes whatever it
    // opened.
    FileFacts opened;
    bool bAgain = false;
    if (bTurn && nTurn < kLogTurns && factsOf(h, &opened)) {
      const Named eNamed = opened.nLinks == 0 ? Named::kOther : whatIsNamed(path, opened);
      if (eNamed == Named::kOther) {
        bAgain = true;  // deleted meanwhile: made anew by the next open
      } else if (eNamed == Named::kSame && opened.nSize > nBound && deleteLog(path)) {
        bAgain = true;  // the entry starts a new file
      }
      // A failed deletion leaves the entry to the old file.
    }
    int r = 0;
    if (!bAgain) r = writeWhole(h, data, n);
    const int e = errno;
    if (bTurn) UnlockFileEx(h, 0, 1, 0, &turn);
    const BOOL bClosed = CloseHandle(h);
    if (bAgain) continue;
    if (!bClosed && r == 0) {
      failWithLastError();
      return kAppendWriteFailed;
    }
    errno = e;
    return r;
  }
}

}  // namespace platform
}  // namespace tavo
