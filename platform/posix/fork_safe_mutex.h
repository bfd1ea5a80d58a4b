// A process-wide mutex held across fork(), which the POSIX platform files
// share (internal header, on the include path of POSIX builds only): the
// handle table's lock (lock.cpp), the time-conversion lock (time.cpp) and
// the log writers' lock (files.cpp).
//
// fork() copies only the calling thread: a child made while another thread
// held such a mutex would find it taken for ever.  The fork handlers take
// it before fork() and let it go in both processes after, so it is free in
// the child and what it guards is whole.  They are installed as the
// library is loaded, before any thread of the program can take the mutex
// or fork: installed at the first use instead, a fork() racing with that
// use could miss them and leave its child the mutex taken.  None of these
// mutexes is taken while another is held, so the order in which the
// handlers take them does not matter.
#ifndef TAVO_PLATFORM_POSIX_FORK_SAFE_MUTEX_H
#define TAVO_PLATFORM_POSIX_FORK_SAFE_MUTEX_H

#include <pthread.h>

namespace tavo {
namespace platform {

template <pthread_mutex_t* M>
void lockMutex() {
  pthread_mutex_lock(M);
}

template <pthread_mutex_t* M>
void unlockMutex() {
  pthread_mutex_unlock(M);
}

// Installs M's fork handlers; called from a constructor of the file that
// defines M (__attribute__((constructor))), so that they are in place as
// the library loads.
template <pthread_mutex_t* M>
void holdAcrossFork() {
  pthread_atfork(lockMutex<M>, unlockMutex<M>, unlockMutex<M>);
}

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_POSIX_FORK_SAFE_MUTEX_H
