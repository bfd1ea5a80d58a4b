// The INI parser fed from a file: the sections and entries tCFileIni keeps
// match a model of the format, and every lookup (present or not) through
// GetValue, GetString and GetInteger gives the first entry of the key in the
// first section of that name that has it.
#include <climits>
#include <map>

#include "fuzz/fuzz_util.h"
#include "tCFileIni/tCFileIni.h"

namespace {

struct Ini : tCFileIni {
  IniSection** sections() const { return m_pSections; }
  int count() const { return m_nSections; }
};

struct Section {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;
};

std::vector<Section> modelIni(const std::vector<std::string>& lines) {
  std::vector<Section> s;
  for (std::string line : lines) {
    line = line.substr(0, line.find('#'));
    if (line.size() >= 3 && line.front() == '[' && line.back() == ']') {
      s.push_back({line.substr(1, line.size() - 2), {}});
      continue;
    }
    const size_t eq = line.find('=');
    if (s.empty() || eq == std::string::npos || line.find('=', eq + 1) != std::string::npos) continue;
    s.back().entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return s;
}

// The decimal conversion GetInteger documents.
int modelInteger(const std::string& v) {
  size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || (v[i] >= 9 && v[i] <= 13))) ++i;
  const bool neg = i < v.size() && v[i] == '-';
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) ++i;
  long long n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = std::min(n * 10 + (v[i] - '0'), 1LL << 40);
  n = neg ? -n : n;
  return n > INT_MAX ? INT_MAX : (n < INT_MIN ? INT_MIN : static_cast<int>(n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* name = fuzz::writeScratch(data, size);
  const std::vector<Section> want = modelIni(fuzz::modelLines(data, size));
  Ini ini;
  TAVO_FUZZ_CHECK(ini.Open(name, "rb") == 1);
  TAVO_FUZZ_CHECK(ini.count() == static_cast<int>(want.size()));
  std::vector<std::pair<std::string, std::string>> probes = {{"", ""}, {"x", "y"}};
  for (size_t i = 0; i < want.size(); ++i) {
    const IniSection* got = ini.sections()[i];
    const tCString3& t = *got->m_oEntries;
    TAVO_FUZZ_CHECK(want[i].name == static_cast<const char*>(*got->m_oName));
    TAVO_FUZZ_CHECK(t.GetLength() == static_cast<int>(want[i].entries.size()));
    for (size_t j = 0; j < want[i].entries.size(); ++j) {
      char** row = t[static_cast<int>(j)];
      TAVO_FUZZ_CHECK(row[0] && row[1] && !row[2]);
      TAVO_FUZZ_CHECK(want[i].entries[j].first == row[0] && want[i].entries[j].second == row[1]);
      probes.emplace_back(want[i].name, want[i].entries[j].first);
      probes.emplace_back(want[i].name + "z", want[i].entries[j].first);
      probes.emplace_back(want[i].name, want[i].entries[j].first + "z");
    }
  }
  // The first value of each (section name, key), in file order.
  std::map<std::pair<std::string, std::string>, const std::string*> first;
  for (const Section& sec : want) {
    for (const auto& kv : sec.entries) first.emplace(std::make_pair(sec.name, kv.first), &kv.second);
  }
  for (const auto& p : probes) {
    const auto f = first.find(p);
    const std::string* value = f == first.end() ? nullptr : f->second;
    tCString out("sentinel");
    TAVO_FUZZ_CHECK(ini.GetValue(p.first.c_str(), p.second.c_str(), out) == (value != nullptr));
    TAVO_FUZZ_CHECK(out == (value ? value->c_str() : (want.empty() ? "sentinel" : "")));
    std::vector<char> buf(value ? value->size() + 1 : 1, 'u');
    TAVO_FUZZ_CHECK(ini.GetString(p.first.c_str(), p.second.c_str(), buf.data()) == (value != nullptr));
    TAVO_FUZZ_CHECK(value ? *value == buf.data() : buf[0] == 'u');
    int n = 12345;
    TAVO_FUZZ_CHECK(ini.GetInteger(p.first.c_str(), p.second.c_str(), &n) == (value != nullptr));
    TAVO_FUZZ_CHECK(n == (value ? modelInteger(*value) : 12345));
  }
  TAVO_FUZZ_CHECK(ini.Close() == 1);
  return 0;
}
