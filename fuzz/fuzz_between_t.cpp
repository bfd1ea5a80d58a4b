// between_t against its rule on any three texts: begin <= now <= end, or
// for a window past midnight begin <= now < "240000" or "000000" <= now <=
// end, all compared as strcmp compares.
#include "common/common.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const std::string begin = in.text(8), end = in.text(8), now = in.text(8);
  auto le = [](const std::string& a, const std::string& b) { return std::strcmp(a.c_str(), b.c_str()) <= 0; };
  const bool want = le(begin, end)
                        ? le(begin, now) && le(now, end)
                        : (le(begin, now) && !le("240000", now)) || (le("000000", now) && le(now, end));
  TAVO_FUZZ_CHECK(between_t(begin.c_str(), end.c_str(), now.c_str()) == (want ? 1 : 0));
  return 0;
}
