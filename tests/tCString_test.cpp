// tCString: construction, assignment, appending, comparison, access,
// extraction, editing, search, classification, sorting and splitting.
#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tCString/tCString.h"
#include "tCString2/tCString2.h"
#include "test_util.h"

namespace {

// The stored bytes of s (GetLength() of them), NULs included.
std::string bytes(const tCString& s) { return std::string(static_cast<const char*>(s), s.GetLength()); }

std::vector<std::string> pieces(const tCString2& l) {
  std::vector<std::string> v;
  for (int i = 0; i < l.GetLength(); ++i) v.push_back(l[i]);
  return v;
}

// ---- Construction and assignment --------------------------------------------

TEST(tCStringCore, DefaultAndEmptyTextGiveARealEmptyBlock) {
  tCString a;
  EXPECT_EQ(a.GetLength(), 0);
  EXPECT_EQ(a.IsEmpty(), 1);
  EXPECT_EQ(!a, 1);
  ASSERT_NE(static_cast<const char*>(a), nullptr);
  EXPECT_STREQ(a, "");

  tCString b("");
  EXPECT_EQ(b.GetLength(), 0);
  ASSERT_NE(static_cast<const char*>(b), nullptr);
  EXPECT_EQ(b[0], '\0');

  tCString c("text");
  EXPECT_EQ(c.GetLength(), 4);
  EXPECT_EQ(c.IsEmpty(), 0);
  EXPECT_EQ(!c, 0);
}

TEST(tCStringCore, CopiesOwnTheirBlock) {
  tCString a("abc");
  tCString b(a);
  EXPECT_STREQ(b, "abc");
  EXPECT_NE(static_cast<const char*>(a), static_cast<const char*>(b));
  b.SetAt(0, 'x');
  EXPECT_STREQ(a, "abc");

  tCString c("zz");
  c = a;
  EXPECT_STREQ(c, "abc");
  EXPECT_EQ(c.GetLength(), 3);
  EXPECT_NE(static_cast<const char*>(a), static_cast<const char*>(c));
}

TEST(tCStringCore, AssignCharacterCountsEvenTheNul) {
  tCString s("long text");
  s = 'x';
  EXPECT_STREQ(s, "x");
  EXPECT_EQ(s.GetLength(), 1);
  s = '\0';
  EXPECT_EQ(s.GetLength(), 1);
  EXPECT_STREQ(s, "");
  EXPECT_EQ(s[1], '\0');
}

TEST(tCStringCore, AssignPointerIntoOwnText) {
  tCString s("hello world");
  s = static_cast<const char*>(s) + 6;
  EXPECT_STREQ(s, "world");
  EXPECT_EQ(s.GetLength(), 5);
  s = static_cast<const char*>(s);
  EXPECT_STREQ(s, "world");
  s = static_cast<const char*>(s) + s.GetLength();
  EXPECT_STREQ(s, "");
  EXPECT_EQ(s.GetLength(), 0);
}

TEST(tCStringCore, EmptyResetsAndStaysUsable) {
  tCString s("abc");
  EXPECT_EQ(s.Empty(), 1);
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_STREQ(s, "");
  s += "de";
  EXPECT_STREQ(s, "de");
  EXPECT_EQ(s.Empty(), 1);
  EXPECT_EQ(s.Empty(), 1);
  EXPECT_EQ(s.IsEmpty(), 1);
}

TEST(tCStringCoreDeathTest, AssignmentPreconditions) {
  tCString s("abc");
  tCString& alias = s;
  tCString other("x");
  s = other;  // positive control
  EXPECT_DEATH(s = alias,
               "Assertion failed: \\(&oRight\\) != this, file tCString/tCString\\.cpp, line " TAVO_RE_DIGITS);
  const char* pNull = nullptr;
  EXPECT_DEATH(s = pNull, "Assertion failed: pRight,");
  EXPECT_DEATH(tCString t(pNull), "Assertion failed: pStr,");
}

// ---- Appending and concatenation ---------------------------------------------

TEST(tCStringCore, AppendingCharactersAndText) {
  tCString s("xy");
  s += 'a';
  EXPECT_STREQ(s, "xya");
  EXPECT_EQ(s.GetLength(), 3);
  s += "";
  EXPECT_STREQ(s, "xya");
  EXPECT_EQ(s.GetLength(), 3);
  s += "bcd";
  EXPECT_STREQ(s, "xyabcd");
  EXPECT_EQ(s.GetLength(), 6);
  tCString t("!");
  s += t;
  EXPECT_STREQ(s, "xyabcd!");
  EXPECT_EQ(s.GetLength(), 7);
  EXPECT_STREQ(t, "!");
  // Appends return the object itself.
  EXPECT_EQ(&(s += 'z'), &s);
  EXPECT_EQ(&(s += "z"), &s);
  EXPECT_EQ(&(s += t), &s);
}

TEST(tCStringCore, AppendingItselfOrAPartOfItself) {
  tCString s("abc");
  s += s;
  EXPECT_STREQ(s, "abcabc");
  EXPECT_EQ(s.GetLength(), 6);
  s += static_cast<const char*>(s) + 4;
  EXPECT_STREQ(s, "abcabcbc");
  s += static_cast<const char*>(s);
  EXPECT_STREQ(s, "abcabcbcabcabcbc");
  EXPECT_EQ(s.GetLength(), 16);
  // Large enough that the resize is likely to move the block.
  tCString big(std::string(100000, 'q').c_str());
  big += big;
  EXPECT_EQ(big.GetLength(), 200000);
  EXPECT_EQ(std::string(big), std::string(200000, 'q'));
}

TEST(tCStringCore, MillionSingleCharacterAppends) {
  // Every append resizes the block to the exact new size.  The C library
  // grows a block in place; the sanitizer's allocator always moves it, which
  // makes a million appends quadratic there, so it runs fewer.
  const int kCount = TAVO_TEST_SANITIZED ? 20000 : 1000000;
  tCString s;
  std::string ref;
  for (int i = 0; i < kCount; ++i) {
    char c = static_cast<char>('a' + i % 26);
    s += c;
    ref.push_back(c);
  }
  EXPECT_EQ(s.GetLength(), kCount);
  EXPECT_EQ(std::string(s), ref);
}

TEST(tCStringCore, ConcatenationBuildsNewStringsAndLeavesOperandsAlone) {
  const tCString a("ab");
  const tCString b("cd");
  EXPECT_STREQ(a + b, "abcd");
  EXPECT_STREQ(a + "xy", "abxy");
  EXPECT_STREQ("xy" + a, "xyab");
  EXPECT_STREQ(a + 'z', "abz");
  EXPECT_STREQ('z' + a, "zab");
  EXPECT_STREQ(a + a, "abab");
  EXPECT_EQ((a + b).GetLength(), 4);
  EXPECT_EQ((tCString() + tCString()).GetLength(), 0);
  EXPECT_EQ((tCString() + '\0').GetLength(), 1);
  EXPECT_STREQ(a, "ab");
  EXPECT_STREQ(b, "cd");
}

TEST(tCStringCoreDeathTest, AppendAndConcatenationPreconditions) {
  tCString s("abc");
  const char* pNull = nullptr;
  EXPECT_DEATH(s += pNull, "Assertion failed: pRight,");
  EXPECT_DEATH(s + pNull, "Assertion failed: pStr2,");
  EXPECT_DEATH(pNull + s, "Assertion failed: pStr1,");
}

// ---- Comparison ---------------------------------------------------------------

TEST(tCStringCore, CompareTable) {
  struct Case {
    const char* a;
    const char* b;
    int cmp;
    int nocase;
  } cases[] = {
      {"abd", "abc", 1, 1},
      {"ab", "abc", -1, -1},
      {"abc", "abc", 0, 0},
      {"abc", "ABC", 1, 0},
      {"ABC", "abd", -1, -1},
      {"", "", 0, 0},
      {"", "a", -1, -1},
      {"a", "", 1, 1},
      {"\xB0", "z", 1, 1},
      {"\xB0xyz", "zzzz", 1, 1},
      {"_", "a", -1, -1},
      {"_", "A", 1, -1},
      {"a_", "AB", 1, -1},
      {"\xC0", "\xE0", -1, -1},
      {"Zebra", "apple", -1, 1},
      {"\x7F", "\x80", -1, -1},
      {"HELLO world", "hello WORLD", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    tCString s(c.a);
    tCString r(c.b);
    EXPECT_EQ(s.Compare(c.b), c.cmp);
    EXPECT_EQ(s.CompareNoCase(c.b), c.nocase);
    EXPECT_EQ(s == c.b, c.cmp == 0);
    EXPECT_EQ(s != c.b, c.cmp != 0);
    EXPECT_EQ(s < c.b, c.cmp < 0);
    EXPECT_EQ(s > c.b, c.cmp > 0);
    EXPECT_EQ(s <= c.b, c.cmp <= 0);
    EXPECT_EQ(s >= c.b, c.cmp >= 0);
    EXPECT_EQ(s == r, c.cmp == 0);
    EXPECT_EQ(s != r, c.cmp != 0);
    EXPECT_EQ(s < r, c.cmp < 0);
    EXPECT_EQ(s > r, c.cmp > 0);
    EXPECT_EQ(s <= r, c.cmp <= 0);
    EXPECT_EQ(s >= r, c.cmp >= 0);
  }
}

TEST(tCStringCore, CompareEveryBytePairAsUnsignedAndFoldOnlyAsciiLetters) {
  auto fold = [](int c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
  auto sign = [](int d) { return (d > 0) - (d < 0); };
  for (int x = 1; x < 256; ++x) {
    char a[3] = {static_cast<char>(x), 'm', '\0'};
    tCString s(a);
    for (int y = 1; y < 256; ++y) {
      char b[3] = {static_cast<char>(y), 'm', '\0'};
      int cmp = s.Compare(b);
      int nocase = s.CompareNoCase(b);
      if (cmp != sign(x - y) || nocase != sign(fold(x) - fold(y))) {
        ADD_FAILURE() << "bytes " << x << " and " << y << ": Compare " << cmp << ", CompareNoCase " << nocase;
        return;
      }
    }
  }
}

TEST(tCStringCore, ComparisonsSeeTheTextNotTheStoredLength) {
  tCString s("ab");
  s += '\0';
  s += 'c';
  EXPECT_EQ(s.GetLength(), 4);
  EXPECT_EQ(s.Compare("ab"), 0);
  EXPECT_EQ(s == tCString("ab"), 1);
}

TEST(tCStringCoreDeathTest, ComparePreconditions) {
  tCString s("abc");
  const char* pNull = nullptr;
  EXPECT_EQ(s.Compare("abc"), 0);  // positive control
  EXPECT_DEATH(s.Compare(pNull), "Assertion failed: pStr,");
  EXPECT_DEATH(s.CompareNoCase(pNull), "Assertion failed: pStr,");
  EXPECT_DEATH(s == pNull, "Assertion failed: pRight,");
  EXPECT_DEATH(s < pNull, "Assertion failed: pRight,");
}

// ---- Indexed access -----------------------------------------------------------

TEST(tCStringCore, IndexingReachesTheTerminatorAndWritesThrough) {
  tCString s("abc");
  EXPECT_EQ(s[0], 'a');
  EXPECT_EQ(s.GetAt(2), 'c');
  EXPECT_EQ(s[3], '\0');
  EXPECT_EQ(s.GetAt(3), '\0');
  s[1] = 'X';
  EXPECT_STREQ(s, "aXc");
  s.GetAt(0) = 'Y';
  EXPECT_STREQ(s, "YXc");
  EXPECT_EQ(&s[2], static_cast<const char*>(s) + 2);
  EXPECT_EQ(s.SetAt(2, 'Z'), 1);
  EXPECT_STREQ(s, "YXZ");
  EXPECT_EQ(s.SetAt(1, '\0'), 1);
  EXPECT_EQ(s.GetLength(), 3);
  EXPECT_STREQ(s, "Y");
}

TEST(tCStringCoreDeathTest, IndexPreconditions) {
  tCString s("abc");
  EXPECT_EQ(s[3], '\0');  // positive control
  EXPECT_DEATH(s[4], "Assertion failed: \\(nPos >= 0\\) && \\(nPos <= m_nLen\\),");
  EXPECT_DEATH(s[-1], "Assertion failed: \\(nPos >= 0\\) && \\(nPos <= m_nLen\\),");
  EXPECT_DEATH(s.GetAt(4), "Assertion failed: \\(nPos >= 0\\) && \\(nPos <= m_nLen\\),");
  EXPECT_DEATH(s.SetAt(3, 'x'), "Assertion failed: \\(nPos >= 0\\) && \\(nPos < m_nLen\\),");
  EXPECT_DEATH(s.SetAt(-1, 'x'), "Assertion failed: \\(nPos >= 0\\) && \\(nPos < m_nLen\\),");
  tCString e;
  EXPECT_DEATH(e.SetAt(0, 'x'), "Assertion failed: \\(nPos >= 0\\) && \\(nPos < m_nLen\\),");
}

// ---- Extraction ---------------------------------------------------------------

TEST(tCStringEdit, MidLeftRight) {
  struct Case {
    const char* text;
    char op;  // 'M', 'L' or 'R'
    int first;
    int count;
    const char* expected;
  } cases[] = {
      {"abcdef", 'M', -3, 2, "ab"},
      {"abcdef", 'M', 6, 2, ""},
      {"abcdef", 'M', 4, 10, "ef"},
      {"abcdef", 'M', 1, 3, "bcd"},
      {"abcdef", 'M', 0, 6, "abcdef"},
      {"abcdef", 'M', 5, 1, "f"},
      {"abcdef", 'M', 100, 1, ""},
      {"abcdef", 'M', 2, INT_MAX, "cdef"},
      {"abcdef", 'M', INT_MAX, INT_MAX, ""},
      {"abcdef", 'M', INT_MIN, 3, "abc"},
      {"", 'M', 0, 5, ""},
      {"", 'M', -1, 5, ""},
      {"abc", 'L', 0, 10, "abc"},
      {"abc", 'R', 0, 10, "abc"},
      {"abc", 'R', 0, 2, "bc"},
      {"abc", 'L', 0, 2, "ab"},
      {"abc", 'L', 0, 1, "a"},
      {"abc", 'R', 0, 1, "c"},
      {"abc", 'R', 0, INT_MAX, "abc"},
      {"abc", 'L', 0, INT_MAX, "abc"},
      {"\xB0\xA1\xB0\xA2", 'R', 0, 2, "\xB0\xA2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + c.op + " " + std::to_string(c.first) + " " +
                 std::to_string(c.count));
    const tCString s(c.text);
    tCString r = c.op == 'M' ? s.Mid(c.first, c.count) : c.op == 'L' ? s.Left(c.count) : s.Right(c.count);
    EXPECT_STREQ(r, c.expected);
    EXPECT_EQ(r.GetLength(), static_cast<int>(std::strlen(c.expected)));
    EXPECT_STREQ(s, c.text);
  }
}

TEST(tCStringEdit, MidPieceEndsAtAStoredNul) {
  tCString s("ab");
  s += '\0';
  s += "cd";
  EXPECT_EQ(s.GetLength(), 5);
  tCString m = s.Mid(1, 3);
  EXPECT_STREQ(m, "b");
  EXPECT_EQ(m.GetLength(), 1);
  m = s.Mid(3, 10);
  EXPECT_STREQ(m, "cd");
  EXPECT_EQ(m.GetLength(), 2);
}

TEST(tCStringEditDeathTest, ExtractionCountMustBePositive) {
  tCString s("abcdef");
  EXPECT_STREQ(s.Mid(1, 1), "b");  // positive control
  EXPECT_DEATH(s.Mid(1, 0), "Assertion failed: nCount > 0, file tCString/tCString\\.cpp");
  EXPECT_DEATH(s.Left(0), "Assertion failed: nCount > 0,");
  EXPECT_DEATH(s.Right(-1), "Assertion failed: nCount > 0,");
  EXPECT_DEATH(s.Right(INT_MIN), "Assertion failed: nCount > 0,");
}

// ---- Case and order -----------------------------------------------------------

TEST(tCStringEdit, CaseConversionTouchesOnlyAsciiLettersForEveryByte) {
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    char text[2] = {static_cast<char>(b), '\0'};
    tCString up(text);
    tCString low(text);
    EXPECT_EQ(up.MakeUpper(), 1);
    EXPECT_EQ(low.MakeLower(), 1);
    int expUp = (b >= 'a' && b <= 'z') ? b - 32 : b;
    int expLow = (b >= 'A' && b <= 'Z') ? b + 32 : b;
    EXPECT_EQ(static_cast<unsigned char>(up[0]), expUp);
    EXPECT_EQ(static_cast<unsigned char>(low[0]), expLow);
  }
}

TEST(tCStringEdit, CaseConversionStopsAtTheFirstNul) {
  tCString s("ab");
  s += '\0';
  s += "cd";
  s.MakeUpper();
  EXPECT_EQ(bytes(s), std::string("AB\0cd", 5));
  s.SetAt(2, 'x');
  s.MakeLower();
  EXPECT_EQ(bytes(s), "abxcd");
}

TEST(tCStringEdit, MakeReverse) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {{"", ""},       {"a", "a"},       {"ab", "ba"},
               {"abc", "cba"}, {"abcd", "dcba"}, {"x\xB0\xA1", "\xA1\xB0x"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    tCString s(c.text);
    EXPECT_EQ(s.MakeReverse(), 1);
    EXPECT_STREQ(s, c.expected);
  }
  // Every stored byte takes part, a stored NUL included.
  tCString n("ab");
  n += '\0';
  n += 'c';
  n.MakeReverse();
  EXPECT_EQ(bytes(n), std::string("c\0ba", 4));
}

// ---- Replacing and removing -----------------------------------------------------

TEST(tCStringEdit, ReplaceAndRemoveBytes) {
  tCString s("banana");
  EXPECT_EQ(s.Replace('a', 'o'), 3);
  EXPECT_STREQ(s, "bonono");
  EXPECT_EQ(s.Replace('z', 'y'), 0);
  EXPECT_STREQ(s, "bonono");
  EXPECT_EQ(s.Replace('\xB0', 'a'), 0);

  tCString r("banana");
  EXPECT_EQ(r.Remove('a'), 3);
  EXPECT_STREQ(r, "bnn");
  EXPECT_EQ(r.GetLength(), 3);
  EXPECT_EQ(r.Remove('z'), 0);
  EXPECT_STREQ(r, "bnn");
  EXPECT_EQ(r.Remove('n'), 2);
  EXPECT_EQ(r.Remove('b'), 1);
  EXPECT_STREQ(r, "");
  EXPECT_EQ(r.GetLength(), 0);

  tCString h("\xB0\xA1x\xB0");
  EXPECT_EQ(h.Replace('\xB0', 'y'), 2);
  EXPECT_STREQ(h, "y\xA1xy");
  EXPECT_EQ(h.Remove('\xA1'), 1);
  EXPECT_STREQ(h, "yxy");
}

TEST(tCStringEdit, ByteOperationsKeepStoredNuls) {
  tCString s("a");
  s += '\0';
  s += "b";
  s += '\0';
  ASSERT_EQ(bytes(s), std::string("a\0b\0", 4));
  EXPECT_EQ(s.Replace('b', 'c'), 1);
  EXPECT_EQ(bytes(s), std::string("a\0c\0", 4));
  EXPECT_EQ(s.Remove('c'), 1);
  EXPECT_EQ(bytes(s), std::string("a\0\0", 3));
  s += "xy";
  EXPECT_EQ(bytes(s), std::string("a\0\0xy", 5));
  EXPECT_EQ(s.Replace('\0', '-'), 2);
  EXPECT_STREQ(s, "a--xy");
  EXPECT_EQ(s.Replace('-', '\0'), 2);
  EXPECT_EQ(s.Remove('\0'), 2);
  EXPECT_STREQ(s, "axy");
  EXPECT_EQ(s.GetLength(), 3);
}

TEST(tCStringEdit, ReplaceAndRemoveText) {
  struct Case {
    const char* text;
    const char* from;
    const char* to;
    int count;
    const char* expected;
  } cases[] = {
      {"banana", "an", "AN", 2, "bANANa"},
      {"banana", "a", "", 3, "bnn"},
      {"aaa", "aa", "b", 1, "ba"},
      {"aaaa", "aa", "b", 2, "bb"},
      {"abcabc", "abc", "", 2, ""},
      {"abc", "abcd", "x", 0, "abc"},
      {"abc", "", "x", 0, "abc"},
      {"", "", "x", 0, ""},
      {"", "a", "x", 0, ""},
      {"a.b.c", ".", "::", 2, "a::b::c"},
      {"x", "x", "longer text", 1, "longer text"},
      {"path\\to\\file", "\\", "/", 2, "path/to/file"},
      {"\xB0\xA1\xB0\xA1", "\xB0\xA1", "-", 2, "--"},
      {"aXbXc", "X", "X", 2, "aXbXc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.from + " / " + c.to);
    tCString s(c.text);
    EXPECT_EQ(s.Replace(c.from, c.to), c.count);
    EXPECT_STREQ(s, c.expected);
    EXPECT_EQ(s.GetLength(), static_cast<int>(std::strlen(c.expected)));
    if (c.to[0] == '\0') {
      tCString r(c.text);
      EXPECT_EQ(r.Remove(c.from), c.count);
      EXPECT_STREQ(r, c.expected);
      EXPECT_EQ(r.GetLength(), static_cast<int>(std::strlen(c.expected)));
    }
  }
}

TEST(tCStringEdit, TextReplacementSearchesEveryStoredByte) {
  tCString s("ab");
  s += '\0';
  s += "abab";
  EXPECT_EQ(s.Replace("ab", "x"), 3);
  EXPECT_EQ(bytes(s), std::string("x\0xx", 4));
  // A match never spans a stored NUL.
  tCString t("a");
  t += '\0';
  t += 'b';
  EXPECT_EQ(t.Remove("ab"), 0);
  EXPECT_EQ(t.Remove("b"), 1);
  EXPECT_EQ(bytes(t), std::string("a\0", 2));
}

TEST(tCStringEdit, TextReplacementWithArgumentsFromItsOwnText) {
  tCString s("abcabc");
  const char* p = s;
  EXPECT_EQ(s.Replace(p + 3, p), 2);  // "abc" -> "abcabc"
  EXPECT_STREQ(s, "abcabcabcabc");
  tCString t("xyzxyz");
  const char* q = t;
  EXPECT_EQ(t.Replace(q + 4, q), 2);  // "yz" -> "xyzxyz"
  EXPECT_STREQ(t, "xxyzxyzxxyzxyz");
  tCString v("a-b");
  EXPECT_EQ(v.Replace(static_cast<const char*>(v) + 1, static_cast<const char*>(v) + 2), 1);  // "-b" -> "b"
  EXPECT_STREQ(v, "ab");
  tCString u("aXbXc");
  EXPECT_EQ(u.Remove(static_cast<const char*>(u) + 4), 1);  // "c"
  EXPECT_STREQ(u, "aXbX");
}

TEST(tCStringEdit, RemovePosition) {
  tCString s("abc");
  EXPECT_EQ(s.Remove(0), 1);
  EXPECT_STREQ(s, "bc");
  EXPECT_EQ(s.GetLength(), 2);
  EXPECT_EQ(s.Remove(1), 1);
  EXPECT_STREQ(s, "b");
  EXPECT_EQ(s.Remove(0), 1);
  EXPECT_STREQ(s, "");
  EXPECT_EQ(s.GetLength(), 0);
  tCString n("a");
  n += '\0';
  n += 'b';
  EXPECT_EQ(n.Remove(1), 1);
  EXPECT_EQ(bytes(n), "ab");
}

TEST(tCStringEditDeathTest, ReplaceRemovePreconditions) {
  tCString s("banana");
  const char* pNull = nullptr;
  EXPECT_EQ(s.Replace('a', 'o'), 3);  // positive control
  EXPECT_DEATH(s.Replace('a', 'a'), "Assertion failed: chOld != chNew,");
  EXPECT_DEATH(s.Replace(pNull, "x"), "Assertion failed: pOld && pNew,");
  EXPECT_DEATH(s.Replace("x", pNull), "Assertion failed: pOld && pNew,");
  EXPECT_DEATH(s.Remove(pNull), "Assertion failed: pRev,");
  tCString t("abc");
  EXPECT_DEATH(t.Remove(3), "Assertion failed: \\(nPos >= 0\\) && \\(nPos < m_nLen\\),");
  EXPECT_DEATH(t.Remove(-1), "Assertion failed: \\(nPos >= 0\\) && \\(nPos < m_nLen\\),");
}

// ---- Inserting ----------------------------------------------------------------

TEST(tCStringEdit, Insert) {
  struct Case {
    const char* text;
    int index;
    const char* ins;  // one character when chr is set
    bool chr;
    const char* expected;
  } cases[] = {
      {"abc", 10, "x", true, "abcx"},
      {"abc", -5, "x", true, "xabc"},
      {"abc", 1, "x", true, "axbc"},
      {"abc", 3, "x", true, "abcx"},
      {"", 0, "x", true, "x"},
      {"abc", 1, "XY", false, "aXYbc"},
      {"abc", 99, "XY", false, "abcXY"},
      {"abc", 3, "XY", false, "abcXY"},
      {"abc", INT_MIN, "XY", false, "XYabc"},
      {"abc", 0, "", false, "abc"},
      {"", 5, "XY", false, "XY"},
      {"abc", 2, "\xB0\xA1", false,
       "ab\xB0\xA1"
       "c"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.index) + " " + c.ins);
    tCString s(c.text);
    int n = c.chr ? s.Insert(c.index, c.ins[0]) : s.Insert(c.index, c.ins);
    EXPECT_STREQ(s, c.expected);
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.expected)));
    EXPECT_EQ(s.GetLength(), n);
  }
}

