// tCString against a std::string model: each input is a sequence of
// operations on two strings, every operation applied to both the object and
// the model of its stored bytes, results and contents compared after each.
// Positions stay within the documented ranges (preconditions are never
// broken); text arguments are new texts or pointers into the objects' own
// text.
#include <algorithm>

#include "fuzz/fuzz_util.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"

namespace {

using Model = std::string;  // the GetLength() stored bytes, NULs included

std::string textOf(const Model& m) { return m.c_str(); }
bool isWs(char c) { return c == ' ' || (c >= 9 && c <= 13); }
bool isDig(char c) { return c >= '0' && c <= '9'; }
char fold(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
using fuzz::compare;

// Replaces (pNew non-null) or removes every non-overlapping occurrence.
int replaceAll(Model& m, const std::string& pOld, const std::string& pNew) {
  if (pOld.empty()) return 0;
  int n = 0;
  Model r;
  size_t at = 0;
  for (size_t f; (f = m.find(pOld, at)) != std::string::npos; at = f + pOld.size(), ++n)
    r += m.substr(at, f - at) + pNew;
  m = r + m.substr(at);
  return n;
}

void same(const tCString& s, const Model& m) {
  TAVO_FUZZ_CHECK(s.GetLength() == static_cast<int>(m.size()));
  TAVO_FUZZ_CHECK(std::memcmp(static_cast<const char*>(s), m.c_str(), m.size() + 1) == 0);
  TAVO_FUZZ_CHECK(s.IsEmpty() == m.empty() && !s == m.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  tCString s[2];
  Model m[2];
  for (int step = 0; step < 64 && !in.empty(); ++step) {
    const int op = in.byte() % 30;
    const int i = in.byte() & 1, o = 1 - i;
    tCString& a = s[i];
    Model& ma = m[i];
    // Appending a string to itself doubles it: keep the strings short.
    if (ma.size() > 256) {
      a.Empty();
      ma.clear();
    }
    const int len = static_cast<int>(ma.size());
    // A text argument: new bytes, or a pointer into one of the two texts.
    const uint8_t pick = in.byte();
    const int from = pick & 1;
    const int off = in.range(0, static_cast<int>(m[from].size()));
    std::string arg = in.text(12);
    const char* pArg = arg.c_str();
    if (pick & 2) {
      pArg = static_cast<const char*>(s[from]) + off;
      arg = pArg;
    }
    const char ch = static_cast<char>(in.byte());
    const int n = in.range(-3, 20);
    switch (op) {
      case 0:
        a = pArg;
        ma = arg;
        break;
      case 1:
        a = ch;
        ma = Model(1, ch);
        break;
      case 2:
        a += pArg;
        ma += arg;
        break;
      case 3:
        a += ch;
        ma += ch;
        break;
      case 4: {  // another string, or the string itself
        const bool self = pick & 4;
        const std::string t = textOf(self ? ma : m[o]);
        a += self ? a : s[o];
        ma += t;
        break;
      }
      case 5:
        if (i != o) {
          a = s[o];
          ma = textOf(m[o]);
        }
        break;
      case 6: {
        const int cnt = std::max(n, 1), first = in.range(-3, len + 2);
        const std::string want = first >= len ? "" : ma.substr(std::max(first, 0), cnt).c_str();
        const tCString mid = a.Mid(first, cnt), l = a.Left(cnt), r = a.Right(cnt);
        TAVO_FUZZ_CHECK(mid.GetLength() == static_cast<int>(want.size()) &&
                        want == static_cast<const char*>(mid));
        TAVO_FUZZ_CHECK(textOf(ma.substr(0, cnt)) == static_cast<const char*>(l));
        TAVO_FUZZ_CHECK(textOf(ma.substr(std::max(len - cnt, 0), cnt)) == static_cast<const char*>(r));
        break;
      }
      case 7: {
        TAVO_FUZZ_CHECK(a.MakeUpper() == 1);
        for (size_t k = 0; k < ma.size() && ma[k]; ++k)
          ma[k] = ma[k] >= 'a' && ma[k] <= 'z' ? ma[k] - 32 : ma[k];
        break;
      }
      case 8: {
        TAVO_FUZZ_CHECK(a.MakeLower() == 1);
        for (size_t k = 0; k < ma.size() && ma[k]; ++k) ma[k] = fold(ma[k]);
        break;
      }
      case 9:
        TAVO_FUZZ_CHECK(a.MakeReverse() == 1);
        std::reverse(ma.begin(), ma.end());
        break;
      case 10: {
        const char chNew = static_cast<char>(ch + 1 + in.byte() % 255);
        TAVO_FUZZ_CHECK(a.Replace(ch, chNew) == static_cast<int>(std::count(ma.begin(), ma.end(), ch)));
        std::replace(ma.begin(), ma.end(), ch, chNew);
        break;
      }
      case 11: {
        const std::string pNew = in.text(6);
        const int want = replaceAll(ma, arg, pNew);
        TAVO_FUZZ_CHECK(a.Replace(pArg, pNew.c_str()) == want);
        break;
      }
      case 12:
        if (len > 0) {
          const int p = n < 0 ? 0 : n % len;
          TAVO_FUZZ_CHECK(a.Remove(p) == 1);
          ma.erase(p, 1);
        }
        break;
      case 13: {
        TAVO_FUZZ_CHECK(a.Remove(ch) == static_cast<int>(std::count(ma.begin(), ma.end(), ch)));
        ma.erase(std::remove(ma.begin(), ma.end(), ch), ma.end());
        break;
      }
      case 14: {
        const int want = replaceAll(ma, arg, "");
        TAVO_FUZZ_CHECK(a.Remove(pArg) == want);
        break;
      }
      case 15: {
        const int at = in.range(-3, len + 3);
        TAVO_FUZZ_CHECK(a.Insert(at, ch) == len + 1);
        ma.insert(std::min(std::max(at, 0), len), 1, ch);
        break;
      }
      case 16: {
        const int at = in.range(-3, len + 3);
        TAVO_FUZZ_CHECK(a.Insert(at, pArg) == len + static_cast<int>(arg.size()));
        ma.insert(std::min(std::max(at, 0), len), arg);
        break;
      }
      case 17:
      case 18:
      case 19: {
        const int flag = in.byte() % 3;
        auto trimmed = [flag](char c) { return flag == 0 ? c == ' ' : isWs(c); };
        std::string t = textOf(ma);
        if (op != 19)
          TAVO_FUZZ_CHECK((op == 17 ? a.LTrim(flag) : a.RTrim(flag)) == 1);
        else
          TAVO_FUZZ_CHECK(a.Trim(flag) == 1);
        if (op != 18) t.erase(0, std::find_if_not(t.begin(), t.end(), trimmed) - t.begin());
        if (op != 17) t.erase(std::find_if_not(t.rbegin(), t.rend(), trimmed).base() - t.begin());
        ma = t;
        break;
      }
      case 20: {
        const int start = std::max(n, 0);
        int want = -1;
        for (int k = start; k < len || (k == len && start < len); ++k) {
          const char c = k < len ? ma[k] : 0;
          if (c == ch) {
            want = k;
            break;
          }
          if (c == 0) break;
        }
        TAVO_FUZZ_CHECK(a.Find(ch, start) == want);
        const size_t r = textOf(ma).rfind(ch == 0 ? '\0' : ch);
        TAVO_FUZZ_CHECK(a.ReverseFind(ch) == (ch == 0 ? static_cast<int>(textOf(ma).size())
                                                      : (r == std::string::npos ? -1 : static_cast<int>(r))));
        break;
      }
      case 21: {
        const int start = std::max(n, 0);
        int want = -1;
        if (start < len) {
          const size_t f = std::string(ma.c_str() + start).find(arg);
          want = f == std::string::npos ? -1 : start + static_cast<int>(f);
        }
        TAVO_FUZZ_CHECK(a.Find(pArg, start) == want);
        break;
      }
      case 22: {
        const std::string t = textOf(ma);
        const int digits = static_cast<int>(std::count_if(t.begin(), t.end(), isDig));
        TAVO_FUZZ_CHECK(a.SumNumber() == digits && a.SumCharacter() == static_cast<int>(t.size()) - digits);
        TAVO_FUZZ_CHECK(a.IsNumber() == (!t.empty() && digits == static_cast<int>(t.size())));
        TAVO_FUZZ_CHECK(a.IsCharacter() == (!t.empty() && digits == 0));
        if (len > 0) {
          const int p = std::max(n, 0) % len;
          TAVO_FUZZ_CHECK(a.IsNumber(p) == isDig(ma[p]) && a.IsCharacter(p) == !isDig(ma[p]));
        }
        break;
      }
      case 23: {
        const int flag = in.byte() % 4;
        TAVO_FUZZ_CHECK(a.Sort(flag) == (flag == 1 || flag == 2));
        auto less = [](char x, char y) { return static_cast<signed char>(x) < static_cast<signed char>(y); };
        if (flag == 1) std::sort(ma.begin(), ma.end(), less);
        if (flag == 2) std::sort(ma.rbegin(), ma.rend(), less);
        break;
      }
      case 24: {
        const std::string t = textOf(ma);
        const int c = compare(t, arg, false);
        TAVO_FUZZ_CHECK(a.Compare(pArg) == c && a.CompareNoCase(pArg) == compare(t, arg, true));
        TAVO_FUZZ_CHECK((a == pArg) == (c == 0) && (a != pArg) == (c != 0) && (a < pArg) == (c < 0));
        TAVO_FUZZ_CHECK((a > pArg) == (c > 0) && (a <= pArg) == (c <= 0) && (a >= pArg) == (c >= 0));
        const int d = compare(t, textOf(m[o]), false);
        TAVO_FUZZ_CHECK((a == s[o]) == (d == 0) && (a < s[o]) == (d < 0) && (a >= s[o]) == (d >= 0));
        break;
      }
      case 25:
        if (len > 0) {
          const int p = std::max(n, 0) % len;
          TAVO_FUZZ_CHECK(a.SetAt(p, ch) == 1);
          ma[p] = ch;
        }
        break;
      case 26:
        TAVO_FUZZ_CHECK(a.Empty() == 1);
        ma.clear();
        break;
      case 27: {
        const std::string t = textOf(ma), u = textOf(m[o]);
        TAVO_FUZZ_CHECK(static_cast<const char*>(a + s[o]) == t + u);
        TAVO_FUZZ_CHECK(static_cast<const char*>(a + pArg) == t + arg);
        TAVO_FUZZ_CHECK(static_cast<const char*>(pArg + a) == arg + t);
        const tCString x = a + ch, y = ch + a;
        TAVO_FUZZ_CHECK(x.GetLength() == static_cast<int>(t.size()) + 1 &&
                        std::memcmp(x, (t + ch).c_str(), t.size() + 2) == 0);
        TAVO_FUZZ_CHECK(y.GetLength() == static_cast<int>(t.size()) + 1 &&
                        std::memcmp(y, (ch + t).c_str(), t.size() + 2) == 0);
        break;
      }
      case 28: {
        tCString c(a);
        same(c, textOf(ma));
        tCString d(pArg);
        same(d, arg);
        break;
      }
      default: {
        // Write a byte through operator[] (never the terminating NUL).
        if (len > 0) {
          const int p = std::max(n, 0) % len;
          a[p] = ch;
          ma[p] = ch;
          TAVO_FUZZ_CHECK(&a.GetAt(p) == &a[p]);
        }
        break;
      }
    }
    same(s[0], m[0]);
    same(s[1], m[1]);
  }
  return 0;
}
