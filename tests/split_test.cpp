// Splitting into string vectors, enclosed texts, sorting and searching.
#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

using Strings = std::vector<std::string>;

// Owns a returned vector for the length of a test.
struct VecFree {
  void operator()(char** v) const { strfreev(v); }
};
using Vec = std::unique_ptr<char*, VecFree>;

// The strings of `v`, after checking its shape: a null pointer for nothing,
// otherwise at least one string and a null slot after the last.
Strings contents(char** v) {
  Strings out;
  if (v == nullptr) return out;
  EXPECT_NE(v[0], nullptr) << "an empty result must be a null pointer";
  for (char** p = v; *p != nullptr; ++p) out.emplace_back(*p);
  EXPECT_EQ(static_cast<size_t>(addresslen2(v)), out.size());
  return out;
}

// A vector of copies of `words` (null when there are none), its array sized
// once so that large inputs stay quick in the sanitizer build too.
char** makeVector(const Strings& words) {
  if (words.empty()) return nullptr;
  char** v = static_cast<char**>(mmalloc(static_cast<unsigned int>((words.size() + 1) * sizeof(char*))));
  for (size_t i = 0; i < words.size(); ++i) v[i] = mstrdup(words[i].c_str());
  v[words.size()] = nullptr;
  return v;
}

// ---- strsplit --------------------------------------------------------------

struct SplitCase {
  const char* s;
  const char* sep;
  int nMax;
  bool isNull;
  Strings fields;
};

