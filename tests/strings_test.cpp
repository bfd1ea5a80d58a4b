// In-place string edits, byte tests and counts.
#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

bool isDigitByte(int b) { return b >= '0' && b <= '9'; }
bool isSpaceByte(int b) { return b == 0x20 || (b >= 0x09 && b <= 0x0D); }

// Runs `fn` on a writable copy of `in` and returns the text left.
template <typename Fn>
std::string edit(const std::string& in, Fn fn) {
  std::vector<char> buf(in.begin(), in.end());
  buf.push_back('\0');
  fn(buf.data());
  return std::string(buf.data());
}

// ---- Case ------------------------------------------------------------------

TEST(StringsCase, EveryByteFollowsTheAsciiRule) {
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    char s[2] = {static_cast<char>(b), '\0'};
    strupper(s);
    int up = (b >= 'a' && b <= 'z') ? b - 32 : b;
    EXPECT_EQ(static_cast<unsigned char>(s[0]), up);
    EXPECT_EQ(s[1], '\0');
    s[0] = static_cast<char>(b);
    strlower(s);
    int low = (b >= 'A' && b <= 'Z') ? b + 32 : b;
    EXPECT_EQ(static_cast<unsigned char>(s[0]), low);
  }
}

TEST(StringsCase, WholeTexts) {
  struct Case {
    const char* in;
    const char* upper;
    const char* lower;
  } cases[] = {
      {"", "", ""},
      {"aZ9", "AZ9", "az9"},
      {"\xe0z\xc0Z", "\xe0Z\xc0Z", "\xe0z\xc0z"},
      {"Hello, World! @[`{", "HELLO, WORLD! @[`{", "hello, world! @[`{"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(edit(c.in, strupper), c.upper);
    EXPECT_EQ(edit(c.in, strlower), c.lower);
  }
}

// ---- Reverse and trimming ----------------------------------------------------

TEST(StringsReverse, Table) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""}, {"a", "a"}, {"ab", "ba"}, {"abc", "cba"}, {"abcd", "dcba"}, {"\x80x\xff", "\xffx\x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(edit(c.in, strreverse), c.out);
  }
}

TEST(StringsTrim, EveryByteIsWhiteSpaceOnlyByTheRule) {
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    std::string pad(2, static_cast<char>(b));
    std::string in = pad + "x" + pad;
    bool space = isSpaceByte(b);
    EXPECT_EQ(edit(in, strltrim), space ? "x" + pad : in);
    EXPECT_EQ(edit(in, strrtrim), space ? pad + "x" : in);
    EXPECT_EQ(edit(in, strtrim), space ? "x" : in);
  }
}

