// tCString::Split against a model of its rules: n separators give n+1
// pieces, empty ones included; 0 and an empty list without a separator or
// with an empty one.  The separator is a new text, or points into the
// string's own text or into the list being filled.
#include "fuzz/fuzz_util.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const int where = in.byte() % 3, at = in.byte();
  std::string sep = in.text(4);
  std::string s;
  while (!in.empty()) s.push_back(static_cast<char>(in.byte()));
  // Every byte stored, NUL bytes too (the text ends at the first), one
  // append per run of bytes between them.
  tCString str;
  for (size_t at = 0; at < s.size(); ++at) {
    str += s.c_str() + at;
    at += std::strlen(s.c_str() + at);
    if (at < s.size()) str += '\0';
  }
  TAVO_FUZZ_CHECK(str.GetLength() == static_cast<int>(s.size()));
  s = s.c_str();
  tCString2 list;
  list += "stale";
  list += sep.c_str();
  const char* pSep = sep.c_str();
  if (where == 1) {
    pSep = static_cast<const char*>(str) + at % (s.size() + 1);
    sep = pSep;
  } else if (where == 2) {
    pSep = list[1];
  }

  std::vector<std::string> want;
  if (!sep.empty() && s.find(sep) != std::string::npos) {
    size_t cur = 0;
    for (size_t f; (f = s.find(sep, cur)) != std::string::npos; cur = f + sep.size())
      want.push_back(s.substr(cur, f - cur));
    want.push_back(s.substr(cur));
  }
  TAVO_FUZZ_CHECK(str.Split(list, pSep) == !want.empty());
  TAVO_FUZZ_CHECK(list.GetLength() == static_cast<int>(want.size()) && fuzz::sameVector(list, want));
  return 0;
}