TEST(Split, Table) {
  const SplitCase cases[] = {
      {"a,b,c", ",", 0, false, {"a", "b", "c"}},
      {"a,b,c", ",", 1, false, {"a", "b,c"}},
      {"a,b,c", ",", 2, false, {"a", "b", "c"}},
      {"a,b,c", ",", 3, false, {"a", "b", "c"}},
      {"a,b,c", ",", -1, false, {"a", "b", "c"}},
      {"a,b,c", ",", -2147483647 - 1, false, {"a", "b", "c"}},
      {"a,,b", ",", 0, false, {"a", "0", "b"}},
      {",a", ",", 0, false, {"0", "a"}},
      {"a,b,", ",", 0, false, {"a", "b"}},
      {"a,b,", ",", 2, false, {"a", "b"}},
      {"a,b,,", ",", 2, false, {"a", "b", ","}},
      {",", ",", 0, false, {"0"}},
      {",,", ",", 0, false, {"0", "0"}},
      {",,,", ",", 1, false, {"0", ",,"}},
      {"abc", ",", 0, true, {}},
      {"", ",", 0, true, {}},
      {"a::b", "::", 0, false, {"a", "b"}},
      {"::", "::", 0, false, {"0"}},
      {"a:b", "::", 0, true, {}},
      {":::a", "::", 0, false, {"0", ":a"}},
      {"aaa", "aa", 0, false, {"0", "a"}},
      {"aaaa", "aa", 0, false, {"0", "0"}},
      {"ab", "abc", 0, true, {}},
      {"abc", "abc", 0, false, {"0"}},
      {"x\xff\xfey\xff\xfe", "\xff\xfe", 0, false, {"x", "y"}},
      {"0,0", ",", 0, false, {"0", "0"}},
      {"a b\tc", " ", 0, false, {"a", "b\tc"}},
      // An empty separator has no meaning: nothing is produced.
      {"abc", "", 0, true, {}},
      {"abc", "", 3, true, {}},
      {"", "", 0, true, {}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(std::string("'") + c.s + "' at '" + c.sep + "' max " + std::to_string(c.nMax));
    Vec v(strsplit(c.s, c.sep, c.nMax));
    EXPECT_EQ(v == nullptr, c.isNull);
    EXPECT_EQ(contents(v.get()), c.fields);
  }
}

// A plain restatement over std::string, to compare many random inputs with.
Strings referenceSplit(const std::string& s, const std::string& sep, int nMax, bool* isNull) {
  Strings out;
  size_t hit = s.find(sep);
  *isNull = (hit == std::string::npos);
  if (*isNull) return out;
  size_t pos = 0;
  int cuts = 0;
  while (hit != std::string::npos) {
    out.push_back(hit == pos ? "0" : s.substr(pos, hit - pos));
    pos = hit + sep.size();
    if (nMax > 0 && ++cuts == nMax) break;
    hit = s.find(sep, pos);
  }
  if (pos < s.size()) out.push_back(s.substr(pos));
  return out;
}

// strsplit of `s` at `sep` with `nMax` gives what the plain model gives.
void expectSplitLikeModel(const std::string& s, const std::string& sep, int nMax) {
  bool isNull = false;
  Strings expected = referenceSplit(s, sep, nMax, &isNull);
  Vec v(strsplit(s.c_str(), sep.c_str(), nMax));
  ASSERT_EQ(v == nullptr, isNull);
  ASSERT_EQ(contents(v.get()), expected);
}

TEST(Split, RandomTextsAgreeWithAPlainModel) {
  std::mt19937 rng(11);
  const char alphabet[] = "ab,\xff";
  for (int i = 0; i < 4000; ++i) {
    std::string s, sep;
    for (int n = rng() % 12; n > 0; --n) s += alphabet[rng() % 4];
    for (int n = 1 + rng() % 3; n > 0; --n) sep += alphabet[rng() % 4];
    const int nMax = static_cast<int>(rng() % 5) - 1;
    SCOPED_TRACE("'" + s + "' at '" + sep + "' max " + std::to_string(nMax));
    ASSERT_NO_FATAL_FAILURE(expectSplitLikeModel(s, sep, nMax));
  }
}

TEST(Split, LongFieldsAndLongSeparatorsAgreeWithAPlainModel) {
  // Fields longer than the search looks at byte by byte before it calls
  // memchr, and separators long enough to be searched for as whole texts.
  std::mt19937 rng(21);
  const char alphabet[] = "aab,";
  for (int i = 0; i < 3000; ++i) {
    std::string s, sep;
    for (int n = rng() % 120; n > 0; --n) s += alphabet[rng() % 4];
    for (int n = 1 + rng() % 24; n > 0; --n) sep += alphabet[rng() % 4];
    if (rng() % 2 == 0 && s.size() > sep.size()) s.replace(rng() % (s.size() - sep.size()), sep.size(), sep);
    const int nMax = static_cast<int>(rng() % 5) - 1;
    SCOPED_TRACE("'" + s + "' at '" + sep + "' max " + std::to_string(nMax));
    ASSERT_NO_FATAL_FAILURE(expectSplitLikeModel(s, sep, nMax));
  }
}

TEST(Split, HundredMegabyteTexts) {
  const size_t kSize = 100u << 20;
  std::string text(kSize, 'x');
  {
    // No separator anywhere.
    Vec v(strsplit(text.c_str(), ",", 0));
    EXPECT_EQ(v, nullptr);
    Vec w(strsplit(text.c_str(), "xy", 0));
    EXPECT_EQ(w, nullptr);
  }
  {
    // One separator at the very end: one field of everything before it.
    text.back() = ',';
    Vec v(strsplit(text.c_str(), ",", 0));
    ASSERT_EQ(addresslen2(v.get()), 1);
    EXPECT_EQ(std::strlen(v.get()[0]), kSize - 1);
    text.back() = 'x';
  }
  {
    // A separator every `step` bytes from byte 50: a million fields.
    const size_t step = 100;
    for (size_t i = 50; i < kSize; i += step) text[i] = ';';
    Vec v(strsplit(text.c_str(), ";", 0));
    int n = addresslen2(v.get());
    ASSERT_EQ(n, static_cast<int>(kSize / step) + 1);
    EXPECT_EQ(std::string(v.get()[0]), std::string(50, 'x'));
    EXPECT_EQ(std::string(v.get()[1]), std::string(step - 1, 'x'));
    EXPECT_EQ(std::string(v.get()[n - 1]), std::string(step - 51, 'x'));
    // Bounded: two cuts, the rest whole.
    Vec w(strsplit(text.c_str(), ";", 2));
    ASSERT_EQ(addresslen2(w.get()), 3);
    EXPECT_EQ(std::strlen(w.get()[2]), kSize - 50 - step - 1);
  }
}

TEST(Split, LongSeparatorOverRepetitiveText) {
  // A text of one repeated byte and a separator that almost matches
  // everywhere: must finish promptly.
  std::string text(4u << 20, 'a');
  std::string sep(4096, 'a');
  sep.back() = 'b';
  Vec v(strsplit(text.c_str(), sep.c_str(), 0));
  EXPECT_EQ(v, nullptr);
  text.replace(text.size() / 2, sep.size(), sep);
  Vec w(strsplit(text.c_str(), sep.c_str(), 0));
  ASSERT_EQ(addresslen2(w.get()), 2);
  EXPECT_EQ(std::strlen(w.get()[0]), text.size() / 2);
}

// ---- strInc ------------------------------------------------------------------

struct IncCase {
  const char* s;
  char open, close;
  Strings texts;  // empty: a null pointer
};

TEST(Inc, Table) {
  const IncCase cases[] = {
      {"x[ab]y[]z[c", '[', ']', {"ab", ""}},
      {"[a[b]c]", '[', ']', {"b"}},
      {"abc", '[', ']', {}},
      {"", '[', ']', {}},
      {"|a|b|", '|', '|', {}},
      {"]]]a[[[", '[', ']', {}},
      {"[[[", '[', ']', {}},
      {"a]b[c]d]", '[', ']', {"c"}},
      {"[1][2][3]", '[', ']', {"1", "2", "3"}},
      {"(x)[y]", '[', ']', {"y"}},
      {"\xab"
       "a\xbb\xab\xbb",
       '\xab',
       '\xbb',
       {"a", ""}},
      {"a[b]c", '\0', ']', {}},
      {"a[b]c", '[', '\0', {}},
  };
  for (const IncCase& c : cases) {
    SCOPED_TRACE(c.s);
    Vec v(strInc(c.s, c.open, c.close));
    EXPECT_EQ(v == nullptr, c.texts.empty());
    EXPECT_EQ(contents(v.get()), c.texts);
  }
}

TEST(Inc, LargeUnbalancedTexts) {
  const size_t kSize = 16u << 20;
  {
    std::string opens(kSize, '[');
    Vec v(strInc(opens.c_str(), '[', ']'));
    EXPECT_EQ(v, nullptr);
    std::string closes(kSize, ']');
    Vec w(strInc(closes.c_str(), '[', ']'));
    EXPECT_EQ(w, nullptr);
  }
  {
    // Many opens, one close at the end: only the last open counts.
    std::string s(kSize, '[');
    s += "x]";
    Vec v(strInc(s.c_str(), '[', ']'));
    EXPECT_EQ(contents(v.get()), Strings{"x"});
  }
  {
    const int nPairs = TAVO_TEST_SANITIZED ? 5000 : 100000;  // see HundredMegabyteTexts
    std::string pairs;
    for (int i = 0; i < nPairs; ++i) pairs += "[]]";
    Vec v(strInc(pairs.c_str(), '[', ']'));
    ASSERT_EQ(addresslen2(v.get()), nPairs);
    EXPECT_STREQ(v.get()[nPairs - 1], "");
  }
}

// ---- str2sort ------------------------------------------------------------------

TEST(Sort2, Table) {
  struct Case {
    Strings in;
    int flag;
    Strings out;
  } cases[] = {
      {{"b", "B", "a"}, 1, {"B", "a", "b"}},
      {{"b", "B", "a"}, 2, {"b", "a", "B"}},
      {{"b", "B", "a"}, 0, {"b", "B", "a"}},
      {{"b", "B", "a"}, 3, {"b", "B", "a"}},
      {{"b", "B", "a"}, -1, {"b", "B", "a"}},
      {{"x"}, 1, {"x"}},
      {{"ab", "a", "", "abc"}, 1, {"", "a", "ab", "abc"}},
      {{"\x80", "z", "\xff", "A"}, 1, {"A", "z", "\x80", "\xff"}},
      {{"\x80", "z", "\xff", "A"}, 2, {"\xff", "\x80", "z", "A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flag);
    Vec v(makeVector(c.in));
    str2sort(v.get(), c.flag);
    EXPECT_EQ(contents(v.get()), c.out);
  }
}

TEST(Sort2, EmptyVectors) {
  str2sort(nullptr, 1);
  char* oneSlot[] = {nullptr};
  str2sort(oneSlot, 2);
  EXPECT_EQ(oneSlot[0], nullptr);
}

TEST(Sort2, SamePointerOrderAsTheExchangeSortWithManyEqualStrings) {
  std::mt19937 rng(5);
  // Short words, and long ones that agree on their first 7, 8 or more bytes
  // (high bytes included), so that orders decided past the eighth byte count.
  const char* words[] = {"a",
                         "b",
                         "B",
                         "ab",
                         "",
                         "\xe9",
                         "abcdefg",
                         "abcdefgh",
                         "abcdefghi",
                         "abcdefgh\xe9",
                         "abcdefghA",
                         "abcdefgz",
                         "\xe9\xe9\xe9\xe9\xe9\xe9\xe9\xe9",
                         "\xe9\xe9\xe9\xe9\xe9\xe9\xe9\xe9x"};
  const size_t nWords = sizeof words / sizeof words[0];
  for (int round = 0; round < 300; ++round) {
    size_t n = (round < 100) ? round % 20 : rng() % 700;
    Strings in;
    for (size_t i = 0; i < n; ++i) in.push_back(words[rng() % nWords]);
    for (int flag : {1, 2}) {
      SCOPED_TRACE(std::to_string(n) + " strings, flag " + std::to_string(flag));
      Vec v(makeVector(in));
      std::vector<char*> expected(v.get(), v.get() + n);  // the same pointers
      expected = tavo_test::exchangeSorted(expected, flag, std::strcmp);
      str2sort(v.get(), flag);
      ASSERT_EQ(std::vector<char*>(v.get(), v.get() + n), expected);
      if (n > 0) {
        ASSERT_EQ(v.get()[n], nullptr);
      }
    }
  }
}

TEST(Sort2, HundredThousandStrings) {
  std::mt19937 rng(9);
  Strings in;
  for (int i = 0; i < 100000; ++i) in.push_back(std::to_string(rng() % 50000));
  Vec v(makeVector(in));
  std::vector<char*> expected(v.get(), v.get() + in.size());
  std::stable_sort(expected.begin(), expected.end(),
                   [](const char* a, const char* b) { return std::strcmp(a, b) > 0; });
  str2sort(v.get(), 2);
  EXPECT_EQ(std::vector<char*>(v.get(), v.get() + in.size()), expected);
}

// ---- str2forkfind --------------------------------------------------------------

TEST(ForkFind, Table) {
  struct Case {
    Strings v;
    const char* key;
    int flag;
    int index;
  } cases[] = {
      {{"a", "c", "e", "g"}, "e", 1, 2},
      {{"a", "c", "e", "g"}, "a", 1, 0},
      {{"a", "c", "e", "g"}, "g", 1, 3},
      {{"a", "c", "e", "g"}, "d", 1, -1},
      {{"a", "c", "e", "g"}, "0", 1, -1},
      {{"a", "c", "e", "g"}, "h", 1, -1},
      {{"g", "e", "c", "a"}, "c", 2, 2},
      {{"g", "e", "c", "a"}, "g", 2, 0},
      {{"g", "e", "c", "a"}, "a", 2, 3},
      {{"g", "e", "c", "a"}, "f", 2, -1},
      {{"x"}, "x", 1, 0},
      {{"x"}, "a", 1, -1},
      {{"x"}, "y", 1, -1},
      {{"a", "b"}, "a", 1, 0},
      {{"a", "b"}, "b", 1, 1},
      // Repeated strings: the first probe that meets one wins.
      {{"a", "b", "b", "b", "c"}, "b", 1, 2},
      {{"a", "b", "b", "b", "c"}, "a", 1, 0},
      {{"a", "b", "b", "b", "c"}, "c", 1, 4},
      {{"a", "a", "a", "a"}, "a", 1, 2},
      {{"b", "b", "c", "c"}, "b", 1, 1},
      {{"b", "b", "c", "c"}, "c", 1, 2},
      {{"a", "a", "b"}, "a", 1, 1},
      {{"a", "b", "b"}, "b", 1, 1},
      {{"c", "b", "b", "a"}, "b", 2, 2},
      {{"c", "b", "b", "a"}, "c", 2, 0},
      {{"c", "b", "b", "a"}, "a", 2, 3},
      {{"c", "c", "b", "b"}, "c", 2, 1},
      // Other flags: only the first probe can match.
      {{"a", "c", "e"}, "c", 3, 1},
      {{"a", "c", "e"}, "a", 3, -1},
      {{"a", "c", "e"}, "c", 0, 1},
      {{"a", "c", "e", "g"}, "e", -1, 2},
      // Wrong order for the flag: strings are missed, the search still ends.
      {{"a", "c", "e", "g"}, "a", 2, -1},
      {{"c", "a", "b"}, "a", 1, 1},
      {{"c", "a", "b"}, "c", 1, -1},
      // Unsigned byte order and case.
      {{"A", "a", "\x80", "\xff"}, "\x80", 1, 2},
      {{"A", "a", "\x80", "\xff"}, "\xff", 1, 3},
      {{"A", "a", "\x80", "\xff"}, "B", 1, -1},
      {{"", "a", "ab"}, "", 1, 0},
      {{"", "a", "ab"}, "ab", 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.key + "' flag " + std::to_string(c.flag) + " in " +
                 std::to_string(c.v.size()) + " strings");
    Vec v(makeVector(c.v));
    EXPECT_EQ(str2forkfind(v.get(), c.key, c.flag), c.index);
  }
}

TEST(ForkFind, EmptyVectors) {
  EXPECT_EQ(str2forkfind(nullptr, "a", 1), -1);
  EXPECT_EQ(str2forkfind(nullptr, "a", 3), -1);
  char* oneSlot[] = {nullptr};
  EXPECT_EQ(str2forkfind(oneSlot, "", 2), -1);
  EXPECT_EQ(str2forkfind(oneSlot, "", 0), -1);
}

// The search by halving, written out: the index str2forkfind must give.
int referenceFind(const std::vector<std::string>& v, const std::string& key, int flag) {
  int n = static_cast<int>(v.size()), lo = 0, hi = n - 1;
  while (n > 0) {
    int mid = lo + n / 2;
    int c = std::strcmp(v[mid].c_str(), key.c_str());
    if (c == 0) return mid;
    if (flag == 1) {
      if (c > 0)
        hi = mid - 1;
      else
        lo = mid + 1;
    } else if (flag == 2) {
      if (c < 0)
        hi = mid - 1;
      else
        lo = mid + 1;
    } else {
      return -1;
    }
    n = hi - lo + 1;
  }
  return -1;
}

TEST(ForkFind, EverySortedVectorOfRepeatsUpToTwentyStrings) {
  std::mt19937 rng(2);
  const std::string keys[] = {"", "a", "b", "c", "d", "\x90"};
  for (int round = 0; round < 2000; ++round) {
    size_t n = round % 21;
    Strings in;
    for (size_t i = 0; i < n; ++i) in.push_back(keys[1 + rng() % 3]);
    for (int flag : {1, 2}) {
      Strings sorted = in;
      std::sort(sorted.begin(), sorted.end());
      if (flag == 2) std::reverse(sorted.begin(), sorted.end());
      Vec v(makeVector(sorted));
      for (const std::string& key : keys) {
        int got = str2forkfind(v.get(), key.c_str(), flag);
        int expected = referenceFind(sorted, key, flag);
        ASSERT_EQ(got, expected) << "key '" << key << "' flag " << flag << " n " << n;
        bool present = std::find(sorted.begin(), sorted.end(), key) != sorted.end();
        ASSERT_EQ(got >= 0, present);
        if (got >= 0) {
          ASSERT_EQ(sorted[got], key);
        }
      }
    }
  }
}

TEST(ForkFind, HundredThousandDistinctStrings) {
  Strings in;
  for (int i = 0; i < 100000; ++i) in.push_back("k" + std::to_string(1000000 + 2 * i));
  Vec v(makeVector(in));
  for (int i = 0; i < 100000; i += 97) {
    ASSERT_EQ(str2forkfind(v.get(), in[i].c_str(), 1), i);
    std::string absent = "k" + std::to_string(1000000 + 2 * i + 1);
    ASSERT_EQ(str2forkfind(v.get(), absent.c_str(), 1), -1);
  }
  str2sort(v.get(), 2);
  EXPECT_EQ(str2forkfind(v.get(), in[0].c_str(), 2), 99999);
  EXPECT_EQ(str2forkfind(v.get(), in[99999].c_str(), 2), 0);
}

}  // namespace