TEST(tCStringEdit, InsertKeepsStoredNulsAndCountsAnInsertedNul) {
  tCString s("ab");
  EXPECT_EQ(s.Insert(1, '\0'), 3);
  EXPECT_EQ(bytes(s), std::string("a\0b", 3));
  EXPECT_EQ(s.Insert(0, "xy"), 5);
  EXPECT_EQ(bytes(s), std::string("xya\0b", 5));
  EXPECT_EQ(s.Insert(4, 'z'), 6);
  EXPECT_EQ(bytes(s), std::string("xya\0zb", 6));
}

TEST(tCStringEdit, InsertAPartOfItsOwnText) {
  tCString s("abcdef");
  EXPECT_EQ(s.Insert(1, static_cast<const char*>(s) + 3), 9);  // "def" before 'b'
  EXPECT_STREQ(s, "adefbcdef");
  tCString t("abc");
  EXPECT_EQ(t.Insert(0, static_cast<const char*>(t)), 6);
  EXPECT_STREQ(t, "abcabc");
  EXPECT_EQ(t.Insert(10, static_cast<const char*>(t)), 12);
  EXPECT_STREQ(t, "abcabcabcabc");
  tCString big(std::string(100000, 'b').c_str());
  big.Insert(0, static_cast<const char*>(big) + 50000);
  EXPECT_EQ(big.GetLength(), 150000);
  EXPECT_EQ(std::string(big), std::string(150000, 'b'));
}

