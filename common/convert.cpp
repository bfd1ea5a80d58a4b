// Weekdays, time-of-day windows, MAC texts, bit strings, the hex dump and
// the marker count.
#include <stdio.h>
#include <string.h>

#include "common/common.h"
#include "tavo_bytes.h"
#include "tavo_text.h"

namespace {

// Longest MAC text accepted: six pairs and five separators of 3 bytes take
// 27 bytes; anything past 29 is not a MAC text.
constexpr size_t kMacTextMax = 29;
constexpr size_t kMacSepMax = 3;

// Hex dump layout: 16 bytes per line; the hex column of a full line is
// 32 digits and 8 spaces wide.
constexpr int kDumpBytesPerLine = 16;
constexpr int kDumpHexWidth = 40;

constexpr long long floorDiv(long long a, long long b) { return (a >= 0 ? a : a - (b - 1)) / b; }
constexpr long long floorMod(long long a, long long b) { return a - floorDiv(a, b) * b; }

// Days from 1970-01-01 to year y, month m (1..12), day 1 of the proleptic
// Gregorian calendar.  Counting years from March puts the leap day last,
// so each 400-year era has a fixed shape.
constexpr long long daysFromCivil(long long y, long long m) {
  y -= (m <= 2) ? 1 : 0;
  const long long era = floorDiv(y, 400);
  const long long yearOfEra = y - era * 400;                            // 0..399
  const long long dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5;  // March-based, day 1
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}
static_assert(daysFromCivil(1970, 1) == 0, "epoch");
static_assert(daysFromCivil(2000, 3) == 11017, "after a leap day");

unsigned int macDigit(unsigned char d) {
  // Unsigned arithmetic: bytes below 0x37 wrap, and only the low 8 bits of
  // the combined byte are kept anyway.
  return tavo::detail::isDigit(d) ? d - 0x30u : d - 0x37u;
}

void writeBits(unsigned long value, int width, char* out) {
  for (int k = 0; k < width; ++k) out[k] = ((value >> (width - 1 - k)) & 1u) != 0 ? '1' : '0';
}

}  // namespace

int get_week_day(const char* date) {
  int year = 0;
  int month = 0;
  int day = 0;
  // Fields that cannot be read keep their 0.
  (void)sscanf(date, "%04d%02d%02d", &year, &month, &day);
  // Calendar arithmetic rather than mktime: local midnight may not exist
  // (a zone that skipped a day, or a daylight-saving change at 00:00), and
  // mktime would then move the date.  Normalisation matches mktime's.
  long long m0 = static_cast<long long>(month) - 1;
  const long long y = year + floorDiv(m0, 12);
  m0 = floorMod(m0, 12);
  const long long days = daysFromCivil(y, m0 + 1) + (static_cast<long long>(day) - 1);
  // 1970-01-01 was a Thursday (4 with Monday as 1).
  return static_cast<int>(floorMod(days + 3, 7)) + 1;
}

int between_t(const char* begin, const char* end, const char* now) {
  if (strcmp(begin, end) <= 0) return (strcmp(begin, now) <= 0 && strcmp(now, end) <= 0) ? 1 : 0;
  if (strcmp(begin, now) <= 0 && strcmp(now, "240000") < 0) return 1;
  if (strcmp("000000", now) <= 0 && strcmp(now, end) <= 0) return 1;
  return 0;
}

void mac_ntoa(const unsigned char* mac, char* out, const char* sep) {
  sprintf(out, "%02x%s%02x%s%02x%s%02x%s%02x%s%02x", mac[0], sep, mac[1], sep, mac[2], sep, mac[3], sep,
          mac[4], sep, mac[5]);
}

void mac_aton(const char* text, unsigned char* mac, const char* sep) {
  const size_t sepLen = tavo::detail::boundedLength(sep, kMacSepMax + 1);
  if (sepLen > kMacSepMax) return;
  const size_t textLen = tavo::detail::boundedLength(text, kMacTextMax + 1);
  const size_t step = sepLen + 2;
  if (textLen > kMacTextMax || textLen < 5 * step + 2) return;

  char work[kMacTextMax + 1] = {};
  memcpy(work, text, textLen);
  strupper(work);
  for (size_t i = 0; i < 6; ++i) {
    const unsigned int high = macDigit(static_cast<unsigned char>(work[i * step]));
    const unsigned int low = macDigit(static_cast<unsigned char>(work[i * step + 1]));
    mac[i] = static_cast<unsigned char>((high * 16u + low) & 0xFFu);
  }
}

void c2bin(char c, char* out) { writeBits(static_cast<unsigned char>(c), 8, out); }

void s2bin(int n, char* out) { writeBits(static_cast<unsigned int>(n) & 0xFFFFu, 16, out); }

void n2bin(int n, char* out) { writeBits(static_cast<unsigned int>(n), 32, out); }

void dump_buf(const unsigned char* buf, int len) {
  static const char kHex[] = "0123456789abcdef";
  // Hex column, ": ", the text column and "\n".
  char line[kDumpHexWidth + 2 + kDumpBytesPerLine + 1];
  for (long long start = 0; start < len; start += kDumpBytesPerLine) {
    const int count = (len - start < kDumpBytesPerLine) ? static_cast<int>(len - start) : kDumpBytesPerLine;
    char* p = line;
    for (int i = 0; i < count; ++i) {
      const unsigned char b = buf[start + i];
      *p++ = kHex[b >> 4];
      *p++ = kHex[b & 0x0F];
      if (((start + i) & 1) != 0) *p++ = ' ';
    }
    while (p < line + kDumpHexWidth) *p++ = ' ';
    *p++ = ':';
    *p++ = ' ';
    for (int i = 0; i < count; ++i) {
      const unsigned char b = buf[start + i];
      *p++ = (b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : '.';
    }
    *p++ = '\n';
    fwrite(line, 1, static_cast<size_t>(p - line), stdout);
  }
}

int CheckMark(const char* s, const char* mark) {
  const char m = mark[0];
  int n = 0;
  for (int i = 0; i < 1000 && s[i] != '\0'; ++i)
    if (s[i] == m) ++n;
  return n;
}
