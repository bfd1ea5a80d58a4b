// POSIX implementation of the lock of the table of shared handles: a
// pthread mutex with its static initialiser, so that no constructor runs
// for it, held across fork() (fork_safe_mutex.h) so that a child can use
// the table at once (a Drop of an inherited tCShm, say).
#include "fork_safe_mutex.h"
#include "platform.h"

namespace tavo {
namespace platform {

namespace {
pthread_mutex_t gHandleTableLock = PTHREAD_MUTEX_INITIALIZER;
__attribute__((constructor)) void installForkHandlers() { holdAcrossFork<&gHandleTableLock>(); }
}  // namespace

void lockHandleTable() { lockMutex<&gHandleTableLock>(); }
void unlockHandleTable() { unlockMutex<&gHandleTableLock>(); }

}  // namespace platform
}  // namespace tavo
