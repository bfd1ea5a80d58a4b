// The key/value parser fed from a file: the entries tCFileConf keeps match a
// model of the format, and every lookup (by key, by value, by position,
// present or not) gives the first matching entry in file order.
#include <unordered_map>

#include "fuzz/fuzz_util.h"
#include "tCFileConf/tCFileConf.h"

namespace {

struct Conf : tCFileConf {
  const tCString3* table() const { return m_oConf; }
};

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries modelConf(const std::vector<std::string>& lines) {
  Entries e;
  for (std::string line : lines) {
    line = line.substr(0, line.find('#'));
    const size_t eq = line.find('=');
    if (eq == std::string::npos || line.find('=', eq + 1) != std::string::npos) continue;
    e.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* name = fuzz::writeScratch(data, size);
  const Entries want = modelConf(fuzz::modelLines(data, size));
  Conf conf;
  TAVO_FUZZ_CHECK(conf.Open(name, "rb") == 1);
  const tCString3& t = *conf.table();
  TAVO_FUZZ_CHECK(t.GetLength() == static_cast<int>(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    char** row = t[static_cast<int>(i)];
    TAVO_FUZZ_CHECK(row[0] && row[1] && !row[2] && want[i].first == row[0] && want[i].second == row[1]);
  }
  tCString out;
  std::vector<std::string> probes = {"", "x", "\xff"};
  for (const auto& kv : want) {
    probes.push_back(kv.first);
    probes.push_back(kv.second);
    probes.push_back(kv.first + "z");
  }
  // The first entry of each key and of each value, in file order.
  std::unordered_map<std::string, const std::string*> firstByKey, firstByValue;
  for (const auto& kv : want) {
    firstByKey.emplace(kv.first, &kv.second);
    firstByValue.emplace(kv.second, &kv.first);
  }
  for (const std::string& p : probes) {
    const auto k = firstByKey.find(p);
    const auto v = firstByValue.find(p);
    const std::string* byKey = k == firstByKey.end() ? nullptr : k->second;
    const std::string* byValue = v == firstByValue.end() ? nullptr : v->second;
    TAVO_FUZZ_CHECK(conf.GetValue(p.c_str(), out) == (byKey != nullptr));
    TAVO_FUZZ_CHECK(out == (byKey ? byKey->c_str() : ""));
    TAVO_FUZZ_CHECK(conf.GetKey(p.c_str(), out) == (byValue != nullptr));
    TAVO_FUZZ_CHECK(out == (byValue ? byValue->c_str() : ""));
  }
  const int n = static_cast<int>(want.size());
  for (int i = -1; i <= n; ++i) {
    const int at = i < 0 ? 0 : (i >= n ? n - 1 : i);
    TAVO_FUZZ_CHECK(conf.GetValue(i, out) == (n > 0) && out == (n > 0 ? want[at].second.c_str() : ""));
    TAVO_FUZZ_CHECK(conf.GetKey(i, out) == (n > 0) && out == (n > 0 ? want[at].first.c_str() : ""));
  }
  TAVO_FUZZ_CHECK(conf.Close() == 1);
  return 0;
}
