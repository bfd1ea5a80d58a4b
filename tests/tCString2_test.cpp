// tCString2: the string list kept as a string vector.
#include "tCString2/tCString2.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

using tavo_test::exchangeSorted;

using Strings = std::vector<std::string>;

// A caller-owned string vector built from literals (stack/std storage).
class Vec {
 public:
  Vec(std::initializer_list<const char*> words) : text_(words.begin(), words.end()) { link(); }
  explicit Vec(const Strings& words) : text_(words) { link(); }
  Vec(const Vec&) = delete;
  Vec& operator=(const Vec&) = delete;
  char** get() { return ptrs_.data(); }

 private:
  void link() {
    for (auto& s : text_) ptrs_.push_back(&s[0]);
    ptrs_.push_back(nullptr);
  }
  Strings text_;
  std::vector<char*> ptrs_;
};

// The list's strings, read through its vector; also checks the vector's
// shape: GetLength() non-null slots and a null slot after them.
Strings contents(const tCString2& l) {
  char** v = l;
  EXPECT_NE(v, nullptr);
  Strings r;
  if (v == nullptr) return r;
  for (int i = 0; i < l.GetLength(); ++i) {
    EXPECT_NE(v[i], nullptr) << "slot " << i;
    if (v[i] == nullptr) return r;
    r.emplace_back(v[i]);
  }
  EXPECT_EQ(v[l.GetLength()], nullptr);
  EXPECT_EQ(addresslen2(v), l.GetLength());
  return r;
}

tCString2 make(std::initializer_list<const char*> words) {
  tCString2 l;
  for (const char* w : words) l += w;
  return l;
}

// Regex for a failed assertion of `expr` in the list's source file.
std::string assertRe(const std::string& expr) {
  std::string r = "Assertion failed: ";
  for (char c : expr) {
    if (std::strchr("()[]{}.*+?^$|\\", c) != nullptr) r += '\\';
    r += c;
  }
  return r + ", file tCString2/tCString2\\.cpp, line " TAVO_RE_DIGITS;
}

int foldedCompare(const char* a, const char* b) {
  auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
  for (;; ++a, ++b) {
    int c = fold(static_cast<unsigned char>(*a));
    int d = fold(static_cast<unsigned char>(*b));
    if (c != d) return c < d ? -1 : 1;
    if (c == 0) return 0;
  }
}

int plainCompare(const char* a, const char* b) { return std::strcmp(a, b); }

std::vector<char*> slots(const tCString2& l) {
  char** v = l;
  return std::vector<char*>(v, v + l.GetLength());
}

// ---------------------------------------------------------------------------

TEST(tCString2, NewListIsEmptyWithOneNullSlot) {
  tCString2 l;
  EXPECT_EQ(l.GetLength(), 0);
  EXPECT_EQ(l.IsEmpty(), 1);
  EXPECT_EQ(!l, 1);
  char** v = l;
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v[0], nullptr);
  EXPECT_EQ(l[0], nullptr);
  EXPECT_EQ(l.GetAt(0), nullptr);

  l += "x";
  EXPECT_EQ(l.IsEmpty(), 0);
  EXPECT_EQ(!l, 0);
  EXPECT_EQ(l.Empty(), 1);
  EXPECT_EQ(l.GetLength(), 0);
  v = l;
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v[0], nullptr);
}

TEST(tCString2, ConstructFromVectorCopiesEveryString) {
  Vec src{"one", "", "three", "\xff\x80"};
  tCString2 l(src.get());
  EXPECT_EQ(l.GetLength(), 4);
  EXPECT_EQ(contents(l), (Strings{"one", "", "three", "\xff\x80"}));
  EXPECT_EQ(l == src.get(), 1);
  for (int i = 0; i < 4; ++i) EXPECT_NE(l[i], src.get()[i]);

  char* emptyVec[] = {nullptr};
  tCString2 e(emptyVec);
  EXPECT_EQ(e.GetLength(), 0);
  EXPECT_EQ(static_cast<char**>(e)[0], nullptr);

  tCString2 c(l);
  EXPECT_EQ(contents(c), contents(l));
  for (int i = 0; i < 4; ++i) EXPECT_NE(c[i], l[i]);
}

TEST(tCString2, VectorWorksWithTheFreeFunctions) {
  tCString2 l = make({"a", "b"});
  char** copy = mstrdup2(const_cast<const char**>(static_cast<char**>(l)));
  EXPECT_EQ(l == copy, 1);
  strfreev(copy);
}

