// Windows implementation of the time calls of the platform layer.
#include <ctime>

#include "platform.h"

namespace tavo {
namespace platform {

// The C runtime's thread-safe conversion (its buffer is the caller's).
int localTime(std::time_t t, std::tm* pOut) { return localtime_s(pOut, &t) == 0 ? 0 : -1; }

}  // namespace platform
}  // namespace tavo
