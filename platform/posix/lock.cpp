// POSIX implementation of the lock of the table of shared handles: a
// pthread mutex with its static initialiser, so that no constructor runs
// for it.
//
// fork() copies only the calling thread: a child made while another thread
// held the lock would find it taken for ever, and hang at its first use of
// the table (a Drop of an inherited tCShm, say).  The fork handlers take
// the lock before fork() and let it go in both processes after, so the
// table is whole and free in the child.  They are installed at the first
// use of the lock: before that, no thread can hold it.
#include <pthread.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {
pthread_mutex_t gHandleTableLock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t gForkHandlersOnce = PTHREAD_ONCE_INIT;

void takeForFork() { pthread_mutex_lock(&gHandleTableLock); }
void releaseAfterFork() { pthread_mutex_unlock(&gHandleTableLock); }
void installForkHandlers() { pthread_atfork(takeForFork, releaseAfterFork, releaseAfterFork); }
}  // namespace

void lockHandleTable() {
  pthread_once(&gForkHandlersOnce, installForkHandlers);
  pthread_mutex_lock(&gHandleTableLock);
}
void unlockHandleTable() { pthread_mutex_unlock(&gHandleTableLock); }

}  // namespace platform
}  // namespace tavo
