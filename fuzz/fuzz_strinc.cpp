// strInc against a model of its rules: the text between an opening byte and
// the next closing byte, a second opening byte restarting it, null when
// nothing was collected.
#include "common/common.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const char chOpen = static_cast<char>(in.byte()), chClose = static_cast<char>(in.byte());
  std::string s;
  while (!in.empty()) s.push_back(static_cast<char>(in.byte()));
  s = s.c_str();

  std::vector<std::string> want;
  size_t open = std::string::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == chOpen) {
      open = i;
    } else if (s[i] == chClose && open != std::string::npos) {
      want.push_back(s.substr(open + 1, i - open - 1));
      open = std::string::npos;
    }
  }
  char** v = strInc(s.c_str(), chOpen, chClose);
  TAVO_FUZZ_CHECK(fuzz::sameVector(v, want) && want.empty() == (v == nullptr));
  strfreev(v);
  return 0;
}
