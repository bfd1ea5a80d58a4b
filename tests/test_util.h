// Helpers shared by the test programs.
#ifndef TAVO_TESTS_TEST_UTIL_H
#define TAVO_TESTS_TEST_UTIL_H

#include <gtest/gtest.h>
#include <unistd.h>

#include TAVO_TEST_PLATFORM_HEADER  // test_platform_<family>.h, chosen by the build

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/common.h"

// True when the program runs under AddressSanitizer or ThreadSanitizer,
// whose allocators and address-space needs some tests must allow for.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TAVO_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TAVO_TEST_SANITIZED 1
#endif
#endif
#ifndef TAVO_TEST_SANITIZED
#define TAVO_TEST_SANITIZED 0
#endif

namespace tavo_test {

// Size of the "million element" cases.  Vectors and strings grow to exactly
// the size they need, one reallocation per element; glibc resizes large
// blocks in place (mremap), but the sanitizer's realloc always moves the
// block, which makes such growth quadratic there.  The sanitizer build runs
// those cases at a smaller scale; the normal build runs them in full.
constexpr int kMillion = TAVO_TEST_SANITIZED ? 20000 : 1000000;

// A fresh temporary directory, removed with its contents at the end.
class TempDir {
 public:
  TempDir() : path_(makeTempDir()) {}
  ~TempDir() { removeTree(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + kSep + name; }

  // Writes `data` (bytes, NULs included) to `name` and returns its path.
  std::string write(const std::string& name, const std::string& data) const {
    std::string f = file(name);
    std::ofstream(f, std::ios::binary) << data;
    return f;
  }

 private:
  std::string path_;
};

// Changes the current directory for one scope.
class ChdirGuard {
 public:
  explicit ChdirGuard(const std::string& dir) {
    char* p = getcwd(nullptr, 0);
    saved_ = p;
    std::free(p);
    if (chdir(dir.c_str()) != 0) std::abort();
  }
  ~ChdirGuard() {
    if (chdir(saved_.c_str()) != 0) std::abort();
  }
  ChdirGuard(const ChdirGuard&) = delete;
  ChdirGuard& operator=(const ChdirGuard&) = delete;

 private:
  std::string saved_;
};

// Whole contents of a file as bytes ("" when it cannot be read).
inline std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// What `fn` writes to file descriptor `fd` (1 or 2), captured in a file.
inline std::string captureFd(int fd, const std::function<void()>& fn) {
  std::fflush(nullptr);
  std::string name = tempRoot() + "/tavo_capture_XXXXXX";
  int tmp = mkstemp(&name[0]);
  if (tmp < 0) std::abort();
  int saved = dup(fd);
  dup2(tmp, fd);
  fn();
  std::fflush(nullptr);
  dup2(saved, fd);
  close(saved);
  close(tmp);
  std::string out = readAll(name);
  unlink(name.c_str());
  return out;
}

inline std::string stdoutOf(const std::function<void()>& fn) { return captureFd(1, fn); }
inline std::string stderrOf(const std::function<void()>& fn) { return captureFd(2, fn); }

// A fixture file of tests/data.
inline std::string dataFile(const std::string& name) { return std::string(TAVO_TEST_DATA_DIR) + "/" + name; }

// Bytes outside printable ASCII, and the backslash, as \xNN.
inline std::string escape(const char* p) {
  std::string out;
  for (; *p != '\0'; ++p) {
    unsigned char ch = static_cast<unsigned char>(*p);
    if (ch < 0x20 || ch >= 0x7F || ch == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", ch);
      out += buf;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out;
}

// Takes ownership of a string vector (null for none) and returns its
// strings (up to each string's first NUL, as its users see it).
inline std::vector<std::string> take(char** v) {
  std::vector<std::string> r;
  for (int i = 0; v != nullptr && v[i] != nullptr; ++i) r.emplace_back(v[i]);
  strfreev(v);
  return r;
}

// The order the string sorts must give, written out independently: the
// exchange sort that swaps only neighbours in the wrong order (nFlag 1
// ascending, otherwise descending by `cmp`), so equal strings keep their
// order.
template <class Cmp>
std::vector<char*> exchangeSorted(std::vector<char*> v, int nFlag, Cmp cmp) {
  for (size_t n = v.size(); n >= 2; --n)
    for (size_t i = 0; i + 1 < n; ++i) {
      int c = cmp(v[i], v[i + 1]);
      if (nFlag == 1 ? c > 0 : c < 0) std::swap(v[i], v[i + 1]);
    }
  return v;
}

}  // namespace tavo_test

#endif  // TAVO_TESTS_TEST_UTIL_H
