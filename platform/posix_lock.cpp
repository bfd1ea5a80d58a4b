// POSIX implementation of the library's one lock: a pthread mutex with its
// static initialiser, so that no constructor runs for it.
#include <pthread.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {
pthread_mutex_t gHandleTableLock = PTHREAD_MUTEX_INITIALIZER;
}  // namespace

void lockHandleTable() { pthread_mutex_lock(&gHandleTableLock); }
void unlockHandleTable() { pthread_mutex_unlock(&gHandleTableLock); }

}  // namespace platform
}  // namespace tavo
