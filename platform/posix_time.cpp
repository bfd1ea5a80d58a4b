// POSIX implementation of the time calls of the platform layer.
#include <ctime>

#include "platform.h"

namespace tavo {
namespace platform {

int localTime(std::time_t t, std::tm* pOut) { return ::localtime_r(&t, pOut) != nullptr ? 0 : -1; }

}  // namespace platform
}  // namespace tavo
