// POSIX implementation of the named shared memory of the platform layer.
//
// A block is a POSIX shared-memory object.  Its name is the caller's name
// escaped into a single path element ("/tavo." followed by the name, every
// byte outside [A-Za-z0-9._-] written as %XX), so that any byte, '/'
// included, can be part of a name.
//
// Holders are tracked with open-file-description locks on the object itself,
// which the system drops when the holder's descriptor closes, however its
// process ends:
//   - every holder keeps a read lock on byte 0 (kHolderByte), through a
//     descriptor of its own that is never mapped (a mapping keeps its open
//     file alive, and with it any lock taken through it, for as long as the
//     view lives);
//   - creating, joining and releasing run under a write lock on byte 1
//     (kGuardByte), so that a release that finds itself the last holder and
//     removes the name cannot interleave with a join of the same block.
// A write lock on byte 0 can be had exactly when nobody holds the block.
// Such a block that has a size was abandoned by holders that ended without
// releasing it: its name is removed and a new block is made.  The name is
// only ever removed by a process holding the guard of the object it names.
// The guard is never waited for without bound: it is tried again and again
// for a few seconds, then Create (or the release) gives up.
//
// Blocks are private to the user, as a session's named mappings are on
// Windows: an object is made exclusively with mode 0600, and an existing one
// is joined only when it belongs to the user and is open to nobody else.
// A new block's bytes are reserved when it is made (posix_fallocate), so a
// block the system cannot back is refused by Create, not found out by a
// SIGBUS at the first write.
//
// A lock belongs to an open file description, which a process made with
// fork() shares with its parent; the child would then count as the same
// holder as its parent, and either one's release would take the block's
// name from the other.  Every live handle is therefore kept in a list, and
// in a forked child each one gets a description and a read lock of its own
// (at the same descriptor number, so the handle's number does not change),
// readied by the parent just before the fork.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1  // F_OFD_SETLK
#endif
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <errno.h>
#include <time.h>
#include <stdlib.h>
#include <string.h>

#include "ofd_lock.h"
#include "platform.h"

namespace tavo {
namespace platform {

struct SharedBlock {
  int nLockFd;  // holds the locks; never mapped
  int nMapFd;   // what views map
  char szName[8 + 3 * 64];
  SharedBlock* pPrev;  // the list of live handles
  SharedBlock* pNext;
  int nForkFd;  // the description readied for a child while fork() runs
};

namespace {

constexpr off_t kHolderByte = 0;
constexpr off_t kGuardByte = 1;
constexpr size_t kMaxName = 49;
// Retries when the name changed hands under us (removed by a last holder
// or as abandoned between our open and our lock).  Each retry follows
// another process's completed release, so a handful always suffices.
constexpr int kAttempts = 64;

bool encodeName(const char* pName, char* pOut) {
  size_t n = strlen(pName);
  if (n == 0 || n > kMaxName) return false;
  static const char kHex[] = "0123456789ABCDEF";
  char* p = pOut;
  memcpy(p, "/tavo.", 6);
  p += 6;
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(pName[i]);
    bool bPlain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '_' || c == '-';
    if (bPlain) {
      *p++ = static_cast<char>(c);
    } else {
      *p++ = '%';
      *p++ = kHex[c >> 4];
      *p++ = kHex[c & 15];
    }
  }
  *p = '\0';
  return true;
}

// Closes a descriptor that holds locks, letting go of them first: a child
// made by fork() while the descriptor was open shares its description, and
// the close alone would leave the locks held for as long as the child
// lives (the guard taken, or a holder that is gone still counted).
void closeLockFd(int fd) {
  struct flock fl;
  memset(&fl, 0, sizeof fl);
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kHolderByte;
  fl.l_len = 2;  // kHolderByte and kGuardByte
  ::fcntl(fd, F_OFD_SETLK, &fl);
  ::close(fd);
}

// Keeps the block's descriptors off the standard streams' numbers, so that
// a handle's number is never 0 and a program that reopens its standard
// streams cannot write into a block.
int aboveStdStreams(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int nNew = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return nNew;
}

bool sameFile(int fd1, int fd2) {
  struct stat s1, s2;
  return ::fstat(fd1, &s1) == 0 && ::fstat(fd2, &s2) == 0 && s1.st_dev == s2.st_dev && s1.st_ino == s2.st_ino;
}

// ---- Live handles across fork() ---------------------------------------------

pthread_mutex_t gLiveMutex = PTHREAD_MUTEX_INITIALIZER;
SharedBlock* gLive = nullptr;

// "/proc/self/fd/<fd>" without stdio, which a forked child of a threaded
// process may not use.
void fdPath(int fd, char* pOut) {
  static const char kPrefix[] = "/proc/self/fd/";
  memcpy(pOut, kPrefix, sizeof kPrefix - 1);
  char digits[16];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + fd % 10);
    fd /= 10;
  } while (fd > 0);
  char* p = pOut + sizeof kPrefix - 1;
  while (n > 0) *p++ = digits[--n];
  *p = '\0';
}

