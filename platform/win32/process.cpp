// Windows implementation of the process calls of the platform layer.
#include <windows.h>

#include "platform.h"

namespace tavo {
namespace platform {

// WinExec with show mode 0 (SW_HIDE): the system cuts the line, searches
// for the program and starts it without a visible window; nobody waits for
// it.  Results above 31 mean the process was made.
int startDetached(const char* cmdLine) { return WinExec(cmdLine, SW_HIDE) > 31 ? 0 : -1; }

}  // namespace platform
}  // namespace tavo
