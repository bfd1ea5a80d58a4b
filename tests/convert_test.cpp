// Weekdays, time-of-day windows, MAC texts, bit strings, the hex dump and
// the marker count.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

// ---- get_week_day --------------------------------------------------------

// Sets TZ for the life of the object and restores the previous value.
class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    const char* old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    tavo_test::setEnv("TZ", tz);
    tzset();
  }
  ~ScopedTz() {
    tavo_test::setEnv("TZ", hadOld_ ? old_.c_str() : nullptr);
    tzset();
  }
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  bool hadOld_ = false;
  std::string old_;
};

struct WeekdayCase {
  const char* date;
  int weekday;
};

const WeekdayCase kWeekdays[] = {
    {"20240101", 1},
    {"20240107", 7},
    {"20240229", 4},
    {"20000229", 2},
    {"19000228", 3},
    {"19000301", 4},
    {"21000228", 7},
    {"21000301", 1},
    {"16000229", 2},
    {"19700101", 4},
    {"20111230", 5},  // the day Samoa skipped: no local midnight there
    {"20380119", 2},
    {"99991231", 5},
    {"00010101", 1},
    // Out-of-range fields roll over into the next or previous month/year.
    {"20240132", 4},  // 1 February 2024
    {"20240001", 5},  // month 0: December 2023
    {"20240300", 4},  // day 0: 29 February 2024
    {"20231300", 7},  // month 13, day 0: 31 December 2023
    {"20249999", 1},  // month 99 of 2024, day 99: 7 June 2032
    {"2024-1-5", 4},  // month -1, day -5: 26 October 2023
    {"202403", 4},    // the day cannot be read: 0, so 29 February 2024
    {"2024", 4},      // month and day 0: 30 November 2023
};

void expectWeekdayTable() {
  for (const WeekdayCase& c : kWeekdays) {
    SCOPED_TRACE(c.date);
    EXPECT_EQ(get_week_day(c.date), c.weekday);
  }
}

int daysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return (m == 2 && leap) ? 29 : kDays[m - 1];
}

// Walks every day from 1 January of `from` to 31 December of `to`,
// checking that the weekday advances by one each day.
void expectEveryDay(int from, int to, int firstWeekday) {
  int expected = firstWeekday;
  char date[16];
  for (int y = from; y <= to; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= daysInMonth(y, m); ++d) {
        std::snprintf(date, sizeof date, "%04d%02d%02d", y, m, d);
        int got = get_week_day(date);
        if (got != expected) {
          ADD_FAILURE() << date << ": " << got << " instead of " << expected;
          return;
        }
        expected = expected % 7 + 1;
      }
}

TEST(GetWeekDay, KnownDatesAndRollOver) { expectWeekdayTable(); }

TEST(GetWeekDay, EveryDayFrom1600To2400) {
  expectEveryDay(1600, 2400, 6);  // 1 January 1600 was a Saturday
}

TEST(GetWeekDay, UnreadableTextCountsAsZeroFields) {
  // Year 0, month 0, day 0: 30 November of year -1 (proleptic Gregorian),
  // which is what mktime makes of the same fields.
  for (const char* date : {"", "abcd", "x2024010"}) {
    SCOPED_TRACE(date);
    EXPECT_EQ(get_week_day(date), get_week_day("00000000"));
  }
  int w = get_week_day("");
  EXPECT_TRUE(w >= 1 && w <= 7);
}

// The rollover rules are mktime's: compare with mktime where it is exact,
// in UTC (no daylight saving, every midnight exists).
TEST(GetWeekDay, RollOverMatchesMktimeInUtc) {
  ScopedTz tz("UTC");
  const char* months[] = {"00", "01", "02", "03", "12", "13", "99", "-1"};
  const char* days[] = {"00", "01", "29", "31", "99", "-9"};
  char date[16];
  int checked = 0;
  for (int y = -999; y <= 9999; ++y)
    for (const char* m : months)
      for (const char* d : days) {
        std::snprintf(date, sizeof date, "%04d%s%s", y, m, d);
        std::tm t = {};
        t.tm_year = y - 1900;
        t.tm_mon = std::atoi(m) - 1;
        t.tm_mday = std::atoi(d);
        t.tm_isdst = 0;
        errno = 0;
        if (std::mktime(&t) == static_cast<std::time_t>(-1) && errno != 0) continue;
        int expected = t.tm_wday == 0 ? 7 : t.tm_wday;
        ++checked;
        if (get_week_day(date) != expected) {
          ADD_FAILURE() << date << ": " << get_week_day(date) << " instead of " << expected;
          return;
        }
      }
  // The Windows runtime's mktime covers only the years 1970 to 3000.
  EXPECT_GT(checked, TAVO_TEST_WINDOWS ? 40000 : 500000);
}

