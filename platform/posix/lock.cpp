// POSIX implementation of the lock of the table of shared handles: a
// pthread mutex with its static initialiser, so that no constructor runs
// for it.
//
// fork() copies only the calling thread: a child made while another thread
// held the lock would find it taken for ever, and hang at its first use of
// the table (a Drop of an inherited tCShm, say).  The fork handlers take
// the lock before fork() and let it go in both processes after, so the
// table is whole and free in the child.
#include <pthread.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {
pthread_mutex_t gHandleTableLock = PTHREAD_MUTEX_INITIALIZER;

void takeForFork() { pthread_mutex_lock(&gHandleTableLock); }
void releaseAfterFork() { pthread_mutex_unlock(&gHandleTableLock); }
// Installed as the library is loaded, before any thread of the program can
// take the lock or fork: installed at the first use instead, a fork()
// racing with that use could miss them and leave its child the lock taken.
__attribute__((constructor)) void installForkHandlers() {
  pthread_atfork(takeForFork, releaseAfterFork, releaseAfterFork);
}
}  // namespace

void lockHandleTable() { pthread_mutex_lock(&gHandleTableLock); }
void unlockHandleTable() { pthread_mutex_unlock(&gHandleTableLock); }

}  // namespace platform
}  // namespace tavo