TEST(tCStringEditDeathTest, InsertPrecondition) {
  tCString s("abc");
  const char* pNull = nullptr;
  EXPECT_EQ(s.Insert(0, "x"), 4);  // positive control
  EXPECT_DEATH(s.Insert(0, pNull), "Assertion failed: pIns,");
}

// ---- Trimming -----------------------------------------------------------------

TEST(tCStringEdit, Trim) {
  struct Case {
    const char* text;
    char op;  // 'L', 'R' or 'B' (both)
    int flag;
    const char* expected;
  } cases[] = {
      {"  \tab", 'L', 0, "\tab"},
      {"  \tab", 'L', 1, "ab"},
      {"ab \r\n", 'R', 1, "ab"},
      {"ab \r\n", 'R', 0, "ab \r\n"},
      {"ab  ", 'R', 0, "ab"},
      {" \v\f a b \t ", 'B', 1, "a b"},
      {" \v a ", 'B', 0, "\v a"},
      {"", 'B', 1, ""},
      {"   ", 'L', 0, ""},
      {"   ", 'R', 0, ""},
      {"\t\n", 'B', 7, ""},
      {"\t\n", 'B', -1, ""},
      {"a", 'B', 1, "a"},
      {"\xA0"
       "a\xA0",
       'B', 1,
       "\xA0"
       "a\xA0"},
      {"\x85 a", 'L', 1, "\x85 a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + c.op + std::to_string(c.flag));
    tCString s(c.text);
    int r = c.op == 'L' ? s.LTrim(c.flag) : c.op == 'R' ? s.RTrim(c.flag) : s.Trim(c.flag);
    EXPECT_EQ(r, 1);
    EXPECT_STREQ(s, c.expected);
    EXPECT_EQ(s.GetLength(), static_cast<int>(std::strlen(c.expected)));
  }
}

TEST(tCStringEdit, TrimClassifiesEveryByte) {
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    bool white = b == 0x20 || (b >= 0x09 && b <= 0x0D);
    const char text[4] = {static_cast<char>(b), 'x', static_cast<char>(b), '\0'};
    tCString any(text);
    any.Trim(1);
    EXPECT_EQ(std::string(any), white ? std::string("x") : std::string(text));
    tCString space(text);
    space.Trim(0);
    EXPECT_EQ(std::string(space), b == 0x20 ? std::string("x") : std::string(text));
    EXPECT_EQ(space.GetLength(), static_cast<int>(std::strlen(space)));
  }
}

