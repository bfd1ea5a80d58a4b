// POSIX implementation of the time calls of the platform layer.
//
// The C library converts local time under a lock of its own, which fork()
// does not reset: a child made while another thread was converting would
// hang at its first conversion (its first log entry).  The library's
// conversions therefore run under a lock of ours, held across fork()
// (fork_safe_mutex.h): no thread of the library is inside the C library's
// lock when the process forks.  (A program's own threads that convert
// local time are the program's to order with its forks.)
#include <time.h>

#include "fork_safe_mutex.h"
#include "platform.h"

namespace tavo {
namespace platform {

namespace {
pthread_mutex_t gTimeLock = PTHREAD_MUTEX_INITIALIZER;
__attribute__((constructor)) void installForkHandlers() { holdAcrossFork<&gTimeLock>(); }
}  // namespace

size_t formatLocalTime(time_t t, const char* fmt, char* buf, size_t size) {
  lockMutex<&gTimeLock>();
  tm local;
  // strftime may read the time zone (tzset) too: both under the lock.
  const size_t n = ::localtime_r(&t, &local) != nullptr ? ::strftime(buf, size, fmt, &local) : 0;
  unlockMutex<&gTimeLock>();
  return n;
}

}  // namespace platform
}  // namespace tavo