TEST(tCString2, SetAtReplacesInPlaceAndKeepsOthers) {
  tCString2 l = make({"a", "bb", "c"});
  const char* first = l[0];
  EXPECT_EQ(l.SetAt(1, "a much longer text than before"), 1);
  EXPECT_EQ(l.SetAt(2, ""), 1);
  EXPECT_EQ(contents(l), (Strings{"a", "a much longer text than before", ""}));
  EXPECT_EQ(l[0], first);
}

TEST(tCString2, SetAtFromItsOwnStorage) {
  tCString2 l = make({"hello world", "other"});
  EXPECT_EQ(l.SetAt(0, l[0]), 1);  // the very string it replaces
  EXPECT_EQ(contents(l), (Strings{"hello world", "other"}));
  EXPECT_EQ(l.SetAt(0, l[0] + 6), 1);  // its own tail
  EXPECT_EQ(contents(l), (Strings{"world", "other"}));
  EXPECT_EQ(l.SetAt(0, l[0] + 5), 1);  // its own terminator
  EXPECT_EQ(contents(l), (Strings{"", "other"}));
  EXPECT_EQ(l.SetAt(0, l[1]), 1);  // another string of the list
  EXPECT_EQ(contents(l), (Strings{"other", "other"}));
  EXPECT_NE(l[0], l[1]);
}

TEST(tCString2, AssignmentReplacesEverything) {
  tCString2 l = make({"p", "q", "r"});
  l = "x";
  EXPECT_EQ(contents(l), (Strings{"x"}));

  Vec v{"1", "2"};
  l = v.get();
  EXPECT_EQ(contents(l), (Strings{"1", "2"}));

  tCString2 other = make({"k"});
  const tCString2& r = (l = other);
  EXPECT_EQ(&r, &l);
  EXPECT_EQ(contents(l), (Strings{"k"}));
  EXPECT_NE(l[0], other[0]);

  char* emptyVec[] = {nullptr};
  l = emptyVec;
  EXPECT_EQ(l.GetLength(), 0);
  EXPECT_EQ(static_cast<char**>(l)[0], nullptr);
}

TEST(tCString2, AssignmentFromItsOwnStorage) {
  tCString2 l = make({"a", "b", "c"});
  l = static_cast<char**>(l);
  EXPECT_EQ(contents(l), (Strings{"a", "b", "c"}));
  l = static_cast<char**>(l) + 1;  // a part of its own vector
  EXPECT_EQ(contents(l), (Strings{"b", "c"}));
  l = l[1];  // one of its own strings
  EXPECT_EQ(contents(l), (Strings{"c"}));

  // A caller's vector whose strings belong to the list.
  tCString2 m = make({"x", "y"});
  char* borrowed[] = {const_cast<char*>(m[1]), const_cast<char*>(m[0]), nullptr};
  m = borrowed;
  EXPECT_EQ(contents(m), (Strings{"y", "x"}));
}

TEST(tCString2, AppendingKeepsOrderAndCopies) {
  tCString2 l;
  l += "a";
  Vec v{"b", "c"};
  const tCString2& r = (l += v.get());
  EXPECT_EQ(&r, &l);
  tCString2 tail = make({"d"});
  l += tail;
  EXPECT_EQ(contents(l), (Strings{"a", "b", "c", "d"}));
  EXPECT_NE(l[3], tail[0]);
  EXPECT_EQ(contents(tail), (Strings{"d"}));
}

TEST(tCString2, AppendingItsOwnStorage) {
  tCString2 l = make({"a", "b", "c"});
  l += l;
  EXPECT_EQ(contents(l), (Strings{"a", "b", "c", "a", "b", "c"}));

  tCString2 m = make({"a", "b", "c"});
  m += static_cast<char**>(m);
  EXPECT_EQ(contents(m), (Strings{"a", "b", "c", "a", "b", "c"}));

  tCString2 p = make({"a", "b", "c"});
  p += static_cast<char**>(p) + 2;
  p += static_cast<char**>(p) + p.GetLength();  // its own null slot: nothing
  EXPECT_EQ(contents(p), (Strings{"a", "b", "c", "c"}));

  tCString2 q = make({"a"});
  for (int i = 0; i < 5; ++i) q += q[0];
  EXPECT_EQ(q.GetLength(), 6);
  EXPECT_EQ(q.Find("a", 0), 0);
  EXPECT_EQ(q.ReverseFind("a", -1), 5);

  tCString2 e;
  e += e;
  e += static_cast<char**>(e);
  EXPECT_EQ(e.GetLength(), 0);
}