TEST(tCStringEdit, TrimWorksOnTheTextAndRemeasures) {
  tCString s(" a ");
  s += '\0';
  s += "b ";
  ASSERT_EQ(s.GetLength(), 6);
  s.RTrim(0);
  EXPECT_STREQ(s, " a");
  EXPECT_EQ(s.GetLength(), 2);
  tCString t("  a");
  t += '\0';
  t += 'b';
  t.LTrim(0);
  EXPECT_STREQ(t, "a");
  EXPECT_EQ(t.GetLength(), 1);
  tCString u;
  u = '\0';
  u.Trim(1);
  EXPECT_EQ(u.GetLength(), 0);
}

// ---- Search -------------------------------------------------------------------

TEST(tCStringSearch, FindAndReverseFind) {
  const tCString s("abcabc");
  EXPECT_EQ(s.Find('c', 0), 2);
  EXPECT_EQ(s.Find('c', 3), 5);
  EXPECT_EQ(s.Find('c', 6), -1);
  EXPECT_EQ(s.Find('c', 100), -1);
  EXPECT_EQ(s.Find('z', 0), -1);
  EXPECT_EQ(s.Find('a'), 0);
  EXPECT_EQ(s.Find("bc", 2), 4);
  EXPECT_EQ(s.Find("bc", 0), 1);
  EXPECT_EQ(s.Find("bc"), 1);
  EXPECT_EQ(s.Find("abcabc", 0), 0);
  EXPECT_EQ(s.Find("abcabcd", 0), -1);
  EXPECT_EQ(s.Find("cb", 0), -1);
  EXPECT_EQ(s.Find("", 0), 0);
  EXPECT_EQ(s.Find("", 4), 4);
  EXPECT_EQ(s.Find("", 6), -1);
  EXPECT_EQ(tCString("abc").Find("", 0), 0);
  EXPECT_EQ(tCString().Find("", 0), -1);
  EXPECT_EQ(tCString().Find('\0', 0), -1);
  EXPECT_EQ(s.Find('\0', 0), 6);
  EXPECT_EQ(s.Find('\0', 5), 6);
  EXPECT_EQ(s.ReverseFind('a'), 3);
  EXPECT_EQ(s.ReverseFind('z'), -1);
  EXPECT_EQ(s.ReverseFind('\0'), 6);
  EXPECT_EQ(tCString().ReverseFind('\0'), 0);
  EXPECT_EQ(tCString("C:\\dir\\file.txt").ReverseFind('\\'), 6);
  const tCString h("a\xB0\xA1\xB0");
  EXPECT_EQ(h.Find('\xB0', 0), 1);
  EXPECT_EQ(h.Find('\xB0', 2), 3);
  EXPECT_EQ(h.ReverseFind('\xB0'), 3);
  EXPECT_EQ(h.Find("\xA1\xB0", 0), 2);
}