// Before fork(): a new description of every live handle's object, with a
// holder lock of its own, for the child to take over.  It is made before
// the child exists, so there is no moment in which the child holds the
// block only through its parent's description.
void beforeFork() {
  pthread_mutex_lock(&gLiveMutex);
  for (SharedBlock* b = gLive; b != nullptr; b = b->pNext) {
    char szPath[40];
    fdPath(b->nLockFd, szPath);
    b->nForkFd = ::open(szPath, O_RDWR | O_CLOEXEC);
    if (b->nForkFd >= 0 && !lockByte(b->nForkFd, F_RDLCK, kHolderByte, false)) {
      ::close(b->nForkFd);
      b->nForkFd = -1;
    }
  }
}

// The parent lets go of the readied descriptions: the child keeps them
// (and their locks) alive.
void afterForkInParent() {
  for (SharedBlock* b = gLive; b != nullptr; b = b->pNext) {
    if (b->nForkFd >= 0) ::close(b->nForkFd);
    b->nForkFd = -1;
  }
  pthread_mutex_unlock(&gLiveMutex);
}

// The child puts each readied description under the handle's number (the
// inherited description stays the parent's).  Should one be missing, that
// handle keeps the shared description.
void afterForkInChild() {
  for (SharedBlock* b = gLive; b != nullptr; b = b->pNext) {
    if (b->nForkFd >= 0) {
      ::dup3(b->nForkFd, b->nLockFd, O_CLOEXEC);
      ::close(b->nForkFd);
    }
    b->nForkFd = -1;
  }
  pthread_mutex_unlock(&gLiveMutex);
}

// Installed as the library is loaded, for the reason fork_safe_mutex.h
// gives (these handlers do more than hold the mutex, so they are their own).
__attribute__((constructor)) void installForkHandlers() {
  pthread_atfork(beforeFork, afterForkInParent, afterForkInChild);
}

void addLive(SharedBlock* b) {
  pthread_mutex_lock(&gLiveMutex);
  b->pPrev = nullptr;
  b->pNext = gLive;
  b->nForkFd = -1;
  if (gLive != nullptr) gLive->pPrev = b;
  gLive = b;
  pthread_mutex_unlock(&gLiveMutex);
}

void removeLive(SharedBlock* b) {
  pthread_mutex_lock(&gLiveMutex);
  if (b->pPrev != nullptr)
    b->pPrev->pNext = b->pNext;
  else
    gLive = b->pNext;
  if (b->pNext != nullptr) b->pNext->pPrev = b->pPrev;
  pthread_mutex_unlock(&gLiveMutex);
}

// The guard is taken without waiting, again and again for at most this
// long: a holder that keeps it (stopped inside Create, say) makes Create
// fail instead of hanging.
constexpr int kGuardWaitMs = 5000;
constexpr int kGuardRetryMs = 10;

// Takes the guard (a write lock on kGuardByte) within kGuardWaitMs.  False
// when it cannot be had, errno telling why (EAGAIN: another holder kept it).
bool takeGuard(int fd) {
  for (int nWaited = 0;; nWaited += kGuardRetryMs) {
    if (lockByte(fd, F_WRLCK, kGuardByte, false)) return true;
    if ((errno != EAGAIN && errno != EACCES) || nWaited >= kGuardWaitMs) return false;
    struct timespec ts = {0, kGuardRetryMs * 1000000L};
    ::nanosleep(&ts, nullptr);
  }
}

// Opens the object named `pShmName`: made anew, exclusively, private to
// this user (0600 at most), or an existing one that is this user's own and
// open to nobody else.  Anything else (planted by another user, or opened
// to others) is refused with EACCES, so that nobody else can read what is
// written to a block or change it.  A descriptor above the standard
// streams', or -1.
int openPrivateObject(const char* pShmName) {
  for (int i = 0; i < kAttempts; ++i) {
    int fd = ::shm_open(pShmName, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return aboveStdStreams(fd);
    if (errno != EEXIST) return -1;
    fd = ::shm_open(pShmName, O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) {
      if (errno == ENOENT) continue;  // removed in between: make it anew
      return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      ::close(fd);
      return -1;
    }
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
      ::close(fd);
      errno = EACCES;
      return -1;
    }
    return aboveStdStreams(fd);
  }
  errno = EAGAIN;
  return -1;
}

// Gives a new block its `nSize` bytes and reserves them, so that a block
// the system cannot back (a full /dev/shm) fails here instead of killing
// the process with SIGBUS at its first write.
bool reserve(int fd, int nSize) {
  int e = ::posix_fallocate(fd, 0, static_cast<off_t>(nSize));
  if (e == EINTR) e = ::posix_fallocate(fd, 0, static_cast<off_t>(nSize));
  if (e == 0) return true;
  errno = e;
  return false;
}

