// Windows implementation of the time calls of the platform layer.
#include <time.h>

#include "platform.h"

namespace tavo {
namespace platform {

// The C runtime's thread-safe conversion (its buffer is the caller's).
int localTime(time_t t, tm* pOut) { return localtime_s(pOut, &t) == 0 ? 0 : -1; }

}  // namespace platform
}  // namespace tavo
