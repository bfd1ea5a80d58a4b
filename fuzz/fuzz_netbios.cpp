// The node-status reply handling of tCTcp::GetMacByIp, fed the reply
// directly: 0 for a reply under 75 bytes or under 57 + 18 * N bytes (N at
// offset 56); otherwise 1 and the six bytes after the name table (00 past
// the reply's end) as upper-case pairs joined by the separator.  The reply
// buffer is exactly as long as the reply, and the output buffer exactly as
// large as documented.
#include "tCTcp/netbios.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<unsigned char> reply(data, data + size);
  const std::string sep(size % 4, size % 3 ? '-' : ':');
  const unsigned int n = static_cast<unsigned int>(size);
  int ok = 0;
  std::string want;
  if (n >= 75 && n >= 57 + 18u * reply[56]) {
    ok = 1;
    const size_t at = 57 + 18 * reply[56];
    for (size_t i = 0; i < 6; ++i) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02X", at + i < size ? reply[at + i] : 0);
      want += (i ? sep : "") + pair;
    }
  }
  std::vector<char> mac(13 + 5 * sep.size(), 'u');
  TAVO_FUZZ_CHECK(tavo::detail::macFromNodeStatus(reply.data(), n, mac.data(), sep.c_str()) == ok);
  TAVO_FUZZ_CHECK(ok ? want == mac.data() : mac[0] == 'u');
  TAVO_FUZZ_CHECK(tavo::detail::macFromNodeStatus(reply.data(), n, nullptr, sep.c_str()) == ok);
  if (sep.empty()) {
    std::vector<char> plain(13, 'u');
    TAVO_FUZZ_CHECK(tavo::detail::macFromNodeStatus(reply.data(), n, plain.data(), nullptr) == ok);
    TAVO_FUZZ_CHECK(ok ? want == plain.data() : plain[0] == 'u');
  }
  return 0;
}
