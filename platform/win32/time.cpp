// Windows implementation of the time calls of the platform layer.
#include <time.h>

#include "platform.h"

namespace tavo {
namespace platform {

// The C runtime's thread-safe conversion (its buffer is the caller's).
size_t formatLocalTime(time_t t, const char* fmt, char* buf, size_t size) {
  tm local;
  return localtime_s(&local, &t) == 0 ? strftime(buf, size, fmt, &local) : 0;
}

}  // namespace platform
}  // namespace tavo