TEST(tCStringSearch, SearchesStopAtTheFirstNulFromTheirStart) {
  tCString s("ab");
  s += '\0';
  s += "cb";
  EXPECT_EQ(s.Find('c', 0), -1);
  EXPECT_EQ(s.Find('\0', 0), 2);
  EXPECT_EQ(s.Find('c', 3), 3);
  EXPECT_EQ(s.Find("cb", 0), -1);
  EXPECT_EQ(s.Find("cb", 3), 3);
  EXPECT_EQ(s.ReverseFind('b'), 1);
}

TEST(tCStringSearchDeathTest, FindStartMustNotBeNegative) {
  tCString s("abc");
  EXPECT_EQ(s.Find('a', 0), 0);  // positive control
  EXPECT_DEATH(s.Find('a', -1), "Assertion failed: nStart >= 0,");
  EXPECT_DEATH(s.Find("a", -1), "Assertion failed: nStart >= 0,");
}

// ---- Classification and counting ------------------------------------------------

TEST(tCStringSearch, Classification) {
  struct Case {
    const char* text;
    int isNumber;
    int isCharacter;
    int sumNumber;
    int sumCharacter;
  } cases[] = {
      {"", 0, 0, 0, 0},         {"0123", 1, 0, 4, 0},  {"12a", 0, 0, 2, 1}, {"ab!", 0, 1, 0, 3},
      {"a1", 0, 0, 1, 1},       {"a1b22", 0, 0, 3, 2}, {"9", 1, 0, 1, 0},   {" ", 0, 1, 0, 1},
      {"\xB3\xB9", 0, 1, 0, 2}, {"-1", 0, 0, 1, 1},    {"1.5", 0, 0, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    tCString s(c.text);
    EXPECT_EQ(s.IsNumber(), c.isNumber);
    EXPECT_EQ(s.IsCharacter(), c.isCharacter);
    EXPECT_EQ(s.SumNumber(), c.sumNumber);
    EXPECT_EQ(s.SumCharacter(), c.sumCharacter);
  }
}

TEST(tCStringSearch, ClassificationOfEveryByte) {
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    bool digit = b >= '0' && b <= '9';
    char text[2] = {static_cast<char>(b), '\0'};
    tCString s(text);
    EXPECT_EQ(s.IsNumber(0), digit ? 1 : 0);
    EXPECT_EQ(s.IsCharacter(0), digit ? 0 : 1);
    EXPECT_EQ(s.IsNumber(), digit ? 1 : 0);
    EXPECT_EQ(s.IsCharacter(), digit ? 0 : 1);
    EXPECT_EQ(s.SumNumber(), digit ? 1 : 0);
    EXPECT_EQ(s.SumCharacter(), digit ? 0 : 1);
  }
}

