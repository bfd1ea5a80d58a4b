// dump_buf: what it prints on stdout (captured in a memory file) matches a
// model of the dump format for any bytes and length.
#include <sys/mman.h>

#include "common/common.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = [] {
    const int m = memfd_create("dump", 0);
    if (m < 0 || dup2(m, 1) < 0) std::abort();
    return m;
  }();
  std::string want;
  for (size_t at = 0; at < size; at += 16) {
    std::string hex, text;
    for (size_t i = at; i < size && i < at + 16; ++i) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02x", data[i]);
      hex += pair;
      if (i % 2) hex += ' ';
      text += data[i] >= 0x20 && data[i] <= 0x7e ? std::string(1, data[i]) : ".";
    }
    want += hex + std::string(40 - std::min<size_t>(hex.size(), 40), ' ') + ": " + text + "\n";
  }
  if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) std::abort();
  dump_buf(data, static_cast<int>(size));
  std::fflush(stdout);
  std::string got(want.size() + 1, '\0');
  got.resize(std::max<ssize_t>(pread(fd, &got[0], got.size(), 0), 0));
  TAVO_FUZZ_CHECK(got == want);
  // A negative length prints nothing.
  dump_buf(data, -static_cast<int>(size % 7) - 1);
  std::fflush(stdout);
  TAVO_FUZZ_CHECK(lseek(fd, 0, SEEK_END) == static_cast<off_t>(want.size()));
  return 0;
}