TEST(StringsTrim, Table) {
  struct Case {
    const char* in;
    const char* l;
    const char* r;
    const char* both;
  } cases[] = {
      {"", "", "", ""},
      {" \t\r\n", "", "", ""},
      {" \t ab\t ", "ab\t ", " \t ab", "ab"},
      {"a b", "a b", "a b", "a b"},
      {"\xa1 x", "\xa1 x", "\xa1 x", "\xa1 x"},
      {"\v\fx\v\f", "x\v\f", "\v\fx", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(edit(c.in, strltrim), c.l);
    EXPECT_EQ(edit(c.in, strrtrim), c.r);
    EXPECT_EQ(edit(c.in, strtrim), c.both);
  }
}

TEST(StringsTrim, LeftTrimMovesTextWithItsNulAndRightTrimWritesNuls) {
  char a[] = "  ab\0zz";
  strltrim(a);
  EXPECT_EQ(std::memcmp(a, "ab\0b\0zz", 8), 0);  // bytes after the moved NUL are left alone

  char b[] = "ab \t\0z";
  strrtrim(b);
  EXPECT_EQ(std::memcmp(b, "ab\0\0\0z", 6), 0);  // every trimmed byte became NUL
}

// ---- Swap ------------------------------------------------------------------

TEST(StringsSwap, ExchangesTexts) {
  char a[8] = "a";
  char b[8] = "xyz";
  strswap(a, b);
  EXPECT_STREQ(a, "xyz");
  EXPECT_STREQ(b, "a");

  char e[8] = "";
  char f[8] = "\x80\xff";
  strswap(e, f);
  EXPECT_STREQ(e, "\x80\xff");
  EXPECT_STREQ(f, "");
}

TEST(StringsSwap, SameBufferIsLeftAlone) {
  char a[] = "same";
  strswap(a, a);
  EXPECT_STREQ(a, "same");
}

TEST(StringsSwap, LongTexts) {
  std::string x(1 << 20, 'x');
  std::string y(3, 'y');
  std::vector<char> a(x.size() + 1), b(x.size() + 1);
  std::memcpy(a.data(), x.c_str(), x.size() + 1);
  std::memcpy(b.data(), y.c_str(), y.size() + 1);
  strswap(a.data(), b.data());
  EXPECT_EQ(std::string(a.data()), y);
  EXPECT_EQ(std::string(b.data()), x);
}

// ---- Byte sort ---------------------------------------------------------------

// The order the text must end in: the bytes as signed 8-bit values.
std::string signedSorted(std::string s, bool ascending) {
  std::stable_sort(s.begin(), s.end(), [ascending](char a, char b) {
    signed char x = static_cast<signed char>(a), y = static_cast<signed char>(b);
    return ascending ? x < y : x > y;
  });
  return s;
}

TEST(StringsSort, Table) {
  struct Case {
    const char* in;
    int flag;
    const char* out;
  } cases[] = {
      {"cab", 1, "abc"},
      {"cab", 2, "cba"},
      {"cab", 0, "cab"},
      {"cab", 3, "cab"},
      {"cab", -1, "cab"},
      {"", 1, ""},
      {"z", 2, "z"},
      {"\x01\x7f\x80\xff", 1, "\x80\xff\x01\x7f"},
      {"\x01\x7f\x80\xff", 2, "\x7f\x01\xff\x80"},
      {"b\xa1"
       "a\xa1",
       1,
       "\xa1\xa1"
       "ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.in) + " flag " + std::to_string(c.flag));
    EXPECT_EQ(edit(c.in, [&](char* s) { strsort(s, c.flag); }), c.out);
  }
}

TEST(StringsSort, EveryByteValueInBothDirections) {
  std::string all;
  for (int b = 255; b >= 1; --b) all += static_cast<char>(b);
  all += all;
  std::mt19937 rng(7);
  std::shuffle(all.begin(), all.end(), rng);
  for (int flag : {1, 2}) {
    SCOPED_TRACE(flag);
    std::string got = edit(all, [&](char* s) { strsort(s, flag); });
    EXPECT_EQ(got, signedSorted(all, flag == 1));
  }
}

// ---- Bounded copy ------------------------------------------------------------

TEST(StringsScpy, Table) {
  struct Case {
    int size;
    const char* src;
    const char* expected;  // null: nothing written
  } cases[] = {
      {4, "abc", "abc"},   {3, "abc", "ab"},     {1, "abc", ""},
      {2, "", ""},         {1, "", ""},          {10, "abc", "abc"},
      {0, "abc", nullptr}, {-1, "abc", nullptr}, {INT_MIN, "abc", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " " + c.src);
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(strscpy(buf, c.size, c.src), buf);
    if (c.expected == nullptr) {
      EXPECT_EQ(std::string(buf, sizeof buf), std::string(sizeof buf, '#'));
      continue;
    }
    size_t n = std::strlen(c.expected);
    EXPECT_EQ(std::string(buf, n + 1), std::string(c.expected, n + 1));
    EXPECT_EQ(std::string(buf + n + 1, sizeof buf - n - 1), std::string(sizeof buf - n - 1, '#'));
  }
}

TEST(StringsScpy, NeverWritesPastTheBuffer) {
  // An exact-size heap buffer: the sanitizer build catches any byte beyond.
  std::string src(1000, 's');
  for (int size : {1, 2, 999, 1000, 1001}) {
    SCOPED_TRACE(size);
    std::vector<char> dst(static_cast<size_t>(size));
    strscpy(dst.data(), size, src.c_str());
    EXPECT_EQ(std::string(dst.data()), src.substr(0, std::min<size_t>(src.size(), size - 1)));
  }
}

// ---- Tests and counts --------------------------------------------------------

TEST(StringsClassify, EveryByte) {
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    char s[2] = {static_cast<char>(b), '\0'};
    int digit = isDigitByte(b) ? 1 : 0;
    EXPECT_EQ(strisnum_all(s), digit);
    EXPECT_EQ(strischar_all(s), 1 - digit);
    EXPECT_EQ(strisnum_pos(s, 0), digit);
    EXPECT_EQ(strischar_pos(s, 0), 1 - digit);
    EXPECT_EQ(strsumnum(s), digit);
    EXPECT_EQ(strsumchar(s), 1 - digit);
  }
}

TEST(StringsClassify, WholeTexts) {
  struct Case {
    const char* s;
    int numAll, charAll, sumNum, sumChar;
  } cases[] = {
      {"", 0, 0, 0, 0},      {"007", 1, 0, 3, 0},       {"0x7", 0, 0, 2, 1},
      {"-1", 0, 0, 1, 1},    {"abc", 0, 1, 0, 3},       {"ab1", 0, 0, 1, 2},
      {"a1b22", 0, 0, 3, 2}, {" \x80\xff", 0, 1, 0, 3}, {"1 2", 0, 0, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(strisnum_all(c.s), c.numAll);
    EXPECT_EQ(strischar_all(c.s), c.charAll);
    EXPECT_EQ(strsumnum(c.s), c.sumNum);
    EXPECT_EQ(strsumchar(c.s), c.sumChar);
  }
}

TEST(StringsClassify, PositionsInsideAndOutsideTheText) {
  // A digit sits after the NUL: a position there is outside the text.
  const char buf[] =
      "a1\0"
      "9";
  struct Case {
    int pos;
    int num, chr;
  } cases[] = {{0, 0, 1}, {1, 1, 0}, {2, 0, 0}, {3, 0, 0}, {-1, 0, 0}, {INT_MIN, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pos);
    EXPECT_EQ(strisnum_pos(buf, c.pos), c.num);
    EXPECT_EQ(strischar_pos(buf, c.pos), c.chr);
  }
  EXPECT_EQ(strisnum_pos("", 0), 0);
  EXPECT_EQ(strischar_pos("", 0), 0);
}

}  // namespace