TEST(tCStringSearch, ClassificationLooksAtTheTextOnly) {
  tCString s("12");
  s += '\0';
  s += "ab";
  EXPECT_EQ(s.IsNumber(), 1);
  EXPECT_EQ(s.SumCharacter(), 0);
  EXPECT_EQ(s.IsCharacter(3), 1);
  tCString z;
  z = '\0';  // stored length 1, empty text
  EXPECT_EQ(z.IsNumber(), 0);
  EXPECT_EQ(z.IsCharacter(), 0);
}

TEST(tCStringSearchDeathTest, ClassificationPositionPreconditions) {
  tCString s("a1");
  EXPECT_EQ(s.IsNumber(1), 1);  // positive control
  EXPECT_DEATH(s.IsNumber(2), "Assertion failed: \\(nPos >= 0\\) && \\(nPos < m_nLen\\),");
  EXPECT_DEATH(s.IsCharacter(-1), "Assertion failed: \\(nPos >= 0\\) && \\(nPos < m_nLen\\),");
}

// ---- Sorting ------------------------------------------------------------------

TEST(tCStringSearch, SortTable) {
  struct Case {
    const char* text;
    int flag;
    int result;
    const char* expected;
  } cases[] = {
      {"dcba", 1, 1, "abcd"},
      {"abcd", 2, 1, "dcba"},
      {"dcba", 3, 0, "dcba"},
      {"dcba", 0, 0, "dcba"},
      {"dcba", -1, 0, "dcba"},
      {"a\xB0", 1, 1,
       "\xB0"
       "a"},
      {"a\xB0", 2, 1, "a\xB0"},
      {"\x7F\x80\xFF\x01", 1, 1, "\x80\xFF\x01\x7F"},
      {"\x7F\x80\xFF\x01", 2, 1, "\x7F\x01\xFF\x80"},
      {"", 1, 1, ""},
      {"b", 2, 1, "b"},
      {"banana", 1, 1, "aaabnn"},
      {"BaAb", 1, 1, "ABab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.flag));
    tCString s(c.text);
    EXPECT_EQ(s.Sort(c.flag), c.result);
    EXPECT_STREQ(s, c.expected);
  }
}

// The order of a stable exchange sort on signed byte values, computed the
// slow way on small inputs, including stored NULs.
TEST(tCStringSearch, SortMatchesTheExchangeSortOnSignedBytes) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    std::string text(rng() % 300, '\0');
    for (char& c : text) c = static_cast<char>(rng() % 256);
    for (int flag = 1; flag <= 2; ++flag) {
      std::string ref = text;
      for (size_t n = ref.size(); n >= 2; --n)
        for (size_t i = 0; i + 1 < n; ++i) {
          signed char a = static_cast<signed char>(ref[i]);
          signed char b = static_cast<signed char>(ref[i + 1]);
          if (flag == 1 ? a > b : a < b) std::swap(ref[i], ref[i + 1]);
        }
      tCString s;
      for (char c : text) s += c;
      ASSERT_EQ(s.Sort(flag), 1);
      ASSERT_EQ(bytes(s), ref) << "round " << round << " flag " << flag;
    }
  }
}

