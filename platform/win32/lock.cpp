// Windows implementation of the lock of the table of shared handles: a slim
// reader/writer lock taken exclusively.  SRWLOCK_INIT is all zeros, so the lock is ready
// as the DLL is loaded, without a constructor (a CRITICAL_SECTION would
// need InitializeCriticalSection at load time, which the Visual C++-mode
// DLL, built without an entry point, has no place to call).
#include <windows.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {
SRWLOCK gHandleTableLock = SRWLOCK_INIT;
}  // namespace

void lockHandleTable() { AcquireSRWLockExclusive(&gHandleTableLock); }
void unlockHandleTable() { ReleaseSRWLockExclusive(&gHandleTableLock); }

}  // namespace platform
}  // namespace tavo
