// mac_ntoa and mac_aton: the text form of six bytes is the lower-case pairs
// joined by the separator, and reads back to the same bytes; mac_aton of any
// text follows its documented digit rule and leaves the bytes untouched for
// a text or separator that cannot hold six pairs.  Every buffer is exactly
// as large as documented.
#include "common/common.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  unsigned char mac[6];
  for (unsigned char& b : mac) b = in.byte();
  const std::string sep = in.text(5);
  std::string text;
  while (!in.empty()) text.push_back(static_cast<char>(in.byte()));
  text = text.c_str();

  std::vector<char> out(13 + 5 * sep.size());
  mac_ntoa(mac, out.data(), sep.c_str());
  std::string want;
  for (int i = 0; i < 6; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", mac[i]);
    want += (i ? sep : "") + pair;
  }
  TAVO_FUZZ_CHECK(want.size() + 1 == out.size() && want == out.data());
  unsigned char back[6] = {0};
  mac_aton(out.data(), back, sep.c_str());
  if (sep.size() <= 3) TAVO_FUZZ_CHECK(std::memcmp(back, mac, 6) == 0);

  // Any text: pairs every strlen(sep) + 2 bytes.
  const std::vector<char> t(text.c_str(), text.c_str() + text.size() + 1);
  unsigned char got[6] = {1, 2, 3, 4, 5, 6}, expect[6] = {1, 2, 3, 4, 5, 6};
  const size_t k = sep.size() + 2;
  if (sep.size() <= 3 && text.size() <= 29 && text.size() >= 12 + 5 * sep.size()) {
    auto digit = [](unsigned char c) {
      if (c >= '0' && c <= '9') return c - 0x30;
      return (c >= 'a' && c <= 'z' ? c - 32 : c) - 0x37;
    };
    for (size_t i = 0; i < 6; ++i) {
      expect[i] = static_cast<unsigned char>(digit(text[i * k]) * 16 + digit(text[i * k + 1]));
    }
  }
  mac_aton(t.data(), got, sep.c_str());
  TAVO_FUZZ_CHECK(std::memcmp(got, expect, 6) == 0);
  return 0;
}