// ---- Splitting ----------------------------------------------------------------

TEST(tCStringSplit, Table) {
  struct Case {
    const char* text;
    const char* sep;
    int result;
    std::vector<std::string> expected;
  } cases[] = {
      {"a,b,,c", ",", 1, {"a", "b", "", "c"}},
      {"a,b,", ",", 1, {"a", "b", ""}},
      {",a", ",", 1, {"", "a"}},
      {",", ",", 1, {"", ""}},
      {"abc", ",", 0, {}},
      {"", ",", 0, {}},
      {"x::y", "::", 1, {"x", "y"}},
      {"x:::y", "::", 1, {"x", ":y"}},
      {"::::", "::", 1, {"", "", ""}},
      {"key = value = more", " = ", 1, {"key", "value", "more"}},
      {"abc", "abc", 1, {"", ""}},
      {"abc", "abcd", 0, {}},
      {"\xB0\xA1|\xB0\xA2", "|", 1, {"\xB0\xA1", "\xB0\xA2"}},
      {"abc", "", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " by " + c.sep);
    const tCString s(c.text);
    tCString2 list;
    list += "stale";
    list += "entries";
    EXPECT_EQ(s.Split(list, c.sep), c.result);
    EXPECT_EQ(pieces(list), c.expected);
    EXPECT_STREQ(s, c.text);
  }
}

