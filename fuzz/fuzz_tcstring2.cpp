// tCString2 against a std::vector<std::string> model: each input is a
// sequence of operations on two lists, applied to both the lists and the
// model, results and contents compared after each.  Indexes stay within the
// documented ranges; string and vector arguments are new ones or point into
// the lists' own storage.
#include <algorithm>

#include "fuzz/fuzz_util.h"
#include "tCString2/tCString2.h"

namespace {

using Model = std::vector<std::string>;

using fuzz::compare;

// The stable sort Sort and SortNoCase document.
void sortModel(Model& m, int flag, bool noCase) {
  std::stable_sort(m.begin(), m.end(), [&](const std::string& x, const std::string& y) {
    return compare(x, y, noCase) * (flag == 1 ? 1 : -1) < 0;
  });
}

// The probes of a search by halving, as documented: the upper middle of
// lo..hi, the first equal probe wins.
int forkFind(const Model& m, const std::string& key, int flag, bool noCase) {
  int lo = 0, hi = static_cast<int>(m.size()) - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo + 1) / 2, c = compare(m[mid], key, noCase);
    if (c == 0) return mid;
    if ((flag == 1) == (c > 0))
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return -1;
}

int find(const Model& m, const std::string& key, int from, int step, bool noCase) {
  for (int k = from; k >= 0 && k < static_cast<int>(m.size()); k += step) {
    if (compare(m[k], key, noCase) == 0) return k;
  }
  return -1;
}

