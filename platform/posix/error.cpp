// POSIX implementation of the error texts of the platform layer.
#include <stdio.h>
#include <string.h>

#include "platform.h"

namespace tavo {
namespace platform {

namespace {

// strerror_r comes in two shapes: XSI returns 0 or an error number and fills
// the buffer, GNU returns the text (which may or may not be the buffer).
// Overloading on the result type accepts whichever the system declares.
[[maybe_unused]] const char* pickErrorText(int rc, char* buf, size_t size, int errnum) {
  if (rc != 0) snprintf(buf, size, "Unknown error %d", errnum);
  return buf;
}
[[maybe_unused]] const char* pickErrorText(const char* text, char*, size_t, int) { return text; }

}  // namespace

const char* errorText(int errnum, char* buf, size_t size) {
  buf[0] = '\0';
  return pickErrorText(::strerror_r(errnum, buf, size), buf, size, errnum);
}

}  // namespace platform
}  // namespace tavo
