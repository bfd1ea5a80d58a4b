// Helpers shared by the fuzz harnesses: failing with a message, reading
// operations from the fuzz input, one scratch file per process, and the
// reference model of the line rules.
#ifndef TAVO_FUZZ_FUZZ_UTIL_H
#define TAVO_FUZZ_FUZZ_UTIL_H

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// A mismatch between the library and the model: print it and abort, which
// libFuzzer reports as a crash with the input that caused it.
#define TAVO_FUZZ_CHECK(cond)                                                   \
  do {                                                                          \
    if (!(cond)) {                                                              \
      std::fprintf(stderr, "%s:%d: mismatch: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                             \
    }                                                                           \
  } while (0)

namespace fuzz {

// The fuzz input read front to back; past its end every read gives 0.
class Input {
 public:
  Input(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool empty() const { return n_ == 0; }
  uint8_t byte() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  // A value in [lo, hi].
  int range(int lo, int hi) { return lo + byte() % (hi - lo + 1); }
  // A short text of up to `max` bytes (NUL bytes cut it, as a C string).
  std::string text(int max) {
    size_t len = byte() % (max + 1);
    std::string s;
    for (size_t i = 0; i < len && n_ > 0; ++i) s.push_back(static_cast<char>(byte()));
    return s.substr(0, std::strlen(s.c_str()));
  }

 private:
  const uint8_t* p_;
  size_t n_;
};

// One scratch file per process (in /dev/shm when there is one, so that no
// disk is touched), removed from its directory as soon as it is made: the
// harnesses open it by its /proc/self/fd name, and nothing is left behind
// however the process ends, a crash or a time-out included.  Replaces the
// file's contents by the `n` bytes at `p` and returns that name; a run costs
// a truncation and one write.
inline const char* writeScratch(const uint8_t* p, size_t n) {
  static char name[64];
  static const int fd = [] {
    char path[64];
    std::strcpy(path, access("/dev/shm", W_OK) == 0 ? "/dev/shm/tavo_fuzz.XXXXXX" : "/tmp/tavo_fuzz.XXXXXX");
    const int made = mkstemp(path);
    if (made < 0 || unlink(path) != 0) std::abort();
    std::snprintf(name, sizeof name, "/proc/self/fd/%d", made);
    return made;
  }();
  if (ftruncate(fd, 0) != 0 || pwrite(fd, p, n, 0) != static_cast<ssize_t>(n)) std::abort();
  return name;
}

// The string order of the library: unsigned bytes, a prefix first; with
// `noCase`, 'A'-'Z' folded to 'a'-'z' first.  -1, 0 or 1.
inline int compare(const std::string& a, const std::string& b, bool noCase) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
  for (size_t i = 0;; ++i) {
    unsigned char x = i < a.size() ? a[i] : 0, y = i < b.size() ? b[i] : 0;
    if (noCase) x = fold(x), y = fold(y);
    if (x != y || x == 0) return (x > y) - (x < y);
  }
}

// The line rules, written independently of the library: LF ends a line; CR
// ends a line and swallows the one byte after it, whatever it is; the end of
// the file ends a last non-empty line.  Each line is given as its users see
// it, as a C string: up to its first NUL byte.
inline std::vector<std::string> modelLines(const uint8_t* p, size_t n) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == '\n' || p[i] == '\r') {
      if (p[i] == '\r') ++i;
      lines.push_back(line.c_str());
      line.clear();
      open = false;
    } else {
      line.push_back(static_cast<char>(p[i]));
      open = true;
    }
  }
  if (open) lines.push_back(line.c_str());
  return lines;
}

// True when the string vector `v` (null counts as empty) holds exactly
// the first `count` strings of `want` (all of them by default).
inline bool sameVector(char** v, const std::vector<std::string>& want, size_t count = SIZE_MAX) {
  count = std::min(count, want.size());
  size_t n = 0;
  for (; v != nullptr && v[n] != nullptr; ++n) {
    if (n >= count || want[n] != v[n]) return false;
  }
  return n == count;
}

}  // namespace fuzz

#endif  // TAVO_FUZZ_FUZZ_UTIL_H