void same(const tCString2& l, const Model& m) {
  TAVO_FUZZ_CHECK(l.GetLength() == static_cast<int>(m.size()) && l.IsEmpty() == m.empty() && !l == m.empty());
  TAVO_FUZZ_CHECK(fuzz::sameVector(l, m) && static_cast<char**>(l)[m.size()] == nullptr);
  TAVO_FUZZ_CHECK(l.GetAt(static_cast<int>(m.size())) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  tCString2 l[2];
  Model m[2];
  for (int step = 0; step < 48 && !in.empty(); ++step) {
    const int op = in.byte() % 22;
    const int i = in.byte() & 1, o = 1 - i;
    tCString2& a = l[i];
    Model& ma = m[i];
    // Appending a list to itself doubles it: keep the lists small.
    if (ma.size() > 64) {
      a.Empty();
      ma.clear();
    }
    const int len = static_cast<int>(ma.size());
    // A string argument: a new text, or a pointer into a string of a list.
    const uint8_t pick = in.byte();
    const int from = pick & 1;
    std::string arg = in.text(6);
    const char* pArg = arg.c_str();
    if ((pick & 2) && !m[from].empty()) {
      const int k = in.byte() % m[from].size();
      pArg = l[from][k] + in.range(0, static_cast<int>(m[from][k].size()));
      arg = pArg;
    }
    // A vector argument: one of the lists, or a tail of one.
    const int vFrom = (pick >> 2) & 1;
    const int vAt = in.range(0, static_cast<int>(m[vFrom].size()));
    char** pVec = static_cast<char**>(l[vFrom]) + vAt;
    const Model vec(m[vFrom].begin() + vAt, m[vFrom].end());
    const int n = in.range(-3, 12);
    const int flag = 1 + (pick >> 3 & 1);
    const bool noCase = pick >> 4 & 1;
    switch (op) {
      case 0:
        a += pArg;
        ma.push_back(arg);
        break;
      case 1:
        a += pVec;
        ma.insert(ma.end(), vec.begin(), vec.end());
        break;
      case 2: {
        const Model add = m[pick & 1 ? i : o];
        a += l[pick & 1 ? i : o];
        ma.insert(ma.end(), add.begin(), add.end());
        break;
      }
      case 3:
        a = pArg;
        ma = {arg};
        break;
      case 4:
        a = pVec;
        ma = vec;
        break;
      case 5:
        a = l[o];
        ma = m[o];
        break;
      case 6:
        if (len > 0) {
          const int p = std::max(n, 0) % len;
          TAVO_FUZZ_CHECK(a.SetAt(p, pArg) == 1);
          ma[p] = arg;
        }
        break;
      case 7: {
        const int p = std::max(n, 0) % (len + 1);
        TAVO_FUZZ_CHECK(a.Insert(p, pArg) == len + 1);
        ma.insert(ma.begin() + p, arg);
        break;
      }
      case 8:
        if (len > 0) {
          const int p = std::max(n, 0) % len;
          TAVO_FUZZ_CHECK(a.Remove(p) == 1);
          ma.erase(ma.begin() + p);
        }
        break;
      case 9: {
        const int want = static_cast<int>(std::count(ma.begin(), ma.end(), arg));
        TAVO_FUZZ_CHECK(a.Remove(pArg) == want);
        ma.erase(std::remove(ma.begin(), ma.end(), arg), ma.end());
        break;
      }
      case 10:
        TAVO_FUZZ_CHECK(a.MakeReverse() == 1);
        std::reverse(ma.begin(), ma.end());
        break;
      case 11: {
        TAVO_FUZZ_CHECK((noCase ? a.SortNoCase(flag) : a.Sort(flag)) == 1);
        sortModel(ma, flag, noCase);
        break;
      }
      case 12: {
        const int start = std::max(n, 0);
        TAVO_FUZZ_CHECK((noCase ? a.FindNoCase(pArg, start) : a.Find(pArg, start)) ==
                        find(ma, arg, start, 1, noCase));
        break;
      }
      case 13: {
        const int start = std::min(n, len - 1), from = start == -1 ? len - 1 : start;
        const int want = start < -1 ? -1 : find(ma, arg, from, -1, noCase);
        TAVO_FUZZ_CHECK((noCase ? a.ReverseFindNoCase(pArg, start) : a.ReverseFind(pArg, start)) == want);
        break;
      }
      case 14: {
        // Sorted first half the time, so that hits are frequent.
        if (pick & 32) {
          a.Sort(flag);
          sortModel(ma, flag, false);
        }
        TAVO_FUZZ_CHECK((noCase ? a.ForkFindNoCase(pArg, flag) : a.ForkFind(pArg, flag)) ==
                        forkFind(ma, arg, flag, noCase));
        break;
      }
      case 15: {
        const int cnt = std::max(n, 1), first = in.range(-3, len + 2), b = std::max(first, 0);
        const Model mid = b >= len ? Model() : Model(ma.begin() + b, ma.begin() + std::min(len, b + cnt));
        same(a.Mid(first, cnt), mid);
        same(a.Left(cnt), Model(ma.begin(), ma.begin() + std::min(len, cnt)));
        same(a.Right(cnt), Model(ma.begin() + std::max(len - cnt, 0), ma.end()));
        break;
      }
      case 16: {
        const bool eq = ma == m[o], eqv = ma == vec;
        TAVO_FUZZ_CHECK((a == l[o]) == eq && (a != l[o]) == !eq);
        TAVO_FUZZ_CHECK((a == pVec) == eqv && (a != pVec) == !eqv);
        break;
      }
      case 17:
        TAVO_FUZZ_CHECK(a.Empty() == 1);
        ma.clear();
        break;
      case 18: {
        Model w = ma;
        w.insert(w.end(), m[o].begin(), m[o].end());
        same(a + l[o], w);
        w = ma;
        w.insert(w.end(), vec.begin(), vec.end());
        same(a + pVec, w);
        w = vec;
        w.insert(w.end(), ma.begin(), ma.end());
        same(pVec + a, w);
        w = ma;
        w.push_back(arg);
        same(a + pArg, w);
        w = {arg};
        w.insert(w.end(), ma.begin(), ma.end());
        same(pArg + a, w);
        break;
      }
      case 19: {
        const tCString2 c(a), d(pVec);
        same(c, ma);
        same(d, vec);
        break;
      }
      default: {
        for (int k = 0; k < len; ++k) TAVO_FUZZ_CHECK(a[k] == a.GetAt(k) && ma[k] == a[k]);
        break;
      }
    }
    same(l[0], m[0]);
    same(l[1], m[1]);
  }
  return 0;
}