TEST(tCStringSplit, SeparatorFromTheTextOrFromTheList) {
  tCString s("a;b;c");
  tCString2 list;
  EXPECT_EQ(s.Split(list, static_cast<const char*>(s) + 3), 1);  // ";c"
  EXPECT_EQ(pieces(list), (std::vector<std::string>{"a;b", ""}));
  list = ";";
  EXPECT_EQ(s.Split(list, list[0]), 1);
  EXPECT_EQ(pieces(list), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(tCStringSplit, StopsAtAStoredNul) {
  tCString s("a,b");
  s += '\0';
  s += ",c";
  tCString2 list;
  EXPECT_EQ(s.Split(list, ","), 1);
  EXPECT_EQ(pieces(list), (std::vector<std::string>{"a", "b"}));
}

TEST(tCStringSplitDeathTest, SeparatorMustNotBeNull) {
  tCString s("a,b");
  tCString2 list;
  const char* pNull = nullptr;
  EXPECT_EQ(s.Split(list, ","), 1);  // positive control
  EXPECT_DEATH(s.Split(list, pNull), "Assertion failed: pStr,");
}

// Find, Replace and Split against std::string on many small texts over a
// two-letter alphabet, where patterns overlap themselves and each other.
TEST(tCStringSearch, TextSearchesAgreeWithStdString) {
  std::mt19937 rng(777);
  auto randomText = [&rng](size_t nMax, size_t nMin) {
    std::string t(nMin + rng() % (nMax - nMin + 1), 'a');
    for (char& c : t) c = (rng() % 3 == 0) ? 'b' : 'a';
    return t;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text = randomText(40, 0);
    std::string pat = randomText(5, 1);
    SCOPED_TRACE(text + " / " + pat);
    const tCString s(text.c_str());

    for (int start = 0; start <= static_cast<int>(text.size()); ++start) {
      size_t r = text.find(pat, static_cast<size_t>(start));
      int expected =
          (start >= static_cast<int>(text.size()) || r == std::string::npos) ? -1 : static_cast<int>(r);
      ASSERT_EQ(s.Find(pat.c_str(), start), expected) << "start " << start;
    }

    std::string replaced;
    int nCount = 0;
    size_t from = 0;
    for (size_t at = text.find(pat); at != std::string::npos; at = text.find(pat, from)) {
      replaced += text.substr(from, at - from) + "<>";
      from = at + pat.size();
      ++nCount;
    }
    replaced += text.substr(from);
    tCString r(s);
    ASSERT_EQ(r.Replace(pat.c_str(), "<>"), nCount);
    ASSERT_EQ(bytes(r), replaced);

    std::vector<std::string> expectedPieces;
    from = 0;
    for (size_t at = text.find(pat); at != std::string::npos; at = text.find(pat, from)) {
      expectedPieces.push_back(text.substr(from, at - from));
      from = at + pat.size();
    }
    if (!expectedPieces.empty()) expectedPieces.push_back(text.substr(from));
    tCString2 list;
    ASSERT_EQ(s.Split(list, pat.c_str()), expectedPieces.empty() ? 0 : 1);
    ASSERT_EQ(pieces(list), expectedPieces);
  }
}

// ---- Large inputs -------------------------------------------------------------

TEST(tCStringLarge, HundredMegabyteText) {
  const int kSize = 100 << 20;
  tCString s;
  {
    std::string src(kSize, 'a');
    for (int i = 0; i < kSize; i += 1 << 20) src[i] = ',';
    src[kSize - 1] = '\xFF';
    s = src.c_str();
  }
  ASSERT_EQ(s.GetLength(), kSize);
  EXPECT_EQ(s.Find('\xFF', 0), kSize - 1);
  EXPECT_EQ(s.ReverseFind(','), kSize - (1 << 20));
  EXPECT_EQ(s.Find("a,a", 0), (1 << 20) - 1);

  {
    tCString2 list;
    EXPECT_EQ(s.Split(list, ","), 1);
    ASSERT_EQ(list.GetLength(), 101);
    EXPECT_STREQ(list[0], "");
    EXPECT_EQ(std::strlen(list[1]), (1u << 20) - 1);
  }

  tCString t(s);
  EXPECT_EQ(t.Replace(",", ""), 100);
  EXPECT_EQ(t.GetLength(), kSize - 100);
  EXPECT_EQ(t.Remove('a'), kSize - 101);
  EXPECT_STREQ(t, "\xFF");

  s += s;
  EXPECT_EQ(s.GetLength(), 2 * kSize);
  EXPECT_EQ(s.Sort(1), 1);
  EXPECT_EQ(s[0], '\xFF');
  EXPECT_EQ(s[2], ',');
  EXPECT_EQ(s[2 * kSize - 1], 'a');
  EXPECT_EQ(s.SumNumber(), 0);
  s.MakeUpper();
  EXPECT_EQ(s[2 * kSize - 1], 'A');
}

}  // namespace