bool zoneInstalled(const char* tz) {
  if (std::strchr(tz, '/') == nullptr) return true;  // a POSIX rule, or UTC
  struct stat st;
  return stat((std::string("/usr/share/zoneinfo/") + tz).c_str(), &st) == 0;
}

TEST(GetWeekDay, SameResultInEveryTimeZone) {
  const char* zones[] = {
      "UTC",
      "Pacific/Apia",       // skipped 30 December 2011 altogether
      "Europe/Dublin",      // winter time is the daylight-saving offset (negative DST)
      "Africa/Casablanca",  // clocks moved back an hour during Ramadan
      "America/Sao_Paulo",  // daylight saving used to start at midnight
      "Australia/Lord_Howe",
      "Pacific/Kiritimati",
      "Etc/GMT+12",
      "IST-1GMT0,M10.5.0,M3.5.0/1",  // a POSIX rule with negative DST
      "AAA3BBB,M10.1.0/0,M2.3.0/0",  // changes at midnight, southern summer
  };
  for (const char* zone : zones) {
    SCOPED_TRACE(zone);
    if (!zoneInstalled(zone)) continue;
    ScopedTz tz(zone);
    expectWeekdayTable();
    expectEveryDay(1900, 2100, 1);  // 1 January 1900 was a Monday
  }
}

// ---- between_t -----------------------------------------------------------

TEST(BetweenT, PlainAndWrappingWindows) {
  struct Case {
    const char* begin;
    const char* end;
    const char* now;
    int in;
  } cases[] = {
      {"080000", "180000", "080000", 1},
      {"080000", "180000", "180000", 1},
      {"080000", "180000", "120000", 1},
      {"080000", "180000", "075959", 0},
      {"080000", "180000", "180001", 0},
      {"080000", "180000", "000000", 0},
      {"220000", "060000", "230000", 1},
      {"220000", "060000", "220000", 1},
      {"220000", "060000", "235959", 1},
      {"220000", "060000", "000000", 1},
      {"220000", "060000", "060000", 1},
      {"220000", "060000", "120000", 0},
      {"220000", "060000", "240000", 0},
      {"220000", "060000", "215959", 0},
      {"220000", "060000", "060001", 0},
      {"120000", "120000", "120000", 1},
      {"120000", "120000", "115959", 0},
      {"120000", "120000", "120001", 0},
      {"000000", "240000", "000000", 1},
      {"000000", "240000", "240000", 1},
      {"000000", "240000", "235959", 1},
      {"120001", "120000", "120000", 1},
      {"120001", "120000", "120001", 1},
      {"120001", "120000", "120000x", 0},
      // Text order: bytes 0x80..0xFF order after the digits.
      {"080000", "180000", "\xa1", 0},
      {"080000", "\xff", "\xa1", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.begin << ".." << c.end << " now " << c.now);
    EXPECT_EQ(between_t(c.begin, c.end, c.now), c.in);
  }
}

// ---- MAC texts -----------------------------------------------------------

const unsigned char kMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