enum class Step { kHeld, kRetry, kFail };

// One attempt at creating or joining; on kHeld both descriptors are set.
Step tryCreateOrJoin(const char* pShmName, int nSize, int* pLockFd, int* pMapFd) {
  int nLock = openPrivateObject(pShmName);
  if (nLock < 0) return Step::kFail;
  if (!takeGuard(nLock)) {
    closeLockFd(nLock);
    return Step::kFail;
  }
  // Under the guard: is the name still this object's?  (A last holder may
  // have removed it, or a creator replaced an abandoned one, meanwhile.)
  int nMap = aboveStdStreams(::shm_open(pShmName, O_RDWR | O_CLOEXEC, 0));
  if (nMap < 0 || !sameFile(nLock, nMap)) {
    if (nMap >= 0) ::close(nMap);
    closeLockFd(nLock);
    return Step::kRetry;
  }
  Step eStep = Step::kHeld;
  if (lockByte(nLock, F_WRLCK, kHolderByte, false)) {
    // Nobody holds it.
    struct stat st;
    if (::fstat(nMap, &st) != 0) {
      eStep = Step::kFail;
    } else if (st.st_size != 0) {
      ::shm_unlink(pShmName);  // abandoned: make a new one
      eStep = Step::kRetry;
    } else if (nSize <= 0 || !reserve(nMap, nSize) || !lockByte(nLock, F_RDLCK, kHolderByte, false)) {
      ::shm_unlink(pShmName);  // nothing may be left under the name
      eStep = Step::kFail;
    }
  } else if (errno != EAGAIN && errno != EACCES) {
    eStep = Step::kFail;
  } else if (!lockByte(nLock, F_RDLCK, kHolderByte, false)) {
    // Others hold it and only ever hold read locks outside the guard.
    eStep = Step::kFail;
  }
  if (eStep != Step::kHeld) {
    ::close(nMap);
    closeLockFd(nLock);  // drops every lock taken through it
    return eStep;
  }
  if (!lockByte(nLock, F_UNLCK, kGuardByte, false)) {
    // A guard left taken would shut every later Create of the name out.
    ::close(nMap);
    closeLockFd(nLock);
    return Step::kFail;
  }
  *pLockFd = nLock;
  *pMapFd = nMap;
  return Step::kHeld;
}

}  // namespace

namespace {

// The live handle numbered `id`, or null.
SharedBlock* findLive(int id) {
  pthread_mutex_lock(&gLiveMutex);
  SharedBlock* b = gLive;
  while (b != nullptr && b->nLockFd != id) b = b->pNext;
  pthread_mutex_unlock(&gLiveMutex);
  return b;
}

}  // namespace

// A handle's number is the descriptor that holds its locks (never 0, see
// aboveStdStreams), unique among the live handles.
int createOrJoinSharedBlock(const char* name, int size) {
  SharedBlock* pBlock = static_cast<SharedBlock*>(malloc(sizeof(SharedBlock)));
  if (pBlock == nullptr) return 0;
  if (!encodeName(name, pBlock->szName)) {
    free(pBlock);
    return 0;
  }
  for (int i = 0; i < kAttempts; ++i) {
    Step eStep = tryCreateOrJoin(pBlock->szName, size, &pBlock->nLockFd, &pBlock->nMapFd);
    if (eStep == Step::kHeld) {
      addLive(pBlock);
      return pBlock->nLockFd;
    }
    if (eStep == Step::kFail) break;
  }
  free(pBlock);
  return 0;
}

void* mapSharedBlock(int id) {
  SharedBlock* block = findLive(id);
  if (block == nullptr) return nullptr;
  struct stat st;
  if (::fstat(block->nMapFd, &st) != 0 || st.st_size <= 0) return nullptr;
  void* p =
      ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, block->nMapFd, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void releaseSharedBlock(int id) {
  SharedBlock* block = findLive(id);
  if (block == nullptr) return;
  removeLive(block);
  // Without the guard in time the name is left: with no holder, the next
  // Create finds the block abandoned and makes a new one.
  if (takeGuard(block->nLockFd) && lockByte(block->nLockFd, F_WRLCK, kHolderByte, false)) {
    // The last holder: the name goes with it.  Holders keep the name
    // theirs (it is only removed when nobody holds it), so it still names
    // this object; checked all the same before removing it.
    int fd = ::shm_open(block->szName, O_RDONLY | O_CLOEXEC, 0);
    if (fd >= 0) {
      if (sameFile(fd, block->nLockFd)) ::shm_unlink(block->szName);
      ::close(fd);
    }
  }
  ::close(block->nMapFd);
  closeLockFd(block->nLockFd);
  free(block);
}

}  // namespace platform
}  // namespace tavo
