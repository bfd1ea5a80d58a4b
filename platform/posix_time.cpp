// POSIX implementation of the time calls of the platform layer.
#include <time.h>

#include "platform.h"

namespace tavo {
namespace platform {

int localTime(time_t t, tm* pOut) { return ::localtime_r(&t, pOut) != nullptr ? 0 : -1; }

}  // namespace platform
}  // namespace tavo