TEST(MacNtoa, LowerCaseHexJoinedBySeparator) {
  struct Case {
    const char* sep;
    const char* text;
  } cases[] = {
      {":", "00:1a:2b:3c:4d:5e"},
      {"", "001a2b3c4d5e"},
      {"-", "00-1a-2b-3c-4d-5e"},
      {" : ", "00 : 1a : 2b : 3c : 4d : 5e"},
      {"\xa1\xa2",
       "00\xa1\xa2"
       "1a\xa1\xa2"
       "2b\xa1\xa2"
       "3c\xa1\xa2"
       "4d\xa1\xa2"
       "5e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sep);
    std::size_t need = 13 + 5 * std::strlen(c.sep);
    std::vector<char> out(need + 8, '#');
    mac_ntoa(kMac, out.data(), c.sep);
    EXPECT_STREQ(out.data(), c.text);
    ASSERT_EQ(std::strlen(out.data()) + 1, need);
    EXPECT_EQ(std::string(out.data() + need, 8), "########");  // nothing past the NUL
  }
  const unsigned char high[6] = {0xFF, 0x80, 0x7F, 0x10, 0x01, 0xAB};
  char out[32];
  mac_ntoa(high, out, ":");
  EXPECT_STREQ(out, "ff:80:7f:10:01:ab");
}

TEST(MacAton, ParsesPairsAtSeparatorSteps) {
  struct Case {
    const char* text;
    const char* sep;
    unsigned char mac[6];
  } cases[] = {
      {"00-1a-2B-3c-4D-5e", "-", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
      {"00:1A:2B:3C:4D:5E", "-", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},  // separator bytes not compared
      {"001a2b3c4d5e", "", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
      {"ff::ee::dd::cc::bb::aa", "::", {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA}},
      {"01 - 23 - 45 - 67 - 89 - ab", " - ", {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}},
      {"00:1a:2b:3c:4d:5e and more", ":", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},  // 26 bytes: tail ignored
      // Digits are not validated: 'G' counts 16, 'z' (upper-cased 'Z') 35,
      // ' ' 0x20 - 0x37; only the low 8 bits are kept.
      {"GG:zz:  :0G:G0:99", ":", {0x10, 0x53, 0x79, 0x10, 0x00, 0x99}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " sep '" << c.sep << "'");
    unsigned char mac[8];
    std::memset(mac, 0xEE, sizeof mac);
    mac_aton(c.text, mac, c.sep);
    EXPECT_EQ(std::memcmp(mac, c.mac, 6), 0);
    EXPECT_EQ(mac[6], 0xEE);  // exactly six bytes written
  }
}

TEST(MacAton, EveryByteFollowsTheDigitRule) {
  auto value = [](unsigned b) -> unsigned {
    if (b >= '0' && b <= '9') return b - 0x30;
    if (b >= 'a' && b <= 'z') b -= 0x20;
    return b - 0x37;
  };
  for (unsigned b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    char text[] = "x0:0x:00:00:00:00";
    text[0] = static_cast<char>(b);
    text[4] = static_cast<char>(b);
    unsigned char mac[6];
    mac_aton(text, mac, ":");
    EXPECT_EQ(mac[0], (value(b) * 16) & 0xFF);
    EXPECT_EQ(mac[1], value(b) & 0xFF);
    EXPECT_EQ(mac[2], 0);
  }
}

TEST(MacAton, TextsThatCannotHoldSixPairsLeaveTheBytesAlone) {
  std::string longest(29, '1');  // within the limit: accepted
  std::string tooLong(30, '1');
  struct Case {
    std::string text;
    const char* sep;
    bool parsed;
  } cases[] = {
      {"", ":", false},
      {"00:1a:2b:3c:4d:5", ":", false},  // 16 bytes, 17 needed
      {"00:1a:2b:3c:4d:5e", ":", true},
      {"001a2b3c4d5", "", false},
      {"00:::1a:::2b:::3c:::4d:::5", ":::", false},  // 26 bytes, 27 needed
      {"00:::1a:::2b:::3c:::4d:::5e", ":::", true},
      {"00::::1a::::2b::::3c::::4d::::5e", "::::", false},  // separator over 3 bytes
      {longest, "", true},
      {tooLong, "", false},
      {tooLong + std::string(1000, '2'), "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text.size() << " bytes, sep '" << c.sep << "'");
    unsigned char mac[6];
    std::memset(mac, 0xEE, sizeof mac);
    mac_aton(c.text.c_str(), mac, c.sep);
    bool untouched = true;
    for (unsigned char b : mac) untouched = untouched && b == 0xEE;
    EXPECT_EQ(!untouched, c.parsed);
  }
}

TEST(MacAton, RoundTripsWithMacNtoa) {
  unsigned char in[6];
  for (int seed = 0; seed < 256; ++seed) {
    for (int i = 0; i < 6; ++i) in[i] = static_cast<unsigned char>(seed * 37 + i * 101);
    for (const char* sep : {"", ":", "-", "..."}) {
      char text[32];
      mac_ntoa(in, text, sep);
      unsigned char out[6] = {};
      mac_aton(text, out, sep);
      ASSERT_EQ(std::memcmp(in, out, 6), 0) << text;
    }
  }
}

// ---- Bit strings ---------------------------------------------------------

std::string bitsOf(unsigned long long v, int width) {
  std::string s;
  for (int k = width - 1; k >= 0; --k) s += ((v >> k) & 1) ? '1' : '0';
  return s;
}

TEST(BitStrings, KnownValues) {
  char out[40];
  std::memset(out, '#', sizeof out);
  c2bin(0x05, out);
  EXPECT_EQ(std::string(out, 9), "00000101#");
  c2bin(static_cast<char>(0xC0), out);
  EXPECT_EQ(std::string(out, 9), "11000000#");
  std::memset(out, '#', sizeof out);
  s2bin(0x12345, out);
  EXPECT_EQ(std::string(out, 17), "0010001101000101#");
  std::memset(out, '#', sizeof out);
  n2bin(-1, out);
  EXPECT_EQ(std::string(out, 33), std::string(32, '1') + "#");
}

TEST(BitStrings, EveryCharAndEveryShort) {
  char out[20];
  for (int c = 0; c < 256; ++c) {
    std::memset(out, '#', sizeof out);
    c2bin(static_cast<char>(c), out);
    ASSERT_EQ(std::string(out, 9), bitsOf(static_cast<unsigned>(c), 8) + "#") << c;
  }
  for (int n = 0; n < 65536; ++n) {
    std::memset(out, '#', sizeof out);
    s2bin(n, out);
    ASSERT_EQ(std::string(out, 17), bitsOf(static_cast<unsigned>(n), 16) + "#") << n;
    s2bin(n - 65536, out);  // only the low 16 bits count
    ASSERT_EQ(std::string(out, 16), bitsOf(static_cast<unsigned>(n), 16)) << n;
  }
}

TEST(BitStrings, Ints) {
  const int values[] = {0, 1, -1, INT_MIN, INT_MAX, 0x12345678, -0x12345678, 0x00FF00FF};
  char out[40];
  for (int v : values) {
    SCOPED_TRACE(v);
    std::memset(out, '#', sizeof out);
    n2bin(v, out);
    EXPECT_EQ(std::string(out, 33), bitsOf(static_cast<unsigned>(v), 32) + "#");
  }
  for (int k = 0; k < 32; ++k) {
    n2bin(static_cast<int>(1u << k), out);
    EXPECT_EQ(std::string(out, 32), std::string(31 - k, '0') + "1" + std::string(k, '0'));
  }
}

// ---- dump_buf ------------------------------------------------------------

using tavo_test::stdoutOf;

std::string dumpOf(const std::vector<unsigned char>& bytes, int len) {
  return stdoutOf([&] { dump_buf(bytes.data(), len); });
}

std::string dumpOf(const std::vector<unsigned char>& bytes) {
  return dumpOf(bytes, static_cast<int>(bytes.size()));
}

TEST(DumpBuf, ShortAndFullLines) {
  EXPECT_EQ(dumpOf({0x41, 0x00, 0x42}), "4100 42" + std::string(33, ' ') + ": A.B\n");
  std::vector<unsigned char> sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(static_cast<unsigned char>(i));
  EXPECT_EQ(dumpOf(sixteen), "0001 0203 0405 0607 0809 0a0b 0c0d 0e0f : ................\n");
  std::vector<unsigned char> seventeen(17, 'a');
  EXPECT_EQ(dumpOf(seventeen),
            "6161 6161 6161 6161 6161 6161 6161 6161 : aaaaaaaaaaaaaaaa\n"
            "61" +
                std::string(38, ' ') + ": a\n");
  EXPECT_EQ(dumpOf({0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF}),
            "1f20 7e7f 80ff " + std::string(25, ' ') + ": . ~...\n");
}

TEST(DumpBuf, NothingForZeroOrNegativeLength) {
  std::vector<unsigned char> bytes(4, 'x');
  EXPECT_EQ(dumpOf(bytes, 0), "");
  EXPECT_EQ(dumpOf(bytes, -1), "");
  EXPECT_EQ(dumpOf(bytes, INT_MIN), "");
}

TEST(DumpBuf, EveryByteValueKeepsTheColumnsAligned) {
  std::vector<unsigned char> all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<unsigned char>(b));
  for (int len : {1, 2, 15, 31, 255, 256}) {
    SCOPED_TRACE(len);
    std::string out = dumpOf(all, len);
    std::string expected;
    for (int start = 0; start < len; start += 16) {
      std::string hex;
      std::string text;
      for (int i = start; i < len && i < start + 16; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", i);
        hex += pair;
        if (i % 2 == 1) hex += ' ';
        text += (i >= 0x20 && i <= 0x7E) ? static_cast<char>(i) : '.';
      }
      expected += hex + std::string(40 - hex.size(), ' ') + ": " + text + "\n";
    }
    EXPECT_EQ(out, expected);
  }
}

// ---- CheckMark -----------------------------------------------------------

TEST(CheckMark, CountsTheFirstMarkByteWithinTheFirstThousandBytes) {
  struct Case {
    std::string text;
    const char* mark;
    int count;
  } cases[] = {
      {"a|b|c", "|", 2},
      {"a|b|c", "", 0},
      {"", "|", 0},
      {"|||", "|x", 3},  // only the first byte of the mark counts
      {"x|y", "x|", 1},
      {"\xa1\xa1x\xa1", "\xa1", 3},
      {"\xa1\xa1x\xa1", "\xa2", 0},
      {std::string(1500, '|'), "|", 1000},
      {std::string(999, 'x') + "||", "|", 1},  // byte 999 counts, byte 1000 does not
      {std::string(1000, 'x') + "|", "|", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text.size() << " bytes, mark '" << c.mark << "'");
    EXPECT_EQ(CheckMark(c.text.c_str(), c.mark), c.count);
  }
}

}  // namespace
