// strsplit against a model of its rules: fields cut at each separator, an
// empty field as "0", no trailing empty field, at most nMax cuts when nMax
// is positive, null without a separator or with an empty one.
#include "common/common.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const int nMax = in.range(-2, 6);
  const std::string sep = in.text(4);
  std::string s;
  while (!in.empty()) s.push_back(static_cast<char>(in.byte()));
  s = s.c_str();

  std::vector<std::string> want;
  size_t at = sep.empty() ? std::string::npos : s.find(sep), cur = 0;
  if (at != std::string::npos) {
    for (int left = nMax; at != std::string::npos;) {
      want.push_back(at == cur ? "0" : s.substr(cur, at - cur));
      cur = at + sep.size();
      if (--left == 0) break;
      at = s.find(sep, cur);
    }
    if (cur < s.size()) want.push_back(s.substr(cur));
  }
  char** v = strsplit(s.c_str(), sep.c_str(), nMax);
  TAVO_FUZZ_CHECK(fuzz::sameVector(v, want) && want.empty() == (v == nullptr));
  strfreev(v);
  return 0;
}
