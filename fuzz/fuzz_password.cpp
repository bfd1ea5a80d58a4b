// MySetPW and MyGetPW: every password the transform covers (at most 50
// bytes, each byte c at position i with (c + i + 100) * 3 in 100..999)
// becomes a stored form of three digits or letters C..L per byte that reads
// back to the password; for any other password nothing is written.  MyGetPW
// of any text stays within its documented output size and writes nothing
// for an empty, overlong or foreign stored form.  Buffers are exactly as
// large as documented.
#include "common/common.h"
#include "fuzz/fuzz_util.h"

namespace {

bool storedByte(char c) { return (c >= '0' && c <= '9') || (c >= 'C' && c <= 'L'); }

bool allZero(const std::vector<char>& v) {
  for (char c : v) {
    if (c != 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string pw(reinterpret_cast<const char*>(data), size);
  pw = pw.c_str();
  bool covered = !pw.empty() && pw.size() <= 50;
  for (size_t i = 0; i < pw.size(); ++i) {
    const int v = (static_cast<signed char>(pw[i]) + static_cast<int>(i) + 100) * 3;
    covered = covered && v >= 100 && v <= 999;
  }
  std::vector<char> src(pw.c_str(), pw.c_str() + pw.size() + 1);
  std::vector<char> stored(3 * pw.size() + 1, 0);
  MySetPW(src.data(), stored.data());
  TAVO_FUZZ_CHECK(std::string(src.data()) == pw);
  if (!covered) {
    TAVO_FUZZ_CHECK(allZero(stored));
  } else {
    TAVO_FUZZ_CHECK(std::strlen(stored.data()) == 3 * pw.size());
    for (size_t i = 0; i < 3 * pw.size(); ++i) TAVO_FUZZ_CHECK(storedByte(stored[i]));
    std::vector<char> back(pw.size() + 1, 0);  // (3n + 2) / 3 + 1
    MyGetPW(stored.data(), back.data());
    TAVO_FUZZ_CHECK(back.data() == pw);
  }

  // The input as a stored form.
  std::vector<char> out((pw.size() + 2) / 3 + 1, 0);
  MyGetPW(src.data(), out.data());
  bool valid = !pw.empty() && pw.size() <= 150;
  for (char c : pw) valid = valid && storedByte(c);
  if (!valid) TAVO_FUZZ_CHECK(allZero(out));
  TAVO_FUZZ_CHECK(out.back() == 0);
  return 0;
}