TEST(tCString2, ConcatenationBuildsNewListsAndLeavesOperands) {
  tCString2 l = make({"a", "b"});
  tCString2 r = make({"c"});
  Vec v{"v1", "v2"};

  struct Case {
    const char* name;
    tCString2 result;
    Strings expected;
  };
  Case cases[] = {
      {"list+list", l + r, {"a", "b", "c"}},
      {"list+self", l + l, {"a", "b", "a", "b"}},
      {"list+vector", l + v.get(), {"a", "b", "v1", "v2"}},
      {"vector+list", v.get() + l, {"v1", "v2", "a", "b"}},
      {"list+string", l + "s", {"a", "b", "s"}},
      {"string+list", "s" + l, {"s", "a", "b"}},
      {"empty+empty", tCString2() + tCString2(), {}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(contents(c.result), c.expected);
  }
  EXPECT_EQ(contents(l), (Strings{"a", "b"}));
  EXPECT_EQ(contents(r), (Strings{"c"}));
}

TEST(tCString2, EqualityIsOrderAndCaseSensitive) {
  tCString2 ab = make({"a", "b"});
  Vec same{"a", "b"}, swapped{"b", "a"}, upper{"A", "b"}, shorter{"a"}, longer{"a", "b", "c"};
  struct Case {
    const char* name;
    char** v;
    int equal;
  } cases[] = {
      {"same", same.get(), 1},       {"swapped", swapped.get(), 0}, {"upper", upper.get(), 0},
      {"shorter", shorter.get(), 0}, {"longer", longer.get(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ab == c.v, c.equal);
    EXPECT_EQ(ab != c.v, 1 - c.equal);
  }
  EXPECT_EQ(ab == make({"a", "b"}), 1);
  EXPECT_EQ(ab != make({"a", "b"}), 0);
  EXPECT_EQ(ab == make({"a", "B"}), 0);
  EXPECT_EQ(ab != make({"a", "B"}), 1);

  tCString2 e;
  char* emptyVec[] = {nullptr};
  EXPECT_EQ(e == emptyVec, 1);
  EXPECT_EQ(e == tCString2(), 1);
  EXPECT_EQ(e == same.get(), 0);
  // Bytes above 0x7F are compared as themselves.
  EXPECT_EQ(make({"\xe9"}) == make({"\xc9"}), 0);
}

TEST(tCString2, SubLists) {
  tCString2 abc = make({"a", "b", "c"});
  struct Case {
    const char* name;
    tCString2 result;
    Strings expected;
  } cases[] = {
      {"Mid(0,1)", abc.Mid(0, 1), {"a"}},
      {"Mid(1,2)", abc.Mid(1, 2), {"b", "c"}},
      {"Mid(1,10)", abc.Mid(1, 10), {"b", "c"}},
      {"Mid(-3,2)", abc.Mid(-3, 2), {"a", "b"}},
      {"Mid(2,1)", abc.Mid(2, 1), {"c"}},
      {"Mid(3,1)", abc.Mid(3, 1), {}},
      {"Mid(5,2)", abc.Mid(5, 2), {}},
      {"Left(2)", abc.Left(2), {"a", "b"}},
      {"Left(10)", abc.Left(10), {"a", "b", "c"}},
      {"Right(1)", abc.Right(1), {"c"}},
      {"Right(2)", abc.Right(2), {"b", "c"}},
      {"Right(10)", abc.Right(10), {"a", "b", "c"}},
      {"empty.Mid", tCString2().Mid(0, 3), {}},
      {"Mid(0,INT_MAX)", abc.Mid(0, 0x7FFFFFFF), {"a", "b", "c"}},
      {"Right(INT_MAX)", abc.Right(0x7FFFFFFF), {"a", "b", "c"}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(contents(c.result), c.expected);
  }
  tCString2 part = abc.Mid(0, 1);
  EXPECT_NE(part[0], abc[0]);
  EXPECT_EQ(contents(abc), (Strings{"a", "b", "c"}));
}

TEST(tCString2, InsertAtEveryPosition) {
  for (int at = 0; at <= 3; ++at) {
    SCOPED_TRACE(at);
    tCString2 l = make({"a", "b", "c"});
    EXPECT_EQ(l.Insert(at, "X"), 4);
    Strings expected{"a", "b", "c"};
    expected.insert(expected.begin() + at, "X");
    EXPECT_EQ(contents(l), expected);
  }
  tCString2 e;
  EXPECT_EQ(e.Insert(e.GetLength(), "only"), 1);
  EXPECT_EQ(e.Insert(0, "first"), 2);
  EXPECT_EQ(contents(e), (Strings{"first", "only"}));
  // A string of the list itself.
  EXPECT_EQ(e.Insert(1, e[1]), 3);
  EXPECT_EQ(e.Insert(0, e[2] + 2), 4);
  EXPECT_EQ(contents(e), (Strings{"ly", "first", "only", "only"}));
}

TEST(tCString2, RemoveByPositionClosesTheGap) {
  for (int at = 0; at < 3; ++at) {
    SCOPED_TRACE(at);
    tCString2 l = make({"a", "b", "c"});
    const char* kept[3] = {l[0], l[1], l[2]};
    EXPECT_EQ(l.Remove(at), 1);
    Strings expected{"a", "b", "c"};
    expected.erase(expected.begin() + at);
    EXPECT_EQ(contents(l), expected);
    // The strings that stay are not copied.
    for (int i = 0, j = 0; i < 3; ++i)
      if (i != at) EXPECT_EQ(l[j++], kept[i]);
  }
  tCString2 one = make({"x"});
  EXPECT_EQ(one.Remove(0), 1);
  EXPECT_EQ(one.GetLength(), 0);
  EXPECT_EQ(static_cast<char**>(one)[0], nullptr);
  one += "y";  // the list keeps working after the array was left larger
  EXPECT_EQ(contents(one), (Strings{"y"}));
}

TEST(tCString2, RemoveByValueRemovesEveryMatchAndRebuilds) {
  tCString2 l = make({"x", "y", "x", "x"});
  EXPECT_EQ(l.Remove("x"), 3);
  EXPECT_EQ(contents(l), (Strings{"y"}));

  tCString2 m = make({"x", "y", "X"});
  std::vector<char*> before = slots(m);
  EXPECT_EQ(m.Remove("z"), 0);
  EXPECT_EQ(contents(m), (Strings{"x", "y", "X"}));
  std::vector<char*> after = slots(m);
  for (size_t i = 0; i < before.size(); ++i) EXPECT_NE(after[i], before[i]) << i;

  tCString2 all = make({"a", "a"});
  EXPECT_EQ(all.Remove("a"), 2);
  EXPECT_EQ(all.GetLength(), 0);
  EXPECT_EQ(static_cast<char**>(all)[0], nullptr);

  // The key may be one of the list's own strings.
  tCString2 own = make({"k", "v", "k"});
  EXPECT_EQ(own.Remove(own[2]), 2);
  EXPECT_EQ(contents(own), (Strings{"v"}));
}

TEST(tCString2, MakeReverse) {
  struct Case {
    tCString2 in;
    Strings expected;
  } cases[] = {
      {make({}), {}},
      {make({"a"}), {"a"}},
      {make({"a", "b"}), {"b", "a"}},
      {make({"a", "b", "c"}), {"c", "b", "a"}},
      {make({"a", "b", "c", "d"}), {"d", "c", "b", "a"}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.expected.size());
    EXPECT_EQ(c.in.MakeReverse(), 1);
    EXPECT_EQ(contents(c.in), c.expected);
  }
}

TEST(tCString2, SortSmallCases) {
  struct Case {
    Strings in;
    bool noCase;
    int flag;
    Strings expected;
  } cases[] = {
      {{"b", "a", "C"}, false, 1, {"C", "a", "b"}},
      {{"b", "a", "C"}, false, 2, {"b", "a", "C"}},
      {{"b", "a", "C"}, true, 1, {"a", "b", "C"}},
      {{"b", "a", "C"}, true, 2, {"C", "b", "a"}},
      {{"b", "B", "a"}, false, 1, {"B", "a", "b"}},
      {{"a", "_", "B"}, true, 1, {"_", "a", "B"}},  // '_' before letters when folded
      {{"a", "_", "B"}, false, 1, {"B", "_", "a"}},
      {{"ab", "a", ""}, false, 1, {"", "a", "ab"}},  // a prefix first
      {{"\x80", "z", "\xff", "~"}, false, 1, {"z", "~", "\x80", "\xff"}},
      {{"\xc9", "\xe9", "E", "e"}, true, 1, {"E", "e", "\xc9", "\xe9"}},      // no folding above 0x7F
      {{"Abc", "aBC", "abc", "ABC"}, true, 1, {"Abc", "aBC", "abc", "ABC"}},  // stable
      {{"Abc", "aBC", "abc", "ABC"}, true, 2, {"Abc", "aBC", "abc", "ABC"}},
      {{}, false, 1, {}},
      {{"only"}, true, 2, {"only"}},
  };
  for (auto& c : cases) {
    Vec v(c.in);
    tCString2 l(v.get());
    SCOPED_TRACE(testing::Message() << "noCase=" << c.noCase << " flag=" << c.flag << " n=" << l.GetLength());
    EXPECT_EQ(c.noCase ? l.SortNoCase(c.flag) : l.Sort(c.flag), 1);
    EXPECT_EQ(contents(l), c.expected);
  }
}

// Random lists over a small alphabet (so that equal strings, equal prefixes
// and case-only differences are common), with lengths around the eight
// bytes the sort packs into its key.
Strings randomWords(std::mt19937& rng, size_t n, size_t maxLen) {
  static const char kAlphabet[] = {'a', 'A', 'b', 'B', '_', 'z', '\x01', '\x7f', '\x80', '\xff'};
  std::uniform_int_distribution<size_t> len(0, maxLen);
  std::uniform_int_distribution<size_t> pick(0, sizeof(kAlphabet) - 1);
  Strings r;
  for (size_t i = 0; i < n; ++i) {
    // Shared long prefixes so that comparisons reach past the key.
    std::string w = (i % 3 == 0) ? std::string("prefix__") : std::string();
    for (size_t k = len(rng); k > 0; --k) w += kAlphabet[pick(rng)];
    r.push_back(w);
  }
  return r;
}

TEST(tCString2, SortsGiveTheStableExchangeOrder) {
  std::mt19937 rng(12345);
  for (size_t n : {2u, 3u, 7u, 24u, 25u, 49u, 100u, 777u}) {
    for (int round = 0; round < 4; ++round) {
      Strings words = randomWords(rng, n, round < 2 ? 3 : 12);
      for (bool noCase : {false, true}) {
        for (int flag : {1, 2}) {
          SCOPED_TRACE(testing::Message()
                       << "n=" << n << " round=" << round << " noCase=" << noCase << " flag=" << flag);
          Vec v(words);
          tCString2 l(v.get());
          std::vector<char*> expected = noCase ? exchangeSorted(slots(l), flag, foldedCompare)
                                               : exchangeSorted(slots(l), flag, plainCompare);
          EXPECT_EQ(noCase ? l.SortNoCase(flag) : l.Sort(flag), 1);
          EXPECT_TRUE(slots(l) == expected);  // the very same pointers, in the same order
          EXPECT_EQ(static_cast<char**>(l)[n], nullptr);
        }
      }
    }
  }
}

TEST(tCString2, CaseFoldingTouchesOnlyAsciiLetters) {
  // One single-byte string per byte value 1..255.
  tCString2 l;
  for (int c = 1; c < 256; ++c) {
    char s[2] = {static_cast<char>(c), 0};
    l += s;
  }
  for (int c = 1; c < 256; ++c) {
    SCOPED_TRACE(c);
    char s[2] = {static_cast<char>(c), 0};
    int folded = (c >= 'A' && c <= 'Z') ? c + 32 : c;
    // The first string equal under folding: the upper-case letter for a
    // letter of either case, the byte itself otherwise.
    int expectedFirst = (folded >= 'a' && folded <= 'z') ? folded - 32 : c;
    EXPECT_EQ(l.FindNoCase(s, 0), expectedFirst - 1);
    EXPECT_EQ(l.ReverseFindNoCase(s, -1), folded - 1);
    EXPECT_EQ(l.Find(s, 0), c - 1);
    EXPECT_EQ(l.ReverseFind(s, -1), c - 1);
  }
  // Sorting all 255 bytes without case: by folded unsigned value, an upper
  // case letter before its lower case twin (it comes first in the input).
  tCString2 sorted(l);
  sorted.SortNoCase(1);
  for (int i = 1; i < 255; ++i) {
    int a = static_cast<unsigned char>(sorted[i - 1][0]);
    int b = static_cast<unsigned char>(sorted[i][0]);
    int fa = (a >= 'A' && a <= 'Z') ? a + 32 : a;
    int fb = (b >= 'A' && b <= 'Z') ? b + 32 : b;
    EXPECT_TRUE(fa < fb || (fa == fb && a < b)) << a << " before " << b;
  }
  tCString2 plain(l);
  plain.Sort(2);
  for (int i = 0; i < 255; ++i) EXPECT_EQ(static_cast<unsigned char>(plain[i][0]), 255 - i);
}

TEST(tCString2, FindAndReverseFind) {
  tCString2 abb = make({"a", "b", "b"});
  struct Case {
    const char* what;
    int start;
    int expected;
  };
  const Case forward[] = {
      {"b", 0, 1},  {"b", 1, 1},  {"b", 2, 2},  {"b", 3, -1}, {"a", 0, 0},
      {"a", 1, -1}, {"c", 0, -1}, {"B", 0, -1}, {"", 0, -1},
  };
  for (const auto& c : forward) {
    SCOPED_TRACE(testing::Message() << "Find " << c.what << " from " << c.start);
    EXPECT_EQ(abb.Find(c.what, c.start), c.expected);
  }
  const Case backward[] = {
      {"b", -1, 2}, {"b", 2, 2}, {"b", 1, 1},   {"b", 0, -1},
      {"a", -1, 0}, {"a", 0, 0}, {"c", -1, -1}, {"B", -1, -1},
  };
  for (const auto& c : backward) {
    SCOPED_TRACE(testing::Message() << "ReverseFind " << c.what << " from " << c.start);
    EXPECT_EQ(abb.ReverseFind(c.what, c.start), c.expected);
  }
  EXPECT_EQ(abb.Find("b", 100), -1);
  EXPECT_EQ(abb.ReverseFind("b", -2), -1);
  EXPECT_EQ(abb.ReverseFind("a", -100), -1);

  tCString2 empty;
  EXPECT_EQ(empty.ReverseFind("a", -1), -1);
  EXPECT_EQ(empty.ReverseFindNoCase("a", -1), -1);
  EXPECT_EQ(empty.Find("a", 0), -1);

  tCString2 mixed = make({"abc", "x", "ABC"});
  EXPECT_EQ(mixed.FindNoCase("ABC", 0), 0);
  EXPECT_EQ(mixed.Find("ABC", 0), 2);
  EXPECT_EQ(mixed.FindNoCase("aBc", 1), 2);
  EXPECT_EQ(mixed.ReverseFindNoCase("abc", 1), 0);
  EXPECT_EQ(mixed.ReverseFind("abc", -1), 0);
  EXPECT_EQ(mixed.FindNoCase("ab", 0), -1);  // a prefix is not equal
}

TEST(tCString2, ForkFindProbesByHalving) {
  struct Case {
    Strings list;
    const char* key;
    int flag;
    int expected;
  } cases[] = {
      {{}, "a", 1, -1},
      {{}, "a", 2, -1},
      {{"a"}, "a", 1, 0},
      {{"a"}, "b", 1, -1},
      {{"a"}, "", 1, -1},
      {{"a", "c", "e", "g"}, "a", 1, 0},
      {{"a", "c", "e", "g"}, "c", 1, 1},
      {{"a", "c", "e", "g"}, "e", 1, 2},
      {{"a", "c", "e", "g"}, "g", 1, 3},
      {{"a", "c", "e", "g"}, "d", 1, -1},
      {{"a", "c", "e", "g"}, "0", 1, -1},
      {{"a", "c", "e", "g"}, "h", 1, -1},
      {{"g", "e", "c", "a"}, "c", 2, 2},
      {{"g", "e", "c", "a"}, "g", 2, 0},
      {{"g", "e", "c", "a"}, "a", 2, 3},
      {{"g", "e", "c", "a"}, "f", 2, -1},
      // Equal strings: the first one probed is returned.
      {{"a", "b", "b", "b"}, "b", 1, 2},
      {{"b", "b", "b", "b", "b"}, "b", 1, 2},
      {{"a", "a", "b"}, "a", 1, 1},
      {{"a", "a", "a", "b", "c", "d", "e", "f"}, "a", 1, 2},
      {{"a", "b", "b"}, "b", 1, 1},
      {{"a", "b", "c", "d", "d"}, "d", 1, 4},
      {{"a", "b", "c", "d", "d", "d"}, "d", 1, 3},
      {{"d", "d", "c", "b", "a"}, "d", 2, 1},
      // Order by unsigned bytes: 0x80 and above after ASCII.
      {{"a", "z", "\x80", "\xff"}, "\x80", 1, 2},
      {{"a", "z", "\x80", "\xff"}, "\xff", 1, 3},
      // Searching an ascending list as if descending misses members.
      {{"a", "c", "e", "g"}, "a", 2, -1},
      {{"a", "c", "e", "g"}, "e", 2, 2},
  };
  for (const auto& c : cases) {
    Vec v(c.list);
    tCString2 l(v.get());
    SCOPED_TRACE(testing::Message() << "n=" << l.GetLength() << " key=" << c.key << " flag=" << c.flag);
    EXPECT_EQ(l.ForkFind(c.key, c.flag), c.expected);
    EXPECT_EQ(l.ForkFindNoCase(c.key, c.flag), c.expected);
  }
}

TEST(tCString2, ForkFindFindsEveryMemberOfASortedList) {
  std::mt19937 rng(777);
  for (bool noCase : {false, true}) {
    for (int flag : {1, 2}) {
      SCOPED_TRACE(testing::Message() << "noCase=" << noCase << " flag=" << flag);
      Strings words = randomWords(rng, 500, 6);
      Vec v(words);
      tCString2 l(v.get());
      noCase ? l.SortNoCase(flag) : l.Sort(flag);
      std::vector<char*> before = slots(l);
      for (const auto& w : words) {
        int i = noCase ? l.ForkFindNoCase(w.c_str(), flag) : l.ForkFind(w.c_str(), flag);
        ASSERT_GE(i, 0) << w;
        EXPECT_EQ(noCase ? foldedCompare(l[i], w.c_str()) : std::strcmp(l[i], w.c_str()), 0);
      }
      EXPECT_EQ(noCase ? l.ForkFindNoCase("absent!", flag) : l.ForkFind("absent!", flag), -1);
      EXPECT_TRUE(slots(l) == before);  // not changed
    }
  }
  tCString2 mixed = make({"abc", "Def", "ghi"});
  mixed.SortNoCase(1);
  EXPECT_EQ(mixed.ForkFindNoCase("DEF", 1), 1);
  EXPECT_EQ(mixed.ForkFind("DEF", 1), -1);
}

TEST(tCString2, UnsortedInputGivesAMatchOrMinusOne) {
  std::mt19937 rng(99);
  Strings words = randomWords(rng, 300, 3);
  Vec v(words);
  tCString2 l(v.get());
  for (int flag : {1, 2})
    for (const auto& w : words) {
      int i = l.ForkFind(w.c_str(), flag);
      if (i != -1) EXPECT_STREQ(l[i], w.c_str());
    }
}

// Every append resizes the array to its exact new size.  Under
// AddressSanitizer every resize is a fresh block and a full copy, so building
// a list is quadratic there and the sanitizer build uses a smaller list.
constexpr int kBigList = TAVO_TEST_SANITIZED ? 8000 : 1000000;

TEST(tCString2, MillionStrings) {
  const int n = kBigList;
  tCString2 l;
  char buf[16];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%07lld", (static_cast<long long>(i) * 7919) % n);
    l += buf;
  }
  ASSERT_EQ(l.GetLength(), n);
  EXPECT_EQ(static_cast<char**>(l)[n], nullptr);
  l.Sort(1);
  for (int i = 0; i < n; i += n / 10 + 1) {
    std::snprintf(buf, sizeof buf, "%07d", i);
    EXPECT_STREQ(l[i], buf);
    EXPECT_EQ(l.ForkFind(buf, 1), i);
  }
  l.Sort(2);
  std::snprintf(buf, sizeof buf, "%07d", n - 1);
  EXPECT_STREQ(l[0], buf);
  l.SortNoCase(1);
  EXPECT_STREQ(l[n - 1], buf);
  EXPECT_EQ(l.Remove("0000000"), 1);
  EXPECT_EQ(l.GetLength(), n - 1);
  tCString2 copy(l);
  EXPECT_EQ(copy == l, 1);
  l += l;
  EXPECT_EQ(l.GetLength(), 2 * (n - 1));
}

TEST(tCString2, LongStrings) {
  std::string big(50u << 20, 'q');
  big[1] = '\xff';
  tCString2 l;
  l += big.c_str();
  l.SetAt(0, l[0] + 1);  // its own tail, 50 MB
  EXPECT_EQ(std::strlen(l[0]), big.size() - 1);
  EXPECT_EQ(static_cast<unsigned char>(l[0][0]), 0xFF);
  l.Insert(0, big.c_str());
  EXPECT_EQ(l.Find(big.c_str(), 0), 0);
}

// ---------------------------------------------------------------------------

TEST(tCString2DeathTest, Preconditions) {
  tCString2 l = make({"a", "b"});
  char** nullVec = nullptr;
  const char* nullStr = nullptr;
  // Positive controls: the boundary values are accepted.
  EXPECT_EQ(l[2], nullptr);
  EXPECT_EQ(l.GetAt(2), nullptr);
  EXPECT_EQ(l.Find("a", 0), 0);
  EXPECT_EQ(l.ReverseFind("b", 1), 1);

  EXPECT_DEATH(l[3], assertRe("(nPos >= 0) && (nPos <= m_nLen)"));
  EXPECT_DEATH(l[-1], assertRe("(nPos >= 0) && (nPos <= m_nLen)"));
  EXPECT_DEATH(l.GetAt(3), assertRe("(nPos >= 0) && (nPos <= m_nLen)"));
  EXPECT_DEATH(l.SetAt(2, "x"), assertRe("(nPos >= 0) && (nPos < m_nLen) && pStr"));
  EXPECT_DEATH(l.SetAt(0, nullStr), assertRe("(nPos >= 0) && (nPos < m_nLen) && pStr"));
  EXPECT_DEATH(tCString2{nullVec}, assertRe("pStr"));
  EXPECT_DEATH(l = l, assertRe("(&oRight) != this"));
  EXPECT_DEATH(l = nullVec, assertRe("pRight"));
  EXPECT_DEATH(l = nullStr, assertRe("pRight"));
  EXPECT_DEATH(l += nullVec, assertRe("pRight"));
  EXPECT_DEATH(l += nullStr, assertRe("pRight"));
  EXPECT_DEATH(l + nullVec, assertRe("pRight"));
  EXPECT_DEATH(nullVec + l, assertRe("pLeft"));
  EXPECT_DEATH(l + nullStr, assertRe("pRight"));
  EXPECT_DEATH(nullStr + l, assertRe("pLeft"));
  EXPECT_DEATH((void)(l == nullVec), assertRe("pRight"));
  EXPECT_DEATH((void)(l != nullVec), assertRe("pRight"));
  EXPECT_DEATH(l.Mid(0, 0), assertRe("nCount > 0"));
  EXPECT_DEATH(l.Left(0), assertRe("nCount > 0"));
  EXPECT_DEATH(l.Right(-1), assertRe("nCount > 0"));
  EXPECT_DEATH(l.Insert(3, "x"), assertRe("(nIndex >= 0) && (nIndex <= m_nLen) && pStr"));
  EXPECT_DEATH(l.Insert(-1, "x"), assertRe("(nIndex >= 0) && (nIndex <= m_nLen) && pStr"));
  EXPECT_DEATH(l.Insert(0, nullStr), assertRe("(nIndex >= 0) && (nIndex <= m_nLen) && pStr"));
  EXPECT_DEATH(l.Remove(2), assertRe("(nPos >= 0) && (nPos < m_nLen)"));
  EXPECT_DEATH(l.Remove(-1), assertRe("(nPos >= 0) && (nPos < m_nLen)"));
  EXPECT_DEATH(l.Remove(nullStr), assertRe("pStr"));
  EXPECT_DEATH(l.Sort(3), assertRe("(nFlag == 1) || (nFlag == 2)"));
  EXPECT_DEATH(l.Sort(0), assertRe("(nFlag == 1) || (nFlag == 2)"));
  EXPECT_DEATH(l.SortNoCase(3), assertRe("(nFlag == 1) || (nFlag == 2)"));
  EXPECT_DEATH(l.Find("a", -1), assertRe("pStr && (nStart >= 0)"));
  EXPECT_DEATH(l.FindNoCase(nullStr, 0), assertRe("pStr && (nStart >= 0)"));
  EXPECT_DEATH(l.ReverseFind("a", 2), assertRe("pStr && (nStart <= (m_nLen - 1))"));
  EXPECT_DEATH(l.ReverseFindNoCase(nullStr, -1), assertRe("pStr && (nStart <= (m_nLen - 1))"));
  EXPECT_DEATH(l.ForkFind("a", 0), assertRe("pStr && ((nFlag == 1) || (nFlag == 2))"));
  EXPECT_DEATH(l.ForkFindNoCase(nullStr, 1), assertRe("pStr && ((nFlag == 1) || (nFlag == 2))"));
}

}  // namespace
