// POSIX implementation of the time calls of the platform layer.
#include <ctime>

#include "platform.h"

namespace tavo {
namespace platform {

bool localTime(std::time_t t, std::tm* pOut) { return ::localtime_r(&t, pOut) != nullptr; }

}  // namespace platform
}  // namespace tavo
