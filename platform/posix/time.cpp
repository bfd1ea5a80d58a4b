// POSIX implementation of the time calls of the platform layer.
//
// The C library converts local time under a lock of its own, which fork()
// does not reset: a child made while another thread was converting would
// hang at its first conversion (its first log entry).  The library's
// conversions therefore run under a lock of ours, which the fork handlers
// take before fork() and free in both processes after: no thread of the
// library is inside the C library's lock when the process forks.  (A
// program's own threads that convert local time are the program's to
// order with its forks.)
#include <pthread.h>
#include <time.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {
pthread_mutex_t gTimeLock = PTHREAD_MUTEX_INITIALIZER;

void takeTimeLock() { pthread_mutex_lock(&gTimeLock); }
void releaseTimeLock() { pthread_mutex_unlock(&gTimeLock); }
// Installed as the library is loaded, before any thread of the program can
// take the lock or fork: installed at the first use instead, a fork()
// racing with that use could miss them and leave its child the lock taken.
__attribute__((constructor)) void installForkHandlers() {
  pthread_atfork(takeTimeLock, releaseTimeLock, releaseTimeLock);
}
}  // namespace

size_t formatLocalTime(time_t t, const char* fmt, char* buf, size_t size) {
  takeTimeLock();
  tm local;
  // strftime may read the time zone (tzset) too: both under the lock.
  const size_t n = ::localtime_r(&t, &local) != nullptr ? ::strftime(buf, size, fmt, &local) : 0;
  releaseTimeLock();
  return n;
}

}  // namespace platform
}  // namespace tavo
